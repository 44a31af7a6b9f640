#include "ui/core/window_impl_base.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <memory>

#include "ui/controls/label.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/render/dpi_scale.h"
#include "ui/skin/skin_builder.h"

namespace ui {

namespace {

constexpr int kAutoSizeLimit = 99999;
constexpr size_t kMaxErrorText = 259;
const wchar_t* const kSystemButtons[] = {L"closebtn", L"minbtn", L"maxbtn", L"restorebtn"};

}  // namespace

WindowImplBase::ErrorBox WindowImplBase::error_box_ = ::MessageBoxW;

bool IsCaptionPassThrough(Control* control) {
  // A button in the caption takes its own clicks instead of dragging the
  // window (check boxes and options are buttons too). Rich edits join this
  // once they exist.
  return dynamic_cast<ButtonTemplate<Control>*>(control) != nullptr ||
         dynamic_cast<ButtonTemplate<Box>*>(control) != nullptr;
}

void WindowImplBase::OnWindowDestroyed(HWND hwnd) {
  Window::OnWindowDestroyed(hwnd);
  delete this;
}

LONG WindowImplBase::GetStyle() {
  return ::GetWindowLongW(GetHWND(), GWL_STYLE) & ~WS_CAPTION;
}

LRESULT WindowImplBase::FilterMessage(UINT message, WPARAM wparam, LPARAM lparam,
                                      bool& handled) {
  return 0;
}

LRESULT WindowImplBase::Dispatch(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  switch (message) {
    case WM_CREATE: return OnCreate(message, wparam, lparam, handled);
    case WM_DESTROY: return OnDestroy(message, wparam, lparam, handled);
    case WM_SIZE: return OnSize(message, wparam, lparam, handled);
    case WM_SETFOCUS: return OnSetFocus(message, wparam, lparam, handled);
    case WM_KILLFOCUS: return OnKillFocus(message, wparam, lparam, handled);
    case WM_CLOSE: return OnClose(message, wparam, lparam, handled);
    case WM_GETMINMAXINFO: return OnGetMinMaxInfo(message, wparam, lparam, handled);
    case WM_WINDOWPOSCHANGING: return OnWindowPosChanging(message, wparam, lparam, handled);
    case WM_NCCALCSIZE: return OnNcCalcSize(message, wparam, lparam, handled);
    case WM_NCHITTEST: return OnNcHitTest(message, wparam, lparam, handled);
    case WM_NCPAINT: return OnNcPaint(message, wparam, lparam, handled);
    case WM_NCACTIVATE: return OnNcActivate(message, wparam, lparam, handled);
    case WM_NCLBUTTONDBLCLK: return OnNcLButtonDblClk(message, wparam, lparam, handled);
    case WM_KEYDOWN: return OnKeyDown(message, wparam, lparam, handled);
    case WM_CHAR: return OnChar(message, wparam, lparam, handled);
    case WM_SYSCOMMAND: return OnSysCommand(message, wparam, lparam, handled);
    case WM_MOUSEMOVE: return OnMouseMove(message, wparam, lparam, handled);
    case WM_LBUTTONDOWN: return OnLButtonDown(message, wparam, lparam, handled);
    case WM_LBUTTONUP: return OnLButtonUp(message, wparam, lparam, handled);
    case WM_MOUSEWHEEL: return OnMouseWheel(message, wparam, lparam, handled);
    case WM_MOUSEHOVER: return OnMouseHover(message, wparam, lparam, handled);
    case WM_DPICHANGED: return OnDpiChanged(message, wparam, lparam, handled);
    default:
      handled = false;
      return 0;
  }
}

LRESULT WindowImplBase::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  bool handled = true;
  LRESULT result = Dispatch(message, wparam, lparam, handled);
  if (handled || alive.expired()) return result;
  return RouteOrDefault(message, wparam, lparam);
}

LRESULT WindowImplBase::RouteOrDefault(UINT message, WPARAM wparam, LPARAM lparam) {
  // Window::HandleMessage is exactly that road.
  return Window::HandleMessage(message, wparam, lparam);
}

// ---- Creation ----------------------------------------------------------------------

