#include "ui/core/box.h"

#include <algorithm>

#include "ui/core/event_dispatch.h"
#include "ui/core/window.h"
#include "ui/layout/layout.h"

namespace ui {

Box::Box(Layout* layout) : layout_(layout ? layout : new Layout) {
  layout_->SetOwner(this);
}

Box::~Box() {
  deferred_delete_ = false;
  if (delete_on_remove_) {
    std::vector<Control*> items;
    items.swap(items_);
    for (Control* item : items) delete item;
  }
  items_.clear();
}

int Box::NextSelectable(int index, bool forward) const {
  const int count = GetCount();
  if (count == 0) return -1;
  index = std::max(0, std::min(index, count - 1));
  auto selectable = [this](int i) {
    Control* item = items_[i];
    return dynamic_cast<ISelectableItem*>(item) && item->IsVisible() &&
           item->IsEnabled();
  };
  if (forward) {
    for (int i = index; i < count; ++i)
      if (selectable(i)) return i;
    return -1;
  }
  for (int i = index; i >= 0; --i)
    if (selectable(i)) return i;
  return NextSelectable(0, true);
}

Control* Box::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return items_[index];
}

int Box::GetItemIndex(Control* control) const {
  auto it = std::find(items_.begin(), items_.end(), control);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool Box::SetItemIndex(Control* control, int index) {
  int old = GetItemIndex(control);
  if (old < 0 || index < 0 || index >= GetCount()) return false;
  Arrange();
  items_.erase(items_.begin() + old);
  items_.insert(items_.begin() + index, control);
  return true;
}

bool Box::Add(Control* control) { return InsertAt(control, GetCount()); }

bool Box::AddAt(Control* control, int index) { return InsertAt(control, index); }

bool Box::Add(std::unique_ptr<Control> control) {
  if (!Add(control.get())) return false;
  control.release();
  return true;
}

bool Box::AddAt(std::unique_ptr<Control> control, int index) {
  if (!AddAt(control.get(), index)) return false;
  control.release();
  return true;
}

bool Box::InsertAt(Control* control, int index) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (!control || index < 0 || index > GetCount()) return false;
  // A control held by a box already would be owned (and deleted) twice; an
  // ancestor would make the tree a loop. A stale parent pointer left by a
  // removal without deletion does not count.
  Box* holder = control->GetParent();
  if (holder && holder->GetItemIndex(control) >= 0) return false;
  for (Control* p = this; p; p = p->GetParent())
    if (p == control) return false;

  control->SetWindow(window_, this, window_ != nullptr);
  if (window_) window_->RegisterNames(control);
  if (IsVisible())
    Arrange();
  else
    control->SetInnerVisible(false);
  items_.insert(items_.begin() + index, control);
  return true;
}

bool Box::Remove(Control* control) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  int index = control ? GetItemIndex(control) : -1;
  if (index < 0) return false;
  Arrange();
  items_.erase(items_.begin() + index);
  if (delete_on_remove_) DestroyChild(control);
  return true;
}

bool Box::RemoveAt(int index) {
  Control* control = GetItemAt(index);
  if (!control) return false;
  return Box::Remove(control);
}

void Box::RemoveAll() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  std::vector<Control*> items;
  items.swap(items_);
  if (delete_on_remove_)
    for (Control* item : items) DestroyChild(item);
  Arrange();
}

void Box::DestroyChild(Control* control) {
  if (deferred_delete_ && window_) {
    control->SetWindow(window_, nullptr, false);
    window_->AddDeferredDelete(control);
    return;
  }
  // At once, unless a handler that may still run on it is on the stack.
  if (window_) window_->ForgetSubtree(control);
  control->SetWindow(nullptr, nullptr, false);
  deferred_deletion::Add(control, nullptr);
}

void Box::SetLayout(Layout* layout) {
  if (!layout || layout == layout_.get()) return;
  layout_.reset(layout);
}

UiRect Box::GetContentRect() const {
  UiRect rect = GetPos(true);
  UiRect padding = layout_->GetPadding();
  rect.left += padding.left;
  rect.top += padding.top;
  rect.right -= padding.right;
  rect.bottom -= padding.bottom;
  return rect;
}

void Box::SwapChildren(Control* a, Control* b) {
  for (Control*& item : items_) {
    if (item == a)
      item = b;
    else if (item == b)
      item = a;
  }
}

void Box::AttachBubbledEvent(int type, EventCallback callback) {
  bubbled_listeners_[type].push_back(std::move(callback));
}

