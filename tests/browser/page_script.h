// Page script values for tests that play a page: objects named by a tag,
// strings and functions, and a global object whose JSON.parse makes
// "parsed:<text>" objects and JSON.stringify "json:<tag>" strings.
#ifndef TESTS_BROWSER_PAGE_SCRIPT_H_
#define TESTS_BROWSER_PAGE_SCRIPT_H_

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "browser/runtime/cef_values.h"

namespace browser_test {

// A page value: an object (named by a tag), a function, or a string.
class PageValue : public CefV8Value {
 public:
  using Body = std::function<CefRefPtr<CefV8Value>(const CefV8ValueList&)>;
  static CefRefPtr<PageValue> Object(const std::string& tag) { return new PageValue('o', tag); }
  static CefRefPtr<PageValue> String(const std::string& text) { return new PageValue('s', text); }
  static CefRefPtr<PageValue> Function(Body body) {
    CefRefPtr<PageValue> value(new PageValue('f', ""));
    value->body_ = std::move(body);
    return value;
  }

  bool IsBool() override { return false; }
  bool IsString() override { return kind_ == 's'; }
  bool IsObject() override { return kind_ == 'o' || kind_ == 'f'; }
  bool IsFunction() override { return kind_ == 'f'; }
  bool GetBoolValue() override { return false; }
  CefString GetStringValue() override { return kind_ == 's' ? CefString(text_) : CefString(); }
  CefRefPtr<CefV8Value> GetValue(const CefString& key) override {
    auto found = members.find(key.ToString());
    return found == members.end() ? nullptr : found->second;
  }
  CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object,
                                        const CefV8ValueList& arguments) override {
    calls.push_back(arguments);
    return body_ ? body_(arguments) : nullptr;
  }

  const std::string& tag() const { return text_; }
  std::map<std::string, CefRefPtr<CefV8Value>> members;
  std::vector<CefV8ValueList> calls;

 private:
  PageValue(char kind, std::string text) : kind_(kind), text_(std::move(text)) {}
  char kind_;
  std::string text_;
  Body body_;
  CEF_IMPLEMENT_REFCOUNTING(PageValue);
};

// "parsed:<text>" objects from JSON.parse, "json:<tag>" from JSON.stringify.
inline CefRefPtr<PageValue> GlobalWithJson() {
  CefRefPtr<PageValue> json = PageValue::Object("JSON");
  json->members["parse"] = PageValue::Function([](const CefV8ValueList& arguments) {
    return CefRefPtr<CefV8Value>(
        PageValue::Object("parsed:" + arguments[0]->GetStringValue().ToString()));
  });
  json->members["stringify"] = PageValue::Function([](const CefV8ValueList& arguments) {
    auto* object = static_cast<PageValue*>(arguments[0].get());
    return CefRefPtr<CefV8Value>(PageValue::String("json:" + object->tag()));
  });
  CefRefPtr<PageValue> global = PageValue::Object("window");
  global->members["JSON"] = json;
  return global;
}

}  // namespace browser_test

#endif  // TESTS_BROWSER_PAGE_SCRIPT_H_
