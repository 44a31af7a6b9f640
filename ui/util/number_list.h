// The one reader of number lists in attribute texts ("1,2,3,4" for
// rectangles and corners, "30,30" for sizes), shared by the whole framework.
//
// Each value is read as a decimal integer (blanks before it are skipped),
// starting one character after the end of the previous one: any single
// separator works, and "1 ,2" reads 1, 0, 2 (the blank ends the first value,
// the comma is read as a value without digits). A value without digits is 0
// and ends where it started; every value the text does not give is 0.
// Values beyond the 32-bit range are clamped. Pure functions, any thread.
#ifndef UI_UTIL_NUMBER_LIST_H_
#define UI_UTIL_NUMBER_LIST_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ui/util/geometry.h"

namespace ui {

// Fills values[0..count) from the text and returns how many the text gave.
inline size_t ReadNumberList(std::wstring_view text, int32_t* values, size_t count) {
  auto is_blank = [](wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); };
  auto is_digit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
  size_t pos = 0;
  size_t given = 0;
  for (size_t i = 0; i < count; ++i) values[i] = 0;
  for (size_t i = 0; i < count && pos < text.size(); ++i) {
    size_t p = pos;
    while (p < text.size() && is_blank(text[p])) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == L'-' || text[p] == L'+')) {
      negative = text[p] == L'-';
      ++p;
    }
    int64_t magnitude = 0;
    bool digits = false;
    while (p < text.size() && is_digit(text[p])) {
      digits = true;
      if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (text[p] - L'0');
      ++p;
    }
    int64_t v = negative ? -magnitude : magnitude;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    values[i] = static_cast<int32_t>(v);
    if (digits) given = i + 1;
    // The next value starts one character past this one's end; a value
    // without digits ends where it started.
    pos = (digits ? p : pos) + 1;
  }
  return given;
}

inline UiRect ReadRect(std::wstring_view text) {
  int32_t v[4];
  ReadNumberList(text, v, 4);
  return UiRect{v[0], v[1], v[2], v[3]};
}

inline UiSize ReadSize(std::wstring_view text) {
  int32_t v[2];
  ReadNumberList(text, v, 2);
  return UiSize{v[0], v[1]};
}

inline UiPoint ReadPoint(std::wstring_view text) {
  int32_t v[2];
  ReadNumberList(text, v, 2);
  return UiPoint{v[0], v[1]};
}

}  // namespace ui

#endif  // UI_UTIL_NUMBER_LIST_H_
