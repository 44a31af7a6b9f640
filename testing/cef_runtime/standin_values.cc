#include "testing/cef_runtime/standin_values.h"

#include "testing/cef_runtime/standin_runtime.h"

namespace standin {

bool ListValue::Set(size_t index, char type, int number, const std::wstring& text) {
  if (index >= values_.size()) values_.resize(index + 1);
  values_[index].type = type;
  values_[index].number = number;
  values_[index].text = text;
  return true;
}

std::string ListValue::Describe() const {
  std::string text;
  for (const Value& value : values_) {
    if (!text.empty()) text += ' ';
    text += value.type;
    text += ':';
    text += value.type == 's' ? Utf8(value.text) : std::to_string(value.number);
  }
  return text;
}

std::string ProcessMessage::Describe() const {
  return Utf8(name_) + " [" + arguments_->Describe() + "]";
}

void LoggingCallback::Continue(bool allow) {
  Log(name_ + " callback Continue allow=" + std::to_string(allow));
}
void LoggingCallback::Cancel() { Log(name_ + " callback Cancel"); }
void LoggingCallback::Continue(const CefString& download_path, bool show_dialog) {
  Log(name_ + " callback Continue path=" + Utf8(download_path) +
      " show_dialog=" + std::to_string(show_dialog));
}
void LoggingCallback::Continue(int selected_accept_filter,
                               const std::vector<CefString>& file_paths) {
  Log(name_ + " callback Continue files=" + std::to_string(file_paths.size()));
}
void LoggingCallback::Continue(bool success, const CefString& user_input) {
  Log(name_ + " callback Continue success=" + std::to_string(success));
}

bool CommandLine::HasSwitch(const CefString& name) {
  for (const auto& entry : switches_) {
    if (entry.first == name.ToWString()) return true;
  }
  return false;
}

CefString CommandLine::GetSwitchValue(const CefString& name) {
  for (const auto& entry : switches_) {
    if (entry.first == name.ToWString()) return entry.second;
  }
  return CefString();
}

CefString CommandLine::GetCommandLineString() {
  std::wstring text;
  for (const auto& entry : switches_) {
    if (!text.empty()) text += L' ';
    text += L"--" + entry.first;
    if (!entry.second.empty()) text += L"=" + entry.second;
  }
  return text;
}

bool SchemeRegistrar::AddCustomScheme(const CefString& scheme_name, bool is_standard,
                                      bool is_local, bool is_display_isolated) {
  Log("AddCustomScheme " + Utf8(scheme_name));
  return true;
}

void CookieManager::SetSupportedSchemes(const std::vector<CefString>& schemes,
                                        CefRefPtr<CefCompletionCallback> callback) {
  std::string names;
  for (const CefString& scheme : schemes) names += (names.empty() ? "" : ",") + Utf8(scheme);
  Log("SetSupportedSchemes " + names);
  if (callback) callback->OnComplete();
}

}  // namespace standin
