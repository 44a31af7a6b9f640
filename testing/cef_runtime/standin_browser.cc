#include "testing/cef_runtime/standin_browser.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "testing/cef_runtime/standin_api.h"
#include "testing/cef_runtime/standin_runtime.h"
#include "testing/cef_runtime/standin_values.h"

namespace standin {

namespace {

constexpr int64_t kMainFrameId = 1;

class Browser;
std::vector<CefRefPtr<Browser>> g_browsers;  // UI thread
std::atomic<int> g_browser_count{0};
int g_next_browser_id = 1;

// The main frame. It holds its browser until the browser closes (which ends
// the cycle); a frame kept longer has no browser and loads nothing.
class Frame : public CefFrame {
 public:
  explicit Frame(Browser* browser) : browser_(browser) {}
  void LoadURL(const CefString& url) override;
  CefString GetURL() override;
  bool IsMain() override { return true; }
  int64_t GetIdentifier() override { return kMainFrameId; }
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override { return nullptr; }

  CefRefPtr<Browser> browser() {
    std::lock_guard<std::mutex> hold(lock_);
    return browser_;
  }
  void Detach() {
    std::lock_guard<std::mutex> hold(lock_);
    browser_ = nullptr;
  }

 private:
  std::mutex lock_;
  CefRefPtr<Browser> browser_;
  CEF_IMPLEMENT_REFCOUNTING(Frame);
};

// One object serves as browser and as its host.
class Browser : public CefBrowser, public CefBrowserHost {
 public:
  Browser(int id, const CefWindowInfo& window_info, CefRefPtr<CefClient> client)
      : id_(id), window_info_(window_info), client_(client) {
    // Here, not among the initialisers: the frame takes a reference, and the
    // count is the last member to be made.
    frame_ = new Frame(this);
  }

  // CefBrowser
  CefRefPtr<CefBrowserHost> GetHost() override { return this; }
  int GetIdentifier() override { return id_; }
  bool IsSame(CefRefPtr<CefBrowser> other) override {
    return other && other->GetIdentifier() == id_;
  }
  void Reload() override {
    Log(Name() + " Reload");
    std::wstring url = Url();
    PostToUi([self = CefRefPtr<Browser>(this), url] { self->Load(url); });
  }
  CefRefPtr<CefFrame> GetMainFrame() override { return frame_; }
  CefRefPtr<CefFrame> GetFrame(int64_t identifier) override {
    return identifier == kMainFrameId ? frame_ : nullptr;
  }
  bool SendProcessMessage(cef_process_id_t target, CefRefPtr<CefProcessMessage> message) override {
    auto* known = dynamic_cast<ProcessMessage*>(message.get());
    Log(Name() + " SendProcessMessage to=" + (target == PID_RENDERER ? "renderer" : "browser") +
        " " + (known ? known->Describe() : Utf8(message->GetName())));
    return true;
  }