LRESULT WindowImplBase::OnCreate(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  HWND hwnd = GetHWND();
  ::SetWindowLongW(hwnd, GWL_STYLE, GetStyle());
  BindHandle(hwnd);
  SetResourcePath(GetSkinFolder());
  const std::wstring skin = GetResourcePath() + GetSkinFile();

  SkinBuilder builder;
  CreateControlCallback create = ToWeakCallback(
      [this](const std::wstring& name) { return CreateControl(name); });
  std::unique_ptr<Control> built = builder.BuildFromMarkup(skin, create, this);
  if (!built) {
    wchar_t text[kMaxErrorText + 1];
    std::swprintf(text, kMaxErrorText + 1, L"Failed to load xml file %ls", skin.c_str());
    error_box_(nullptr, text, L"UI", MB_ICONERROR);
    return -1;
  }
  SetRoot(GetShadow().AttachToRoot(std::move(built)));
  InitWindow();
  SizeToAutoRoot();
  AttachSystemButtons();
  return 0;
}

void WindowImplBase::SizeToAutoRoot() {
  Control* root = GetRoot();
  if (!root || !root->IsAutoSized()) return;
  UiSize size = root->EstimateSize(UiSize{kAutoSizeLimit, kAutoSizeLimit});
  size.cx = std::max(size.cx, root->GetMinWidth());
  if (root->GetMaxWidth() >= 0) size.cx = std::min(size.cx, root->GetMaxWidth());
  size.cy = std::max(size.cy, root->GetMinHeight());
  size.cy = std::min(size.cy, root->GetMaxHeight());
  ::MoveWindow(GetHWND(), 0, 0, size.cx, size.cy, FALSE);
}

void WindowImplBase::AttachSystemButtons() {
  // Buttons only (check boxes and options are buttons too): a list item
  // that happens to be named "closebtn" must not close the window.
  for (const wchar_t* name : kSystemButtons) {
    if (auto* button = dynamic_cast<ButtonTemplate<Control>*>(FindControlByName(name))) {
      button->AttachEvent(kEventClick, ToWeakCallback([this](EventArgs* args) {
                            return OnSystemButtonClick(args);
                          }));
    }
  }
}

bool WindowImplBase::OnSystemButtonClick(EventArgs* args) {
  const std::wstring name = args->sender ? args->sender->GetName() : std::wstring();
  Control* max = FindControlByName(L"maxbtn");
  Control* restore = FindControlByName(L"restorebtn");
  if (name == L"closebtn") {
    Close(1);
  } else if (name == L"minbtn") {
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name == L"maxbtn") {
    if (max && restore) {
      max->SetFadeVisible(false);
      restore->SetFadeVisible(true);
    }
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name == L"restorebtn") {
    if (max && restore) {
      max->SetFadeVisible(true);
      restore->SetFadeVisible(false);
    }
    ::SendMessageW(GetHWND(), WM_SYSCOMMAND, SC_RESTORE, 0);
  }
  return true;
}

// ---- Handlers ------------------------------------------------------------------------

LRESULT WindowImplBase::OnClose(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnNcActivate(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (::IsIconic(GetHWND())) {
    handled = false;
    return 0;
  }
  return wparam == 0 ? TRUE : FALSE;
}

LRESULT WindowImplBase::OnNcCalcSize(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  return 0;
}

LRESULT WindowImplBase::OnWindowPosChanging(UINT msg, WPARAM wparam, LPARAM lparam,
                                            bool& handled) {
  handled = false;
  auto* pos = reinterpret_cast<WINDOWPOS*>(lparam);
  if (!::IsZoomed(GetHWND()) || !(pos->flags & SWP_FRAMECHANGED)) return 0;
  HMONITOR nearest = ::MonitorFromWindow(GetHWND(), MONITOR_DEFAULTTONEAREST);
  if (nearest == ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)) return 0;
  MONITORINFO monitor = {sizeof(monitor)};
  ::GetMonitorInfoW(nearest, &monitor);
  pos->x = monitor.rcWork.left;
  pos->y = monitor.rcWork.top;
  pos->cx = monitor.rcWork.right - monitor.rcWork.left;
  pos->cy = monitor.rcWork.bottom - monitor.rcWork.top;
  return 0;
}

LRESULT WindowImplBase::OnNcPaint(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  return 0;
}

LRESULT WindowImplBase::OnNcLButtonDblClk(UINT msg, WPARAM wparam, LPARAM lparam,
                                          bool& handled) {
  return 0;
}

