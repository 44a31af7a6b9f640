#include "ui/controls/list_box.h"

#include <algorithm>

#include "ui/core/window.h"
#include "ui/layout/layout.h"

namespace ui {

// ---- ListContainerElement --------------------------------------------------

ListContainerElement::ListContainerElement() {
  text_style_ = DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_END_ELLIPSIS;
  // Pointer input reaching an item is its parent's.
  receive_pointer_ = false;
}

void ListContainerElement::SetSelected(bool selected, bool trigger) {
  if (!IsEnabled() || !selected) return;
  if (owner_) owner_->SelectItem(index_, false, trigger);
}

void ListContainerElement::SetFadeVisible(bool visible) {
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  OptionTemplate<Box>::SetFadeVisible(visible);
  if (alive.expired()) return;
  if (!IsVisible() && IsSelected()) {
    selected_ = false;
    if (owner_) owner_->SelectItem(-1, false, true);
  }
}

void ListContainerElement::InvokeDoubleClickEvent() {
  if (window_) SendEventArgs(kEventDoubleClick);
}

void ListContainerElement::HandleEvent(EventArgs& args) {
  if (!IsMouseEnabled() && IsMouseEventType(args.type)) {
    if (owner_)
      owner_->SendEvent(args);
    else
      Control::HandleEvent(args);
    return;
  }
  const bool enter = args.type == kEventKeyDown && args.key == VK_RETURN;
  const bool space = args.type == kEventKeyDown && args.key == VK_SPACE;
  if (args.type == kEventInternalDoubleClick) {
    if (IsActivatable()) InvokeDoubleClickEvent();
    return;
  }
  if (enter && IsEnabled()) {
    if (IsActivatable() && window_) SendEventArgs(kEventReturn);
    return;
  }
  if (args.type == kEventInternalMenu && IsEnabled()) {
    std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
    SetSelected(true, true);
    if (alive.expired()) return;
    SendEventArgs(kEventMenu);
    if (!alive.expired()) Invalidate();
    return;
  }
  if ((space || enter) && IsKeyboardEnabled()) {
    Activate();
    return;
  }
  if (args.type == kEventInternalMenu) {
    if (IsContextMenuEnabled()) SendEventArgs(kEventMenu, args.wparam, args.lparam);
    return;
  }
  Control::HandleEvent(args);
}

// ---- ListBox ---------------------------------------------------------------

void ListBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"scrollselect")
    SetScrollSelect(value == L"true");
  else
    ScrollableBox::SetAttribute(name, value);
}

bool ListBox::SelectByKey(int index, bool forward) {
  return SelectItem(NextSelectable(index, forward), true, true);
}

void ListBox::HandleEvent(EventArgs& args) {
  if (PassDeafMouseEvent(args)) return;
  switch (args.type) {
    case kEventKeyDown:
      switch (args.key) {
        case VK_END: SelectByKey(GetCount() - 1, true); return;
        case VK_HOME: SelectByKey(0, false); return;
        case VK_UP: SelectByKey(cur_sel_ - 1, false); return;
        case VK_DOWN: SelectByKey(cur_sel_ + 1, true); return;
        default: break;
      }
      break;
    case kEventButtonDown:
    case kEventButtonUp:
      return;
    case kEventScrollWheel:
      if (scroll_select_) {
        if (static_cast<int32_t>(args.wparam) > 0)
          SelectByKey(cur_sel_ - 1, false);
        else
          SelectByKey(cur_sel_ + 1, true);
        return;
      }
      break;
    default:
      break;
  }
  ScrollableBox::HandleEvent(args);
}

bool ListBox::OnButtonDown(EventArgs& args) {
  bool result = false;
  if (IsEnabled()) {
    state_ = kControlStatePushed;
    SetMouseCaptured(true);
    Invalidate();
    result = true;
  }
  StopScroll();
  return result;
}

bool ListBox::SelectItem(int index, bool take_focus, bool trigger) {
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  const int old = cur_sel_;
  if (cur_sel_ >= 0) {
    if (auto* element = dynamic_cast<ListContainerElement*>(GetItemAt(cur_sel_))) {
      // The option's own selection: it clears the flag, tells the item
      // (with a window) and repaints it.
      element->OptionTemplate<Box>::SetSelected(false, false);
      if (alive.expired()) return false;
    }
    cur_sel_ = -1;
  }
  if (index < 0) return false;

  auto* element = dynamic_cast<ListContainerElement*>(GetItemAt(index));
  if (!element || !element->IsVisible() || !element->IsEnabled()) return false;
  cur_sel_ = index;
  element->OptionTemplate<Box>::SetSelected(true, trigger);
  if (alive.expired()) return false;
  // A listener may have moved or removed it meanwhile.
  if (GetItemAt(index) != element) return true;
  EnsureVisible(element->GetPos(true));
  if (take_focus) element->SetFocus();
  if (alive.expired()) return false;
  if (window_ && trigger) SendEventArgs(kEventSelect, index, old);
  return true;
}