void Box::AttachMarkupBubbledEvent(int type, EventCallback callback) {
  markup_bubbled_listeners_[type].push_back(std::move(callback));
}

void Box::SetWindow(Window* window, Box* parent, bool init) {
  for (Control* item : items_) item->SetWindow(window, this, init);
  Control::SetWindow(window, parent, init);
}

UiSize Box::EstimateSize(UiSize available) {
  UiSize fixed{fixed_width_, fixed_height_};
  if (fixed.cx != kSizeAuto && fixed.cy != kSizeAuto) return fixed;
  if (!size_dirty_) return estimated_size_;

  UiRect padding = layout_->GetPadding();
  available.cx -= padding.left + padding.right;
  available.cy -= padding.top + padding.bottom;
  UiSize s = layout_->EstimateSizeByChildren(items_, available);
  UiSize result{fixed.cx == kSizeAuto ? s.cx : fixed.cx,
                fixed.cy == kSizeAuto ? s.cy : fixed.cy};

  size_dirty_ = false;
  for (Control* item : items_) {
    if (item->IsVisible() && item->IsAutoSized() && item->IsReEstimateSize()) {
      size_dirty_ = true;
      break;
    }
  }
  estimated_size_ = result;
  return result;
}

void Box::SetPos(UiRect rect) {
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  Control::SetPos(rect);
  if (alive.expired()) return;
  UiRect content = rect_;
  UiRect padding = layout_->GetPadding();
  content.left += padding.left;
  content.top += padding.top;
  content.right -= padding.right;
  content.bottom -= padding.bottom;
  if (!items_.empty()) layout_->ArrangeChildren(items_, content);
}

void Box::SetInnerVisible(bool visible) {
  Control::SetInnerVisible(visible);
  for (Control* item : items_) item->SetInnerVisible(IsVisible());
}

void Box::SetVisible(bool visible) {
  Control::SetVisible(visible);
  for (Control* item : items_) item->SetInnerVisible(IsVisible());
}

void Box::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  Control::SetEnabled(enabled);
  for (Control* item : items_) item->SetEnabled(enabled);
  Invalidate();
}

Control* Box::FindControl(FindControlProc proc, void* data, UINT flags,
                          UiPoint scroll_pos) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  const bool hit_test = (flags & kFindHitTest) != 0;
  UiPoint pt{0, 0};
  if (hit_test) {
    pt = *static_cast<UiPoint*>(data);
    if (!rect_.Contains(pt)) return nullptr;
    if (!mouse_child_) return Control::FindControl(proc, data, flags);
  }
  if (flags & kFindMeFirst) {
    if (Control* found = Control::FindControl(proc, data, flags)) return found;
  }
  UiRect content = GetContentRect();
  const int count = GetCount();
  for (int n = 0; n < count; ++n) {
    int i = (flags & kFindTopFirst) ? count - 1 - n : n;
    Control* child = items_[i];
    Control* found = nullptr;
    if (hit_test) {
      UiPoint shifted{pt.x + scroll_pos.x, pt.y + scroll_pos.y};
      found = child->FindControl(proc, &shifted, flags);
      if (found && !found->IsFloat() && !content.Contains(pt)) found = nullptr;
    } else {
      found = child->FindControl(proc, data, flags);
    }
    if (found) return found;
  }
  if (flags & kFindMeFirst) return nullptr;
  return Control::FindControl(proc, data, flags);
}

void Box::SendEvent(EventArgs& args) {
  EventDispatchScope scope;
  if (args.type < kEventUnknown) {
    HandleEvent(args);
    return;
  }
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  bool result = true;
  if (args.sender == this) {
    if (!RunListeners(listeners_, args, &result, alive)) return;
    if (result && !RunListeners(markup_listeners_, args, &result, alive)) return;
  }
  if (!RunListeners(bubbled_listeners_, args, &result, alive)) return;
  if (result && !RunListeners(markup_bubbled_listeners_, args, &result, alive)) return;
  if (result) HandleEvent(args);
}

void Box::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (layout_->SetAttribute(name, value)) return;
  if (name == L"mousechild")
    SetMouseChildEnabled(value == L"true");
  else
    Control::SetAttribute(name, value);
}

void Box::LoadBkImage() {
  Control::LoadBkImage();
  for (Control* item : items_) item->LoadBkImage();
}

void Box::UnloadBkImage() {
  Control::UnloadBkImage();
  for (Control* item : items_) item->UnloadBkImage();
}

void Box::ClearImages() {
  Control::ClearImages();
  for (Control* item : items_) item->ClearImages();
}

}  // namespace ui
