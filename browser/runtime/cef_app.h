// The application object's interfaces: the runtime asks CefApp, in every
// process it starts, for command-line switches, custom schemes and the
// handlers of the browser process and of render processes.
#ifndef BROWSER_RUNTIME_CEF_APP_H_
#define BROWSER_RUNTIME_CEF_APP_H_

#include "browser/runtime/cef_base.h"
#include "browser/runtime/cef_types.h"
#include "browser/runtime/cef_values.h"

// The command line the runtime starts a process with.
class CefCommandLine : public virtual CefBase {
 public:
  virtual void AppendSwitch(const CefString& name) = 0;
  virtual void AppendSwitchWithValue(const CefString& name, const CefString& value) = 0;
  virtual bool HasSwitch(const CefString& name) = 0;
  virtual CefString GetSwitchValue(const CefString& name) = 0;
  virtual CefString GetCommandLineString() = 0;
};

class CefSchemeRegistrar : public virtual CefBase {
 public:
  virtual bool AddCustomScheme(const CefString& scheme_name, bool is_standard, bool is_local,
                               bool is_display_isolated) = 0;
};

class CefBrowserProcessHandler : public virtual CefBase {
 public:
  // On the runtime's UI thread, once its context exists.
  virtual void OnContextInitialized() {}
};

class CefRenderProcessHandler : public virtual CefBase {
 public:
  virtual void OnWebKitInitialized() {}
  virtual void OnBrowserCreated(CefRefPtr<CefBrowser> browser) {}
  virtual void OnContextReleased(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) {}
  // `node` is null when no element has the focus.
  virtual void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                    CefRefPtr<CefDOMNode> node) {}
  virtual bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                        cef_process_id_t source_process,
                                        CefRefPtr<CefProcessMessage> message) {
    return false;
  }
};

class CefApp : public virtual CefBase {
 public:
  // `process_type` is empty in the browser process.
  virtual void OnBeforeCommandLineProcessing(const CefString& process_type,
                                             CefRefPtr<CefCommandLine> command_line) {}
  virtual void OnRegisterCustomSchemes(CefRefPtr<CefSchemeRegistrar> registrar) {}
  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() { return nullptr; }
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() { return nullptr; }
};

#endif  // BROWSER_RUNTIME_CEF_APP_H_
