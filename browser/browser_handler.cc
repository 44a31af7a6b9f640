#include "browser/browser_handler.h"

#include "base/thread/thread_registry.h"
#include "browser/cef_manager.h"
#include "browser/process_messages.h"
#include "browser/runtime/cef_runtime.h"

namespace comp {

namespace {

// Holds a slim lock shared or exclusive for a scope.
class SharedHold {
 public:
  explicit SharedHold(SRWLOCK* lock) : lock_(lock) { AcquireSRWLockShared(lock_); }
  ~SharedHold() { ReleaseSRWLockShared(lock_); }

 private:
  SRWLOCK* lock_;
};

class ExclusiveHold {
 public:
  explicit ExclusiveHold(SRWLOCK* lock) : lock_(lock) { AcquireSRWLockExclusive(lock_); }
  ~ExclusiveHold() { ReleaseSRWLockExclusive(lock_); }

 private:
  SRWLOCK* lock_;
};

// A closure run as a runtime task.
class ClosureTask : public CefTask {
 public:
  explicit ClosureTask(std::function<void()> closure) : closure_(std::move(closure)) {}
  void Execute() override { closure_(); }

 private:
  std::function<void()> closure_;
  CEF_IMPLEMENT_REFCOUNTING(ClosureTask);
};

class CloseAllBrowserTask : public CefTask {
 public:
  explicit CloseAllBrowserTask(std::vector<CefRefPtr<CefBrowser>> browsers)
      : browsers_(std::move(browsers)) {}
  void Execute() override {
    for (const CefRefPtr<CefBrowser>& browser : browsers_) {
      if (CefRefPtr<CefBrowserHost> host = browser->GetHost()) host->CloseBrowser(true);
    }
  }

 private:
  std::vector<CefRefPtr<CefBrowser>> browsers_;
  CEF_IMPLEMENT_REFCOUNTING(CloseAllBrowserTask);
};

void CloseOnRuntimeThread(std::vector<CefRefPtr<CefBrowser>> browsers) {
  if (browsers.empty()) return;
  CefPostTask(TID_UI, new CloseAllBrowserTask(std::move(browsers)));
}

}  // namespace

BrowserHandler::BrowserHandler()
    : view_pixels_(std::make_shared<PaintBuffer>()),
      popup_pixels_(std::make_shared<PaintBuffer>()) {
  // Made here, on the owner's thread: runtime threads only copy it.
  GetWeakFlag();
}

BrowserHandler::~BrowserHandler() {
  after_create_tasks_.Clear();
  browser_list_.clear();
  current_browser_ = nullptr;
  ReleaseWeakFlag();
}

void BrowserHandler::SetHandlerDelegate(HandlerDelegate* delegate) {
  std::weak_ptr<base::WeakFlag> flag;
  if (delegate) flag = delegate->GetWeakFlag();
  ExclusiveHold hold(&delegate_lock_);
  delegate_ = delegate;
  delegate_flag_ = flag;
}

CefRefPtr<CefBrowser> BrowserHandler::GetBrowser() {
  base::AutoLock hold(browser_lock_);
  return current_browser_;
}

void BrowserHandler::SetCurrentBrowser(CefRefPtr<CefBrowser> browser) {
  base::AutoLock hold(browser_lock_);
  current_browser_ = browser;
}

void BrowserHandler::SetViewRect(RECT rect) {
  if (!CefCurrentlyOn(TID_UI)) {
    CefRefPtr<BrowserHandler> self(this);
    CefPostTask(TID_UI, new ClosureTask([self, rect] { self->SetViewRect(rect); }));
    return;
  }
  view_rect_ = rect;
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (browser) {
    if (CefRefPtr<CefBrowserHost> host = browser->GetHost()) host->WasResized();
  }
}

std::function<void()> BrowserHandler::AddAfterCreateTask(const std::function<void()>& task) {
  return after_create_tasks_.AddCallback(task);
}

void BrowserHandler::CloseAllBrowser() {
  close_requested_ = true;
  CloseOnRuntimeThread(browser_list_);
}

void BrowserHandler::PostToDelegate(std::function<void(HandlerDelegate*)> call) {
  SharedHold hold(&delegate_lock_);
  if (!delegate_) return;
  HandlerDelegate* delegate = delegate_;
  base::ThreadRegistry::Post(
      base::kUiThreadId,
      base::WeakCallback<std::function<void()>>(
          delegate_flag_, [delegate, call = std::move(call)] { call(delegate); }));
}

template <typename Result, typename Ask>
Result BrowserHandler::AskDelegate(Result fallback, Ask ask) {
  SharedHold hold(&delegate_lock_);
  return delegate_ ? ask(delegate_) : fallback;
}

void BrowserHandler::AskDelegate(const std::function<void(HandlerDelegate*)>& ask) {
  SharedHold hold(&delegate_lock_);
  if (delegate_) ask(delegate_);
}

// ---- CefClient --------------------------------------------------------------

bool BrowserHandler::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                              cef_process_id_t source_process,
                                              CefRefPtr<CefProcessMessage> message) {
  if (!message) return false;
  CefString name = message->GetName();
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  if (!arguments) return false;
  if (name == CefString(kMsgFocusedNodeChanged)) {
    focus_editable_ = arguments->GetBool(0);
    return true;
  }
  if (name == CefString(kMsgCallCppFunction)) {
    CefString function_name = arguments->GetString(0);
    CefString params = arguments->GetString(1);
    int callback_id = arguments->GetInt(2);
    AskDelegate([&](HandlerDelegate* delegate) {
      delegate->OnCallCppFunction(function_name, params, callback_id, browser);
    });
    return true;
  }
  if (name == CefString(kMsgExecuteCppCallback)) {
    CefString result = arguments->GetString(0);
    int callback_id = arguments->GetInt(1);
    AskDelegate([&](HandlerDelegate* delegate) {
      delegate->OnExecuteCppCallback(callback_id, result);
    });
    return false;
  }
  return false;
}

