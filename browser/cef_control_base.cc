#include "browser/cef_control_base.h"

#include "base/thread/thread_registry.h"
#include "browser/cef_js_bridge.h"

namespace comp {

CefControlBase::CefControlBase() = default;

CefControlBase::~CefControlBase() = default;

void CefControlBase::MakeClient(HWND host_window) {
  if (!client_) {
    client_ = new BrowserHandler();
    client_->SetHostWindow(host_window);
    client_->SetHandlerDelegate(this);
  }
  if (!js_bridge_) js_bridge_ = std::make_shared<CefJSBridge>();
}

bool CefControlBase::RegisterCppFunction(const std::wstring& function_name, CppFunction function,
                                         bool all) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!js_bridge_ || (!all && !browser)) return false;
  return js_bridge_->RegisterCppFunction(
      function_name, std::move(function),
      all ? CefJSBridge::kAnyBrowser : browser->GetIdentifier());
}

void CefControlBase::UnRegisterCppFunction(const std::wstring& function_name, bool all) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!js_bridge_ || (!all && !browser)) return;
  js_bridge_->UnRegisterCppFunction(function_name,
                                    all ? CefJSBridge::kAnyBrowser : browser->GetIdentifier());
}

bool CefControlBase::CallJSFunction(const std::wstring& function_name, const std::wstring& params,
                                    CallJsFunctionCallback callback, int frame_id) {
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!js_bridge_ || !browser) return false;
  return js_bridge_->CallJSFunction(function_name, params, browser, frame_id,
                                    ToWeakCallback(std::move(callback)));
}

void CefControlBase::ReleaseClient() {
  if (!client_) return;
  client_->CloseAllBrowser();
  client_->SetHostWindow(nullptr);
  client_->SetHandlerDelegate(nullptr);
}

void CefControlBase::LoadUrl(const CefString& url) {
  if (!client_) return;
  if (CefRefPtr<CefBrowser> browser = client_->GetBrowser()) {
    if (CefRefPtr<CefFrame> frame = browser->GetMainFrame()) frame->LoadURL(url);
    return;
  }
  client_->AddAfterCreateTask(ToWeakCallback([this, url] { LoadUrl(url); }));
}

CefString CefControlBase::StripUrlFragment(const CefString& url) {
  std::string text = url.ToString();
  size_t hash = text.find('#');
  return CefString(hash == std::string::npos ? text : text.substr(0, hash));
}

#define CEF_CALLBACK_SETTER(Name, Type, slot) \
  void CefControlBase::Name(Type callback) { SetCallback(&Callbacks::slot, std::move(callback)); }
CEF_CALLBACK_SETTER(SetBeforeContextMenuCallback, OnBeforeMenuEvent, before_menu)
CEF_CALLBACK_SETTER(SetContextMenuCommandCallback, OnMenuCommandEvent, menu_command)
CEF_CALLBACK_SETTER(SetTitleChangeCallback, OnTitleChangeEvent, title_change)
CEF_CALLBACK_SETTER(SetBeforeResourceLoadCallback, OnBeforeResourceLoadEvent,
                    before_resource_load)
CEF_CALLBACK_SETTER(SetUrlChangeCallback, OnUrlChangeEvent, url_change)
CEF_CALLBACK_SETTER(SetMainUrlChangeCallback, OnMainUrlChangeEvent, main_url_change)
CEF_CALLBACK_SETTER(SetBeforePopupCallback, OnBeforePopupEvent, before_popup)
CEF_CALLBACK_SETTER(SetLoadingStateChangeCallback, OnLoadingStateChangeEvent,
                    loading_state_change)
