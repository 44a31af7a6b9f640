#include "ui/core/window.h"

#include <algorithm>

#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/event_dispatch.h"
#include "ui/core/global_resources.h"
#include "ui/core/user32_functions.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory_gdiplus.h"

namespace ui {

namespace {

constexpr wchar_t kWindowProperty[] = L"WndX";

std::vector<Window*>& WindowList() {
  static std::vector<Window*> list;
  return list;
}

Control* RegisterControlNameProc(Control* control, void* data) {
  static_cast<Window*>(data)->RegisterName(control);
  return nullptr;
}

Control* CollectControlProc(Control* control, void* data) {
  static_cast<std::vector<Control*>*>(data)->push_back(control);
  return nullptr;
}

Control* HitTestProc(Control* control, void* data) {
  return control->GetPos().Contains(*static_cast<UiPoint*>(data)) ? control : nullptr;
}

HINSTANCE ModuleInstance() { return ::GetModuleHandleW(nullptr); }

}  // namespace

std::unique_ptr<IRenderContext> MakeRenderContext() {
  if (IRenderFactory* factory = GlobalResources::Instance().GetRenderFactory())
    return factory->CreateRenderContext();
  // The framework was not started (a window of a test): the same factory.
  return RenderFactory_GdiPlus().CreateRenderContext();
}

Control* FindControlByNameProc(Control* control, void* data) {
  const wchar_t* name = static_cast<const wchar_t*>(data);
  const std::wstring& own = control->GetName();
  return !own.empty() && _wcsicmp(own.c_str(), name) == 0 ? control : nullptr;
}

Window::Window() {
  GlobalResources::Instance().AddWindow(this);
  LOGFONTW font = {};
  ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
  font.lfCharSet = DEFAULT_CHARSET;
  default_font_ = ::CreateFontIndirectW(&font);
}

Window::~Window() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  GlobalResources::Instance().RemoveWindow(this);
  // The tree may be closing from one of its own handlers (a handler that
  // destroyed the window): the root and the controls still waiting go to
  // the deferred deletion as due, which waits for the dispatch in progress,
  // so that no deletion reaches back in here.
  Control* root = root_;
  root_ = nullptr;
  focus_ = hover_ = hover_candidate_ = pressed_ = key_down_ = touch_ = pointer_ = nullptr;
  if (root) {
    root->SetWindow(nullptr, nullptr, false);
    deferred_deletion::Add(root, nullptr);
  }
  deferred_deletion::Release(this);
  names_.clear();
  if (default_font_) ::DeleteObject(default_font_);
  classes_.clear();
  option_groups_.clear();
  if (tooltip_ && ::IsWindow(tooltip_)) ::DestroyWindow(tooltip_);
  if (dc_) ::ReleaseDC(hwnd_, dc_);
  std::vector<Window*>& list = WindowList();
  auto it = std::find(list.begin(), list.end(), this);
  if (it != list.end()) {
    list.erase(it);
    if (!list.empty() && list.back()->hwnd_)
      ::SendMessageW(list.back()->hwnd_, kMsgWindowListChanged, 0, 0);
  }
}

// ---- Creation ------------------------------------------------------------------

