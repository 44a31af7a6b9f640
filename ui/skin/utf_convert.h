// UTF-8 and UTF-16 conversions of the skin layer (code page 65001; invalid
// sequences become U+FFFD rather than failing).
#ifndef UI_SKIN_UTF_CONVERT_H_
#define UI_SKIN_UTF_CONVERT_H_

#include <cstddef>
#include <string>

namespace ui {

std::wstring Utf8ToWide(const char* data, size_t size);
inline std::wstring Utf8ToWide(const std::string& text) {
  return Utf8ToWide(text.data(), text.size());
}
std::string WideToUtf8(const wchar_t* data, size_t size);
inline std::string WideToUtf8(const std::wstring& text) {
  return WideToUtf8(text.data(), text.size());
}

}  // namespace ui

#endif  // UI_SKIN_UTF_CONVERT_H_
