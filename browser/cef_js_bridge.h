// CefJSBridge: the page script bridge, both halves.
//
// Render half, in a render process that runs the launcher's application
// object: it sends the calls page scripts make to the browser process and
// hands the answers back to their callbacks, keeps the functions pages
// register and calls them when the browser process asks, and forgets both
// when a page's context is released. One per render process, shared by the
// application object and the extension's handler; used only on the
// runtime's script thread, so its tables take no lock.
//
// Browser half, one per browser control: the launcher's functions pages may
// call (by name, for one browser or for all), and the callbacks waiting for
// the answers of page functions the launcher called. Its tables are filled
// on thread 0 and read on the runtime thread that delivers a message, under
// a lock; the launcher's functions and callbacks run on thread 0.
#ifndef BROWSER_CEF_JS_BRIDGE_H_
#define BROWSER_CEF_JS_BRIDGE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "base/synchronization/lock.h"
#include "browser/runtime/cef_values.h"

namespace comp {

// Answers a page's call once: (has error, JSON text).
using ReportResultFunction = std::function<void(bool has_error, const std::string& result)>;
// A launcher function for pages: (parameters as JSON text, its answer).
using CppFunction = std::function<void(const std::string& params, ReportResultFunction reply)>;
// Gets a page function's answer (JSON text).
using CallJsFunctionCallback = std::function<void(const std::string& result)>;

class CefJSBridge {
 public:
  // Pages of every browser.
  static constexpr int kAnyBrowser = -1;

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

  // Browser side, thread 0. Offers `function` to pages of the browser
  // `browser_id` (kAnyBrowser: all); false when that name is taken there.
  bool RegisterCppFunction(const CefString& function_name, CppFunction function,
                           int browser_id = kAnyBrowser);
  void UnRegisterCppFunction(const CefString& function_name, int browser_id = kAnyBrowser);
  // Calls the page function `function_name` of `browser`'s frame `frame_id`
  // (below 0: the main frame) with `params`; `callback` gets an object it
  // answers, on thread 0. False when nothing could be sent.
  bool CallJSFunction(const CefString& function_name, const CefString& params,
                      CefRefPtr<CefBrowser> browser, int frame_id,
                      CallJsFunctionCallback callback);

  // Browser side, on the runtime thread that delivered the page's message.
  // A call is handed to the launcher's function on thread 0, whose answer
  // goes back to the calling browser; a call of a function the launcher does
  // not have is answered at once with the error {"message":"Function does
  // not exist."} and false.
  bool HandleCallCppFunction(const CefString& function_name, const CefString& params,
                             int js_callback_id, CefRefPtr<CefBrowser> browser);
  // The answer of a page function: its callback runs on thread 0, once; an
  // unknown id is ignored.
  void HandleExecuteCppCallback(int cpp_callback_id, const CefString& json_string);

 private:
  struct PageCallback {
    CefRefPtr<CefV8Context> context;
    CefRefPtr<CefV8Value> function;
  };

  int next_page_callback_id_ = 0;
  std::map<int, PageCallback> pending_page_callbacks_;
  std::map<std::pair<CefString, int64_t>, CefRefPtr<CefV8Value>> page_functions_;

  base::Lock native_lock_;  // guards the three below
  int next_native_callback_id_ = 0;
  std::map<int, CallJsFunctionCallback> native_callbacks_;
  std::map<std::pair<CefString, int>, CppFunction> native_functions_;
};

}  // namespace comp

#endif  // BROWSER_CEF_JS_BRIDGE_H_