CEF_CALLBACK_SETTER(SetLoadStartCallback, OnLoadStartEvent, load_start)
CEF_CALLBACK_SETTER(SetLoadEndCallback, OnLoadEndEvent, load_end)
CEF_CALLBACK_SETTER(SetLoadErrorCallback, OnLoadErrorEvent, load_error)
CEF_CALLBACK_SETTER(SetAfterCreatedCallback, OnAfterCreatedEvent, after_created)
CEF_CALLBACK_SETTER(SetBeforeCloseCallback, OnBeforeCloseEvent, before_close)
CEF_CALLBACK_SETTER(SetBeforeBrowseCallback, OnBeforeBrowseEvent, before_browse)
CEF_CALLBACK_SETTER(SetProtocolExecutionCallback, OnProtocolExecutionEvent, protocol_execution)
CEF_CALLBACK_SETTER(SetBeforeDownloadCallback, OnBeforeDownloadEvent, before_download)
CEF_CALLBACK_SETTER(SetDownloadUpdatedCallback, OnDownloadUpdatedEvent, download_updated)
CEF_CALLBACK_SETTER(SetFileDialogCallback, OnFileDialogEvent, file_dialog)
CEF_CALLBACK_SETTER(SetDevToolsVisibleCallback, OnDevToolAttachedStateChangeEvent,
                    devtools_visible)
#undef CEF_CALLBACK_SETTER

void CefControlBase::SetDevToolsVisible(bool visible) {
  devtools_visible_ = visible;
  if (auto callback = Callback(&Callbacks::devtools_visible)) callback(visible);
}

void CefControlBase::CloseDevTools() {
  if (!devtools_visible_) return;
  CefRefPtr<CefBrowser> browser = GetBrowser();
  if (!browser) return;
  if (CefRefPtr<CefBrowserHost> host = browser->GetHost()) host->CloseDevTools();
  SetDevToolsVisible(false);
}

// ---- The delegate ---------------------------------------------------------------

void CefControlBase::RefreshPosition() { SetPos(GetPos()); }

void CefControlBase::OnBeforeContextMenu(CefRefPtr<CefBrowser> browser,
                                         CefRefPtr<CefFrame> frame,
                                         CefRefPtr<CefContextMenuParams> params,
                                         CefRefPtr<CefMenuModel> model) {
  if (auto callback = Callback(&Callbacks::before_menu)) callback(params, model);
}

bool CefControlBase::OnContextMenuCommand(CefRefPtr<CefBrowser> browser,
                                          CefRefPtr<CefFrame> frame,
                                          CefRefPtr<CefContextMenuParams> params, int command_id,
                                          int event_flags) {
  auto callback = Callback(&Callbacks::menu_command);
  return callback ? callback(params, command_id, event_flags) : false;
}

void CefControlBase::OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     const CefString& url) {
  if (auto callback = Callback(&Callbacks::url_change)) callback(url.ToWString());
  if (!frame || !frame->IsMain()) return;
  CefString old_url = url_;
  url_ = frame->GetURL();
  auto callback = Callback(&Callbacks::main_url_change);
  if (!callback) return;
  CefString old_page = StripUrlFragment(old_url);
  CefString new_page = StripUrlFragment(url_);
  bool differ = old_page.empty() != new_page.empty() ||
                (!old_page.empty() && old_page != new_page);
  if (differ) callback(old_url, url_);
}

void CefControlBase::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString& title) {
  if (auto callback = Callback(&Callbacks::title_change)) callback(title.ToWString());
}

void CefControlBase::OnLoadingStateChange(CefRefPtr<CefBrowser> browser, bool is_loading,
                                          bool can_go_back, bool can_go_forward) {
  if (auto callback = Callback(&Callbacks::loading_state_change)) {
    callback(is_loading, can_go_back, can_go_forward);
  }
}

void CefControlBase::OnLoadStart(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {
  if (auto callback = Callback(&Callbacks::load_start)) callback();
}

void CefControlBase::OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                               int http_status_code) {
  if (auto callback = Callback(&Callbacks::load_end)) callback(http_status_code);
}

void CefControlBase::OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 cef_errorcode_t error_code, const CefString& error_text,
                                 const CefString& failed_url) {
  if (auto callback = Callback(&Callbacks::load_error)) {
    callback(error_code, error_text, failed_url);
  }
}

