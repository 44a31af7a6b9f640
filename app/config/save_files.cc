#include "app/config/save_files.h"

#include <windows.h>

#include "app/util/file_util.h"
#include "app/util/json_util.h"

std::string SaveFilePath(const char* name) {
  return NormalizePathA(GetSaveFolderA(), true) + name;
}

bool ReadSaveFileJson(const char* name, Json::Value* root) {
  std::string text;
  if (!ReadFileTextA(SaveFilePath(name), &text)) return false;
  return ParseJson(text, root, nullptr);
}

bool WriteSaveFileJson(const char* name, const Json::Value& root) {
  return WriteJsonFile(SaveFilePath(name), root);
}

bool FileOpensForReading(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}
