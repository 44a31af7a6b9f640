#include "base/file/path_util.h"

namespace base {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

HMODULE GetCurrentModuleHandle() {
  MEMORY_BASIC_INFORMATION info = {};
  if (!VirtualQuery(reinterpret_cast<const void*>(&GetCurrentModuleHandle), &info, sizeof(info)))
    return nullptr;
  return static_cast<HMODULE>(info.AllocationBase);
}

std::wstring GetModulePath(HMODULE module) {
  wchar_t buffer[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(module, buffer, MAX_PATH);
  return std::wstring(buffer, length);
}

std::wstring GetModuleDirectory() {
  std::wstring folder;
  if (!GetDirectoryOfPath(GetModulePath(GetCurrentModuleHandle()), &folder)) return L".\\";
  return folder;
}

bool GetDirectoryOfPath(const std::wstring& path, std::wstring* folder) {
  if (path.size() <= 1) return false;
  for (size_t i = path.size() - 1; i >= 1; --i) {
    if (path[i] == L'\0') continue;
    if (IsSeparator(path[i])) {
      folder->assign(path, 0, i + 1);
      return true;
    }
  }
  return false;
}

bool SplitPathComponents(const wchar_t* path, std::vector<std::wstring>* components) {
  components->clear();
  if (!path) return false;
  const wchar_t* p = path;
  while (*p) {
    const wchar_t* start = p;
    while (*p && !IsSeparator(*p)) ++p;
    std::wstring component(start, p - start);
    if (*p) {
      component += L'\\';
      while (*p && IsSeparator(*p)) ++p;
    }
    components->push_back(std::move(component));
  }
  return true;
}

bool CreateDirectoryTree(const wchar_t* path) {
  if (!path) return false;
  if (IsFolder(path)) return true;
  std::vector<std::wstring> components;
  SplitPathComponents(path, &components);
  if (components.empty()) return false;
  std::wstring prefix;
  for (const std::wstring& component : components) {
    prefix += component;
    if (IsFolder(prefix)) continue;
    if (!CreateDirectoryW(prefix.c_str(), nullptr)) {
      if (GetLastError() != ERROR_ALREADY_EXISTS || !IsFolder(prefix)) return false;
    }
  }
  return true;
}

void RegisterAtExit(void (*)(void*), void*) {}

void CloseHandleIfSet(HANDLE handle) {
  if (handle) CloseHandle(handle);
}

}  // namespace base
