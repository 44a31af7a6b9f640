#include "app/util/file_util.h"

#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>

#include "app/util/string_util.h"
#include "base/file/path_util.h"
#include "base/util/string_format.h"

namespace {

// Largest single ReadFile/WriteFile request; the calls take 32-bit counts.
constexpr DWORD kMaxIoChunk = 64u * 1024 * 1024;
constexpr size_t kStreamReadSize = 1024 * 1024;

std::wstring AnsiToWide(const std::string& text) {
  std::wstring wide;
  MultiByteToWide(text, &wide, CP_ACP);
  return wide;
}

int64_t ReplaceAll(const std::string& find, const std::string& replacement, std::string* target) {
  return ReplaceAllA(find, replacement, target);
}
int64_t ReplaceAll(const std::wstring& find, const std::wstring& replacement,
                   std::wstring* target) {
  return ReplaceAllW(find, replacement, target);
}

template <typename String>
String NormalizePath(const String& path, bool add_separator, const String& slash,
                     const String& backslash) {
  String result = path;
  ReplaceAll(slash, backslash, &result);
  if (add_separator) {
    if (result.empty() || (result.back() != '\\' && result.back() != '/')) result += backslash;
  } else {
    while (!result.empty() && (result.back() == '\\' || result.back() == '/')) result.pop_back();
  }
  return result;
}

template <typename String>
bool SplitPath(const String& normalized, String* folder, String* file) {
  if (normalized.empty()) return false;
  size_t position = normalized.find_last_of('\\');
  if (position == String::npos || position == 0) return false;
  *folder = normalized.substr(0, position);
  *file = normalized.substr(position + 1);
  return true;
}

BOOL CreateOneDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr); }
BOOL CreateOneDirectory(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr);
}

template <typename String>
void CreateDirectoryChain(const String& normalized) {
  for (size_t i = 1; i < normalized.size(); ++i) {
    if (normalized[i] != '\\') continue;
    String prefix = normalized.substr(0, i + 1);
    if (prefix.size() == 2 && prefix[0] == '.') continue;
    // Existing folders, drive roots and share roots simply fail.
    CreateOneDirectory(prefix);
  }
}

bool IsExcluded(const std::vector<std::string>& excluded, const char* name) {
  return std::find(excluded.begin(), excluded.end(), name) != excluded.end();
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}
bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool ListFilesInto(const std::string& folder, std::vector<std::string>* files,
                   const std::vector<std::string>& excluded) {
  const std::string base = NormalizePathA(folder, true);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((base + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  std::vector<std::string> subfolders;
  do {
    if (IsDotEntry(data.cFileName)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!IsExcluded(excluded, data.cFileName)) subfolders.push_back(data.cFileName);
    } else {
      files->push_back(base + data.cFileName);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  for (const std::string& name : subfolders) ListFilesInto(base + name, files, excluded);
  return true;
}

void DeleteDirectoryTree(const std::wstring& path) {
  const std::wstring base = NormalizePathW(path, true);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((base + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  DWORD error = ERROR_SUCCESS;
  do {
    if (IsDotEntry(data.cFileName)) continue;
    const std::wstring child = base + data.cFileName;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A linked folder is removed as a link: what it points at is not ours.
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        RemoveDirectoryW(child.c_str());
      } else {
        DeleteDirectoryTree(child);
      }
    } else if (SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL)) {
      DeleteFileW(child.c_str());
    }
  } while (FindNextFileW(find, &data));
  error = GetLastError();
  FindClose(find);
  if (error == ERROR_NO_MORE_FILES) RemoveDirectoryW(base.c_str());
}

// A new file beside `path` that nobody else uses, open for writing.
HANDLE CreateSiblingFile(const std::wstring& path, std::wstring* sibling) {
  static std::atomic<unsigned int> counter{0};
  for (int attempt = 0; attempt < 1000; ++attempt) {
    *sibling = path + StringPrintf(L".~%u", counter++);
    HANDLE file = CreateFileW(sibling->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const std::string& text) {
  const char* data = text.data();
  size_t remaining = text.size();
  while (remaining > 0) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(remaining, kMaxIoChunk));
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written != chunk) return false;
    data += written;
    remaining -= written;
  }
  return true;
}

}  // namespace

const char* GetBaseFolderA() {
  static const std::string folder(".");
  return folder.c_str();
}

const wchar_t* GetBaseFolderW() {
  static const std::wstring folder(L".");
  return folder.c_str();
}

const char* GetSaveFolderA() {
  static const std::string folder = base::StringFormat("%s\\%s", GetBaseFolderA(), "save");
  return folder.c_str();
}

const wchar_t* GetSaveFolderW() {
  static const std::wstring folder = StringPrintf(L"%ls\\%ls", GetBaseFolderW(), L"save");
  return folder.c_str();
}

const wchar_t* GetUpdateFolder() {
  static const std::wstring folder = StringPrintf(L"%ls\\%ls", GetBaseFolderW(), L"update");
  return folder.c_str();
}

const wchar_t* GetExceptionFolder() {
  static const std::wstring folder = StringPrintf(L"%ls\\%ls", GetBaseFolderW(), L"exception");
  return folder.c_str();
}

const char* GetPreDownloadFolder() {
  static const std::string update = base::StringFormat("%s\\%s", GetBaseFolderA(), "update");
  static const std::string folder = base::StringFormat("%s\\%s", update.c_str(), "predownload");
  return folder.c_str();
}

const wchar_t* GetDefaultGamePath() {
  static const std::wstring folder =
      StringPrintf(L"%ls%ls", base::GetModuleDirectory().c_str(), L"Quorvel Game");
  return folder.c_str();
}

