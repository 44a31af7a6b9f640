#include "ui/skin/skin_text.h"

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

std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> pieces;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      if (i > start) pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return pieces;
}

bool StaysInsideFolder(const std::wstring& path) {
  if (path.find(L':') != std::wstring::npos) return false;
  if (!path.empty() && (path[0] == L'\\' || path[0] == L'/')) return false;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      const std::wstring part = path.substr(start, i - start);
      start = i + 1;
      if (part == L"..") {
        if (--depth < 0) return false;
      } else if (!part.empty() && part != L".") {
        ++depth;
      }
    }
  }
  return true;
}

}  // namespace ui
