#include "browser/cef_control.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "base/thread/thread_registry.h"
#include "browser/cef_input.h"
#include "browser/cef_manager.h"
#include "browser/cef_native_control.h"
#include "browser/runtime/cef_runtime.h"
#include "ui/render/render_context.h"

namespace comp {

namespace {

struct MouseButton {
  cef_mouse_button_type_t button;
  bool up;
  int click_count;
};

// The button messages: which button, pressed or released, clicks.
bool DecodeButton(UINT message, MouseButton* out) {
  switch (message) {
    case WM_LBUTTONDOWN: *out = {MBT_LEFT, false, 1}; return true;
    case WM_RBUTTONDOWN: *out = {MBT_RIGHT, false, 1}; return true;
    case WM_MBUTTONDOWN: *out = {MBT_MIDDLE, false, 1}; return true;
    case WM_LBUTTONUP: *out = {MBT_LEFT, true, 1}; return true;
    case WM_RBUTTONUP: *out = {MBT_RIGHT, true, 1}; return true;
    case WM_MBUTTONUP: *out = {MBT_MIDDLE, true, 1}; return true;
    case WM_LBUTTONDBLCLK: *out = {MBT_LEFT, false, 2}; return true;
    case WM_RBUTTONDBLCLK: *out = {MBT_RIGHT, false, 2}; return true;
    case WM_MBUTTONDBLCLK: *out = {MBT_MIDDLE, false, 2}; return true;
  }
  return false;
}

}  // namespace

CefControl::CefControl() = default;

CefControl::~CefControl() {
  ReleaseClient();
  if (window_) window_->RemoveMessageFilter(this);
  ReleaseMemoryBitmapDC(&view_bitmap_);
  ReleaseMemoryBitmapDC(&popup_bitmap_);
}

void CefControl::SetWindow(ui::Window* window, ui::Box* parent, bool init) {
  if (!client_) {
    ui::Control::SetWindow(window, parent, init);
    return;
  }
  if (window_) window_->RemoveMessageFilter(this);
  ui::Control::SetWindow(window, parent, init);
  if (window_) window_->AddMessageFilter(this);
  client_->SetHostWindow(window_ ? window_->GetHWND() : nullptr);
}

void CefControl::Init() {
  if (!client_ && window_) {
    window_->AddMessageFilter(this);
    MakeClient(window_->GetHWND());
    CreateBrowser();
  }
  ui::Control::Init();
}

void CefControl::CreateBrowser() {
  if (!client_ || client_->GetBrowser()) return;
  CefWindowInfo window_info;
  window_info.SetAsWindowless(window_ ? window_->GetHWND() : nullptr, transparent_painting_);
  CefBrowserHost::CreateBrowser(window_info, client_, CefString(), CefBrowserSettings());
}

void CefControl::SetPos(ui::UiRect rect) {
  ui::Control::SetPos(rect);
  if (!client_) return;
  ui::UiRect placed = GetPos();
  client_->SetViewRect(RECT{placed.left, placed.top, placed.right, placed.bottom});
}

void CefControl::TellHidden(bool hidden) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!browser) return;
  if (CefRefPtr<CefBrowserHost> host = browser->GetHost()) host->WasHidden(hidden);
}

void CefControl::SetFadeVisible(bool visible) {
  ui::Control::SetFadeVisible(visible);
  TellHidden(!visible);
}

void CefControl::SetInnerVisible(bool visible) {
  ui::Control::SetInnerVisible(visible);
  TellHidden(!visible);
}

void CefControl::SetVisible(bool visible) {
  ui::Control::SetVisible(visible);
  TellHidden(!visible);
}

void CefControl::HandleEvent(ui::EventArgs& args) {
  if (args.type == ui::kEventInternalSetFocus || args.type == ui::kEventInternalKillFocus) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr) {
      host->SendFocusEvent(args.type == ui::kEventInternalSetFocus);
    }
  }
  ui::Control::HandleEvent(args);
}