bool Window::RegisterWindowClass() {
  const std::wstring name = GetWindowClassName();
  WNDCLASSW wc = {};
  wc.style = GetClassStyle();
  wc.lpfnWndProc = UserDataProc;
  wc.hInstance = ModuleInstance();
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name.c_str();
  if (::RegisterClassW(&wc)) return true;
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Window::RegisterSuperClass() {
  const std::wstring super = GetSuperClassName();
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (!::GetClassInfoExW(nullptr, super.c_str(), &wc) &&
      !::GetClassInfoExW(ModuleInstance(), super.c_str(), &wc)) {
    return false;
  }
  previous_proc_ = wc.lpfnWndProc;
  const std::wstring name = GetWindowClassName();
  wc.lpfnWndProc = PropertyProc;
  wc.hInstance = ModuleInstance();
  wc.lpszClassName = name.c_str();
  if (::RegisterClassExW(&wc)) return true;
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND Window::Create(HWND parent, const std::wstring& name, DWORD style, DWORD ex_style,
                    bool layered, const UiRect& rect) {
  const bool registered =
      GetSuperClassName().empty() ? RegisterWindowClass() : RegisterSuperClass();
  if (!registered) return nullptr;
  layered_ = layered;
  if (layered) ex_style |= WS_EX_LAYERED;
  HWND hwnd = ::CreateWindowExW(ex_style, GetWindowClassName().c_str(), name.c_str(), style,
                                rect.left, rect.top, rect.Width(), rect.Height(), parent,
                                nullptr, ModuleInstance(), this);
  if (hwnd) {
    LONG current = ::GetWindowLongW(hwnd, GWL_STYLE);
    if (current & WS_CAPTION) ::SetWindowLongW(hwnd, GWL_STYLE, current & ~WS_CAPTION);
  }
  return hwnd;
}

LRESULT CALLBACK Window::UserDataProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return WindowProc(hwnd, message, wparam, lparam, false);
}

LRESULT CALLBACK Window::PropertyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return WindowProc(hwnd, message, wparam, lparam, true);
}

// The object lives in GWLP_USERDATA for a plain class, in the property
// "WndX" for a superclass (whose own procedure may use the user data).
LRESULT Window::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                           bool in_property) {
  Window* window = nullptr;
  if (message == WM_NCCREATE) {
    window = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    window->hwnd_ = hwnd;
    if (in_property)
      ::SetPropW(hwnd, kWindowProperty, window);
    else
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  } else {
    window = in_property
                 ? static_cast<Window*>(::GetPropW(hwnd, kWindowProperty))
                 : reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY && window) {
      LRESULT result = ::CallWindowProcW(window->previous_proc_, hwnd, message, wparam, lparam);
      if (in_property) {
        ::RemovePropW(hwnd, kWindowProperty);
        window->hwnd_ = nullptr;
      } else {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      }
      window->OnWindowDestroyed(hwnd);
      return result;
    }
  }
  if (window) return window->HandleMessage(message, wparam, lparam);
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

IRenderContext* Window::GetRenderContext() {
  if (!render_) render_ = MakeRenderContext();
  return render_.get();
}

void Window::BindHandle(HWND hwnd) {
  hwnd_ = hwnd;
  if (!dc_) dc_ = ::GetDC(hwnd);
  render_ = MakeRenderContext();
  if (auto fn = User32Functions::Get().register_touch_window) fn(hwnd, 0);
  std::vector<Window*>& list = WindowList();
  if (std::find(list.begin(), list.end(), this) == list.end()) list.push_back(this);
  ::SendMessageW(hwnd, kMsgWindowListChanged, 0, 0);
}

void Window::OnWindowDestroyed(HWND hwnd) {
  if (auto fn = User32Functions::Get().unregister_touch_window) fn(hwnd);
  NotifyWindowClose();
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  bool handled = false;
  // Read before routing: the message may destroy this window.
  HWND hwnd = hwnd_;
  WNDPROC previous = previous_proc_;
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  LRESULT result = RouteMessage(message, wparam, lparam, handled);
  if (handled || alive.expired()) return result;
  return ::CallWindowProcW(previous, hwnd, message, wparam, lparam);
}

const std::vector<Window*>& Window::GetWindowList() { return WindowList(); }

Window* Window::FromHWND(HWND hwnd) {
  for (Window* window : WindowList()) {
    if (window->hwnd_ == hwnd) return window;
  }
  return nullptr;
}

// ---- The control tree ------------------------------------------------------------

bool Window::SetRoot(Control* root) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  SetFocusControl(nullptr);
  key_down_ = hover_candidate_ = hover_ = pressed_ = touch_ = pointer_ = nullptr;
  if (root_ && root_ != root) {
    Control* old = root_;
    old->SetWindow(this, nullptr, false);
    AddDeferredDelete(old);
  }
  root_ = root;
  layout_pending_ = tab_pending_ = first_paint_pending_ = true;
  if (!root_) return false;
  root_->SetWindow(this, root_->GetParent(), true);
  root_->Init();
  RegisterNames(root_);
  return true;
}