bool CefControlBase::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                   const CefString& target_url,
                                   const CefString& target_frame_name,
                                   cef_window_open_disposition_t target_disposition,
                                   bool user_gesture, const CefPopupFeatures& popup_features,
                                   CefWindowInfo& window_info, CefRefPtr<CefClient>& client,
                                   CefBrowserSettings& settings, bool* no_javascript_access) {
  if (target_url.empty()) return false;
  auto callback = Callback(&Callbacks::before_popup);
  return callback ? callback(target_url.ToWString()) : false;
}

void CefControlBase::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  if (auto callback = Callback(&Callbacks::after_created)) callback(browser);
}

void CefControlBase::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  if (auto callback = Callback(&Callbacks::before_close)) callback(browser);
}

bool CefControlBase::OnBeforeBrowse(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefRequest> request, bool is_redirect) {
  auto callback = Callback(&Callbacks::before_browse);
  return callback ? callback(browser, frame, request, is_redirect) : false;
}

void CefControlBase::OnProtocolExecution(CefRefPtr<CefBrowser> browser, const CefString& url,
                                         bool& allow_os_execution) {
  if (auto callback = Callback(&Callbacks::protocol_execution)) {
    callback(browser, url, allow_os_execution);
  }
}

cef_return_value_t CefControlBase::OnBeforeResourceLoad(CefRefPtr<CefBrowser> browser,
                                                        CefRefPtr<CefFrame> frame,
                                                        CefRefPtr<CefRequest> request,
                                                        CefRefPtr<CefRequestCallback> callback) {
  auto event = Callback(&Callbacks::before_resource_load);
  return event ? event(request, false) : RV_CONTINUE;
}

void CefControlBase::OnBeforeDownload(CefRefPtr<CefBrowser> browser,
                                      CefRefPtr<CefDownloadItem> download_item,
                                      const CefString& suggested_name,
                                      CefRefPtr<CefBeforeDownloadCallback> callback) {
  if (auto event = Callback(&Callbacks::before_download)) {
    event(browser, download_item, suggested_name, callback);
  }
}

void CefControlBase::OnDownloadUpdated(CefRefPtr<CefBrowser> browser,
                                       CefRefPtr<CefDownloadItem> download_item,
                                       CefRefPtr<CefDownloadItemCallback> callback) {
  if (auto event = Callback(&Callbacks::download_updated)) event(browser, download_item, callback);
}

bool CefControlBase::OnFileDialog(CefRefPtr<CefBrowser> browser, cef_file_dialog_mode_t mode,
                                  const CefString& title, const CefString& default_file_path,
                                  const std::vector<CefString>& accept_filters,
                                  int selected_accept_filter,
                                  CefRefPtr<CefFileDialogCallback> callback) {
  auto event = Callback(&Callbacks::file_dialog);
  return event ? event(mode, title, default_file_path, accept_filters, selected_accept_filter,
                       callback)
               : false;
}

bool CefControlBase::OnCallCppFunction(const CefString& function_name, const CefString& params,
                                       int js_callback_id, CefRefPtr<CefBrowser> browser) {
  // Made on thread 0 before the browser was asked for; never replaced.
  std::shared_ptr<CefJSBridge> bridge = js_bridge_;
  if (!bridge) return false;
  cpp_call_thread_ = base::ThreadRegistry::CurrentId();
  return bridge->HandleCallCppFunction(function_name, params, js_callback_id, browser);
}

bool CefControlBase::OnExecuteCppCallback(int cpp_callback_id, const CefString& json_string) {
  std::shared_ptr<CefJSBridge> bridge = js_bridge_;
  if (!bridge) return false;
  int thread = cpp_call_thread_;
  if (thread == -1) {
    bridge->HandleExecuteCppCallback(cpp_callback_id, json_string);
  } else {
    base::ThreadRegistry::Post(thread, ToWeakCallback([bridge, cpp_callback_id, json_string] {
                                 bridge->HandleExecuteCppCallback(cpp_callback_id, json_string);
                               }));
  }
  return false;
}

}  // namespace comp