  // CefBrowserHost
  CefRefPtr<CefBrowser> GetBrowser() override { return this; }
  CefRefPtr<CefClient> GetClient() override { return client_; }
  void CloseBrowser(bool force_close) override {
    Log(Name() + " CloseBrowser force=" + std::to_string(force_close));
    PostToUi([self = CefRefPtr<Browser>(this)] { self->Close(); });
  }
  void SetFocus(bool focus) override { Log(Name() + " SetFocus " + std::to_string(focus)); }
  HWND GetWindowHandle() override { return window_; }
  void ShowDevTools(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                    const CefBrowserSettings& settings, const POINT& inspect_at) override {
    Log(Name() + " ShowDevTools");
    PostToUi([window_info, client] {
      standin::CreateBrowser(window_info, client, L"devtools://devtools/inspector.html");
    });
  }
  void CloseDevTools() override { Log(Name() + " CloseDevTools"); }
  void WasResized() override {
    Log(Name() + " WasResized");
    PostToUi([self = CefRefPtr<Browser>(this)] { self->Paint(); });
  }
  void WasHidden(bool hidden) override {
    Log(Name() + " WasHidden " + std::to_string(hidden));
    PostToUi([self = CefRefPtr<Browser>(this), hidden] { self->hidden_ = hidden; });
  }
  void Invalidate(cef_paint_element_type_t type) override {
    Log(Name() + " Invalidate " + (type == PET_VIEW ? "view" : "popup"));
    PostToUi([self = CefRefPtr<Browser>(this)] { self->Paint(); });
  }
  void SendKeyEvent(const CefKeyEvent& event) override {
    Log(Name() + " SendKeyEvent type=" + std::to_string(event.type) +
        " key=" + std::to_string(event.windows_key_code) +
        " system=" + std::to_string(event.is_system_key) +
        " modifiers=" + std::to_string(event.modifiers));
  }
  void SendMouseClickEvent(const CefMouseEvent& event, cef_mouse_button_type_t type, bool mouse_up,
                           int click_count) override {
    Log(Name() + " SendMouseClickEvent x=" + std::to_string(event.x) + " y=" +
        std::to_string(event.y) + " button=" + std::to_string(type) + " up=" +
        std::to_string(mouse_up) + " count=" + std::to_string(click_count) +
        " modifiers=" + std::to_string(event.modifiers));
  }
  void SendMouseMoveEvent(const CefMouseEvent& event, bool mouse_leave) override {
    Log(Name() + " SendMouseMoveEvent x=" + std::to_string(event.x) + " y=" +
        std::to_string(event.y) + " leave=" + std::to_string(mouse_leave));
  }
  void SendMouseWheelEvent(const CefMouseEvent& event, int delta_x, int delta_y) override {
    Log(Name() + " SendMouseWheelEvent x=" + std::to_string(event.x) + " y=" +
        std::to_string(event.y) + " dx=" + std::to_string(delta_x) +
        " dy=" + std::to_string(delta_y));
  }
  void SendCaptureLostEvent() override { Log(Name() + " SendCaptureLostEvent"); }

  // The runtime's side, UI thread.
  std::string Name() const { return "browser " + std::to_string(id_); }
  std::wstring Url() {
    std::lock_guard<std::mutex> hold(url_lock_);
    return url_;
  }
  bool closing() const { return closing_; }
  bool animated() const {
    return window_info_.windowless_rendering_enabled && !hidden_ && !closing_ && !loading_ &&
           history_ > 0;
  }
  CefRefPtr<CefClient> client() const { return client_; }

  void Created() {
    if (!window_info_.windowless_rendering_enabled && window_info_.parent_window) {
      window_ = CreateWindowExW(window_info_.ex_style, L"Static", L"",
                                window_info_.style | WS_CHILD, window_info_.x, window_info_.y,
                                window_info_.width, window_info_.height,
                                window_info_.parent_window, nullptr, nullptr, nullptr);
    }
    if (auto life_span = client_->GetLifeSpanHandler()) {
      Log(Name() + " OnAfterCreated");
      life_span->OnAfterCreated(this);
    }
  }

  // Asks before the navigation, the resource question on the I/O thread,
  // then the load events back here.
  void Load(const std::wstring& url) {
    if (closing_) return;
    CefRefPtr<CefRequest> request(new Request(url));
    CefRefPtr<CefRequestHandler> requests = client_->GetRequestHandler();
    if (requests) {
      bool cancel = requests->OnBeforeBrowse(this, frame_, request, false);
      Log(Name() + " OnBeforeBrowse " + Utf8(url) + " -> " + std::to_string(cancel));
      if (cancel) return;
    }
    LoadingState(true);
    CefRefPtr<Browser> self(this);
    bool posted = PostToIo([self, request, requests, url] {
      cef_return_value_t answer = RV_CONTINUE;
      if (requests) {
        answer = requests->OnBeforeResourceLoad(self, self->frame_, request,
                                                new LoggingCallback("resource"));
        Log(self->Name() + " OnBeforeResourceLoad " + Utf8(url) + " -> " +
            std::to_string(answer));
      }
      PostToUi([self, url, answer] { self->FinishLoad(url, answer == RV_CANCEL); });
    });
    if (!posted) LoadingState(false);
  }