void ListBox::EnsureVisible(const UiRect& rect) {
  UiSize pos = GetScrollPos();
  UiRect shifted = rect;
  shifted.Offset(-pos.cx, -pos.cy);
  UiRect area = GetContentRect();
  area.bottom -= GetHScrollBarHeight();

  bool inside = shifted.left >= area.left && shifted.right <= area.right &&
                shifted.top >= area.top && shifted.bottom <= area.bottom;
  if (!inside) {
    int dx = 0;
    if (shifted.right > area.right)
      dx = shifted.right - area.right;
    else if (shifted.left < area.left)
      dx = shifted.left - area.left;
    int dy = 0;
    if (shifted.bottom > area.bottom)
      dy = shifted.bottom - area.bottom;
    else if (shifted.top < area.top)
      dy = shifted.top - area.top;
    SetScrollPos(UiSize{pos.cx + dx, pos.cy + dy});
    return;
  }
  if (auto* element = dynamic_cast<ListContainerElement*>(parent_)) {
    if (element->GetOwner()) element->GetOwner()->EnsureVisible(rect);
  }
}

void ListBox::Renumber(int from, int to) {
  from = std::max(from, 0);
  to = std::min(to, GetCount() - 1);
  for (int i = from; i <= to; ++i)
    if (auto* element = dynamic_cast<ListContainerElement*>(items_[i]))
      element->SetIndex(i);
}

bool ListBox::Add(Control* control) {
  int index = GetCount();
  if (!Box::Add(control)) return false;
  if (auto* element = dynamic_cast<ListContainerElement*>(control)) {
    element->SetOwner(this);
    element->SetIndex(index);
  }
  return true;
}

bool ListBox::AddAt(Control* control, int index) {
  if (!Box::AddAt(control, index)) return false;
  if (auto* element = dynamic_cast<ListContainerElement*>(control)) {
    element->SetOwner(this);
    element->SetIndex(index);
  }
  Renumber(index + 1, GetCount() - 1);
  if (cur_sel_ >= index) ++cur_sel_;
  return true;
}

bool ListBox::Remove(Control* control) {
  int index = GetItemIndex(control);
  if (index < 0) return false;
  return RemoveAt(index);
}

bool ListBox::RemoveAt(int index) {
  Control* item = GetItemAt(index);
  if (!item) return false;
  if (auto* element = dynamic_cast<ListContainerElement*>(item))
    element->SetOwner(nullptr);
  if (!Box::Remove(item)) return false;
  Renumber(index, GetCount() - 1);
  if (index == cur_sel_) {
    if (select_next_on_remove_) {
      cur_sel_ = index - 1;
      SelectItem(NextSelectable(index, false), false, true);
    } else {
      cur_sel_ = -1;
    }
  } else if (index < cur_sel_) {
    --cur_sel_;
  }
  return true;
}

void ListBox::RemoveAll() {
  cur_sel_ = -1;
  Box::RemoveAll();
}

bool ListBox::SetItemIndex(Control* control, int new_index) {
  int old = GetItemIndex(control);
  if (old < 0) return false;
  if (old == new_index) return true;
  if (new_index < 0 || new_index >= GetCount()) return false;
  Control* selected = GetItemAt(cur_sel_);
  if (!Box::SetItemIndex(control, new_index)) return false;
  Renumber(std::min(old, new_index), std::max(old, new_index));
  if (selected) cur_sel_ = GetItemIndex(selected);
  return true;
}

bool ListBox::ScrollItemToTop(Control* control) {
  if (!control || GetItemIndex(control) < 0) return false;
  if (GetScrollRange().cy == 0) return false;
  int d = control->GetPos(true).top - (rect_.top + layout_->GetPadding().top);
  if (d < 0) return false;
  SetScrollPos(UiSize{GetScrollPos().cx, d});
  return true;
}

bool ListBox::ScrollItemToTopByName(const std::wstring& name) {
  for (Control* item : items_)
    if (item->GetName() == name) return ScrollItemToTop(item);
  return false;
}

Control* ListBox::GetTopItem() const {
  int line = rect_.top + layout_->GetPadding().top + GetScrollPos().cy;
  for (Control* item : items_) {
    if (!item->IsVisible() || item->IsFloat()) continue;
    if (item->GetPos(true).bottom >= line) return item;
  }
  return nullptr;
}

}  // namespace ui