void CefControl::Paint(ui::IRenderContext* render, const ui::UiRect& paint_rect) {
  ui::Control::Paint(render, paint_rect);
  if (!GetBrowser()) return;
  // A frame of another size than the control (a resize in flight) is drawn
  // only where both overlap.
  if (view_bitmap_.usable()) {
    int width = std::min(rect_.Width(), view_bitmap_.width);
    int height = std::min(rect_.Height(), view_bitmap_.height);
    if (width > 0 && height > 0) {
      render->BitBlt(rect_.left, rect_.top, width, height, view_bitmap_.dc, 0, 0, SRCCOPY);
    }
  }
  if (popup_rect_.width > 0 && popup_rect_.height > 0 && popup_bitmap_.usable()) {
    int source_x = popup_rect_.x < 0 ? -popup_rect_.x : 0;
    int source_y = popup_rect_.y < 0 ? -popup_rect_.y : 0;
    int x = rect_.left + std::max(popup_rect_.x, 0);
    int y = rect_.top + std::max(popup_rect_.y, 0);
    int width = std::min({popup_rect_.width, popup_bitmap_.width}) - source_x;
    int height = std::min({popup_rect_.height, popup_bitmap_.height}) - source_y;
    width = std::min(width, rect_.right - x);
    height = std::min(height, rect_.bottom - y);
    if (width > 0 && height > 0) {
      render->BitBlt(x, y, width, height, popup_bitmap_.dc, source_x, source_y, SRCCOPY);
    }
  }
}

bool CefControl::ShowDevTools(ui::Control* view) {
  auto* tools_view = dynamic_cast<CefControl*>(view);
  if (devtools_visible_ || !tools_view || !client_ || !tools_view->client_) return true;
  CefRefPtr<CefBrowser> browser = GetBrowser();
  CefRefPtr<CefBrowser> view_browser = tools_view->GetBrowser();
  if (browser && view_browser) {
    CefWindowInfo window_info;
    window_info.SetAsWindowless(window_ ? window_->GetHWND() : nullptr, transparent_painting_);
    CefRefPtr<CefBrowserHost> host = browser->GetHost();
    CefRefPtr<CefBrowserHost> view_host = view_browser->GetHost();
    if (!host || !view_host) return true;
    host->ShowDevTools(window_info, view_host->GetClient(), CefBrowserSettings(), POINT{0, 0});
    SetDevToolsVisible(true);
    return true;
  }
  // Again once the missing browser exists, while both controls live.
  std::weak_ptr<base::WeakFlag> view_alive = tools_view->GetWeakFlag();
  auto retry = ToWeakCallback([this, tools_view, view_alive] {
    base::ThreadRegistry::Post(base::kUiThreadId, ToWeakCallback([this, tools_view, view_alive] {
                                 if (!view_alive.expired()) ShowDevTools(tools_view);
                               }));
  });
  (browser ? tools_view->client_ : client_)->AddAfterCreateTask(retry);
  return true;
}

// ---- Frames ---------------------------------------------------------------------

HDC CefControl::ReferenceDC() {
  ui::IRenderContext* render = window_ ? window_->GetRenderContext() : nullptr;
  return render ? render->GetDC() : nullptr;
}

void CefControl::CopyFrame(PaintBuffer* pixels, MemoryBitmapDC* bitmap) {
  pixels->Read([&](const uint8_t* frame, int width, int height) {
    if (!bitmap->usable() || bitmap->width != width || bitmap->height != height) {
      CreateMemoryBitmapDC(bitmap, ReferenceDC(), width, height);
    }
    if (!bitmap->usable()) return;
    GdiFlush();
    std::memcpy(bitmap->pixels(), frame, size_t(width) * size_t(height) * 4);
  });
}

void CefControl::OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
                         const RectList& dirty_rects, std::shared_ptr<PaintBuffer> pixels,
                         int width, int height) {
  if (!pixels) return;
  if (type == PET_VIEW) {
    CopyFrame(pixels.get(), &view_bitmap_);
  } else if (view_bitmap_.usable() && popup_rect_.width > 0 && popup_rect_.height > 0) {
    CopyFrame(pixels.get(), &popup_bitmap_);
  }
  Invalidate();
}

void CefControl::OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) {
  if (show) return;
  popup_rect_ = CefRect();
  CefRefPtr<CefBrowser> current = browser ? browser : GetBrowser();
  if (CefRefPtr<CefBrowserHost> host = current ? current->GetHost() : nullptr) {
    host->Invalidate(PET_VIEW);
  }
}

void CefControl::OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) {
  if (rect.width > 0 && rect.height > 0) popup_rect_ = rect;
}

// ---- Input -------------------------------------------------------------------------

