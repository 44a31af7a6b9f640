// BrowserHandler: the client the runtime calls for everything that happens
// in one browser control's browsers. It keeps the browsers made through it
// (the newest is current, older ones hidden), the host window and the
// control's rectangle, and hands events to its owner, the HandlerDelegate,
// by one of four roads:
//  - notifications (frames, pop-up widget, address, title, loading, load
//    errors, render-process end) are copied and posted to thread 0 bound to
//    the delegate's weak flag: those for a control that is gone are dropped;
//  - creation and closing of browsers are posted to thread 0 bound to the
//    handler itself, which keeps its browser list and the live-browser count
//    there;
//  - questions that need the control's answer at once (new window, menu
//    command, navigation, protocol, resource, download, file dialog, page
//    calls) go to the delegate on the runtime thread that asks, under a
//    shared lock that SetHandlerDelegate takes exclusively, so a delegate
//    being destroyed is never reached;
//  - the rest (geometry, cursor, menus, script dialogs, console, quota) is
//    answered here on the runtime's thread.
//
// Reference counted; the owning control holds one reference, the runtime
// more while browsers live. Threads: the owner's operations on thread 0
// unless said otherwise; the runtime interfaces on the runtime's threads.
// Nothing here waits for thread 0.
#ifndef BROWSER_BROWSER_HANDLER_H_
#define BROWSER_BROWSER_HANDLER_H_

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "base/callback/weak_callback.h"
#include "base/synchronization/lock.h"
#include "browser/paint_buffer.h"
#include "browser/runtime/cef_client.h"
#include "browser/unregisted_callback_list.h"

