// What a browser's client answers: the runtime asks CefClient for one
// handler per concern and calls the handlers on its own threads (the UI
// thread unless an operation says otherwise). Every operation has the
// runtime's default answer, so a client overrides only what it handles.
#ifndef BROWSER_RUNTIME_CEF_CLIENT_H_
#define BROWSER_RUNTIME_CEF_CLIENT_H_

#include <vector>

#include "browser/runtime/cef_base.h"
#include "browser/runtime/cef_types.h"
#include "browser/runtime/cef_values.h"

class CefClient;

class CefLifeSpanHandler : public virtual CefBase {
 public:
  // A page asks for a new window; true cancels the window.
  virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             const CefString& target_url, const CefString& target_frame_name,
                             cef_window_open_disposition_t target_disposition, bool user_gesture,
                             const CefPopupFeatures& popup_features, CefWindowInfo& window_info,
                             CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                             bool* no_javascript_access) {
    return false;
  }
  virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) {}
  // False lets the close proceed.
  virtual bool DoClose(CefRefPtr<CefBrowser> browser) { return false; }
  virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) {}
};

// Off-screen browsers: geometry, frames and the cursor.
class CefRenderHandler : public virtual CefBase {
 public:
  virtual bool GetRootScreenRect(CefRefPtr<CefBrowser> browser, CefRect& rect) { return false; }
  virtual bool GetViewRect(CefRefPtr<CefBrowser> browser, CefRect& rect) = 0;
  virtual bool GetScreenPoint(CefRefPtr<CefBrowser> browser, int view_x, int view_y, int& screen_x,
                              int& screen_y) {
    return false;
  }
  virtual void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) {}
  virtual void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) {}
  // `buffer`: width x height 32-bit BGRA pixels, top-down, valid during the call.
  virtual void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
                       const RectList& dirty_rects, const void* buffer, int width, int height) = 0;
  virtual void OnCursorChange(CefRefPtr<CefBrowser> browser, HCURSOR cursor,
                              cef_cursor_type_t type, const CefCursorInfo& custom_cursor_info) {}
};

class CefContextMenuHandler : public virtual CefBase {
 public:
  virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   CefRefPtr<CefContextMenuParams> params,
                                   CefRefPtr<CefMenuModel> model) {}
  virtual bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefContextMenuParams> params, int command_id,
                                    int event_flags) {
    return false;
  }
};

class CefDisplayHandler : public virtual CefBase {
 public:
  virtual void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                               const CefString& url) {}
  virtual void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {}
  // True keeps the message from the runtime's console output.
  virtual bool OnConsoleMessage(CefRefPtr<CefBrowser> browser, const CefString& message,
                                const CefString& source, int line) {
    return false;
  }
};

// Drag and drop into a page; the launcher keeps the defaults.
class CefDragHandler : public virtual CefBase {};

// Location requests of pages; the launcher keeps the defaults (none granted).
class CefGeolocationHandler : public virtual CefBase {};

class CefJSDialogHandler : public virtual CefBase {
 public:
  // True when the client shows the dialog; `suppress_message` true drops it.
  virtual bool OnJSDialog(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                          const CefString& accept_lang, cef_jsdialog_type_t dialog_type,
                          const CefString& message_text, const CefString& default_prompt_text,
                          CefRefPtr<CefJSDialogCallback> callback, bool& suppress_message) {
    return false;
  }
};

// Key events before the page; the launcher keeps the defaults.
class CefKeyboardHandler : public virtual CefBase {};

class CefLoadHandler : public virtual CefBase {
 public:
  virtual void OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading,
                                    bool can_go_back, bool can_go_forward) {}
  virtual void OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {}
  virtual void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         int http_status_code) {}
  virtual void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                           cef_errorcode_t error_code, const CefString& error_text,
                           const CefString& failed_url) {}
};

class CefRequestHandler : public virtual CefBase {
 public:
  // True cancels the navigation.
  virtual bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefRequest> request, bool is_redirect) {
    return false;
  }
  // Called on the runtime's IO thread.
  virtual cef_return_value_t OnBeforeResourceLoad(CefRefPtr<CefBrowser> browser,
                                                  CefRefPtr<CefFrame> frame,
                                                  CefRefPtr<CefRequest> request,
                                                  CefRefPtr<CefRequestCallback> callback) {
    return RV_CONTINUE;
  }
  // True when `callback` will answer (now or later); IO thread.
  virtual bool OnQuotaRequest(CefRefPtr<CefBrowser> browser, const CefString& origin_url,
                              int64_t new_size, CefRefPtr<CefRequestCallback> callback) {
    return false;
  }
  virtual void OnProtocolExecution(CefRefPtr<CefBrowser> browser, const CefString& url,
                                   bool& allow_os_execution) {}
  virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                         cef_termination_status_t status) {}
};

class CefDownloadHandler : public virtual CefBase {
 public:
  virtual void OnBeforeDownload(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefDownloadItem> download_item,
                                const CefString& suggested_name,
                                CefRefPtr<CefBeforeDownloadCallback> callback) {}
  virtual void OnDownloadUpdated(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefDownloadItem> download_item,
                                 CefRefPtr<CefDownloadItemCallback> callback) {}
};

class CefDialogHandler : public virtual CefBase {
 public:
  // True when the client runs the dialog; false leaves it to the runtime.
  virtual bool OnFileDialog(CefRefPtr<CefBrowser> browser, cef_file_dialog_mode_t mode,
                            const CefString& title, const CefString& default_file_path,
                            const std::vector<CefString>& accept_filters,
                            int selected_accept_filter, CefRefPtr<CefFileDialogCallback> callback) {
    return false;
  }
};

class CefClient : public virtual CefBase {
 public:
  virtual CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() { return nullptr; }
  virtual CefRefPtr<CefDialogHandler> GetDialogHandler() { return nullptr; }
  virtual CefRefPtr<CefDisplayHandler> GetDisplayHandler() { return nullptr; }
  virtual CefRefPtr<CefDownloadHandler> GetDownloadHandler() { return nullptr; }
  virtual CefRefPtr<CefDragHandler> GetDragHandler() { return nullptr; }
  virtual CefRefPtr<CefGeolocationHandler> GetGeolocationHandler() { return nullptr; }
  virtual CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() { return nullptr; }
  virtual CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() { return nullptr; }
  virtual CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() { return nullptr; }
  virtual CefRefPtr<CefLoadHandler> GetLoadHandler() { return nullptr; }
  virtual CefRefPtr<CefRenderHandler> GetRenderHandler() { return nullptr; }
  virtual CefRefPtr<CefRequestHandler> GetRequestHandler() { return nullptr; }
  // A message from a render process; true when handled.
  virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                        cef_process_id_t source_process,
                                        CefRefPtr<CefProcessMessage> message) {
    return false;
  }
};

#endif  // BROWSER_RUNTIME_CEF_CLIENT_H_
