// CefJSHandler: serves the native functions "call" and "register" of the
// page script extension "v8/extern" (the page object CefWebInstance) through
// the render process's bridge. Reference counted; the runtime calls it on
// its script thread.
#ifndef BROWSER_CEF_JS_HANDLER_H_
#define BROWSER_CEF_JS_HANDLER_H_

#include <memory>

#include "browser/cef_js_bridge.h"
#include "browser/runtime/cef_base.h"
#include "browser/runtime/cef_values.h"

namespace comp {

// The extension's page-side source.
extern const char kCefWebInstanceSource[];

class CefJSHandler : public CefV8Handler {
 public:
  explicit CefJSHandler(std::shared_ptr<CefJSBridge> bridge) : bridge_(std::move(bridge)) {}

  bool Execute(const CefString& name, CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
               CefString& exception) override;

 private:
  std::shared_ptr<CefJSBridge> bridge_;
  CEF_IMPLEMENT_REFCOUNTING(CefJSHandler);
};

}  // namespace comp

#endif  // BROWSER_CEF_JS_HANDLER_H_
