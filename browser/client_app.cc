#include "browser/client_app.h"

#include "browser/cef_manager.h"
#include "browser/process_messages.h"
#include "browser/runtime/cef_runtime.h"

namespace comp {

void ClientApp::OnBeforeCommandLineProcessing(const CefString& process_type,
                                              CefRefPtr<CefCommandLine> command_line) {
  // Sub-processes get their switches from the runtime alone.
  if (!process_type.empty() || !command_line) return;
  command_line->AppendSwitchWithValue("ppapi-flash-version", "20.0.0.228");
  command_line->AppendSwitchWithValue("ppapi-flash-path", "PepperFlash\\pepflashplayer.dll");
  command_line->AppendSwitch("process-per-site");
  command_line->AppendSwitch("disable-gpu");
  command_line->AppendSwitch("disable-gpu-compositing");
  if (CefManager::GetInstance()->offscreen_rendering) {
    command_line->AppendSwitch("disable-surfaces");
    command_line->AppendSwitch("enable-begin-frame-scheduling");
  }
}

void ClientApp::OnRegisterCustomSchemes(CefRefPtr<CefSchemeRegistrar> registrar) {
  cookieable_schemes_.push_back("http");
  cookieable_schemes_.push_back("https");
}

void ClientApp::OnContextInitialized() {
  CefRefPtr<CefCookieManager> manager = CefCookieManager::GetGlobalManager(nullptr);
  if (manager) manager->SetSupportedSchemes(cookieable_schemes_, nullptr);
}

void ClientApp::OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefDOMNode> node) {
  bool editable = node && node->IsEditable();
  if (editable == last_focus_editable_) return;
  last_focus_editable_ = editable;
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(kMsgFocusedNodeChanged);
  if (!message || !browser) return;
  message->GetArgumentList()->SetBool(0, editable);
  browser->SendProcessMessage(PID_BROWSER, message);
}

}  // namespace comp