  void Paint() {
    if (!window_info_.windowless_rendering_enabled || closing_) return;
    CefRefPtr<CefRenderHandler> render = client_->GetRenderHandler();
    if (!render) return;
    CefRect view;
    if (!render->GetViewRect(this, view) || view.width <= 0 || view.height <= 0) {
      Log(Name() + " GetViewRect empty: no frame");
      return;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = view.width;
    info.bmiHeader.biHeight = -view.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
      DeleteDC(dc);
      Log(Name() + " no bitmap for " + std::to_string(view.width) + "x" +
          std::to_string(view.height));
      return;
    }
    HGDIOBJ previous = SelectObject(dc, bitmap);
    std::wstring url = Url();
    unsigned colour = QuorvelStandinColour(url.c_str());
    HBRUSH brush = CreateSolidBrush(RGB(colour >> 16, (colour >> 8) & 0xff, colour & 0xff));
    RECT all = {0, 0, view.width, view.height};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ++frame_count_;
    std::wstring counter = L"frame " + std::to_wstring(frame_count_);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 8, 8, url.c_str(), static_cast<int>(url.size()));
    TextOutW(dc, 8, 28, counter.c_str(), static_cast<int>(counter.size()));
    GdiFlush();
    // GDI leaves alpha 0; a page is opaque.
    auto* pixels = static_cast<uint32_t*>(bits);
    for (size_t i = 0, n = size_t(view.width) * view.height; i < n; ++i) pixels[i] |= 0xff000000u;
    Log(Name() + " OnPaint view " + std::to_string(view.width) + "x" +
        std::to_string(view.height) + " frame " + std::to_string(frame_count_));
    render->OnPaint(this, PET_VIEW, RectList{CefRect(0, 0, view.width, view.height)}, bits,
                    view.width, view.height);
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }

  void Close() {
    if (closing_) return;
    closing_ = true;
    CefRefPtr<CefLifeSpanHandler> life_span = client_->GetLifeSpanHandler();
    if (life_span) {
      bool handled = life_span->DoClose(this);
      Log(Name() + " DoClose -> " + std::to_string(handled));
      Log(Name() + " OnBeforeClose");
      life_span->OnBeforeClose(this);
    }
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
    frame_->Detach();
    for (auto it = g_browsers.begin(); it != g_browsers.end(); ++it) {
      if (it->get() == this) {
        g_browsers.erase(it);
        --g_browser_count;
        break;
      }
    }
  }

  void LoadError(const std::wstring& url, cef_errorcode_t code) {
    if (auto load = client_->GetLoadHandler()) {
      Log(Name() + " OnLoadError " + std::to_string(code) + " " + Utf8(url));
      load->OnLoadError(this, frame_, code, ErrorText(code), url);
    }
  }

  void Address(const std::wstring& url) {
    {
      std::lock_guard<std::mutex> hold(url_lock_);
      url_ = url;
    }
    if (auto display = client_->GetDisplayHandler()) {
      Log(Name() + " OnAddressChange " + Utf8(url));
      display->OnAddressChange(this, frame_, url);
    }
  }

  void Title(const std::wstring& title) {
    if (auto display = client_->GetDisplayHandler()) {
      Log(Name() + " OnTitleChange " + Utf8(title));
      display->OnTitleChange(this, title);
    }
  }

  void LoadingState(bool loading) {
    loading_ = loading;
    if (auto load = client_->GetLoadHandler()) {
      bool can_go_back = history_ > 1 || (loading && history_ > 0);
      Log(Name() + " OnLoadingStateChange loading=" + std::to_string(loading) +
          " back=" + std::to_string(can_go_back));
      load->OnLoadingStateChange(this, loading, can_go_back, false);
    }
  }

  void LoadStart() {
    if (auto load = client_->GetLoadHandler()) {
      Log(Name() + " OnLoadStart");
      load->OnLoadStart(this, frame_);
    }
  }

  void LoadEnd(int status) {
    if (auto load = client_->GetLoadHandler()) {
      Log(Name() + " OnLoadEnd " + std::to_string(status));
      load->OnLoadEnd(this, frame_, status);
    }
  }

  CefRefPtr<CefFrame> frame() const { return frame_; }

 private:
  static CefString ErrorText(cef_errorcode_t code) {
    switch (code) {
      case ERR_NAME_NOT_RESOLVED: return "net::ERR_NAME_NOT_RESOLVED";
      case ERR_ABORTED: return "net::ERR_ABORTED";
      default: return "net::ERR_FAILED";
    }
  }

  static bool Unreachable(const std::wstring& url) {
    size_t host = url.find(L"://");
    return host != std::wstring::npos && url.compare(host + 3, 11, L"unreachable") == 0;
  }

