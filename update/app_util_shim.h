// Stand-ins for the application core's file, path, string and JSON helpers,
// which the update library uses before those land. Each function behaves as
// its app/util namesake; every translation unit gets its own copy.
// TODO(merge): use app/util and delete this file.
#ifndef UPDATE_APP_UTIL_SHIM_H_
#define UPDATE_APP_UTIL_SHIM_H_

#include <windows.h>

#include <json/json.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// TODO(merge): use app/util
inline std::string NormalizePathA(std::string path, bool add_separator) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  if (add_separator) {
    if (path.empty() || path.back() != '\\') path += '\\';
  } else {
    while (!path.empty() && path.back() == '\\') path.pop_back();
  }
  return path;
}

// TODO(merge): use app/util
inline std::wstring NormalizePathW(std::wstring path, bool add_separator) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (add_separator) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
  } else {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
  }
  return path;
}

// TODO(merge): use app/util
inline std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  }
  return out;
}

// TODO(merge): use app/util
inline std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                        nullptr, nullptr);
  }
  return out;
}

inline bool ReadWholeFile(FILE* file, std::string* text) {
  std::string data;
  char buffer[16384];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), file)) > 0) data.append(buffer, n);
  bool ok = !ferror(file);
  fclose(file);
  if (ok) text->swap(data);
  return ok;
}

// TODO(merge): use app/util
inline bool ReadFileTextA(const std::string& path, std::string* text) {
  FILE* file = fopen(path.c_str(), "rb");
  return file != nullptr && ReadWholeFile(file, text);
}

// TODO(merge): use app/util
inline bool ReadFileTextW(const std::wstring& path, std::string* text) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  return file != nullptr && ReadWholeFile(file, text);
}

// Writes beside the target and renames over it, so a reader never finds a
// half-written file. TODO(merge): use app/util
inline bool WriteFileTextA(const std::string& path, const std::string& text) {
  std::string temp = path + ".writing";
  FILE* file = fopen(temp.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = (fflush(file) == 0) && ok;
  ok = (fclose(file) == 0) && ok;
  if (ok) ok = MoveFileExA(temp.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

// TODO(merge): use app/util
inline bool ParseJson(const std::string& text, Json::Value* root, std::string* error) {
  if (text.empty()) return false;
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  std::string errors;
  Json::Value value;
  bool ok = reader->parse(text.data(), text.data() + text.size(), &value, &errors);
  if (error != nullptr) *error = errors;
  if (!ok || !errors.empty()) return false;
  *root = std::move(value);
  return true;
}

// TODO(merge): use app/util
inline std::string JsonToText(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "\t";
  return Json::writeString(builder, value);
}

// TODO(merge): use app/util
inline bool WriteJsonFile(const std::string& path, const Json::Value& value) {
  return WriteFileTextA(path, JsonToText(value));
}

// Text of a scalar JSON value; false for arrays and objects, which have none.
inline bool JsonScalarText(const Json::Value& value, std::string* text) {
  if (value.isString()) {
    *text = value.asString();
  } else if (value.isBool()) {
    *text = value.asBool() ? "true" : "false";
  } else if (value.isInt64()) {
    *text = std::to_string(value.asInt64());
  } else if (value.isUInt64()) {
    *text = std::to_string(value.asUInt64());
  } else if (value.isDouble()) {
    *text = value.asString();
  } else if (value.isNull()) {
    *text = "";
  } else {
    return false;
  }
  return true;
}

inline bool FindJsonMember(const Json::Value& root, const std::string& key, Json::Value* found) {
  if (!root.isObject()) return false;
  for (const std::string& name : root.getMemberNames()) {
    const Json::Value& member = root[name];
    if (name == key && !member.isNull()) {
      *found = member;
      return true;
    }
    if (member.isArray()) {
      for (const Json::Value& element : member) {
        if (FindJsonMember(element, key, found)) return true;
      }
    }
  }
  return false;
}

// TODO(merge): use app/util
inline bool JsonToStringList(const Json::Value& root, const std::string& key,
                             std::vector<std::string>* list) {
  list->clear();
  Json::Value found;
  if (!FindJsonMember(root, key, &found)) return false;
  std::string text;
  if (found.isArray()) {
    for (const Json::Value& element : found) {
      if (JsonScalarText(element, &text)) list->push_back(text);
    }
  } else if (JsonScalarText(found, &text)) {
    list->push_back(text);
  }
  return !list->empty();
}

// TODO(merge): use app/util
inline int SplitStringA(const std::string& text, const std::string& delimiter,
                        std::vector<std::string>* parts) {
  parts->clear();
  if (text.empty() || delimiter.empty()) return 0;
  size_t position = 0;
  size_t found;
  while ((found = text.find(delimiter, position)) != std::string::npos) {
    parts->push_back(text.substr(position, found - position));
    position = found + delimiter.size();
  }
  if (position != text.size()) parts->push_back(text.substr(position));
  return static_cast<int>(parts->size());
}

// TODO(merge): use app/util
inline int ListSubfolders(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((NormalizePathA(folder, true) + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return -1;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) names->push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return static_cast<int>(names->size());
}

// TODO(merge): use app/util
inline void DeleteDirectory(const std::string& path) {
  std::string folder = NormalizePathA(path, true);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    std::string child = folder + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteDirectory(child);
    } else if (SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL)) {
      DeleteFileA(child.c_str());
    }
  } while (FindNextFileA(find, &data));
  bool listed = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(find);
  if (listed) RemoveDirectoryA(folder.c_str());
}

// TODO(merge): use app/util
inline const char* GetSaveFolderA() { return ".\\save"; }

// TODO(merge): use app/util
inline const char* GetPreDownloadFolder() { return ".\\update\\predownload"; }

}  // namespace

#endif  // UPDATE_APP_UTIL_SHIM_H_
