#include "ui/skin/utf_convert.h"

#include <windows.h>

#include <climits>

namespace ui {

std::wstring Utf8ToWide(const char* data, size_t size) {
  if (size == 0 || size > INT_MAX) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(size), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, data, static_cast<int>(size), &out[0], n);
  return out;
}

std::string WideToUtf8(const wchar_t* data, size_t size) {
  if (size == 0 || size > INT_MAX) return std::string();
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, data, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, data, static_cast<int>(size), &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace ui
