// The dispatcher of ui::Window: message filters first, then mouse,
// keyboard, input-method, touch and pointer messages turned into events for
// the control under the mouse, the focused control or the control holding
// the capture; hover tracking; reflection of notifications; deferred
// deletion.
//
// Any handler may destroy the window (and with it the tree): every step
// after an event checks that the window is still alive, and controls
// deleted meanwhile wait for the end of the message.
// The pointer records are declared for Windows 8 and later only.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#undef WINVER
#define WINVER 0x0602
#include <windows.h>
#include <windowsx.h>

#include <memory>
#include <vector>

#include "ui/core/control.h"
#include "ui/core/event_dispatch.h"
#include "ui/core/user32_functions.h"
#include "ui/core/window.h"

namespace ui {

namespace {

constexpr UINT kDefaultHoverMillis = 200;
constexpr float kPressureScale = 1.0f / 1024.0f;
constexpr UINT kPointerPrimaryFlag = 0x2000;

UiPoint PointFromLParam(LPARAM lparam) {
  return UiPoint{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
}

bool IsPointerMessage(UINT message) {
  return message == WM_POINTERUPDATE || message == WM_POINTERDOWN || message == WM_POINTERUP ||
         message == WM_POINTERLEAVE || message == WM_POINTERCAPTURECHANGED;
}

}  // namespace

bool Window::Send(Control* target, int type, WPARAM wparam, LPARAM lparam, UiPoint pt,
                  bool replace_zero_point, wchar_t key, float pressure) {
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  EventArgs args;
  args.type = type;
  args.sender = target;
  args.time_stamp = ::GetTickCount();
  args.mouse_point = pt;
  if (replace_zero_point && pt.x == 0 && pt.y == 0) args.mouse_point = last_mouse_pos_;
  args.key = key;
  args.wparam = wparam;
  args.lparam = lparam;
  args.pressure = pressure;
  target->SendEvent(args);
  return !alive.expired();
}

Control* Window::OwnTargetAt(UiPoint pt) {
  Control* target = FindControlAt(pt);
  return target && target->GetWindow() == this ? target : nullptr;
}

bool Window::UpdateHover(UiPoint pt, WPARAM wparam, LPARAM lparam, bool* alive) {
  *alive = true;
  hover_candidate_ = FindControlAt(pt);
  if (hover_candidate_ && hover_candidate_->GetWindow() != this) return false;
  if (hover_ && hover_ != hover_candidate_) {
    if (!(*alive = Send(hover_, kEventMouseLeave, 0, 0, pt))) return true;
    hover_ = nullptr;
    if (tooltip_) ::SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, LPARAM(&tooltip_info_));
  }
  if (hover_candidate_ && hover_candidate_ != hover_) {
    Control* entered = hover_candidate_;
    if (!(*alive = Send(entered, kEventMouseEnter, wparam, lparam, pt))) return true;
    hover_ = entered;
  }
  return true;
}

LRESULT Window::RouteMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  // Controls deleted by any handler of this message wait for its end.
  EventDispatchScope dispatch;
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  handled = false;

  const std::vector<IUIMessageFilter*> filters = filters_;
  for (IUIMessageFilter* filter : filters) {
    bool filtered = false;
    LRESULT result = filter->FilterMessage(message, wparam, lparam, filtered);
    if (alive.expired()) {
      handled = true;
      return result;
    }
    if (filtered && message != WM_MOUSEMOVE) {
      handled = true;
      return result;
    }
  }

