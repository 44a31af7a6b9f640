#include "browser/cef_js_handler.h"

namespace comp {

const char kCefWebInstanceSource[] =
    "\n\t\tvar CefWebInstance = {};\n"
    "\t\t(() => {\n"
    "\t\t\tCefWebInstance.call = (functionName, arg1, arg2) => {\n"
    "\t\t\t\tif (typeof arg1 === 'function') {\n"
    "\t\t\t\t\tnative function call(functionName, arg1);\n"
    "\t\t\t\t\treturn call(functionName, arg1);\n"
    "\t\t\t\t} else {\n"
    "\t\t\t\t\tconst jsonString = JSON.stringify(arg1);\n"
    "\t\t\t\t\tnative function call(functionName, jsonString, arg2);\n"
    "\t\t\t\t\treturn call(functionName, jsonString, arg2);\n"
    "\t\t\t\t}\n"
    "\t\t\t};\n"
    "\t\t\tCefWebInstance.register = (functionName, callback) => {\n"
    "\t\t\t\tnative function register(functionName, callback);\n"
    "\t\t\t\treturn register(functionName, callback);\n"
    "\t\t\t};\n"
    "\t\t})();\n"
    "\t";

namespace {

constexpr char kInvalidArguments[] = "Invalid arguments.";

bool IsString(const CefRefPtr<CefV8Value>& value) { return value && value->IsString(); }
bool IsFunction(const CefRefPtr<CefV8Value>& value) { return value && value->IsFunction(); }

}  // namespace

bool CefJSHandler::Execute(const CefString& name, CefRefPtr<CefV8Value> object,
                           const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                           CefString& exception) {
  if (arguments.size() < 2) {
    exception = kInvalidArguments;
    return false;
  }
  if (name == CefString("call")) {
    CefString function_name = arguments[0] ? arguments[0]->GetStringValue() : CefString();
    CefString params = "{}";
    CefRefPtr<CefV8Value> callback;
    if (IsString(arguments[0]) && IsFunction(arguments[1])) {
      callback = arguments[1];
    } else if (arguments.size() > 2 && IsString(arguments[0]) && IsString(arguments[1]) &&
               IsFunction(arguments[2])) {
      params = arguments[1]->GetStringValue();
      callback = arguments[2];
    } else {
      exception = kInvalidArguments;
      return false;
    }
    if (!bridge_ || !bridge_->CallCppFunction(function_name, params, callback)) {
      exception = "Failed to call function " + function_name.ToString() + ".";
      return false;
    }
    return true;
  }
  if (name == CefString("register")) {
    if (!IsString(arguments[0]) || !IsFunction(arguments[1])) {
      exception = kInvalidArguments;
      return false;
    }
    if (bridge_ && bridge_->RegisterJsFunction(arguments[0]->GetStringValue(), arguments[1])) {
      return true;
    }
    exception = "Failed to register function.";
    return false;
  }
  return false;
}

}  // namespace comp
