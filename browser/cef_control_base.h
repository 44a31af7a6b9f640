// CefControlBase: the browser control of the UI tree, without a way to show
// the page (the off-screen CefControl and a windowed control derive from
// it). It owns one browser client, the browser side of the page script
// bridge and the control's event callbacks, and it is the client's
// delegate: every browser event ends as one of the callbacks below.
//
// Windows use LoadUrl and the Set...Callback operations; the callbacks run
// on thread 0, except those that answer the runtime at once (menu command,
// resource load, new window, navigation, protocol, downloads, file dialog),
// which run on the runtime thread that asks. The slots are guarded, so a
// callback may be replaced at any time.
//
// Owned by its box like every control; UI thread (thread 0) only, except
// the delegate operations the client calls on runtime threads.
#ifndef BROWSER_CEF_CONTROL_BASE_H_
#define BROWSER_CEF_CONTROL_BASE_H_

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/synchronization/lock.h"
#include "browser/browser_handler.h"
#include "browser/cef_js_bridge.h"
#include "ui/core/control.h"

namespace comp {

using OnBeforeMenuEvent =
    std::function<void(CefRefPtr<CefContextMenuParams> params, CefRefPtr<CefMenuModel> model)>;
using OnMenuCommandEvent = std::function<bool(CefRefPtr<CefContextMenuParams> params,
                                              int command_id, int event_flags)>;
using OnTitleChangeEvent = std::function<void(const std::wstring& title)>;
using OnBeforeResourceLoadEvent =
    std::function<cef_return_value_t(CefRefPtr<CefRequest> request, bool is_navigation)>;
using OnUrlChangeEvent = std::function<void(const std::wstring& url)>;
using OnMainUrlChangeEvent =
    std::function<void(const CefString& old_url, const CefString& new_url)>;
// True loads the target into this browser.
using OnBeforePopupEvent = std::function<bool(const std::wstring& url)>;
using OnLoadingStateChangeEvent =
    std::function<void(bool is_loading, bool can_go_back, bool can_go_forward)>;
using OnLoadStartEvent = std::function<void()>;
using OnLoadEndEvent = std::function<void(int http_status_code)>;
using OnLoadErrorEvent = std::function<void(cef_errorcode_t error_code,
                                            const CefString& error_text,
                                            const CefString& failed_url)>;
using OnAfterCreatedEvent = std::function<void(CefRefPtr<CefBrowser> browser)>;
using OnBeforeCloseEvent = std::function<void(CefRefPtr<CefBrowser> browser)>;
// True cancels the navigation.
using OnBeforeBrowseEvent = std::function<bool(CefRefPtr<CefBrowser> browser,
                                               CefRefPtr<CefFrame> frame,
                                               CefRefPtr<CefRequest> request, bool is_redirect)>;
using OnProtocolExecutionEvent = std::function<void(CefRefPtr<CefBrowser> browser,
                                                    const CefString& url,
                                                    bool& allow_os_execution)>;
using OnBeforeDownloadEvent = std::function<void(
    CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
    const CefString& suggested_name, CefRefPtr<CefBeforeDownloadCallback> callback)>;
using OnDownloadUpdatedEvent =
    std::function<void(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                       CefRefPtr<CefDownloadItemCallback> callback)>;
// True when the callable runs the dialog.
using OnFileDialogEvent = std::function<bool(
    cef_file_dialog_mode_t mode, const CefString& title, const CefString& default_file_path,
    const std::vector<CefString>& accept_filters, int selected_accept_filter,
    CefRefPtr<CefFileDialogCallback> callback)>;
using OnDevToolAttachedStateChangeEvent = std::function<void(bool visible)>;

class CefControlBase : public ui::Control, public BrowserHandler::HandlerDelegate {
 public:
  CefControlBase();
  ~CefControlBase() override;

  // Loads `url` in the main frame; before the browser exists the load waits
  // for it (loads queued so run in order); before Init, nothing.
  void LoadUrl(const CefString& url);
  // `url` up to its first "#".
  static CefString StripUrlFragment(const CefString& url);

  void SetBeforeContextMenuCallback(OnBeforeMenuEvent callback);
  void SetContextMenuCommandCallback(OnMenuCommandEvent callback);
  void SetTitleChangeCallback(OnTitleChangeEvent callback);
  void SetBeforeResourceLoadCallback(OnBeforeResourceLoadEvent callback);
  void SetUrlChangeCallback(OnUrlChangeEvent callback);
  void SetMainUrlChangeCallback(OnMainUrlChangeEvent callback);
  void SetBeforePopupCallback(OnBeforePopupEvent callback);
  void SetLoadingStateChangeCallback(OnLoadingStateChangeEvent callback);
  void SetLoadStartCallback(OnLoadStartEvent callback);
  void SetLoadEndCallback(OnLoadEndEvent callback);
  void SetLoadErrorCallback(OnLoadErrorEvent callback);
  void SetAfterCreatedCallback(OnAfterCreatedEvent callback);
  void SetBeforeCloseCallback(OnBeforeCloseEvent callback);
  void SetBeforeBrowseCallback(OnBeforeBrowseEvent callback);
  void SetProtocolExecutionCallback(OnProtocolExecutionEvent callback);
  void SetBeforeDownloadCallback(OnBeforeDownloadEvent callback);
  void SetDownloadUpdatedCallback(OnDownloadUpdatedEvent callback);
  void SetFileDialogCallback(OnFileDialogEvent callback);
  void SetDevToolsVisibleCallback(OnDevToolAttachedStateChangeEvent callback);

