// ClientApp: the application object the launcher hands the browser runtime
// at start-up. In the browser process it adds the launcher's command-line
// switches and keeps cookies for "http" and "https" only; in a render process
// that runs it, it installs the page script bridge (the extension
// "v8/extern"), passes the bridge's messages to it, drops a released
// context's script objects and reports focus moves between editable and
// other page elements to the browser process.
//
// Reference counted; the runtime calls every operation on its own threads
// (the scheme list is written during start-up and read once the runtime's
// context exists; the focus value only in a render process).
#ifndef BROWSER_CLIENT_APP_H_
#define BROWSER_CLIENT_APP_H_

#include <memory>
#include <vector>

#include "browser/runtime/cef_app.h"
#include "browser/runtime/cef_base.h"

namespace comp {
class CefJSBridge;
}

namespace comp {

class ClientApp : public CefApp, public CefBrowserProcessHandler, public CefRenderProcessHandler {
 public:
  ClientApp() = default;

  // CefApp
  void OnBeforeCommandLineProcessing(const CefString& process_type,
                                     CefRefPtr<CefCommandLine> command_line) override;
  void OnRegisterCustomSchemes(CefRefPtr<CefSchemeRegistrar> registrar) override;
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override { return this; }

  // CefBrowserProcessHandler
  void OnContextInitialized() override;

  // CefRenderProcessHandler
  void OnWebKitInitialized() override;
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefDOMNode> node) override;
  // Always false, also for the bridge's two messages.
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser, cef_process_id_t source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  const std::vector<CefString>& cookieable_schemes() const { return cookieable_schemes_; }

 private:
  ~ClientApp() override;

  void MakeBridge();

  std::shared_ptr<CefJSBridge> render_bridge_;
  std::vector<CefString> cookieable_schemes_;
  bool last_focus_editable_ = false;

  CEF_IMPLEMENT_REFCOUNTING(ClientApp);
};

}  // namespace comp

#endif  // BROWSER_CLIENT_APP_H_
