#include "app/util/registry_util.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "base/util/string_format.h"

namespace {

constexpr DWORD kReadBufferSize = 260;
const wchar_t kCurrentVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
const wchar_t kProcessorKey[] = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0\\";

HKEY OpenKey(const std::wstring& key, const std::wstring& fallback_key, REGSAM access) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, access, &handle) == ERROR_SUCCESS)
    return handle;
  if (!fallback_key.empty() &&
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, fallback_key.c_str(), 0, access, &handle) ==
          ERROR_SUCCESS)
    return handle;
  return nullptr;
}

bool HoldsString(HKEY handle, const std::wstring& name, const std::wstring& data) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(handle, name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  std::wstring text(buffer.data(), size / sizeof(wchar_t));
  // The stored terminator is not part of the text.
  if (!text.empty() && text.back() == L'\0') text.pop_back();
  return text == data;
}

}  // namespace

int SetRegistryString(const std::wstring& key, const std::wstring& fallback_key,
                      const std::wstring& name, const std::wstring& data) {
  if (HKEY handle = OpenKey(key, fallback_key, KEY_QUERY_VALUE)) {
    bool same = HoldsString(handle, name, data);
    RegCloseKey(handle);
    if (same) return 0;
  }
  HKEY handle = OpenKey(key, fallback_key, KEY_SET_VALUE);
  if (!handle) return -1;
  DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  LONG result = RegSetValueExW(handle, name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(data.c_str()), bytes);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS ? 1 : -1;
}

std::string ReadRegistryString(const std::wstring& key, const std::string& name) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &handle) !=
      ERROR_SUCCESS)
    return std::string();
  char buffer[kReadBufferSize] = {};
  DWORD size = kReadBufferSize;
  LONG result = RegQueryValueExA(handle, name.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return std::string();
  return std::string(buffer, strnlen(buffer, kReadBufferSize));
}

std::string ReadRegistryDword(const std::wstring& key, const std::string& name) {
  DWORD value = 0;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &handle) ==
      ERROR_SUCCESS) {
    DWORD size = sizeof(value);
    if (RegQueryValueExA(handle, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS)
      value = 0;
    RegCloseKey(handle);
  }
  return base::StringFormat("%lu", static_cast<unsigned long>(value));
}

std::string GetWindowsVersion() {
  return ReadRegistryDword(kCurrentVersionKey, "CurrentMajorVersionNumber") + "." +
         ReadRegistryDword(kCurrentVersionKey, "CurrentMinorVersionNumber") + "." +
         ReadRegistryString(kCurrentVersionKey, "CurrentBuild");
}

std::string GetCpuName() { return ReadRegistryString(kProcessorKey, "ProcessorNameString"); }
