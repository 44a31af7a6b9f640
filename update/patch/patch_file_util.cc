#include "update/patch/patch_file_util.h"

bool WidenAnsiPath(const char* path, std::wstring* wide) {
  if (!path) return false;
  if (!*path) {
    wide->clear();
    return true;
  }
  int count = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (count <= 0) return false;
  std::wstring result(static_cast<size_t>(count), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, path, -1, &result[0], count) != count) return false;
  result.resize(static_cast<size_t>(count - 1));
  wide->swap(result);
  return true;
}

std::string PathForLog(const wchar_t* path) {
  if (!path || !*path) return std::string();
  int count = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
  if (count <= 0) return std::string();
  std::string result(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path, -1, &result[0], count, nullptr, nullptr);
  result.resize(static_cast<size_t>(count - 1));
  return result;
}

HANDLE OpenFileForPatchRead(const wchar_t* path) {
  return CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
