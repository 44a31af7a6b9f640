#include "ui/render/text_units.h"

#include <algorithm>
#include <cstdint>

namespace ui {

namespace {

bool IsArabic(wchar_t c) { return (c >= 0x0600 && c <= 0x06FF) || (c >= 0x0750 && c <= 0x077F); }

// Thai vowels and tone marks written over or under the character before.
bool IsThaiMark(wchar_t c) {
  return c == 0x0E31 || (c >= 0x0E33 && c <= 0x0E3A) || (c >= 0x0E47 && c <= 0x0E4E);
}

// How an Arabic letter of the joining table takes its neighbours: the
// presentation forms it has.
enum ArabicForms : uint8_t {
  kNotALetter = 0,
  kIsolatedOnly = 1,  // hamza
  kRightJoining = 2,  // isolated and final forms
  kDualJoining = 3,   // all four forms
  kTatweel = 4,       // only itself, joined from behind always
};

ArabicForms FormsOf(wchar_t c) {
  if (c == 0x0621) return kIsolatedOnly;
  if (c == 0x0640) return kTatweel;
  if ((c >= 0x0622 && c <= 0x0625) || c == 0x0627 || c == 0x0629 ||
      (c >= 0x062F && c <= 0x0632) || c == 0x0648 || c == 0x0649)
    return kRightJoining;
  if ((c >= 0x0626 && c <= 0x063A) || (c >= 0x0641 && c <= 0x064A)) return kDualJoining;
  return kNotALetter;
}

bool IsArabicMark(wchar_t c) {
  return c == 0x0610 || (c >= 0x0612 && c <= 0x0615) || (c >= 0x064B && c <= 0x0658) ||
         c == 0x0670 || (c >= 0x06D6 && c <= 0x06DC) || (c >= 0x06DF && c <= 0x06E4) ||
         c == 0x06E7 || c == 0x06E8 || (c >= 0x06EA && c <= 0x06ED);
}

// Has an initial or a medial form.
bool JoinsForward(wchar_t c) { return FormsOf(c) == kDualJoining; }
// Has a medial or a final form, or is tatweel.
bool JoinsFromBehind(wchar_t c) {
  const ArabicForms f = FormsOf(c);
  return f == kRightJoining || f == kDualJoining || f == kTatweel;
}

bool IsAlefAfterLam(wchar_t c) {
  return c == 0x0622 || c == 0x0623 || c == 0x0625 || c == 0x0627;
}

size_t SkipArabicMarks(const std::wstring& line, size_t i) {
  while (i < line.size() && IsArabicMark(line[i])) ++i;
  return i;
}

// Cuts one non-Arabic line into code points, a character keeping the Thai
// marks that follow it. False at a lone surrogate.
bool SplitPlainUnits(const std::wstring& line, std::vector<std::wstring>* units) {
  size_t i = 0;
  while (i < line.size()) {
    const size_t start = i;
    const wchar_t c = line[i++];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i >= line.size() || line[i] < 0xDC00 || line[i] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    // A mark never starts a unit of its own when there is a character
    // before it: spacing must not tear a cluster apart.
    while (i < line.size() && IsThaiMark(line[i])) ++i;
    units->push_back(line.substr(start, i - start));
  }
  return true;
}

}  // namespace

std::vector<std::wstring> SplitArabicUnits(const std::wstring& line) {
  std::vector<std::wstring> units;
  size_t i = 0;
  while (i < line.size()) {
    const size_t start = i;
    wchar_t current = line[i];
    if (FormsOf(current) == kNotALetter) {
      ++i;
      units.push_back(line.substr(start, 1));
      continue;
    }
    i = SkipArabicMarks(line, i + 1);
    for (;;) {
      // Lam with alef is written as one ligature: consume the pair.
      if (current == 0x0644 && i < line.size() && IsAlefAfterLam(line[i])) {
        current = line[i];
        i = SkipArabicMarks(line, i + 1);
      }
      if (!JoinsForward(current) || i >= line.size() || !JoinsFromBehind(line[i])) break;
      current = line[i];
      i = SkipArabicMarks(line, i + 1);
    }
    units.push_back(line.substr(start, i - start));
  }
  return units;
}

bool SplitTextUnits(const std::wstring& text, TextUnitLines* lines) {
  if (text.empty()) return false;
  std::vector<std::wstring> text_lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L'\n', start);
    text_lines.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  if (std::any_of(text.begin(), text.end(), IsArabic)) {
    for (const std::wstring& line : text_lines) {
      std::vector<std::wstring> units = SplitArabicUnits(line);
      std::reverse(units.begin(), units.end());
      lines->push_back(std::move(units));
    }
    return true;
  }
  for (const std::wstring& line : text_lines) {
    std::vector<std::wstring> units;
    if (!SplitPlainUnits(line, &units)) return false;
    lines->push_back(std::move(units));
  }
  return true;
}

size_t CountUnitsOfLongestLine(const std::wstring& text) {
  TextUnitLines lines;
  if (!SplitTextUnits(text, &lines)) return 0;
  size_t longest = 0;
  for (const auto& line : lines) longest = std::max(longest, line.size());
  return longest;
}

}  // namespace ui
