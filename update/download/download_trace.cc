#include "update/download/download_trace.h"

#include <windows.h>

void DownloadTrace::Reset(const std::string& path) {
  path_ = path;
  HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

void DownloadTrace::Append(const std::string& line) const {
  HANDLE file = CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  SetFilePointer(file, 0, nullptr, FILE_END);
  const char* data = line.data();
  size_t left = line.size();
  while (left > 0) {
    DWORD written = 0;
    DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) break;
    data += written;
    left -= written;
  }
  CloseHandle(file);
}