  switch (message) {
    case WM_SIZE:
      if (focus_ && !Send(focus_, kEventWindowSize, 0, 0, UiPoint{0, 0}, false)) break;
      if (root_) root_->Arrange();
      OnShadowSize(wparam);
      handled = true;
      return 0;
    case WM_KILLFOCUS:
      OnKillFocusMessage(wparam, lparam);
      return 0;
    case WM_PAINT:
      Paint();
      handled = true;
      return 0;
    case WM_CLOSE:
      OnCloseMessage();
      return 0;
    case WM_ERASEBKGND:
      handled = true;
      return 1;
    case WM_SETCURSOR: {
      if (LOWORD(lparam) != HTCLIENT) return 0;
      if (pressed_ || touch_ || pointer_) {
        handled = true;
        return 0;
      }
      POINT pt;
      ::GetCursorPos(&pt);
      ::ScreenToClient(hwnd_, &pt);
      last_mouse_pos_ = UiPoint{pt.x, pt.y};
      Control* target = FindControlAt(last_mouse_pos_);
      if (!target) return 0;
      handled = true;
      Send(target, kEventSetCursor, wparam, lparam, last_mouse_pos_);
      return 0;
    }
    case WM_NOTIFY: {
      if (lparam == 0) {
        handled = true;
        return 0;
      }
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lparam);
      ::SendMessageW(header->hwndFrom, message + kReflectedMessageOffset, wparam, lparam);
      return 0;
    }
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (lparam == 0) return 0;
      handled = true;
      return ::SendMessageW(reinterpret_cast<HWND>(lparam), message + kReflectedMessageOffset,
                            wparam, lparam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
      return OnKeyMessage(message, wparam, lparam, handled);
    case WM_CONTEXTMENU:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEWHEEL:
      return OnMouseMessage(message, wparam, lparam, handled);
    case WM_TOUCH:
      return OnTouch(wparam, lparam, handled);
    case WM_MOUSEHOVER:
      OnMouseHoverMessage(lparam, handled);
      return 0;
    case WM_MOUSELEAVE:
      OnMouseLeaveMessage();
      return 0;
    case kWmDeleteDeferred:
      DeleteDeferredControls();
      return 0;
    default:
      if (IsPointerMessage(message)) return OnPointer(message, wparam, lparam, handled);
      return 0;
  }
  return 0;
}

void Window::OnKillFocusMessage(WPARAM wparam, LPARAM lparam) {
  last_mouse_pos_ = PointFromLParam(lparam);
  Control* target = pointer_ ? pointer_ : touch_ ? touch_ : pressed_;
  if (!target || !target->IsButtonUpOnKillFocus()) return;
  ::ReleaseCapture();
  mouse_captured_ = false;
  if (!Send(target, kEventButtonUp, wparam, lparam, last_mouse_pos_)) return;
  pressed_ = touch_ = pointer_ = nullptr;
}

void Window::OnCloseMessage() {
  const UiPoint none{0, 0};
  if (hover_ && !Send(hover_, kEventMouseLeave, 0, 0, none, false)) return;
  for (Control* capture : {pressed_, touch_, pointer_}) {
    if (capture && !Send(capture, kEventButtonUp, 0, 0, none, false)) return;
  }
  SetFocusControl(nullptr);
  if (HWND owner = ::GetWindow(hwnd_, GW_OWNER)) ::SetFocus(owner);
}

LRESULT Window::OnKeyMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  const wchar_t key = static_cast<wchar_t>(wparam & 0xFFFF);
  const UiPoint none{0, 0};
  switch (message) {
    case WM_KEYDOWN:
      if (!focus_) return 0;
      if (wparam == VK_TAB) {
        // No control of this library takes the Tab key for itself yet.
        FocusNextTabStop(::GetKeyState(VK_SHIFT) >= 0);
        return 1;
      }
      key_down_ = focus_;
      Send(focus_, kEventKeyDown, wparam, lparam, none, true, key);
      return 0;
    case WM_KEYUP: {
      if (!key_down_) return 0;
      if (!Send(key_down_, kEventKeyUp, wparam, lparam, none, true, key)) return 0;
      key_down_ = nullptr;
      return 0;
    }
    case WM_CHAR:
      if (focus_) Send(focus_, kEventChar, wparam, lparam, none, true, key);
      return 0;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
      if (focus_) {
        Send(focus_,
             message == WM_IME_STARTCOMPOSITION ? kEventImeStartComposition
                                                : kEventImeEndComposition,
             wparam, lparam, none, true, key);
      }
      return 0;
  }
  return 0;
}