LRESULT WindowImplBase::OnNcHitTest(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ::ScreenToClient(GetHWND(), &pt);
  RECT client;
  ::GetClientRect(GetHWND(), &client);
  if (IsShadowAttached()) {
    const UiRect shadow = GetShadowPadding();
    client.left += shadow.left;
    client.top += shadow.top;
    client.right -= shadow.right;
    client.bottom -= shadow.bottom;
  }
  const LONG l = client.left, t = client.top, r = client.right, b = client.bottom;
  const LONG x = pt.x, y = pt.y;
  if (!::IsZoomed(GetHWND())) {
    const UiRect box = GetSizeBox();
    const bool at_left = l <= x && x < l + box.left;
    const bool at_right = r - box.right < x && x <= r;
    if (y < t + box.top) {
      if (y < t) return HTCLIENT;
      return at_left ? HTTOPLEFT : at_right ? HTTOPRIGHT : HTTOP;
    }
    if (y > b - box.bottom) {
      if (y > b) return HTCLIENT;
      return at_left ? HTBOTTOMLEFT : at_right ? HTBOTTOMRIGHT : HTBOTTOM;
    }
    if (x < l + box.left) return x < l ? HTCLIENT : HTLEFT;
    if (x > r - box.right) return x > r ? HTCLIENT : HTRIGHT;
  }
  const UiRect caption = GetCaptionRect();
  if (l + caption.left <= x && x < r - caption.right && t + caption.top <= y &&
      y < t + caption.bottom) {
    Control* control = FindControlAt(UiPoint{x, y});
    if (control && !IsCaptionPassThrough(control)) return HTCAPTION;
  }
  return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT msg, WPARAM wparam, LPARAM lparam,
                                        bool& handled) {
  handled = false;
  auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
  MONITORINFO monitor = {sizeof(monitor)};
  ::GetMonitorInfoW(::MonitorFromWindow(GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  info->ptMaxPosition = POINT{work.left - monitor.rcMonitor.left, work.top - monitor.rcMonitor.top};
  info->ptMaxSize = POINT{work.right - work.left, work.bottom - work.top};
  const UiRect shadow = IsShadowAttached() ? GetShadowPadding() : UiRect{0, 0, 0, 0};
  const int shadow_cx = shadow.left + shadow.right;
  const int shadow_cy = shadow.top + shadow.bottom;
  const UiSize max = GetMaxInfo(), min = GetMinInfo();
  if (max.cx != 0 && max.cx != shadow_cx) info->ptMaxTrackSize.x = max.cx;
  if (max.cy != 0 && max.cy != shadow_cy) info->ptMaxTrackSize.y = max.cy;
  if (min.cx != 0 && min.cx != shadow_cx) info->ptMinTrackSize.x = min.cx;
  if (min.cy != 0 && min.cy != shadow_cy) info->ptMinTrackSize.y = min.cy;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnDpiChanged(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  DpiScale* dpi = DpiScale::Instance();
  if (dpi->IsAdaptDpi()) dpi->SetScale(::MulDiv(LOWORD(wparam), 100, 96));
  if (IsShadowAttached() && GetShadow().box) GetShadow().Rescale();
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  const UiSize round = GetRoundCorner();
  if (::IsIconic(GetHWND()) || round.cx == 0 || round.cy == 0) return 0;
  RECT window;
  ::GetWindowRect(GetHWND(), &window);
  HRGN region = ::CreateRoundRectRgn(0, 0, window.right - window.left + 1,
                                     window.bottom - window.top + 1, round.cx, round.cy);
  ::SetWindowRgn(GetHWND(), region, TRUE);
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (wparam == SC_CLOSE) {
    ::SendMessageW(GetHWND(), WM_CLOSE, 0, 0);
    return 0;
  }
  return RouteOrDefault(msg, wparam, lparam);
}

LRESULT WindowImplBase::OnKeyDown(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  return 0;
}

// ---- Showing ----------------------------------------------------------------------------

void WindowImplBase::ActivateWindow() {
  HWND hwnd = GetHWND();
  if (!::IsWindow(hwnd)) return;
  if (::IsIconic(hwnd)) {
    ::ShowWindow(hwnd, SW_RESTORE);
    return;
  }
  if (!::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOW);
  ::SetForegroundWindow(hwnd);
}

void WindowImplBase::SetTitle(const std::wstring& title) {
  ::SetWindowTextW(GetHWND(), title.c_str());
}

}  // namespace ui
