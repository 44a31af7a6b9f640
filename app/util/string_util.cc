#include "app/util/string_util.h"

#include <windows.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>

namespace {

constexpr size_t kStackFormatSize = 1024;
constexpr size_t kMaxFormatSize = 32u * 1024 * 1024;

template <typename String>
int64_t ReplaceAll(const String& find, const String& replacement, String* target) {
  if (find.empty() || target->size() < find.size()) return 0;
  size_t position = target->find(find);
  if (position == String::npos) return 0;
  String result;
  result.reserve(target->size());
  size_t read = 0;
  int64_t count = 0;
  while (position != String::npos) {
    result.append(*target, read, position - read);
    result.append(replacement);
    read = position + find.size();
    ++count;
    position = target->find(find, read);
  }
  result.append(*target, read, String::npos);
  target->swap(result);
  return count;
}

template <typename String>
size_t SplitString(const String& text, const String& delimiter, std::vector<String>* pieces) {
  pieces->clear();
  if (text.empty() || delimiter.empty()) return 0;
  size_t start = 0;
  size_t position = text.find(delimiter);
  while (position != String::npos) {
    pieces->push_back(text.substr(start, position - start));
    start = position + delimiter.size();
    position = text.find(delimiter, start);
  }
  if (start != text.size()) pieces->push_back(text.substr(start));
  return pieces->size();
}

}  // namespace

// Digits only: version texts from servers end up in folder names, so no
// signs, blanks or other text that a lenient parse would let through.
bool ParseDecimalDigits(const std::string& text, int* value) {
  if (text.empty()) return false;
  long long parsed = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    parsed = parsed * 10 + (c - '0');
    if (parsed > INT_MAX) return false;
  }
  *value = static_cast<int>(parsed);
  return true;
}

bool Utf8ToWide(const std::string& utf8, std::wstring* wide) {
  wide->clear();
  int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  if (length < 1) return false;
  wide->resize(length - 1);
  if (length > 1) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &(*wide)[0], length);
  // The call wrote a terminator just past size(), which std::wstring allows.
  return true;
}

bool WideToUtf8(const std::wstring& wide, std::string* utf8) {
  utf8->clear();
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length < 1) return false;
  utf8->resize(length - 1);
  if (length > 1)
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &(*utf8)[0], length, nullptr, nullptr);
  return true;
}

bool MultiByteToWide(const std::string& text, std::wstring* wide, unsigned int code_page) {
  wide->clear();
  if (text.empty() || text.size() > INT_MAX) return true;
  int count = static_cast<int>(text.size());
  int length = MultiByteToWideChar(code_page, 0, text.data(), count, nullptr, 0);
  if (length <= 0) return true;
  wide->resize(length);
  int written = MultiByteToWideChar(code_page, 0, text.data(), count, &(*wide)[0], length);
  wide->resize(written > 0 ? written : 0);
  return true;
}

bool WideToMultiByte(const std::wstring& text, std::string* narrow, unsigned int code_page) {
  narrow->clear();
  if (text.empty() || text.size() > INT_MAX) return true;
  int count = static_cast<int>(text.size());
  int length =
      WideCharToMultiByte(code_page, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return true;
  narrow->resize(length);
  int written = WideCharToMultiByte(code_page, 0, text.data(), count, &(*narrow)[0], length,
                                    nullptr, nullptr);
  narrow->resize(written > 0 ? written : 0);
  return true;
}

void StringAppendV(std::wstring* output, const wchar_t* format, va_list arguments) {
  wchar_t stack_buffer[kStackFormatSize];
  va_list copy;
  va_copy(copy, arguments);
  int length = vswprintf(stack_buffer, kStackFormatSize, format, copy);
  va_end(copy);
  if (length >= 0 && static_cast<size_t>(length) < kStackFormatSize) {
    output->append(stack_buffer, length);
    return;
  }
  // This stdio reports the length the text needs; a runtime that answers -1
  // on overflow instead is served by doubling.
  size_t size = 2 * kStackFormatSize;
  if (length >= 0) size = static_cast<size_t>(length) + 1;
  for (; size <= kMaxFormatSize; size *= 2) {
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[size]);
    va_copy(copy, arguments);
    length = vswprintf(buffer.get(), size, format, copy);
    va_end(copy);
    if (length >= 0 && static_cast<size_t>(length) < size) {
      output->append(buffer.get(), length);
      return;
    }
    if (length >= 0 && static_cast<size_t>(length) + 1 > kMaxFormatSize) return;
  }
}

namespace string_util_internal {

std::wstring FormatWide(const wchar_t* format, ...) {
  std::wstring result;
  va_list arguments;
  va_start(arguments, format);
  StringAppendV(&result, format, arguments);
  va_end(arguments);
  return result;
}

}  // namespace string_util_internal

int FormatDuration(unsigned int seconds, wchar_t* buffer, size_t capacity) {
  if (!buffer || capacity == 0) return -1;
  unsigned int hours = seconds / 3600;
  unsigned int minutes = seconds / 60 % 60;
  int length = swprintf(buffer, capacity, L"%02u:%02u:%02u", hours, minutes, seconds % 60);
  if (length < 0 || static_cast<size_t>(length) >= capacity) {
    buffer[0] = L'\0';
    return -1;
  }
  return length;
}

std::wstring& TrimRight(std::wstring& text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == L' ' || text[end - 1] <= 29)) --end;
  text.erase(end);
  return text;
}

int64_t ReplaceAllA(const std::string& find, const std::string& replacement, std::string* target) {
  return ReplaceAll(find, replacement, target);
}

int64_t ReplaceAllW(const std::wstring& find, const std::wstring& replacement,
                    std::wstring* target) {
  return ReplaceAll(find, replacement, target);
}

std::wstring NormalizeSlashes(const std::wstring& path) {
  std::wstring result = path;
  if (!result.empty()) ReplaceAllW(L"/", L"\\", &result);
  if (!result.empty()) ReplaceAllW(L"\\\\", L"\\", &result);
  return result;
}

size_t SplitStringA(const std::string& text, const std::string& delimiter,
                    std::vector<std::string>* pieces) {
  return SplitString(text, delimiter, pieces);
}

size_t SplitStringW(const std::wstring& text, const std::wstring& delimiter,
                    std::vector<std::wstring>* pieces) {
  return SplitString(text, delimiter, pieces);
}

std::list<std::wstring> SplitStringList(const std::wstring& text, const std::wstring& delimiters) {
  std::list<std::wstring> result;
  // Like a C tokenizer, the text ends at its first zero.
  const std::wstring copy(text.c_str());
  const std::wstring set(delimiters.c_str());
  size_t start = copy.find_first_not_of(set);
  while (start != std::wstring::npos) {
    size_t end = copy.find_first_of(set, start);
    result.push_back(copy.substr(start, end == std::wstring::npos ? end : end - start));
    if (end == std::wstring::npos) break;
    start = copy.find_first_not_of(set, end);
  }
  return result;
}

bool ParseVersionTriple(const std::string& text, int* first, int* second, int* third) {
  *first = *second = *third = 0;
  std::vector<std::string> parts;
  if (SplitStringA(text, "_", &parts) != 3) return false;
  int a = 0, b = 0, c = 0;
  if (!ParseDecimalDigits(parts[0], &a) || !ParseDecimalDigits(parts[1], &b) ||
      !ParseDecimalDigits(parts[2], &c))
    return false;
  *first = a;
  *second = c;
  *third = b;
  return true;
}