  void FinishLoad(const std::wstring& url, bool cancelled) {
    if (closing_) return;
    if (cancelled) {
      LoadError(url, ERR_ABORTED);
      LoadingState(false);
      return;
    }
    ++history_;
    Address(url);
    LoadStart();
    if (Unreachable(url)) {
      LoadError(url, ERR_NAME_NOT_RESOLVED);
    } else {
      Title(url);
      Paint();
      LoadEnd(200);
    }
    LoadingState(false);
  }

  const int id_;
  const CefWindowInfo window_info_;
  const CefRefPtr<CefClient> client_;
  CefRefPtr<Frame> frame_;
  std::mutex url_lock_;
  std::wstring url_;
  // UI thread.
  HWND window_ = nullptr;
  bool hidden_ = false;
  bool closing_ = false;
  bool loading_ = false;
  int history_ = 0;
  int frame_count_ = 0;
  CEF_IMPLEMENT_REFCOUNTING(Browser);
};

void Frame::LoadURL(const CefString& url) {
  CefRefPtr<Browser> owner = browser();
  if (!owner) return;
  Log(owner->Name() + " LoadURL " + Utf8(url));
  std::wstring address = url.ToWString();
  PostToUi([owner, address] { owner->Load(address); });
}

CefString Frame::GetURL() {
  CefRefPtr<Browser> owner = browser();
  return owner ? CefString(owner->Url()) : CefString();
}

CefRefPtr<CefBrowser> Frame::GetBrowser() { return browser(); }

CefRefPtr<Browser> FindBrowser(int id) {
  if (g_browsers.empty()) return nullptr;
  if (id < 0) return g_browsers.back();
  for (const CefRefPtr<Browser>& browser : g_browsers) {
    if (browser->GetIdentifier() == id) return browser;
  }
  return nullptr;
}

CefRefPtr<ProcessMessage> Message(const char* name) { return new ProcessMessage(name); }

using EventRaiser = std::function<void(Browser* browser, const std::wstring& text, int number)>;

// The events a test can raise; each runs on the UI thread unless it posts on.
const std::map<std::string, EventRaiser>& Events() {
  static const std::map<std::string, EventRaiser> events = {
      {"load", [](Browser* b, const std::wstring& text, int) { b->Load(text); }},
      {"load_error",
       [](Browser* b, const std::wstring& text, int number) {
         b->LoadError(text, static_cast<cef_errorcode_t>(number));
       }},
      {"address", [](Browser* b, const std::wstring& text, int) { b->Address(text); }},
      {"title", [](Browser* b, const std::wstring& text, int) { b->Title(text); }},
      {"popup",
       [](Browser* b, const std::wstring& text, int) {
         auto life_span = b->client()->GetLifeSpanHandler();
         if (!life_span) return;
         CefWindowInfo window_info;
         CefRefPtr<CefClient> client = b->client();
         CefBrowserSettings settings;
         bool no_script_access = false;
         bool cancel = life_span->OnBeforePopup(b, b->frame(), text, L"", WOD_NEW_FOREGROUND_TAB,
                                                true, CefPopupFeatures(), window_info, client,
                                                settings, &no_script_access);
         Log(b->Name() + " OnBeforePopup " + Utf8(text) + " -> " + std::to_string(cancel));
         if (!cancel) Log(b->Name() + " opened a pop-up window");
       }},
      {"popup_show",
       [](Browser* b, const std::wstring&, int number) {
         if (auto render = b->client()->GetRenderHandler()) {
           Log(b->Name() + " OnPopupShow " + std::to_string(number));
           render->OnPopupShow(b, number != 0);
         }
       }},
      {"popup_size",
       [](Browser* b, const std::wstring&, int number) {
         if (auto render = b->client()->GetRenderHandler()) {
           Log(b->Name() + " OnPopupSize " + std::to_string(number));
           render->OnPopupSize(b, CefRect(10, 10, number, number));
         }
       }},
      {"cursor",
       [](Browser* b, const std::wstring&, int number) {
         if (auto render = b->client()->GetRenderHandler()) {
           Log(b->Name() + " OnCursorChange " + std::to_string(number));
           render->OnCursorChange(b, LoadCursorW(nullptr, IDC_HAND),
                                  static_cast<cef_cursor_type_t>(number), CefCursorInfo());
         }
       }},
      {"geometry",
       [](Browser* b, const std::wstring&, int) {
         auto render = b->client()->GetRenderHandler();
         if (!render) return;
         CefRect root, view;
         bool has_root = render->GetRootScreenRect(b, root);
         bool has_view = render->GetViewRect(b, view);
         int x = 0, y = 0;
         bool has_point = render->GetScreenPoint(b, 5, 5, x, y);
         Log(b->Name() + " geometry root=" + std::to_string(has_root) + " " +
             std::to_string(root.width) + "x" + std::to_string(root.height) +
             " view=" + std::to_string(has_view) + " " + std::to_string(view.width) + "x" +
             std::to_string(view.height) + " point=" + std::to_string(has_point));
       }},
      {"focus",
       [](Browser* b, const std::wstring&, int number) {
         CefRefPtr<ProcessMessage> message = Message("FocusedNodeChanged");
         message->GetArgumentList()->SetBool(0, number != 0);
         bool handled = b->client()->OnProcessMessageReceived(b, PID_RENDERER, message);
         Log(b->Name() + " OnProcessMessageReceived " + message->Describe() + " -> " +
             std::to_string(handled));
       }},
      {"call_cpp",
       [](Browser* b, const std::wstring& text, int number) {
         CefRefPtr<ProcessMessage> message = Message("CallCppFunction");
         message->GetArgumentList()->SetString(0, text);
         message->GetArgumentList()->SetString(1, "{}");
         message->GetArgumentList()->SetInt(2, number);
         bool handled = b->client()->OnProcessMessageReceived(b, PID_RENDERER, message);
         Log(b->Name() + " OnProcessMessageReceived " + message->Describe() + " -> " +
             std::to_string(handled));
       }},
      {"execute_cpp_callback",
       [](Browser* b, const std::wstring& text, int number) {
         CefRefPtr<ProcessMessage> message = Message("ExecuteCppCallback");
         message->GetArgumentList()->SetString(0, text);
         message->GetArgumentList()->SetInt(1, number);
         bool handled = b->client()->OnProcessMessageReceived(b, PID_RENDERER, message);
         Log(b->Name() + " OnProcessMessageReceived " + message->Describe() + " -> " +
             std::to_string(handled));
       }},
      {"render_terminated",
       [](Browser* b, const std::wstring&, int number) {
         if (auto requests = b->client()->GetRequestHandler()) {
           Log(b->Name() + " OnRenderProcessTerminated " + std::to_string(number));
           requests->OnRenderProcessTerminated(b, static_cast<cef_termination_status_t>(number));
         }
       }},
      {"context_menu",
       [](Browser* b, const std::wstring&, int) {
         if (auto menus = b->client()->GetContextMenuHandler()) {
           CefRefPtr<MenuModel> model(new MenuModel(3));
           menus->OnBeforeContextMenu(b, b->frame(), new ContextMenuParams(), model);
           Log(b->Name() + " OnBeforeContextMenu items left " +
               std::to_string(model->GetCount()));
         }
       }},
      {"context_menu_command",
       [](Browser* b, const std::wstring&, int number) {
         if (auto menus = b->client()->GetContextMenuHandler()) {
           bool handled =
               menus->OnContextMenuCommand(b, b->frame(), new ContextMenuParams(), number, 0);
           Log(b->Name() + " OnContextMenuCommand " + std::to_string(number) + " -> " +
               std::to_string(handled));
         }
       }},
      {"before_browse",
       [](Browser* b, const std::wstring& text, int) {
         if (auto requests = b->client()->GetRequestHandler()) {
           bool cancel = requests->OnBeforeBrowse(b, b->frame(), new Request(text), false);
           Log(b->Name() + " OnBeforeBrowse " + Utf8(text) + " -> " + std::to_string(cancel));
         }
       }},
      {"protocol",
       [](Browser* b, const std::wstring& text, int) {
         if (auto requests = b->client()->GetRequestHandler()) {
           bool allow = false;
           requests->OnProtocolExecution(b, text, allow);
           Log(b->Name() + " OnProtocolExecution " + Utf8(text) + " allow=" +
               std::to_string(allow));
         }
       }},
      {"resource_load",
       [](Browser* b, const std::wstring& text, int) {
         CefRefPtr<Browser> self(b);
         PostToIo([self, text] {
           if (auto requests = self->client()->GetRequestHandler()) {
             cef_return_value_t answer = requests->OnBeforeResourceLoad(
                 self, self->frame(), new Request(text), new LoggingCallback("resource"));
             Log(self->Name() + " OnBeforeResourceLoad " + Utf8(text) + " -> " +
                 std::to_string(answer));
           }
         });
       }},
      {"quota",
       [](Browser* b, const std::wstring& text, int number) {
         CefRefPtr<Browser> self(b);
         PostToIo([self, number] {
           if (auto requests = self->client()->GetRequestHandler()) {
             bool answered = requests->OnQuotaRequest(self, L"http://origin/",
                                                      static_cast<unsigned>(number),
                                                      new LoggingCallback("quota"));
             Log(self->Name() + " OnQuotaRequest " + std::to_string(unsigned(number)) + " -> " +
                 std::to_string(answered));
           }
         });
       }},
      {"download",
       [](Browser* b, const std::wstring& text, int) {
         if (auto downloads = b->client()->GetDownloadHandler()) {
           Log(b->Name() + " OnBeforeDownload " + Utf8(text));
           downloads->OnBeforeDownload(b, new DownloadItem(text), L"file.bin",
                                       new LoggingCallback("download"));
         }
       }},
      {"download_updated",
       [](Browser* b, const std::wstring& text, int) {
         if (auto downloads = b->client()->GetDownloadHandler()) {
           Log(b->Name() + " OnDownloadUpdated " + Utf8(text));
           downloads->OnDownloadUpdated(b, new DownloadItem(text),
                                        new LoggingCallback("download"));
         }
       }},
      {"file_dialog",
       [](Browser* b, const std::wstring& text, int) {
         if (auto dialogs = b->client()->GetDialogHandler()) {
           bool handled = dialogs->OnFileDialog(b, FILE_DIALOG_OPEN, text, L"", {}, 0,
                                                new LoggingCallback("file_dialog"));
           Log(b->Name() + " OnFileDialog -> " + std::to_string(handled));
         }
       }},
      {"js_dialog",
       [](Browser* b, const std::wstring& text, int number) {
         if (auto dialogs = b->client()->GetJSDialogHandler()) {
           bool suppress = false;
           bool handled = dialogs->OnJSDialog(b, L"http://origin/", L"en",
                                              static_cast<cef_jsdialog_type_t>(number), text, L"",
                                              new LoggingCallback("js_dialog"), suppress);
           Log(b->Name() + " OnJSDialog -> " + std::to_string(handled) +
               " suppress=" + std::to_string(suppress));
         }
       }},
      {"console",
       [](Browser* b, const std::wstring& text, int) {
         if (auto display = b->client()->GetDisplayHandler()) {
           bool handled = display->OnConsoleMessage(b, text, L"http://origin/", 1);
           Log(b->Name() + " OnConsoleMessage -> " + std::to_string(handled));
         }
       }},
  };
  return events;
}

}  // namespace

void CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                   const std::wstring& url) {
  CefRefPtr<Browser> browser(new Browser(g_next_browser_id++, window_info, client));
  g_browsers.push_back(browser);
  ++g_browser_count;
  Log(browser->Name() + " created windowless=" +
      std::to_string(window_info.windowless_rendering_enabled) + " url=" + Utf8(url));
  browser->Created();
  if (!url.empty()) browser->Load(url);
}

int CloseAllBrowsers() {
  std::vector<CefRefPtr<Browser>> open = g_browsers;
  for (const CefRefPtr<Browser>& browser : open) browser->Close();
  return static_cast<int>(open.size());
}

void PaintAnimatedBrowsers() {
  std::vector<CefRefPtr<Browser>> shown = g_browsers;
  for (const CefRefPtr<Browser>& browser : shown) {
    if (browser->animated()) browser->Paint();
  }
}

bool RaiseEvent(int browser_id, const std::string& event, const std::wstring& text, int number) {
  auto raiser = Events().find(event);
  CefRefPtr<Browser> browser = FindBrowser(browser_id);
  if (raiser == Events().end() || !browser || browser->closing()) return false;
  raiser->second(browser.get(), text, number);
  return true;
}

int BrowserCount() { return g_browser_count; }

}  // namespace standin