// ---- CefLifeSpanHandler -------------------------------------------------------

bool BrowserHandler::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   const CefString& target_url,
                                   const CefString& target_frame_name,
                                   cef_window_open_disposition_t target_disposition,
                                   bool user_gesture, const CefPopupFeatures& popup_features,
                                   CefWindowInfo& window_info, CefRefPtr<CefClient>& client,
                                   CefBrowserSettings& settings, bool* no_javascript_access) {
  CefRefPtr<CefBrowser> current = GetBrowser();
  if (!current || target_url.empty()) return true;
  bool load = AskDelegate(true, [&](HandlerDelegate* delegate) {
    return delegate->OnBeforePopup(browser, frame, target_url, target_frame_name,
                                   target_disposition, user_gesture, popup_features, window_info,
                                   client, settings, no_javascript_access);
  });
  if (load) {
    if (CefRefPtr<CefFrame> main = current->GetMainFrame()) main->LoadURL(target_url);
  }
  // The runtime never opens a window of its own.
  return true;
}

void BrowserHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<BrowserHandler> self(this);
  base::ThreadRegistry::Post(base::kUiThreadId,
                             ToWeakCallback([self, browser] { self->BrowserCreated(browser); }));
}

void BrowserHandler::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<BrowserHandler> self(this);
  base::ThreadRegistry::Post(base::kUiThreadId,
                             ToWeakCallback([self, browser] { self->BrowserClosed(browser); }));
}

void BrowserHandler::BrowserCreated(CefRefPtr<CefBrowser> browser) {
  if (!browser) return;
  browser_list_.push_back(browser);
  ++CefManager::GetInstance()->live_browser_count;
  if (close_requested_) {
    // Its control is gone: nobody will show or close it.
    CloseOnRuntimeThread({browser});
    return;
  }
  CefRefPtr<CefBrowser> previous = GetBrowser();
  if (previous) {
    if (CefRefPtr<CefBrowserHost> host = previous->GetHost()) host->WasHidden(true);
  }
  SetCurrentBrowser(browser);
  if (delegate_) {
    delegate_->OnAfterCreated(browser);
    if (!CefManager::GetInstance()->offscreen_rendering) delegate_->RefreshPosition();
  }
  for (const auto& task : after_create_tasks_.TakeAll()) (*task)();
}

