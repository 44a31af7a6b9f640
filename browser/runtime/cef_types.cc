#include "browser/runtime/cef_types.h"

namespace {

void FreeString(wchar_t* text) { delete[] text; }

}  // namespace

void cef_string_set(cef_string_t* target, const wchar_t* text, size_t length) {
  cef_string_clear(target);
  if (!text) length = 0;
  wchar_t* copy = new wchar_t[length + 1];
  if (length) wmemcpy(copy, text, length);
  copy[length] = L'\0';
  target->str = copy;
  target->length = length;
  target->dtor = &FreeString;
}

void cef_string_clear(cef_string_t* target) {
  if (target->str && target->dtor) target->dtor(target->str);
  target->str = nullptr;
  target->length = 0;
  target->dtor = nullptr;
}

std::string CefString::ToString() const {
  if (text_.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text_.data(), static_cast<int>(text_.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string utf8(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text_.data(), static_cast<int>(text_.size()), &utf8[0], size,
                        nullptr, nullptr);
  }
  return utf8;
}

void CefString::FromString(const std::string& utf8) {
  text_.clear();
  if (utf8.empty()) return;
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (size <= 0) return;
  text_.resize(size);
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text_[0], size);
}

CefSettings::~CefSettings() {
  cef_string_t* strings[] = {&browser_subprocess_path, &cache_path,        &user_agent,
                             &product_version,         &locale,            &log_file,
                             &resources_dir_path,      &locales_dir_path,  &accept_language_list};
  for (cef_string_t* field : strings) cef_string_clear(field);
}
