// CefJSBridge: the page script bridge's render half, in a render process
// that runs the launcher's application object: it sends the calls page
// scripts make to the browser process and hands the answers back to their
// callbacks, keeps the functions pages register and calls them when the
// browser process asks, and forgets both when a page's context is released.
// (The browser half, the launcher's native functions, lives with the
// browser controls.)
//
// One per render process, shared by the application object and the
// extension's handler; used only on the runtime's script thread, so it takes
// no lock.
#ifndef BROWSER_CEF_JS_BRIDGE_H_
#define BROWSER_CEF_JS_BRIDGE_H_

#include <cstdint>
#include <map>
#include <utility>

#include "browser/runtime/cef_values.h"

namespace comp {

class CefJSBridge {
 public:
  // Sends "CallCppFunction" with the next page callback id and keeps the
  // callback for the answer. False (nothing sent) when that id still waits,
  // or outside a script context.
  bool CallCppFunction(const CefString& function_name, const CefString& params,
                       CefRefPtr<CefV8Value> callback);
  // Keeps `function` under its name for the current context's frame; the
  // first registration stays (false for a second).
  bool RegisterJsFunction(const CefString& function_name, CefRefPtr<CefV8Value> function);

  // The answer to page call `id`: the callback gets (has error, the parsed
  // result) in its context and is forgotten. False for an unknown id.
  bool HandleExecuteJsCallback(int id, bool has_error, const CefString& result);
  // Calls the function registered for `frame`; an object it returns goes back
  // as "ExecuteCppCallback" with `native_callback_id`. False when none.
  bool HandleCallJsFunction(const CefString& function_name, const CefString& params,
                            CefRefPtr<CefFrame> frame, int native_callback_id);

  // A context goes away: its waiting callbacks, and the functions registered
  // by frames of its browser whose context is the frame's.
  void ForgetCallbacks(CefRefPtr<CefV8Context> context);
  void ForgetContext(CefRefPtr<CefFrame> frame);

  size_t pending_callbacks() const { return pending_page_callbacks_.size(); }

 private:
  struct PageCallback {
    CefRefPtr<CefV8Context> context;
    CefRefPtr<CefV8Value> function;
  };

  int next_page_callback_id_ = 0;
  std::map<int, PageCallback> pending_page_callbacks_;
  std::map<std::pair<CefString, int64_t>, CefRefPtr<CefV8Value>> page_functions_;
};

}  // namespace comp

#endif  // BROWSER_CEF_JS_BRIDGE_H_
