// Stand-ins for the application core's file, path, string and JSON helpers,
// which the update library uses before those land. Each function behaves as
// its app/util namesake; every translation unit gets its own copy.
// TODO(merge): use app/util and delete this file.
#ifndef UPDATE_APP_UTIL_SHIM_H_
#define UPDATE_APP_UTIL_SHIM_H_

#include <windows.h>
#include <wincrypt.h>

#include <json/json.h>

#include <cstdint>

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

// Creates every missing folder of the chain, the last component included.
// TODO(merge): use app/util
inline bool CreateDirectoriesA(const std::string& path) {
  if (path.empty()) return false;
  std::string normalized = NormalizePathA(path, true);
  for (size_t i = 1; i < normalized.size(); ++i) {
    if (normalized[i] != '\\') continue;
    std::string prefix = normalized.substr(0, i + 1);
    if (prefix.size() == 2 && prefix[0] == '.') continue;
    CreateDirectoryA(prefix.c_str(), nullptr);
  }
  return true;
}

// Whether the file's MD5 (32 lower-case hexadecimal digits) equals `expected`;
// `digest` and `size` describe the file, "" and 0 when it cannot be opened.
// TODO(merge): use app/util
inline bool FileMatchesMd5(const std::string& path, const std::string& expected,
                           std::string* digest, int64_t* size) {
  digest->clear();
  *size = 0;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  HCRYPTPROV provider = 0;
  HCRYPTHASH hash = 0;
  bool ok = CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL,
                                 CRYPT_VERIFYCONTEXT) &&
            CryptCreateHash(provider, CALG_MD5, 0, 0, &hash);
  std::vector<BYTE> buffer(1 << 20);
  int64_t total = 0;
  while (ok) {
    DWORD read = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) ||
        read == 0) {
      break;
    }
    ok = CryptHashData(hash, buffer.data(), read, 0) != 0;
    total += read;
  }
  CloseHandle(file);
  BYTE bytes[16];
  DWORD length = sizeof(bytes);
  if (ok) ok = CryptGetHashParam(hash, HP_HASHVAL, bytes, &length, 0) && length == 16;
  if (hash != 0) CryptDestroyHash(hash);
  if (provider != 0) CryptReleaseContext(provider, 0);
  if (!ok) return false;
  static const char kDigits[] = "0123456789abcdef";
  for (BYTE b : bytes) {
    digest->push_back(kDigits[b >> 4]);
    digest->push_back(kDigits[b & 15]);
  }
  *size = total;
  return *digest == expected;
}

// TODO(merge): use app/util
inline const char* GetSaveFolderA() { return ".\\save"; }

// TODO(merge): use app/util
inline const char* GetPreDownloadFolder() { return ".\\update\\predownload"; }

}  // namespace

#endif  // UPDATE_APP_UTIL_SHIM_H_