LRESULT Window::OnMouseMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  const bool busy = touch_ || pointer_;
  UiPoint pt = PointFromLParam(lparam);
  switch (message) {
    case WM_MOUSEMOVE: {
      if (busy) return 0;
      if (!mouse_tracking_) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_HOVER | TME_LEAVE, hwnd_, kDefaultHoverMillis};
        if (tooltip_)
          track.dwHoverTime = static_cast<DWORD>(
              ::SendMessageW(tooltip_, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
        ::TrackMouseEvent(&track);
        mouse_tracking_ = true;
      }
      last_mouse_pos_ = pt;
      bool alive = true;
      if (!UpdateHover(pt, wparam, lparam, &alive) || !alive) return 0;
      Control* target = pressed_ ? pressed_ : hover_candidate_;
      if (target) Send(target, kEventMouseMove, wparam, lparam, pt);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
      if (busy) return 0;
      ::SetFocus(hwnd_);
      last_mouse_pos_ = pt;
      Control* target = OwnTargetAt(pt);
      if (!target) return 0;
      pressed_ = target;
      std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
      if (message != WM_LBUTTONDBLCLK) target->SetFocus();
      // The focus change may have removed the control.
      if (alive.expired() || pressed_ != target) return 0;
      ::SetCapture(hwnd_);
      mouse_captured_ = true;
      const int type = message == WM_LBUTTONDOWN     ? kEventButtonDown
                       : message == WM_RBUTTONDOWN ? kEventRButtonDown
                                                   : kEventInternalDoubleClick;
      Send(target, type, wparam, lparam, pt);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      last_mouse_pos_ = pt;
      ::ReleaseCapture();
      mouse_captured_ = false;
      if (!pressed_) return 0;
      Control* target = pressed_;
      const bool left = message == WM_LBUTTONUP;
      if (!Send(target, left ? kEventButtonUp : kEventRButtonUp, wparam, lparam, pt)) return 0;
      // After a right button the control waits for the context menu.
      if (left && pressed_ == target) pressed_ = nullptr;
      return 0;
    }
    case WM_CONTEXTMENU: {
      if (!pressed_) return 0;
      POINT screen{pt.x, pt.y};
      ::ScreenToClient(hwnd_, &screen);
      last_mouse_pos_ = UiPoint{screen.x, screen.y};
      ::ReleaseCapture();
      mouse_captured_ = false;
      Control* target = pressed_;
      if (!Send(target, kEventInternalMenu, wparam, reinterpret_cast<LPARAM>(target),
                last_mouse_pos_)) {
        return 0;
      }
      if (pressed_ == target) pressed_ = nullptr;
      return 0;
    }
    case WM_MOUSEWHEEL: {
      POINT screen{pt.x, pt.y};
      ::ScreenToClient(hwnd_, &screen);
      last_mouse_pos_ = UiPoint{screen.x, screen.y};
      Control* target = OwnTargetAt(last_mouse_pos_);
      if (!target) return 0;
      const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
      Send(target, kEventScrollWheel, static_cast<WPARAM>(delta), lparam, UiPoint{0, 0}, false);
      return 0;
    }
  }
  return 0;
}

