#include "browser/client_app.h"

#include "browser/cef_js_bridge.h"
#include "browser/cef_js_handler.h"
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

ClientApp::~ClientApp() = default;

void ClientApp::MakeBridge() {
  if (!render_bridge_) render_bridge_ = std::make_shared<CefJSBridge>();
}

void ClientApp::OnWebKitInitialized() {
  MakeBridge();
  CefRefPtr<CefJSHandler> handler(new CefJSHandler(render_bridge_));
  CefRegisterExtension("v8/extern", kCefWebInstanceSource, handler);
}

// One bridge per render process, shared by its browsers.
void ClientApp::OnBrowserCreated(CefRefPtr<CefBrowser> browser) { MakeBridge(); }

void ClientApp::OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> context) {
  if (!render_bridge_ || !frame) return;
  render_bridge_->ForgetCallbacks(frame->GetV8Context());
  render_bridge_->ForgetContext(frame);
}

bool ClientApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                         cef_process_id_t source_process,
                                         CefRefPtr<CefProcessMessage> message) {
  if (!render_bridge_ || !browser || !message) return false;
  CefString name = message->GetName();
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  if (name == CefString(kMsgExecuteJsCallback)) {
    render_bridge_->HandleExecuteJsCallback(arguments->GetInt(0), arguments->GetBool(1),
                                            arguments->GetString(2));
  } else if (name == CefString(kMsgCallJsFunction)) {
    int frame_id = arguments->GetInt(3);
    CefRefPtr<CefFrame> frame =
        frame_id < 0 ? browser->GetMainFrame() : browser->GetFrame(frame_id);
    render_bridge_->HandleCallJsFunction(arguments->GetString(0), arguments->GetString(1), frame,
                                         arguments->GetInt(2));
  }
  return false;
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
