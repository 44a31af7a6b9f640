#include "browser/cef_js_bridge.h"

#include "browser/process_messages.h"

namespace comp {

namespace {

// `global.JSON[method]` called with one argument; null when the page has no
// such function or it throws.
CefRefPtr<CefV8Value> CallJson(CefRefPtr<CefV8Context> context, const char* method,
                               CefRefPtr<CefV8Value> argument) {
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  CefRefPtr<CefV8Value> json = global ? global->GetValue("JSON") : nullptr;
  CefRefPtr<CefV8Value> function = json ? json->GetValue(method) : nullptr;
  if (!function || !function->IsFunction() || !argument) return nullptr;
  return function->ExecuteFunction(nullptr, CefV8ValueList{argument});
}

}  // namespace

bool CefJSBridge::CallCppFunction(const CefString& function_name, const CefString& params,
                                  CefRefPtr<CefV8Value> callback) {
  int id = next_page_callback_id_;
  if (pending_page_callbacks_.count(id)) return false;
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(kMsgCallCppFunction);
  if (!context || !message) return false;
  CefRefPtr<CefListValue> arguments = message->GetArgumentList();
  arguments->SetString(0, function_name);
  arguments->SetString(1, params);
  arguments->SetInt(2, id);
  // Wraps round the int range instead of overflowing.
  next_page_callback_id_ = static_cast<int>(static_cast<unsigned>(id) + 1u);
  pending_page_callbacks_[id] = PageCallback{context, callback};
  if (CefRefPtr<CefBrowser> browser = context->GetBrowser()) {
    browser->SendProcessMessage(PID_BROWSER, message);
  }
  return true;
}

bool CefJSBridge::RegisterJsFunction(const CefString& function_name,
                                     CefRefPtr<CefV8Value> function) {
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  CefRefPtr<CefFrame> frame = context ? context->GetFrame() : nullptr;
  if (!frame) return false;
  auto key = std::make_pair(function_name, frame->GetIdentifier());
  if (page_functions_.count(key)) return false;
  page_functions_[key] = function;
  return true;
}

bool CefJSBridge::HandleExecuteJsCallback(int id, bool has_error, const CefString& result) {
  auto found = pending_page_callbacks_.find(id);
  if (found == pending_page_callbacks_.end()) return false;
  PageCallback callback = found->second;
  pending_page_callbacks_.erase(found);
  callback.context->Enter();
  CefRefPtr<CefV8Value> text = CefV8Value::CreateString(result);
  // A result that is no JSON text reaches the page as the text itself.
  CefRefPtr<CefV8Value> parsed = CallJson(callback.context, "parse", text);
  if (!parsed) parsed = text;
  if (callback.function) {
    callback.function->ExecuteFunction(nullptr,
                                       CefV8ValueList{CefV8Value::CreateBool(has_error), parsed});
  }
  callback.context->Exit();
  return true;
}

bool CefJSBridge::HandleCallJsFunction(const CefString& function_name, const CefString& params,
                                       CefRefPtr<CefFrame> frame, int native_callback_id) {
  if (!frame) return false;
  auto found = page_functions_.find(std::make_pair(function_name, frame->GetIdentifier()));
  if (found == page_functions_.end()) return false;
  CefRefPtr<CefV8Value> function = found->second;
  CefRefPtr<CefV8Context> context = frame->GetV8Context();
  if (!context) return false;
  context->Enter();
  CefRefPtr<CefV8Value> parsed = CallJson(context, "parse", CefV8Value::CreateString(params));
  CefRefPtr<CefV8Value> result =
      parsed ? function->ExecuteFunction(nullptr, CefV8ValueList{parsed}) : nullptr;
  // Only an object is answered.
  if (result && result->IsObject()) {
    CefRefPtr<CefV8Value> text = CallJson(context, "stringify", result);
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(kMsgExecuteCppCallback);
    CefRefPtr<CefBrowser> browser = context->GetBrowser();
    if (text && message && browser) {
      message->GetArgumentList()->SetString(0, text->GetStringValue());
      message->GetArgumentList()->SetInt(1, native_callback_id);
      browser->SendProcessMessage(PID_BROWSER, message);
    }
  }
  context->Exit();
  return true;
}

void CefJSBridge::ForgetCallbacks(CefRefPtr<CefV8Context> context) {
  if (!context) return;
  for (auto it = pending_page_callbacks_.begin(); it != pending_page_callbacks_.end();) {
    it = it->second.context->IsSame(context) ? pending_page_callbacks_.erase(it) : std::next(it);
  }
}

void CefJSBridge::ForgetContext(CefRefPtr<CefFrame> frame) {
  CefRefPtr<CefBrowser> browser = frame ? frame->GetBrowser() : nullptr;
  CefRefPtr<CefV8Context> context = frame ? frame->GetV8Context() : nullptr;
  if (!browser || !context) return;
  for (auto it = page_functions_.begin(); it != page_functions_.end();) {
    CefRefPtr<CefFrame> owner = browser->GetFrame(it->first.second);
    CefRefPtr<CefV8Context> owner_context = owner ? owner->GetV8Context() : nullptr;
    it = owner_context && owner_context->IsSame(context) ? page_functions_.erase(it)
                                                          : std::next(it);
  }
}

}  // namespace comp