LRESULT Window::OnTouch(WPARAM wparam, LPARAM lparam, bool& handled) {
  const User32Functions& user32 = User32Functions::Get();
  if (!user32.get_touch_input_info || !user32.close_touch_input_handle) return 0;
  const UINT count = LOWORD(wparam);
  if (count == 0) return 0;
  HANDLE input = reinterpret_cast<HANDLE>(lparam);
  std::vector<TOUCHINPUT> records(count);
  if (!user32.get_touch_input_info(input, count, records.data(), sizeof(TOUCHINPUT)) ||
      records[0].dwID == 0) {
    return 0;
  }
  const TOUCHINPUT& touch = records[0];
  POINT client{touch.x / 100, touch.y / 100};
  ::ScreenToClient(hwnd_, &client);
  const UiPoint pt{client.x, client.y};
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();

  if (touch.dwFlags & TOUCHEVENTF_DOWN) {
    if (pressed_ || pointer_) return 0;
    ::SetFocus(hwnd_);
    last_touch_pos_ = pt;
    Control* target = OwnTargetAt(pt);
    if (!target) return 0;
    touch_ = target;
    target->SetFocus();
    if (alive.expired() || touch_ != target) return 0;
    ::SetCapture(hwnd_);
    mouse_captured_ = true;
    if (!Send(target, kEventTouchDown, 0, lparam, pt)) return 0;
  } else if (touch.dwFlags & TOUCHEVENTF_MOVE) {
    if (pressed_ || pointer_ || pt == last_touch_pos_) return 0;
    last_touch_pos_ = pt;
    bool still = true;
    if (touch_ && UpdateHover(pt, 0, 0, &still) && still && touch_) {
      if (!Send(touch_, kEventTouchMove, 0, 0, pt)) return 0;
    }
    if (!still) return 0;
  } else if (touch.dwFlags & TOUCHEVENTF_UP) {
    last_touch_pos_ = pt;
    ::ReleaseCapture();
    mouse_captured_ = false;
    if (touch_) {
      Control* target = touch_;
      if (!Send(target, kEventTouchUp, 0, lparam, pt)) return 0;
      touch_ = nullptr;
    }
  }
  user32.close_touch_input_handle(input);
  return 0;
}

LRESULT Window::OnPointer(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (!pointer_input_enabled_) return 0;
  if (!(HIWORD(wparam) & kPointerPrimaryFlag)) {
    handled = true;
    return 0;
  }
  const User32Functions& user32 = User32Functions::Get();
  const UINT32 id = LOWORD(wparam);
  DWORD type = 0;
  if (!user32.get_pointer_type || !user32.get_pointer_type(id, &type)) return 0;
  POINT raw{};
  UINT32 pressure = 0;
  if (type == PT_TOUCH) {
    POINTER_TOUCH_INFO info = {};
    if (!user32.get_pointer_touch_info || !user32.get_pointer_touch_info(id, &info)) return 0;
    raw = info.pointerInfo.ptPixelLocationRaw;
    pressure = info.pressure;
  } else if (type == PT_PEN) {
    POINTER_PEN_INFO info = {};
    if (!user32.get_pointer_pen_info || !user32.get_pointer_pen_info(id, &info)) return 0;
    raw = info.pointerInfo.ptPixelLocationRaw;
    pressure = info.pressure;
  } else {
    return 0;
  }
  ::ScreenToClient(hwnd_, &raw);
  const UiPoint pt{raw.x, raw.y};
  const float force = pressure * kPressureScale;

  switch (message) {
    case WM_POINTERDOWN: {
      if (pressed_ || touch_) {
        handled = true;
        return 0;
      }
      ::SetFocus(hwnd_);
      last_mouse_pos_ = pt;
      Control* target = OwnTargetAt(pt);
      if (!target) return 0;
      pointer_ = target;
      std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
      target->SetFocus();
      if (alive.expired() || pointer_ != target) return 0;
      ::SetCapture(hwnd_);
      mouse_captured_ = true;
      if (!Send(target, kEventPointerDown, 0, lparam, pt, true, 0, force)) return 0;
      break;
    }
    case WM_POINTERUPDATE: {
      if (pressed_ || touch_) {
        handled = true;
        return 0;
      }
      last_mouse_pos_ = pt;
      bool alive = true;
      if (!pointer_ || !UpdateHover(pt, 0, 0, &alive) || !alive || !pointer_) return 0;
      if (!Send(pointer_, kEventPointerMove, 0, 0, pt, true, 0, force)) return 0;
      break;
    }
    default: {
      last_mouse_pos_ = pt;
      ::ReleaseCapture();
      mouse_captured_ = false;
      if (pointer_) {
        Control* target = pointer_;
        if (!Send(target, kEventPointerUp, 0, lparam, pt, true, 0, force)) return 0;
        pointer_ = nullptr;
      }
      break;
    }
  }
  if (pointer_ && pointer_->IsReceivePointer()) handled = true;
  return 0;
}

}  // namespace ui