bool Window::SetRoot(std::unique_ptr<Control> root) { return SetRoot(root.release()); }

Control* Window::FindControlByName(const std::wstring& name) const {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
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
  for (Control** field : {&key_down_, &hover_, &hover_candidate_, &pressed_, &touch_, &pointer_,
                          &focus_}) {
    if (*field == control) *field = nullptr;
  }
  if (root_ == control) root_ = nullptr;
  auto it = names_.find(control->GetName());
  if (it != names_.end() && it->second == control) names_.erase(it);
  for (auto group = option_groups_.begin(); group != option_groups_.end();) {
    auto& list = group->second;
    list.erase(std::remove(list.begin(), list.end(), control), list.end());
    group = list.empty() ? option_groups_.erase(group) : std::next(group);
  }
}

Control* Window::FindControlAt(UiPoint pt) {
  if (!root_) return nullptr;
  return root_->FindControl(HitTestProc, &pt, kFindVisible | kFindHitTest | kFindTopFirst);
}

void Window::ForgetSubtree(Control* subtree) {
  std::vector<Control*> members;
  subtree->FindControl(CollectControlProc, &members, 0);
  for (Control* control : members) OnControlRemoved(control);
}

void Window::AddDeferredDelete(Control* control) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (!control) return;
  // Out of the tree: no more events, names or focus for it.
  ForgetSubtree(control);
  deferred_deletion::Add(control, this);
  if (hwnd_) ::PostMessageW(hwnd_, kWmDeleteDeferred, 0, 0);
}

void Window::DeleteDeferredControls() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  // A nested message loop (a modal dialog opened by a handler) may get here
  // while a handler of one of these controls is still running: then they
  // are deleted when that dispatch ends.
  deferred_deletion::Release(this);
}

size_t Window::GetDeferredDeleteCount() const { return deferred_deletion::CountFor(this); }

// ---- Events -----------------------------------------------------------------------

void Window::AddMessageFilter(IUIMessageFilter* filter) { filters_.push_back(filter); }

bool Window::RemoveMessageFilter(IUIMessageFilter* filter) {
  auto it = std::find(filters_.begin(), filters_.end(), filter);
  if (it == filters_.end()) return false;
  filters_.erase(it);
  return true;
}

void Window::AttachWindowEvent(int type, EventCallback callback) {
  window_listeners_[type].push_back(std::move(callback));
}

void Window::NotifyWindowClose() {
  EventArgs args;
  args.type = kEventWindowClose;
  args.time_stamp = ::GetTickCount();
  args.mouse_point = last_mouse_pos_;
  // Copies: a listener may delete this window.
  const EventMap listeners = window_listeners_;
  for (int type : {static_cast<int>(kEventWindowClose), static_cast<int>(kEventAll)}) {
    auto it = listeners.find(type);
    if (it != listeners.end()) InvokeEventCallbacks(it->second, &args);
  }
}

// ---- Classes, option groups, repaint requests ------------------------------------------

void Window::AddClass(const std::wstring& name, const std::wstring& attributes) {
  classes_[name] = attributes;
}

std::wstring Window::GetClassAttributes(const std::wstring& name) const {
  auto it = classes_.find(name);
  return it == classes_.end() ? std::wstring() : it->second;
}

bool Window::AddOptionGroup(const std::wstring& group, Control* control) {
  auto& list = option_groups_[group];
  if (std::find(list.begin(), list.end(), control) != list.end()) return false;
  list.push_back(control);
  return true;
}

void Window::RemoveOptionGroup(const std::wstring& group, Control* control) {
  auto it = option_groups_.find(group);
  if (it == option_groups_.end()) return;
  auto& list = it->second;
  auto found = std::find(list.begin(), list.end(), control);
  if (found != list.end()) list.erase(found);
  if (list.empty()) option_groups_.erase(it);
}

const std::vector<Control*>* Window::GetOptionGroup(const std::wstring& group) const {
  auto it = option_groups_.find(group);
  return it == option_groups_.end() ? nullptr : &it->second;
}

void Window::InvalidateArea(const UiRect& area) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
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