void BrowserHandler::BrowserClosed(CefRefPtr<CefBrowser> browser) {
  --CefManager::GetInstance()->live_browser_count;
  for (auto it = browser_list_.begin(); it != browser_list_.end(); ++it) {
    if (!(*it)->IsSame(browser)) continue;
    CefRefPtr<CefBrowser> removed = *it;
    browser_list_.erase(it);
    CefRefPtr<CefBrowser> current = GetBrowser();
    if (current && current->IsSame(removed)) {
      CefRefPtr<CefBrowser> next = browser_list_.empty() ? nullptr : browser_list_.back();
      SetCurrentBrowser(next);
      if (next && !close_requested_) {
        if (CefRefPtr<CefBrowserHost> host = next->GetHost()) host->WasHidden(false);
        next->Reload();
      }
    }
    break;
  }
  if (delegate_) delegate_->OnBeforeClose(browser);
}

// ---- CefRenderHandler -------------------------------------------------------------

bool BrowserHandler::GetRootScreenRect(CefRefPtr<CefBrowser> browser, CefRect& rect) {
  RECT window = {};
  HWND root = GetAncestor(host_window_, GA_ROOT);
  if (!root || !GetWindowRect(root, &window)) return false;
  rect = CefRect(window.left, window.top, window.right - window.left, window.bottom - window.top);
  return true;
}

bool BrowserHandler::GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) {
  bool has_delegate = AskDelegate(false, [](HandlerDelegate*) { return true; });
  if (has_delegate) {
    rect = CefRect(0, 0, view_rect_.right - view_rect_.left, view_rect_.bottom - view_rect_.top);
    return true;
  }
  RECT client = {};
  HWND host = host_window_;
  if (!host || !GetClientRect(host, &client)) return false;
  rect = CefRect(0, 0, client.right, client.bottom);
  return true;
}

bool BrowserHandler::GetScreenPoint(CefRefPtr<CefBrowser> browser, int view_x, int view_y,
                                    int& screen_x, int& screen_y) {
  HWND host = host_window_;
  if (!host || !IsWindow(host)) return false;
  POINT point = {view_x, view_y};
  ClientToScreen(host, &point);
  screen_x = point.x;
  screen_y = point.y;
  return true;
}

void BrowserHandler::OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) {
  PostToDelegate([browser, show](HandlerDelegate* d) { d->OnPopupShow(browser, show); });
}

void BrowserHandler::OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) {
  PostToDelegate([browser, rect](HandlerDelegate* d) { d->OnPopupSize(browser, rect); });
}

void BrowserHandler::OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
                             const RectList& dirty_rects, const void* buffer, int width,
                             int height) {
  if (!AskDelegate(false, [](HandlerDelegate*) { return true; })) return;
  std::shared_ptr<PaintBuffer> pixels = BufferFor(type);
  if (!pixels->Store(buffer, width, height)) return;
  PostToDelegate([browser, type, dirty_rects, pixels, width, height](HandlerDelegate* d) {
    d->OnPaint(browser, type, dirty_rects, pixels, width, height);
  });
}

void BrowserHandler::OnCursorChange(CefRefPtr<CefBrowser> browser, HCURSOR cursor,
                                    cef_cursor_type_t type,
                                    const CefCursorInfo& custom_cursor_info) {
  HWND host = host_window_;
  if (!host || !IsWindow(host)) return;
  SetClassLongPtrW(host, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
  SetCursor(cursor);
}

// ---- CefContextMenuHandler ------------------------------------------------------------

void BrowserHandler::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                         CefRefPtr<CefContextMenuParams> params,
                                         CefRefPtr<CefMenuModel> model) {
  // No context menu is ever shown.
  if (model && model->GetCount() > 0) model->Clear();
}

bool BrowserHandler::OnContextMenuCommand(CefRefPtr<CefBrowser> browser,
                                          CefRefPtr<CefFrame> frame,
                                          CefRefPtr<CefContextMenuParams> params, int command_id,
                                          int event_flags) {
  return AskDelegate(false, [&](HandlerDelegate* d) {
    return d->OnContextMenuCommand(browser, frame, params, command_id, event_flags);
  });
}

// ---- CefDisplayHandler ----------------------------------------------------------------------

void BrowserHandler::OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     const CefString& url) {
  PostToDelegate([browser, frame, url](HandlerDelegate* d) { d->OnAddressChange(browser, frame, url); });
}

void BrowserHandler::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {
  PostToDelegate([browser, title](HandlerDelegate* d) { d->OnTitleChange(browser, title); });
}

bool BrowserHandler::OnConsoleMessage(CefRefPtr<CefBrowser> browser, const CefString& message,
                                      const CefString& source, int line) {
  return true;
}

