// Text helpers of the skin layer: UTF-8 and UTF-16 conversions (code page
// 65001; invalid sequences become U+FFFD rather than failing), splitting and
// the test that a relative path stays inside its folder. Pure functions.
#ifndef UI_SKIN_SKIN_TEXT_H_
#define UI_SKIN_SKIN_TEXT_H_

#include <cstddef>
#include <string>
#include <vector>

namespace ui {

std::wstring Utf8ToWide(const char* data, size_t size);
inline std::wstring Utf8ToWide(const std::string& text) {
  return Utf8ToWide(text.data(), text.size());
}
std::string WideToUtf8(const wchar_t* data, size_t size);
inline std::string WideToUtf8(const std::wstring& text) {
  return WideToUtf8(text.data(), text.size());
}

// The pieces between separators; empty pieces are dropped.
std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator);

// True for a relative path (no drive, no leading separator) whose ".." parts
// never climb above the folder it starts in.
bool StaysInsideFolder(const std::wstring& path);

}  // namespace ui

#endif  // UI_SKIN_SKIN_TEXT_H_
