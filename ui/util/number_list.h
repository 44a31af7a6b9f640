// The one reader of number lists in attribute texts ("1,2,3,4" for
// rectangles and corners, "30,30" for sizes), shared by the whole framework.
//
// Values are separated by a comma, by blanks, or by one other character,
// with blanks allowed around them. Reading stops at
// the end of the text; every value the text does not give is 0, and so is a
// value with no digits. Values beyond the 32-bit range are clamped.
// Pure functions, any thread.
#ifndef UI_UTIL_NUMBER_LIST_H_
#define UI_UTIL_NUMBER_LIST_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ui/util/geometry.h"

namespace ui {

// Fills values[0..count) from the text and returns how many the text gave.
inline size_t ReadNumberList(std::wstring_view text, int32_t* values, size_t count) {
  size_t pos = 0;
  size_t given = 0;
  for (size_t i = 0; i < count; ++i) values[i] = 0;
  for (size_t i = 0; i < count && pos < text.size(); ++i) {
    while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'-' || text[pos] == L'+')) {
      negative = text[pos] == L'-';
      ++pos;
    }
    int64_t magnitude = 0;
    bool digits = false;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
      digits = true;
      if (magnitude <= INT32_MAX) magnitude = magnitude * 10 + (text[pos] - L'0');
      ++pos;
    }
    int64_t v = negative ? -magnitude : magnitude;
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    values[i] = static_cast<int32_t>(v);
    if (digits) given = i + 1;
    // Past the value and its separator (a comma or blanks, or one other
    // character); the end of the text ends the list.
    while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t')) ++pos;
    bool next_starts = pos < text.size() && ((text[pos] >= L'0' && text[pos] <= L'9') ||
                                             text[pos] == L'-' || text[pos] == L'+');
    if (pos < text.size() && !next_starts) ++pos;
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