LRESULT CefControl::FilterMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) {
  handled = false;
  if (!IsVisible() || !IsEnabled() || !window_) return 0;
  CefRefPtr<CefBrowser> browser = GetBrowser();
  CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr;
  if (!host) return 0;
  switch (message) {
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      host->SendCaptureLostEvent();
      handled = true;
      break;
    case WM_SETCURSOR: {
      POINT cursor = {};
      GetCursorPos(&cursor);
      ScreenToClient(window_->GetHWND(), &cursor);
      if (rect_.Contains(ui::UiPoint{cursor.x, cursor.y})) {
        // The default procedure applies the cursor the page set on the class.
        DefWindowProcW(window_->GetHWND(), message, wparam, lparam);
        handled = true;
      }
      break;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      handled = FilterKey(message, wparam, lparam, host.get());
      break;
    case WM_MOUSEWHEEL:
      handled = FilterWheel(wparam, lparam, host.get());
      break;
    default:
      handled = FilterMouse(message, wparam, lparam, host.get());
      break;
  }
  return 0;
}

bool CefControl::FilterKey(UINT message, WPARAM wparam, LPARAM lparam, CefBrowserHost* host) {
  if (!IsFocused()) return false;
  CefKeyEvent event;
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    event.type = KEYEVENT_RAWKEYDOWN;
  } else if (message == WM_KEYUP || message == WM_SYSKEYUP) {
    event.type = KEYEVENT_KEYUP;
  } else {
    event.type = KEYEVENT_CHAR;
  }
  event.windows_key_code = static_cast<int>(wparam);
  event.native_key_code = static_cast<int>(lparam);
  event.is_system_key = message == WM_SYSKEYDOWN || message == WM_SYSKEYUP || message == WM_SYSCHAR;
  event.modifiers = GetCefKeyboardModifiers(wparam, lparam);
  host->SendKeyEvent(event);
  return true;
}

bool CefControl::FilterWheel(WPARAM wparam, LPARAM lparam, CefBrowserHost* host) {
  POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  HWND hwnd = window_->GetHWND();
  if (WindowFromPoint(point) != hwnd) return false;
  ScreenToClient(hwnd, &point);
  if (!rect_.Contains(ui::UiPoint{point.x, point.y})) return false;
  CefMouseEvent event;
  event.x = point.x - rect_.left;
  event.y = point.y - rect_.top;
  event.modifiers = GetCefMouseModifiers(wparam);
  int delta = GET_WHEEL_DELTA_WPARAM(wparam);
  if (GetKeyState(VK_SHIFT) < 0) {
    host->SendMouseWheelEvent(event, delta, 0);
  } else {
    host->SendMouseWheelEvent(event, 0, delta);
  }
  return true;
}

bool CefControl::FilterMouse(UINT message, WPARAM wparam, LPARAM lparam, CefBrowserHost* host) {
  MouseButton button = {};
  bool is_button = DecodeButton(message, &button);
  if (!is_button && message != WM_MOUSEMOVE && message != WM_MOUSELEAVE) return false;
  ui::UiPoint point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  // A leave carries no point: the last one the window saw stands for it.
  if (message == WM_MOUSELEAVE) point = window_->GetLastMousePos();
  bool inside = rect_.Contains(point);
  bool captured = window_->IsMouseCaptured();
  CefMouseEvent event;
  event.x = point.x - rect_.left;
  event.y = point.y - rect_.top;
  event.modifiers = GetCefMouseModifiers(message == WM_MOUSELEAVE ? 0 : wparam);
  if (message == WM_MOUSEMOVE) {
    if (inside || captured) host->SendMouseMoveEvent(event, false);
    return false;
  }
  if (message == WM_MOUSELEAVE) {
    // The window keeps its own hover bookkeeping: not handled.
    host->SendMouseMoveEvent(event, true);
    return false;
  }
  if (button.click_count == 2) {
    if (!inside) return false;
    host->SendMouseClickEvent(event, button.button, false, 2);
    return true;
  }
  if (!button.up) {
    if (!inside) return false;
    SetFocus();
    host->SendMouseClickEvent(event, button.button, false, 1);
    return false;
  }
  if (inside || captured) host->SendMouseClickEvent(event, button.button, true, 1);
  return false;
}

ui::Control* CreateBrowserControl(const std::wstring& name) {
  if (name != L"CefControl") return nullptr;
  if (!CefManager::GetInstance()->offscreen_rendering) return new CefNativeControl();
  auto* control = new CefControl();
  control->SetTransparentPainting(true);
  return control;
}

}  // namespace comp