namespace comp {

class BrowserHandler : public virtual base::SupportWeakCallback,
                       public CefClient,
                       public CefLifeSpanHandler,
                       public CefRenderHandler,
                       public CefContextMenuHandler,
                       public CefDisplayHandler,
                       public CefDragHandler,
                       public CefGeolocationHandler,
                       public CefJSDialogHandler,
                       public CefKeyboardHandler,
                       public CefLoadHandler,
                       public CefRequestHandler,
                       public CefDownloadHandler,
                       public CefDialogHandler {
 public:
  // What the owning control does with the browser's events. The operations
  // marked "runtime thread" are called there and must answer at once.
  class HandlerDelegate : public virtual base::SupportWeakCallback {
   public:
    // Thread 0: the newest frame of `type` waits in `pixels`.
    virtual void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
                         const RectList& dirty_rects, std::shared_ptr<PaintBuffer> pixels,
                         int width, int height) = 0;
    virtual void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) = 0;
    virtual void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) = 0;
    virtual void RefreshPosition() = 0;
    // Never called: context menus are emptied by the handler.
    virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefContextMenuParams> params,
                                     CefRefPtr<CefMenuModel> model) = 0;
    // Runtime thread.
    virtual bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefContextMenuParams> params, int command_id,
                                      int event_flags) = 0;
    virtual void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 const CefString& url) = 0;
    virtual void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) = 0;
    virtual void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading,
                                      bool can_go_back, bool can_go_forward) = 0;
    virtual void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) = 0;
    virtual void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           int http_status_code) = 0;
    virtual void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             cef_errorcode_t error_code, const CefString& error_text,
                             const CefString& failed_url) = 0;
    // Runtime thread.
    virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                               const CefString& target_url, const CefString& target_frame_name,
                               cef_window_open_disposition_t target_disposition,
                               bool user_gesture, const CefPopupFeatures& popup_features,
                               CefWindowInfo& window_info, CefRefPtr<CefClient>& client,
                               CefBrowserSettings& settings, bool* no_javascript_access) = 0;
    virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) = 0;
    virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) = 0;
    // Runtime thread, the next three.
    virtual bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefRequest> request, bool is_redirect) = 0;
    virtual void OnProtocolExecution(CefRefPtr<CefBrowser> browser, const CefString& url,
                                     bool& allow_os_execution) = 0;
    virtual cef_return_value_t OnBeforeResourceLoad(CefRefPtr<CefBrowser> browser,
                                                    CefRefPtr<CefFrame> frame,
                                                    CefRefPtr<CefRequest> request,
                                                    CefRefPtr<CefRequestCallback> callback) = 0;
    // Thread 0.
    virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                           cef_termination_status_t status) = 0;
    // Runtime thread, the next three.
    virtual void OnBeforeDownload(CefRefPtr<CefBrowser> browser,
                                  CefRefPtr<CefDownloadItem> download_item,
                                  const CefString& suggested_name,
                                  CefRefPtr<CefBeforeDownloadCallback> callback) = 0;
    virtual void OnDownloadUpdated(CefRefPtr<CefBrowser> browser,
                                   CefRefPtr<CefDownloadItem> download_item,
                                   CefRefPtr<CefDownloadItemCallback> callback) = 0;
    virtual bool OnFileDialog(CefRefPtr<CefBrowser> browser, cef_file_dialog_mode_t mode,
                              const CefString& title, const CefString& default_file_path,
                              const std::vector<CefString>& accept_filters,
                              int selected_accept_filter,
                              CefRefPtr<CefFileDialogCallback> callback) = 0;
    // The runtime thread that delivered the page's message.
    virtual bool OnCallCppFunction(const CefString& function_name, const CefString& params,
                                   int js_callback_id, CefRefPtr<CefBrowser> browser) = 0;
    virtual bool OnExecuteCppCallback(int cpp_callback_id, const CefString& json_string) = 0;

   protected:
    ~HandlerDelegate() override = default;
  };

  // Storage requests up to this size are granted.
  static constexpr int64_t kQuotaLimit = 20 * 1024 * 1024;

  BrowserHandler();

  // Thread 0.
  void SetHostWindow(HWND window) { host_window_ = window; }
  HWND GetHostWindow() const { return host_window_; }
  // Waits for a question the old delegate is answering on a runtime thread.
  // `delegate` must derive from SupportWeakCallback with its flag made.
  void SetHandlerDelegate(HandlerDelegate* delegate);
  CefRefPtr<CefBrowser> GetBrowser();
  // Any thread: the control's rectangle in the host window, used on the
  // runtime's UI thread (one hop from any other thread).
  void SetViewRect(RECT rect);
  // Runs `task` on thread 0 once the next browser has been created; the
  // closure returned takes it back.
  std::function<void()> AddAfterCreateTask(const std::function<void()>& task);
  // Closes every browser of this handler on the runtime's UI thread; a
  // browser created after this (one still being made) is closed at once.
  void CloseAllBrowser();
  // Browsers made through this handler and not yet closed (thread 0).
  size_t browser_count() const { return browser_list_.size(); }
  bool is_focus_editable() const { return focus_editable_; }

  // CefClient
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
  CefRefPtr<CefDialogHandler> GetDialogHandler() override { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  CefRefPtr<CefDownloadHandler> GetDownloadHandler() override { return this; }
  CefRefPtr<CefDragHandler> GetDragHandler() override { return this; }
  CefRefPtr<CefGeolocationHandler> GetGeolocationHandler() override { return this; }
  CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() override { return this; }
  CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() override { return this; }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, cef_process_id_t source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // CefLifeSpanHandler
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                     const CefString& target_url, const CefString& target_frame_name,
                     cef_window_open_disposition_t target_disposition, bool user_gesture,
                     const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                     bool* no_javascript_access) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;

  // CefRenderHandler
  bool GetRootScreenRect(CefRefPtr<CefBrowser> browser, CefRect& rect) override;
  bool GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) override;
  bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int view_x, int view_y, int& screen_x,
                      int& screen_y) override;
  void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) override;
  void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) override;
  void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
               const RectList& dirty_rects, const void* buffer, int width, int height) override;
  void OnCursorChange(CefRefPtr<CefBrowser> browser, HCURSOR cursor, cef_cursor_type_t type,
                      const CefCursorInfo& custom_cursor_info) override;

  // CefContextMenuHandler
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params,
                           CefRefPtr<CefMenuModel> model) override;
  bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefContextMenuParams> params, int command_id,
                            int event_flags) override;

  // CefDisplayHandler
  void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                       const CefString& url) override;
  void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override;
  bool OnConsoleMessage(CefRefPtr<CefBrowser> browser, const CefString& message,
                        const CefString& source, int line) override;

  // CefJSDialogHandler
  bool OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                  const CefString& accept_lang, cef_jsdialog_type_t dialog_type,
                  const CefString& message_text, const CefString& default_prompt_text,
                  CefRefPtr<CefJSDialogCallback> callback, bool& suppress_message) override;

  // CefLoadHandler
  void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading, bool can_go_back,
                            bool can_go_forward) override;
  void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override;
  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                 int http_status_code) override;
  void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                   cef_errorcode_t error_code, const CefString& error_text,
                   const CefString& failed_url) override;

  // CefRequestHandler
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefRequest> request, bool is_redirect) override;
  cef_return_value_t OnBeforeResourceLoad(CefRefPtr<CefBrowser> browser,
                                          CefRefPtr<CefFrame> frame,
                                          CefRefPtr<CefRequest> request,
                                          CefRefPtr<CefRequestCallback> callback) override;
  bool OnQuotaRequest(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                      int64_t new_size, CefRefPtr<CefRequestCallback> callback) override;
  void OnProtocolExecution(CefRefPtr<CefBrowser> browser, const CefString& url,
                           bool& allow_os_execution) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 cef_termination_status_t status) override;

  // CefDownloadHandler
  void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                        const CefString& suggested_name,
                        CefRefPtr<CefBeforeDownloadCallback> callback) override;
  void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                         CefRefPtr<CefDownloadItemCallback> callback) override;

  // CefDialogHandler
  bool OnFileDialog(CefRefPtr<CefBrowser> browser, cef_file_dialog_mode_t mode,
                    const CefString& title, const CefString& default_file_path,
                    const std::vector<CefString>& accept_filters, int selected_accept_filter,
                    CefRefPtr<CefFileDialogCallback> callback) override;

 private:
  ~BrowserHandler() override;

  // Posts `call(delegate)` to thread 0, dropped when the delegate is gone.
  void PostToDelegate(std::function<void(HandlerDelegate*)> call);
  // `ask(delegate)` at once under the shared lock, or `fallback` without one.
  template <typename Result, typename Ask>
  Result AskDelegate(Result fallback, Ask ask);
  void AskDelegate(const std::function<void(HandlerDelegate*)>& ask);
  // The two life-span steps on thread 0.
  void BrowserCreated(CefRefPtr<CefBrowser> browser);
  void BrowserClosed(CefRefPtr<CefBrowser> browser);
  void SetCurrentBrowser(CefRefPtr<CefBrowser> browser);
  std::shared_ptr<PaintBuffer> BufferFor(cef_paint_element_type_t type) const {
    return type == PET_POPUP ? popup_pixels_ : view_pixels_;
  }

  // Guards the current browser, which runtime threads read.
  base::Lock browser_lock_;
  CefRefPtr<CefBrowser> current_browser_;
  // Thread 0.
  std::vector<CefRefPtr<CefBrowser>> browser_list_;
  UnregistedCallbackList<std::function<void()>> after_create_tasks_;
  bool close_requested_ = false;

  std::atomic<HWND> host_window_{nullptr};
  // Written on thread 0 under the exclusive lock, read under the shared one
  // (a slim lock: no kernel object to leak).
  SRWLOCK delegate_lock_ = SRWLOCK_INIT;
  HandlerDelegate* delegate_ = nullptr;
  std::weak_ptr<base::WeakFlag> delegate_flag_;
  // The runtime's UI thread.
  RECT view_rect_ = {0, 0, 0, 0};
  // One per kind: a pop-up frame never lands in the page's bitmap.
  const std::shared_ptr<PaintBuffer> view_pixels_;
  const std::shared_ptr<PaintBuffer> popup_pixels_;
  std::atomic<bool> focus_editable_{false};

  CEF_IMPLEMENT_REFCOUNTING(BrowserHandler);
};

}  // namespace comp

#endif  // BROWSER_BROWSER_HANDLER_H_
