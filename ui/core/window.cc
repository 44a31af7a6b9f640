#include "ui/core/window.h"

#include <algorithm>

#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/event_dispatch.h"
#include "ui/core/global_resources.h"

namespace ui {

namespace {

Control* RegisterControlNameProc(Control* control, void* data) {
  static_cast<Window*>(data)->RegisterName(control);
  return nullptr;
}

}  // namespace

Window::Window() { GlobalResources::Instance().AddWindow(this); }

Window::~Window() {
  GlobalResources::Instance().RemoveWindow(this);
  // The tree may be closing from one of its own handlers: detach it first,
  // so that a deletion put off until that handler returns never reaches
  // back into this window.
  Control* root = root_;
  root_ = nullptr;
  focus_ = nullptr;
  hover_ = nullptr;
  std::vector<Control*> doomed;
  doomed.swap(deferred_);
  if (root) doomed.push_back(root);
  for (Control* control : doomed) {
    control->SetWindow(nullptr, nullptr, false);
    EventDispatchScope::DeleteWhenSafe(control);
  }
}

void Window::SetRoot(Control* root) {
  Control* old = root_;
  root_ = root;
  if (old && old != root) {
    old->SetWindow(nullptr, nullptr, false);
    AddDeferredDelete(old);
  }
  if (!root_) return;
  root_->SetWindow(this, nullptr, true);
  root_->Init();
  RegisterNames(root_);
  root_->RequestArrange();
}

void Window::SetFocusControl(Control* control) {
  if (control == focus_) return;
  Control* old = focus_;
  focus_ = nullptr;
  if (old) {
    old->SendEventArgs(kEventInternalKillFocus);
    old->SendEventArgs(kEventKillFocus);
  }
  if (control && control->GetWindow() == this && control->IsVisible() &&
      control->IsEnabled()) {
    focus_ = control;
    control->SendEventArgs(kEventInternalSetFocus);
    control->SendEventArgs(kEventSetFocus);
  }
}

Control* Window::FindControlByName(const std::wstring& name) const {
  auto it = names_.find(name);
  return it == names_.end() ? nullptr : it->second;
}

void Window::RegisterName(Control* control) {
  if (!control->GetName().empty()) names_[control->GetName()] = control;
}

void Window::RegisterNames(Control* subtree) {
  if (subtree) subtree->FindControl(RegisterControlNameProc, this, 0);
}

void Window::OnControlRemoved(Control* control) {
  if (focus_ == control) focus_ = nullptr;
  if (hover_ == control) hover_ = nullptr;
  if (root_ == control) root_ = nullptr;
  auto it = names_.find(control->GetName());
  if (it != names_.end() && it->second == control) names_.erase(it);
  for (auto& group : option_groups_) {
    auto& list = group.second;
    list.erase(std::remove(list.begin(), list.end(), control), list.end());
  }
}

void Window::AddClass(const std::wstring& name, const std::wstring& attributes) {
  classes_[name] = attributes;
}

std::wstring Window::GetClassAttributes(const std::wstring& name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? std::wstring() : it->second;
}

void Window::AddOptionGroup(const std::wstring& group, Control* control) {
  auto& list = option_groups_[group];
  if (std::find(list.begin(), list.end(), control) == list.end())
    list.push_back(control);
}

void Window::RemoveOptionGroup(const std::wstring& group, Control* control) {
  auto it = option_groups_.find(group);
  if (it == option_groups_.end()) return;
  auto& list = it->second;
  list.erase(std::remove(list.begin(), list.end(), control), list.end());
  if (list.empty()) option_groups_.erase(it);
}

const std::vector<Control*>* Window::GetOptionGroup(const std::wstring& group) const {
  auto it = option_groups_.find(group);
  return it == option_groups_.end() ? nullptr : &it->second;
}

void Window::AddDeferredDelete(Control* control) {
  deferred_.push_back(control);
  if (hwnd_) ::PostMessageW(hwnd_, kWmDeleteDeferred, 0, 0);
}

void Window::DeleteDeferredControls() {
  // A nested message loop (a modal dialog opened by a handler) may get here
  // while a handler of one of these controls is still running.
  while (!deferred_.empty()) {
    std::vector<Control*> batch;
    batch.swap(deferred_);
    for (Control* control : batch) EventDispatchScope::DeleteWhenSafe(control);
  }
}

void Window::InvalidateArea(const UiRect& area) {
  if (area.IsEmpty()) return;
  if (invalid_.IsEmpty()) {
    invalid_ = area;
  } else {
    invalid_.left = std::min(invalid_.left, area.left);
    invalid_.top = std::min(invalid_.top, area.top);
    invalid_.right = std::max(invalid_.right, area.right);
    invalid_.bottom = std::max(invalid_.bottom, area.bottom);
  }
  if (!hwnd_) return;
  RECT r{area.left, area.top, area.right, area.bottom};
  ::InvalidateRect(hwnd_, &r, FALSE);
  if (layered_) ::PostMessageW(hwnd_, WM_PAINT, 0, 0);
}

}  // namespace ui
