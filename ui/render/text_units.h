// Cutting a text into the units that letter spacing places one by one:
// letters that join in Arabic writing stay in one unit, and so does a
// character with the Thai marks written over or under it. Pure functions,
// any thread.
#ifndef UI_RENDER_TEXT_UNITS_H_
#define UI_RENDER_TEXT_UNITS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace ui {

// Lines of units.
using TextUnitLines = std::vector<std::vector<std::wstring>>;

// Splits the text into lines at "\n" and each line into units; when any
// character is Arabic every line is given in reverse, so placing its units
// left to right starts with the line's end. False for an empty text or one
// that is not valid UTF-16.
bool SplitTextUnits(const std::wstring& text, TextUnitLines* lines);
// Contiguous pieces of an Arabic line in its own order, letters that join
// kept together with their marks.
std::vector<std::wstring> SplitArabicUnits(const std::wstring& line);
// The units of the text's longest line (0 for a text that does not split).
size_t CountUnitsOfLongestLine(const std::wstring& text);

}  // namespace ui

#endif  // UI_RENDER_TEXT_UNITS_H_