std::string NormalizePathA(const std::string& path, bool add_separator) {
  return NormalizePath<std::string>(path, add_separator, "/", "\\");
}

std::wstring GetFullPathW(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return std::wstring();
  full.resize(length);
  return full;
}

std::wstring NormalizePathW(const std::wstring& path, bool add_separator) {
  return NormalizePath<std::wstring>(path, add_separator, L"/", L"\\");
}

bool SplitPathA(const std::string& path, std::string* folder, std::string* file) {
  if (path.empty()) return false;
  std::string normalized = path;
  ReplaceAllA("/", "\\", &normalized);
  return SplitPath(normalized, folder, file);
}

bool SplitPathW(const std::wstring& path, std::wstring* folder, std::wstring* file) {
  if (path.empty()) return false;
  std::wstring normalized = path;
  ReplaceAllW(L"/", L"\\", &normalized);
  return SplitPath(normalized, folder, file);
}

int ListFiles(const std::string& folder, std::vector<std::string>* files,
              const std::vector<std::string>& excluded) {
  if (!ListFilesInto(folder, files, excluded)) return -1;
  return static_cast<int>(files->size());
}

int ListSubfolders(const std::string& folder, std::vector<std::string>* names) {
  names->clear();
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((NormalizePathA(folder, true) + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return -1;
  do {
    if (IsDotEntry(data.cFileName)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) names->push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return static_cast<int>(names->size());
}

bool ReadStreamText(std::ifstream& stream, std::string* text) {
  text->clear();
  std::unique_ptr<char[]> buffer(new char[kStreamReadSize]);
  while (stream) {
    stream.read(buffer.get(), kStreamReadSize);
    std::streamsize count = stream.gcount();
    if (count <= 0) break;
    text->append(buffer.get(), static_cast<size_t>(count));
  }
  stream.close();
  return true;
}

bool ReadFileTextA(const std::string& path, std::string* text) {
  return ReadFileTextW(AnsiToWide(path), text);
}

bool ReadFileTextW(const std::wstring& path, std::string* text) {
  std::ifstream stream(path.c_str(), std::ios::in | std::ios::binary);
  if (!stream.is_open()) return false;
  return ReadStreamText(stream, text);
}

bool WriteFileTextA(const std::string& path, const std::string& text) {
  return WriteFileTextW(AnsiToWide(path), text);
}

bool WriteFileTextW(const std::wstring& path, const std::string& text) {
  if (path.empty()) return false;
  // What could not be opened for writing is not replaced either.
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
    return false;
  std::wstring sibling;
  HANDLE file = CreateSiblingFile(path, &sibling);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = WriteAll(file, text) && FlushFileBuffers(file);
  written = CloseHandle(file) && written;
  if (written &&
      MoveFileExW(sibling.c_str(), path.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(sibling.c_str());
  return false;
}

void DeleteUnfinishedWrites(const std::wstring& path) {
  std::wstring folder, name;
  if (!SplitPathW(path, &folder, &name)) folder = L".";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L".~*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  const std::wstring prefix = name + L".~";
  do {
    const std::wstring candidate = found.cFileName;
    if (candidate.size() <= prefix.size() || candidate.compare(0, prefix.size(), prefix) != 0 ||
        candidate.find_first_not_of(L"0123456789", prefix.size()) != std::wstring::npos) {
      continue;
    }
    DeleteFileW((folder + L"\\" + candidate).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool CreateDirectoriesA(const std::string& path) {
  if (path.empty()) return false;
  CreateDirectoryChain(NormalizePathA(path, true));
  return true;
}

bool CreateDirectoriesW(const std::wstring& path) {
  if (path.empty()) return false;
  CreateDirectoryChain(NormalizePathW(path, true));
  return true;
}

void CreateParentFoldersA(const std::string& file_path) {
  const size_t slash = file_path.find_last_of("\\/");
  if (slash != std::string::npos && slash > 0) CreateDirectoriesA(file_path.substr(0, slash));
}

HANDLE OpenFileMakingFoldersA(const std::string& path, DWORD access, DWORD share,
                              DWORD disposition) {
  HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
    CreateParentFoldersA(path);
    file = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  }
  return file;
}

void DeleteDirectory(const std::string& path) { DeleteDirectoryTree(AnsiToWide(path)); }

bool IsDirectoryA(const std::string& path) { return IsDirectoryW(AnsiToWide(path)); }

bool IsDirectoryW(const std::wstring& path) {
  if (path.empty()) return false;
  if (!PathIsRelativeW(path.c_str())) return PathIsDirectoryW(path.c_str()) != FALSE;
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return false;
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return false;
  full.resize(length);
  return PathIsDirectoryW(full.c_str()) != FALSE;
}

char* ReadWholeHandle(HANDLE handle, int64_t count, int64_t* length) {
  char* buffer = nullptr;
  if (handle != INVALID_HANDLE_VALUE && handle != nullptr && count >= 0 &&
      static_cast<uint64_t>(count) < SIZE_MAX) {
    buffer = static_cast<char*>(malloc(static_cast<size_t>(count) + 1));
  }
  if (buffer) {
    int64_t done = 0;
    while (done < count) {
      DWORD chunk = static_cast<DWORD>(std::min<int64_t>(count - done, kMaxIoChunk));
      DWORD read = 0;
      if (!ReadFile(handle, buffer + done, chunk, &read, nullptr) || read == 0) break;
      done += read;
    }
    if (done != count) {
      free(buffer);
      buffer = nullptr;
    } else if (length) {
      *length = count;
    }
  }
  if (handle != INVALID_HANDLE_VALUE && handle != nullptr) CloseHandle(handle);
  return buffer;
}
