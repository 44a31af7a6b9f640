// Conversions between UTF-16 and narrow text, wide printf-style formatting,
// trimming, splitting and replace-all. Free functions without shared state:
// any thread may call them; outputs belong to the caller. Nothing here throws
// for bad text: invalid sequences are replaced by the platform conversion.
//
// Formats are program text. Text from files or servers goes in as an
// argument ("%s" for narrow, "%ls" for wide), never as the format.
#ifndef APP_UTIL_STRING_UTIL_H_
#define APP_UTIL_STRING_UTIL_H_

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

// The text is read up to its first zero. False (output empty) when the
// platform reports no length; an empty text gives true and an empty output.
bool Utf8ToWide(const std::string& utf8, std::wstring* wide);
bool WideToUtf8(const std::wstring& wide, std::string* utf8);

// Whole strings, embedded zeros included. `code_page` is 65001 (UTF-8) or 0
// (the system's ANSI code page). Always true; text the platform cannot
// convert gives an empty output.
bool MultiByteToWide(const std::string& text, std::wstring* wide, unsigned int code_page);
bool WideToMultiByte(const std::wstring& text, std::string* narrow, unsigned int code_page);

namespace string_util_internal {
std::wstring FormatWide(const wchar_t* format, ...);
}  // namespace string_util_internal

// "%s" takes a narrow string, "%ls" a wide one. A text of 32 Mi characters or
// more is not produced (empty result). The format must be a character array
// (in practice a literal), so that a text read at run time cannot be passed
// as the format by mistake.
template <size_t N, typename... Arguments>
std::wstring StringPrintf(const wchar_t (&format)[N], Arguments... arguments) {
  return string_util_internal::FormatWide(format, arguments...);
}
void StringAppendV(std::wstring* output, const wchar_t* format, va_list arguments);

// "hh:mm:ss" (hours not reduced modulo 24) into `buffer`; the number of
// characters written, or -1 when it does not fit.
int FormatDuration(unsigned int seconds, wchar_t* buffer, size_t capacity);

// Removes trailing blanks and control characters up to 29 (30 and 31 stay).
std::wstring& TrimRight(std::wstring& text);

// Replaces every occurrence of `find` in `target`, left to right, without
// searching inserted text again. Returns the number of replacements.
int64_t ReplaceAllA(const std::string& find, const std::string& replacement, std::string* target);
int64_t ReplaceAllW(const std::wstring& find, const std::wstring& replacement,
                    std::wstring* target);

// "/" becomes "\", then each pair of backslashes becomes one.
std::wstring NormalizeSlashes(const std::wstring& path);

// Splits at a whole delimiter. Empty pieces come between two delimiters and
// before a leading one, never after a trailing one. Returns the piece count.
size_t SplitStringA(const std::string& text, const std::string& delimiter,
                    std::vector<std::string>* pieces);
size_t SplitStringW(const std::wstring& text, const std::wstring& delimiter,
                    std::vector<std::wstring>* pieces);

// Splits at any character of `delimiters`; empty pieces are never produced.
std::list<std::wstring> SplitStringList(const std::wstring& text, const std::wstring& delimiters);

// A non-empty run of decimal digits within the signed 32-bit range.
bool ParseDecimalDigits(const std::string& text, int* value);

// "A_B_C" into first = A, second = C, third = B (the order the version
// comparison wants). False, with all three 0, unless there are exactly three
// parts made of decimal digits only, each within the signed 32-bit range.
bool ParseVersionTriple(const std::string& text, int* first, int* second, int* third);

#endif  // APP_UTIL_STRING_UTIL_H_
