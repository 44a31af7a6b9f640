// The stand-in runtime's small objects: argument lists, process messages,
// requests, menus, downloads, the command line, the scheme registrar, the
// cookie manager and the callbacks of questions answered later. Each logs
// what the launcher does with it.
#ifndef TESTING_CEF_RUNTIME_STANDIN_VALUES_H_
#define TESTING_CEF_RUNTIME_STANDIN_VALUES_H_

#include <string>
#include <utility>
#include <vector>

#include "browser/runtime/cef_app.h"
#include "browser/runtime/cef_values.h"

namespace standin {

class ListValue : public CefListValue {
 public:
  size_t GetSize() override { return values_.size(); }
  bool GetBool(size_t index) override { return index < values_.size() && values_[index].number; }
  int GetInt(size_t index) override { return index < values_.size() ? values_[index].number : 0; }
  CefString GetString(size_t index) override {
    return index < values_.size() ? CefString(values_[index].text) : CefString();
  }
  bool SetBool(size_t index, bool value) override { return Set(index, 'b', value, L""); }
  bool SetInt(size_t index, int value) override { return Set(index, 'i', value, L""); }
  bool SetString(size_t index, const CefString& value) override {
    return Set(index, 's', 0, value.ToWString());
  }
  // "b:1 i:7 s:text", for the log.
  std::string Describe() const;

 private:
  struct Value {
    char type = 'n';
    int number = 0;
    std::wstring text;
  };
  bool Set(size_t index, char type, int number, const std::wstring& text);
  std::vector<Value> values_;
  CEF_IMPLEMENT_REFCOUNTING(ListValue);
};

class ProcessMessage : public CefProcessMessage {
 public:
  explicit ProcessMessage(const CefString& name) : name_(name), arguments_(new ListValue()) {}
  CefString GetName() override { return name_; }
  CefRefPtr<CefListValue> GetArgumentList() override { return arguments_; }
  std::string Describe() const;

 private:
  CefString name_;
  CefRefPtr<ListValue> arguments_;
  CEF_IMPLEMENT_REFCOUNTING(ProcessMessage);
};

class Request : public CefRequest {
 public:
  explicit Request(const CefString& url) : url_(url) {}
  CefString GetURL() override { return url_; }
  CefString GetMethod() override { return "GET"; }

 private:
  CefString url_;
  CEF_IMPLEMENT_REFCOUNTING(Request);
};

class MenuModel : public CefMenuModel {
 public:
  explicit MenuModel(int count) : count_(count) {}
  int GetCount() override { return count_; }
  bool Clear() override {
    count_ = 0;
    return true;
  }

 private:
  int count_;
  CEF_IMPLEMENT_REFCOUNTING(MenuModel);
};

class ContextMenuParams : public CefContextMenuParams {
 public:
  int GetXCoord() override { return 10; }
  int GetYCoord() override { return 10; }

 private:
  CEF_IMPLEMENT_REFCOUNTING(ContextMenuParams);
};

class DownloadItem : public CefDownloadItem {
 public:
  explicit DownloadItem(const CefString& url) : url_(url) {}
  CefString GetURL() override { return url_; }
  bool IsComplete() override { return false; }

 private:
  CefString url_;
  CEF_IMPLEMENT_REFCOUNTING(DownloadItem);
};

// Every answer given through a callback is logged under `name`.
class LoggingCallback : public CefRequestCallback,
                        public CefBeforeDownloadCallback,
                        public CefDownloadItemCallback,
                        public CefFileDialogCallback,
                        public CefJSDialogCallback {
 public:
  explicit LoggingCallback(std::string name) : name_(std::move(name)) {}
  void Continue(bool allow) override;
  void Cancel() override;
  void Continue(const CefString& download_path, bool show_dialog) override;
  void Continue(int selected_accept_filter, const std::vector<CefString>& file_paths) override;
  void Continue(bool success, const CefString& user_input) override;

 private:
  std::string name_;
  CEF_IMPLEMENT_REFCOUNTING(LoggingCallback);
};

class CommandLine : public CefCommandLine {
 public:
  void AppendSwitch(const CefString& name) override { AppendSwitchWithValue(name, CefString()); }
  void AppendSwitchWithValue(const CefString& name, const CefString& value) override {
    switches_.emplace_back(name.ToWString(), value.ToWString());
  }
  bool HasSwitch(const CefString& name) override;
  CefString GetSwitchValue(const CefString& name) override;
  // "--a=b --c", in the order appended.
  CefString GetCommandLineString() override;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> switches_;
  CEF_IMPLEMENT_REFCOUNTING(CommandLine);
};

class SchemeRegistrar : public CefSchemeRegistrar {
 public:
  bool AddCustomScheme(const CefString& scheme_name, bool is_standard, bool is_local,
                       bool is_display_isolated) override;

 private:
  CEF_IMPLEMENT_REFCOUNTING(SchemeRegistrar);
};

// The booleans and strings the launcher makes; the stand-in runs no script.
class V8Value : public CefV8Value {
 public:
  explicit V8Value(bool value) : is_bool_(true), bool_(value) {}
  explicit V8Value(const CefString& value) : string_(value) {}
  bool IsBool() override { return is_bool_; }
  bool IsString() override { return !is_bool_; }
  bool IsObject() override { return false; }
  bool IsFunction() override { return false; }
  bool GetBoolValue() override { return bool_; }
  CefString GetStringValue() override { return string_; }
  CefRefPtr<CefV8Value> GetValue(const CefString&) override { return nullptr; }
  CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value>, const CefV8ValueList&) override {
    return nullptr;
  }

 private:
  bool is_bool_ = false;
  bool bool_ = false;
  CefString string_;
  CEF_IMPLEMENT_REFCOUNTING(V8Value);
};

class CookieManager : public CefCookieManager {
 public:
  void SetSupportedSchemes(const std::vector<CefString>& schemes,
                           CefRefPtr<CefCompletionCallback> callback) override;

 private:
  CEF_IMPLEMENT_REFCOUNTING(CookieManager);
};

}  // namespace standin

#endif  // TESTING_CEF_RUNTIME_STANDIN_VALUES_H_
