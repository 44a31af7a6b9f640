#include "ui/controls/virtual_list_box.h"

#include <algorithm>

namespace ui {

VirtualListBox::VirtualListBox() : ListBox(new VirtualLayout) {}

int VirtualListBox::GetElementCount() const {
  if (!provider_) return 0;
  return std::max(0, provider_->GetElementCount());
}

int VirtualListBox::VerticalPos() const {
  ScrollBar* bar = GetVerticalScrollBar();
  return bar ? static_cast<int>(std::min<int64_t>(bar->GetScrollPos(), INT32_MAX)) : 0;
}

void VirtualListBox::Fill(Control* element, int row) {
  if (provider_ && row >= 0 && row < GetElementCount()) provider_->FillElement(element, row);
}

void VirtualListBox::InitElement(int max_count) {
  max_element_count_ = std::max(0, max_count);
  if (!provider_) return;
  const int n = std::min(max_element_count_, GetElementCount());
  for (int i = 0; i < n; ++i) {
    Control* element = provider_->CreateElement();
    if (!element || !Add(element)) continue;
    Fill(element, i);
  }
}

void VirtualListBox::Refresh() {
  const int total = GetElementCount();
  const int before = GetCount();
  if (before > total) {
    for (int surplus = before - total; surplus > 0 && GetCount() > 0; --surplus) RemoveAt(0);
  } else if (provider_) {
    const int wanted = std::min(total, max_element_count_) - before;
    for (int i = 0; i < wanted; ++i) {
      Control* element = provider_->CreateElement();
      if (element) Add(element);
    }
  }
  if (total > GetCount()) {
    ReArrangeChildren(true);
    if (total > 0) Arrange();
    return;
  }
  if (before == max_element_count_) layout_->ArrangeChildren(items_, GetContentRect());
  for (int i = 0; i < GetCount(); ++i) Fill(items_[i], i);
}

void VirtualListBox::RemoveAll() {
  ListBox::RemoveAll();
  if (ScrollBar* bar = GetVerticalScrollBar()) bar->SetScrollPos(0);
  previous_position_ = 0;
  first_arrange_done_ = false;
  force_rebind_ = false;
}

void VirtualListBox::SetScrollPos(UiSize pos) {
  previous_position_ = VerticalPos();
  ListBox::SetScrollPos(pos);
  if (HasMoreRowsThanControls()) ReArrangeChildren(false);
}

void VirtualListBox::SetPos(UiRect rect) {
  const UiRect old = rect_;
  ListBox::SetPos(rect);
  if (rect_ != old && HasMoreRowsThanControls()) ReArrangeChildren(true);
}

void VirtualListBox::ReArrangeChildren(bool force) {
  const int controls = GetCount();
  const int h = element_height_;
  // Without rows or a row height there is nothing to bind or to divide by.
  if (controls == 0 || h <= 0) return;
  const int pos = VerticalPos();
  bool upward = force || force_rebind_ || !first_arrange_done_;
  first_arrange_done_ = true;
  force_rebind_ = false;
  if (!upward) {
    if (!HasMoreRowsThanControls() || rect_.right - rect_.left <= 0) return;
    if (pos >= previous_position_) {
      if (items_.back()->GetPos().bottom - rect_.bottom >= pos) return;
    } else {
      if (pos >= items_.front()->GetPos().top - rect_.top) return;
    }
  }
  const int total = GetElementCount();
  const int top_row = pos / h;
  const int top = rect_.top + top_row * h;
  auto place = [this, h](Control* element, int y) {
    element->SetPos(UiRect{rect_.left, y, rect_.right, y + h});
  };
  if (!upward) {
    for (int i = 0; i < controls; ++i) {
      place(items_[i], top + i * h);
      Fill(items_[i], top_row + i);
    }
    return;
  }
  // Whole rows in view stay below; the controls left over wait above the
  // top row for a scroll up.
  const int in_view = (rect_.bottom - rect_.top) / h;
  const int k = std::max(0, controls - in_view - 1);
  for (int i = k - 1, row = top_row - 1; i >= 0; --i, --row) {
    place(items_[i], top - (k - i) * h);
    Fill(items_[i], row);
  }
  for (int i = k, row = top_row; i < controls; ++i, ++row) {
    place(items_[i], top + (i - k) * h);
    if (row < total) Fill(items_[i], row);
  }
}

void VirtualListBox::HandleEvent(EventArgs& args) {
  if (PassDeafMouseEvent(args)) return;
  if (args.type == kEventKeyDown) {
    switch (args.key) {
      case VK_END: SetScrollPosY(GetScrollRange().cy); return;
      case VK_HOME: SetScrollPosY(0); return;
      case VK_UP:
      case VK_DOWN: OnArrowKeyDown(args.key); return;
      default: break;
    }
  } else if (args.type == kEventKeyUp && (args.key == VK_UP || args.key == VK_DOWN)) {
    OnArrowKeyUp(args.key);
    return;
  }
  ListBox::HandleEvent(args);
}

}  // namespace ui