  virtual void Recreate() { CreateBrowser(); }
  // Shows this browser's developer tools in `view`; see the subclasses.
  virtual bool ShowDevTools(ui::Control* view) = 0;
  virtual void CloseDevTools();
  virtual bool IsDevToolsShown() const { return devtools_visible_; }
  // Asks the runtime for the browser when the client has none.
  virtual void CreateBrowser() = 0;

  // The page script bridge, once the control is initialised (false before).
  // Offers `function` to the pages of this control's browsers (`all` false:
  // of its current browser only); false when the name is taken.
  bool RegisterCppFunction(const std::wstring& function_name, CppFunction function,
                           bool all = true);
  void UnRegisterCppFunction(const std::wstring& function_name, bool all = true);
  // Calls a function the page registered in frame `frame_id` (below 0: the
  // main frame); `callback` gets the object it answers, on thread 0.
  bool CallJSFunction(const std::wstring& function_name, const std::wstring& params,
                      CallJsFunctionCallback callback, int frame_id = -1);

  // The main frame's address as last reported.
  const CefString& main_url() const { return url_; }
  // The browser, null before it exists.
  CefRefPtr<CefBrowser> GetBrowser() const { return client_ ? client_->GetBrowser() : nullptr; }

  // HandlerDelegate
  void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
               const RectList& dirty_rects, std::shared_ptr<PaintBuffer> pixels, int width,
               int height) override {}
  void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) override {}
  void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) override {}
  void RefreshPosition() override;
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params,
                           CefRefPtr<CefMenuModel> model) override;
  bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefContextMenuParams> params, int command_id,
                            int event_flags) override;
  void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                       const CefString& url) override;
  void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) override;
  void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading, bool can_go_back,
                            bool can_go_forward) override;
  void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) override;
  void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                 int http_status_code) override;
  void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                   cef_errorcode_t error_code, const CefString& error_text,
                   const CefString& failed_url) override;
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                     const CefString& target_url, const CefString& target_frame_name,
                     cef_window_open_disposition_t target_disposition, bool user_gesture,
                     const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                     CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                     bool* no_javascript_access) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefRequest> request, bool is_redirect) override;
  void OnProtocolExecution(CefRefPtr<CefBrowser> browser, const CefString& url,
                           bool& allow_os_execution) override;
  cef_return_value_t OnBeforeResourceLoad(CefRefPtr<CefBrowser> browser,
                                          CefRefPtr<CefFrame> frame,
                                          CefRefPtr<CefRequest> request,
                                          CefRefPtr<CefRequestCallback> callback) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 cef_termination_status_t status) override {}
  void OnBeforeDownload(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                        const CefString& suggested_name,
                        CefRefPtr<CefBeforeDownloadCallback> callback) override;
  void OnDownloadUpdated(CefRefPtr<CefBrowser> browser, CefRefPtr<CefDownloadItem> download_item,
                         CefRefPtr<CefDownloadItemCallback> callback) override;
  bool OnFileDialog(CefRefPtr<CefBrowser> browser, cef_file_dialog_mode_t mode,
                    const CefString& title, const CefString& default_file_path,
                    const std::vector<CefString>& accept_filters, int selected_accept_filter,
                    CefRefPtr<CefFileDialogCallback> callback) override;
  bool OnCallCppFunction(const CefString& function_name, const CefString& params,
                         int js_callback_id, CefRefPtr<CefBrowser> browser) override;
  bool OnExecuteCppCallback(int cpp_callback_id, const CefString& json_string) override;

 protected:
  // The event callbacks; read on runtime threads, so copied out under the lock.
  struct Callbacks {
    OnBeforeMenuEvent before_menu;
    OnMenuCommandEvent menu_command;
    OnTitleChangeEvent title_change;
    OnBeforeResourceLoadEvent before_resource_load;
    OnUrlChangeEvent url_change;
    OnMainUrlChangeEvent main_url_change;
    OnBeforePopupEvent before_popup;
    OnLoadingStateChangeEvent loading_state_change;
    OnLoadStartEvent load_start;
    OnLoadEndEvent load_end;
    OnLoadErrorEvent load_error;
    OnAfterCreatedEvent after_created;
    OnBeforeCloseEvent before_close;
    OnBeforeBrowseEvent before_browse;
    OnProtocolExecutionEvent protocol_execution;
    OnBeforeDownloadEvent before_download;
    OnDownloadUpdatedEvent download_updated;
    OnFileDialogEvent file_dialog;
    OnDevToolAttachedStateChangeEvent devtools_visible;
  };
  template <typename Slot>
  Slot Callback(Slot Callbacks::*slot) const {
    base::AutoLock hold(callbacks_lock_);
    return callbacks_.*slot;
  }
  template <typename Slot>
  void SetCallback(Slot Callbacks::*slot, Slot callback) {
    base::AutoLock hold(callbacks_lock_);
    callbacks_.*slot = std::move(callback);
  }
  // Tells callback 18 the developer tools' new state.
  void SetDevToolsVisible(bool visible);
  // The client and the bridge, made once (Init).
  void MakeClient(HWND host_window);
  // A subclass's destructor, first: closes every browser of the client (one
  // still being made too) and cuts the client off this control, waiting
  // for a question the control is answering on a runtime thread.
  void ReleaseClient();

  CefRefPtr<BrowserHandler> client_;
  std::shared_ptr<CefJSBridge> js_bridge_;
  CefString url_;
  bool devtools_visible_ = false;

 private:
  mutable base::Lock callbacks_lock_;
  Callbacks callbacks_;
  // The framework thread the last page call arrived on, -1 for none.
  std::atomic<int> cpp_call_thread_{-1};
};

}  // namespace comp

#endif  // BROWSER_CEF_CONTROL_BASE_H_
