#include "update/patch/patch_file_util.h"

#include <algorithm>

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

FileIoResult ReadFully(HANDLE file, void* buffer, int64_t size, int64_t* done) {
  int64_t total = 0;
  FileIoResult result = FileIoResult::kOk;
  while (total < size) {
    DWORD piece = static_cast<DWORD>(std::min(size - total, kPatchIoChunk));
    DWORD got = 0;
    if (!ReadFile(file, static_cast<uint8_t*>(buffer) + total, piece, &got, nullptr)) {
      result = FileIoResult::kFailed;
      break;
    }
    if (got == 0) {
      result = FileIoResult::kShort;
      break;
    }
    total += got;
  }
  if (done) *done = total;
  return result;
}

FileIoResult WriteFully(HANDLE file, const void* buffer, int64_t size, int64_t* done) {
  int64_t total = 0;
  FileIoResult result = FileIoResult::kOk;
  while (total < size) {
    DWORD piece = static_cast<DWORD>(std::min(size - total, kPatchIoChunk));
    DWORD wrote = 0;
    if (!WriteFile(file, static_cast<const uint8_t*>(buffer) + total, piece, &wrote, nullptr)) {
      result = FileIoResult::kFailed;
      break;
    }
    if (wrote == 0) {
      result = FileIoResult::kShort;
      break;
    }
    total += wrote;
  }
  if (done) *done = total;
  return result;
}

HANDLE OpenFileForPatchRead(const wchar_t* path) {
  return CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}
