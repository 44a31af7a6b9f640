#include "app/util/system_util.h"

#include <windows.h>
#include <shlwapi.h>

#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "base/util/string_format.h"

namespace {

std::wstring AbsolutePath(const std::wstring& path) {
  return PathIsRelativeW(path.c_str()) ? GetFullPathW(path) : path;
}

}  // namespace

bool GetDriveSpaceA(const std::string& path, uint64_t* total, uint64_t* available) {
  std::wstring wide;
  MultiByteToWide(path, &wide, CP_ACP);
  return GetDriveSpaceW(wide, total, available);
}

bool GetDriveSpaceW(const std::wstring& path, uint64_t* total, uint64_t* available) {
  std::wstring drive = GetDriveLetter(path);
  if (drive.empty()) return false;
  ULARGE_INTEGER free_to_caller = {};
  ULARGE_INTEGER total_bytes = {};
  if (!GetDiskFreeSpaceExW((drive + L":\\").c_str(), &free_to_caller, &total_bytes, nullptr))
    return false;
  *total = total_bytes.QuadPart;
  *available = free_to_caller.QuadPart;
  return true;
}

std::wstring GetDriveLetter(const std::wstring& path) {
  std::wstring absolute = AbsolutePath(path);
  size_t colon = absolute.find(L':');
  if (colon == std::wstring::npos || colon == 0) return std::wstring();
  return absolute.substr(0, colon);
}

bool GetUtcDateTime(std::string* date, std::string* time) {
  SYSTEMTIME now = {};
  GetSystemTime(&now);
  *date = base::StringFormat("%4d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
  *time = base::StringFormat("%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
  return true;
}
