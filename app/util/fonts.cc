#include "app/util/fonts.h"

#include <windows.h>

#include <vector>

#include "app/util/file_util.h"
#include "app/util/registry_util.h"
#include "app/util/self_replacement.h"
#include "app/util/string_util.h"

const wchar_t* const kFontFaceNames[kFontCount] = {
    L"Loma", L"Loma Bold", L"思源黑体 CN Regular", L"思源黑体 CN Bold"};
const wchar_t* const kFontRegistryNames[kFontCount] = {
    L"Loma (TrueType)", L"Loma Bold (TrueType)", L"思源黑体 CN Regular (TrueType)",
    L"思源黑体 CN Bold (TrueType)"};
const wchar_t* const kFontFileNames[kFontCount] = {
    L"LomaN.ttf", L"LomaB.ttf", L"SourceHanSansCNRegular.ttf", L"SourceHanSansCNBold.ttf"};
const int kFontResourceIds[kFontCount] = {138, 139, 143, 142};

namespace {

bool ReadExecutableResource(int id, std::string* bytes) {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"FONTS");
  if (!found) return false;
  HGLOBAL loaded = LoadResource(nullptr, found);
  const DWORD size = SizeofResource(nullptr, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return false;
  bytes->assign(static_cast<const char*>(data), size);
  return true;
}

std::wstring InFolder(const std::wstring& folder, const std::wstring& name) {
  return NormalizePathW(folder, true) + name;
}

bool CanOpenForReading(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                            nullptr) &&
                  written == bytes.size();
  CloseHandle(file);
  // A short file would pass for a font at the next start.
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

}  // namespace

FontPlaces& GetFontPlaces() {
  static FontPlaces* places = [] {
    auto* made = new FontPlaces();
    made->read_resource = ReadExecutableResource;
    return made;
  }();
  return *places;
}

bool InstallFontFiles() {
  const FontPlaces& places = GetFontPlaces();
  for (int i = 0; i < kFontCount; ++i) {
    const std::wstring target = InFolder(places.font_folder, kFontFileNames[i]);
    if (!CanOpenForReading(target)) {
      std::string bytes;
      if (!places.read_resource || !places.read_resource(kFontResourceIds[i], &bytes)) return false;
      if (!WriteWhole(target, bytes)) return false;
    }
    if (SetRegistryString(places.registry_key, std::wstring(), kFontRegistryNames[i],
                          kFontFileNames[i]) < 0) {
      return false;
    }
    // The machine's font list is read by programs that start later; this
    // process gets the face now, so its first window draws with it.
    AddFontResourceExW(target.c_str(), FR_PRIVATE, nullptr);
  }
  ApplyStagedFontUpdate();
  return true;
}

void ApplyStagedFontUpdate() {
  const FontPlaces& places = GetFontPlaces();
  const std::wstring list_path = InFolder(places.update_folder, L"font_update.txt");
  std::string narrow_list;
  WideToMultiByte(list_path, &narrow_list, CP_ACP);
  std::vector<std::string> staged;
  if (!ReadJsonFileList(narrow_list, &staged)) return;
  std::vector<std::string> failed;
  for (const std::string& entry : staged) {
    std::wstring name;
    if (!Utf8ToWide(entry, &name)) name.clear();
    const std::wstring source = InFolder(places.update_folder, name);
    const std::wstring target = InFolder(places.font_folder, name);
    if (name.empty() || !CopyFileW(source.c_str(), target.c_str(), FALSE)) {
      failed.push_back(entry);
      continue;
    }
    AddFontResourceExW(target.c_str(), FR_PRIVATE, nullptr);
    if (CopyFileW(source.c_str(), InFolder(places.launcher_folder, name).c_str(), FALSE)) {
      DeleteFileW(source.c_str());
    }
  }
  if (failed.empty()) {
    DeleteFileW(list_path.c_str());
    return;
  }
  // Only the failed entries are tried again: the others' staged copies are
  // gone, and keeping them would keep the list for ever.
  WriteJsonFileList(narrow_list, failed);
}

void RemoveFonts(std::map<std::wstring, uint32_t>* failures) {
  const FontPlaces& places = GetFontPlaces();
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, places.registry_key.c_str(), 0, KEY_SET_VALUE, &key) ==
      ERROR_SUCCESS) {
    for (const wchar_t* name : kFontRegistryNames) RegDeleteValueW(key, name);
    RegCloseKey(key);
  }
  PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
  for (const wchar_t* file : kFontFileNames) {
    const std::wstring path = InFolder(places.font_folder, file);
    if (!CanOpenForReading(path)) continue;
    // This process's own registration holds the file open.
    while (RemoveFontResourceExW(path.c_str(), FR_PRIVATE, nullptr)) {
    }
    if (!DeleteFileW(path.c_str())) (*failures)[file] = GetLastError();
  }
}

bool TextAntiAliasFromArgument(const std::wstring* argument) {
  if (!argument) return true;
  return *argument == L"text_anti_alias" || *argument == L"taa";
}