// ---- CefJSDialogHandler ------------------------------------------------------------------------

bool BrowserHandler::OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                                const CefString& accept_lang, cef_jsdialog_type_t dialog_type,
                                const CefString& message_text,
                                const CefString& default_prompt_text,
                                CefRefPtr<CefJSDialogCallback> callback, bool& suppress_message) {
  suppress_message = true;
  return false;
}

// ---- CefLoadHandler --------------------------------------------------------------------------------

void BrowserHandler::OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading,
                                          bool can_go_back, bool can_go_forward) {
  PostToDelegate([=](HandlerDelegate* d) {
    d->OnLoadingStateChange(browser, is_loading, can_go_back, can_go_forward);
  });
}

void BrowserHandler::OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
  PostToDelegate([browser, frame](HandlerDelegate* d) { d->OnLoadStart(browser, frame); });
}

void BrowserHandler::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                               int http_status_code) {
  PostToDelegate([=](HandlerDelegate* d) { d->OnLoadEnd(browser, frame, http_status_code); });
}

void BrowserHandler::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 cef_errorcode_t error_code, const CefString& error_text,
                                 const CefString& failed_url) {
  PostToDelegate([=](HandlerDelegate* d) {
    d->OnLoadError(browser, frame, error_code, error_text, failed_url);
  });
}

// ---- CefRequestHandler --------------------------------------------------------------------------------

bool BrowserHandler::OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefRequest> request, bool is_redirect) {
  return AskDelegate(false, [&](HandlerDelegate* d) {
    return d->OnBeforeBrowse(browser, frame, request, is_redirect);
  });
}

cef_return_value_t BrowserHandler::OnBeforeResourceLoad(CefRefPtr<CefBrowser> browser,
                                                        CefRefPtr<CefFrame> frame,
                                                        CefRefPtr<CefRequest> request,
                                                        CefRefPtr<CefRequestCallback> callback) {
  return AskDelegate(RV_CONTINUE, [&](HandlerDelegate* d) {
    return d->OnBeforeResourceLoad(browser, frame, request, callback);
  });
}

bool BrowserHandler::OnQuotaRequest(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                                    int64_t new_size, CefRefPtr<CefRequestCallback> callback) {
  if (callback) callback->Continue(new_size <= kQuotaLimit);
  return true;
}

void BrowserHandler::OnProtocolExecution(CefRefPtr<CefBrowser> browser, const CefString& url,
                                         bool& allow_os_execution) {
  AskDelegate([&](HandlerDelegate* d) { d->OnProtocolExecution(browser, url, allow_os_execution); });
}

void BrowserHandler::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                               cef_termination_status_t status) {
  PostToDelegate([browser, status](HandlerDelegate* d) {
    d->OnRenderProcessTerminated(browser, status);
  });
}

// ---- CefDownloadHandler ----------------------------------------------------------------------------------

void BrowserHandler::OnBeforeDownload(CefRefPtr<CefBrowser> browser,
                                      CefRefPtr<CefDownloadItem> download_item,
                                      const CefString& suggested_name,
                                      CefRefPtr<CefBeforeDownloadCallback> callback) {
  AskDelegate([&](HandlerDelegate* d) {
    d->OnBeforeDownload(browser, download_item, suggested_name, callback);
  });
}

void BrowserHandler::OnDownloadUpdated(CefRefPtr<CefBrowser> browser,
                                       CefRefPtr<CefDownloadItem> download_item,
                                       CefRefPtr<CefDownloadItemCallback> callback) {
  AskDelegate([&](HandlerDelegate* d) { d->OnDownloadUpdated(browser, download_item, callback); });
}

// ---- CefDialogHandler --------------------------------------------------------------------------------------

bool BrowserHandler::OnFileDialog(CefRefPtr<CefBrowser> browser, cef_file_dialog_mode_t mode,
                                  const CefString& title, const CefString& default_file_path,
                                  const std::vector<CefString>& accept_filters,
                                  int selected_accept_filter,
                                  CefRefPtr<CefFileDialogCallback> callback) {
  return AskDelegate(false, [&](HandlerDelegate* d) {
    return d->OnFileDialog(browser, mode, title, default_file_path, accept_filters,
                           selected_accept_filter, callback);
  });
}

}  // namespace comp
