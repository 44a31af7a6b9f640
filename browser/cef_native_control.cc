#include "browser/cef_native_control.h"

#include "base/thread/thread_registry.h"
#include "browser/runtime/cef_runtime.h"
#include "ui/core/window.h"

namespace comp {

namespace {

constexpr int kDevToolsWidth = 900;
constexpr int kDevToolsHeight = 700;

// The browser window must not be painted over by its host, nor its siblings.
void AddClipStyles(ui::Window* window) {
  HWND hwnd = window ? window->GetHWND() : nullptr;
  if (!hwnd) return;
  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  SetWindowLongW(hwnd, GWL_STYLE, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
}

}  // namespace

CefNativeControl::CefNativeControl() = default;

CefNativeControl::~CefNativeControl() { ReleaseClient(); }

HWND CefNativeControl::GetBrowserWindow() const {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr;
  return host ? host->GetWindowHandle() : nullptr;
}

void CefNativeControl::SetWindow(ui::Window* window, ui::Box* parent, bool init) {
  HWND hwnd = window ? window->GetHWND() : nullptr;
  if (client_) client_->SetHostWindow(hwnd);
  HWND browser_window = GetBrowserWindow();
  if (browser_window && hwnd) SetParent(browser_window, hwnd);
  AddClipStyles(window);
  ui::Control::SetWindow(window, parent, init);
}

void CefNativeControl::Init() {
  if (!client_ && window_) {
    AddClipStyles(window_);
    MakeClient(window_->GetHWND());
    CreateBrowser();
  }
  ui::Control::Init();
}

void CefNativeControl::CreateBrowser() {
  if (!client_ || client_->GetBrowser() || !window_) return;
  ui::UiRect rect = GetPos();
  CefWindowInfo window_info;
  window_info.SetAsChild(window_->GetHWND(), RECT{rect.left, rect.top, rect.right, rect.bottom});
  CefBrowserHost::CreateBrowser(window_info, client_, CefString(), CefBrowserSettings());
}

void CefNativeControl::SetPos(ui::UiRect rect) {
  ui::Control::SetPos(rect);
  HWND browser_window = GetBrowserWindow();
  if (!browser_window) return;
  ui::UiRect placed = GetPos();
  SetWindowPos(browser_window, nullptr, placed.left, placed.top, placed.Width(), placed.Height(),
               SWP_NOZORDER);
}

void CefNativeControl::ShowBrowserWindow(bool visible) {
  HWND browser_window = GetBrowserWindow();
  if (!browser_window) return;
  if (visible) {
    ShowWindow(browser_window, SW_SHOW);
  } else {
    SetWindowPos(browser_window, nullptr, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
  }
}

void CefNativeControl::SetFadeVisible(bool visible) {
  ui::Control::SetFadeVisible(visible);
  ShowBrowserWindow(visible);
}

void CefNativeControl::SetInnerVisible(bool visible) {
  ui::Control::SetInnerVisible(visible);
  ShowBrowserWindow(visible);
}

void CefNativeControl::HandleEvent(ui::EventArgs& args) {
  if (args.type == ui::kEventInternalSetFocus || args.type == ui::kEventInternalKillFocus) {
    CefRefPtr<CefBrowser> browser = GetBrowser();
    if (CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr) {
      host->SetFocus(args.type == ui::kEventInternalSetFocus);
    }
  }
  ui::Control::HandleEvent(args);
}

bool CefNativeControl::ShowDevTools(ui::Control* view) {
  if (devtools_visible_ || !client_) return true;
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (CefRefPtr<CefBrowserHost> host = browser ? browser->GetHost() : nullptr) {
    CefWindowInfo window_info;
    window_info.SetAsPopup(nullptr, L"cef_devtools");
    window_info.width = kDevToolsWidth;
    window_info.height = kDevToolsHeight;
    CefRefPtr<BrowserHandler> tools_client(new BrowserHandler());
    host->ShowDevTools(window_info, tools_client, CefBrowserSettings(), POINT{0, 0});
    SetDevToolsVisible(true);
    return true;
  }
  // Again once the browser exists, while this control lives.
  client_->AddAfterCreateTask(ToWeakCallback([this] {
    base::ThreadRegistry::Post(base::kUiThreadId, ToWeakCallback([this] { ShowDevTools(nullptr); }));
  }));
  return true;
}

}  // namespace comp
