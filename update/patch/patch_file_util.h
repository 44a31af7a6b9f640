// Small file helpers of the patch engine: narrow paths widened with the ANSI
// code page (what the narrow Windows calls do), paths for the diagnostic lines,
// and the exclusive read-only open every input of a patch uses. Stateless; any
// thread.
#ifndef UPDATE_PATCH_PATCH_FILE_UTIL_H_
#define UPDATE_PATCH_PATCH_FILE_UTIL_H_

#include <windows.h>
#include <stdint.h>

#include <string>

// Reads and writes go in pieces of at most this size, far below the 32-bit
// count of one ReadFile or WriteFile.
constexpr int64_t kPatchIoChunk = 8 * 1024 * 1024;

enum class FileIoResult { kOk, kFailed, kShort };
// Reads `size` bytes from the current position; `done` (optional) receives the
// count read. kShort when the file ends first.
FileIoResult ReadFully(HANDLE file, void* buffer, int64_t size, int64_t* done = nullptr);
// Writes `size` bytes at the current position; kShort when a write takes nothing.
FileIoResult WriteFully(HANDLE file, const void* buffer, int64_t size, int64_t* done = nullptr);

// False for a null path or one the ANSI code page cannot convert.
bool WidenAnsiPath(const char* path, std::wstring* wide);
// UTF-8 form of a wide path, for the narrow diagnostic lines.
std::string PathForLog(const wchar_t* path);
// An existing file opened for reading with no sharing; INVALID_HANDLE_VALUE on
// failure (GetLastError tells why).
HANDLE OpenFileForPatchRead(const wchar_t* path);

// Closes the handle it holds when it goes out of scope.
class ScopedFileHandle {
 public:
  explicit ScopedFileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~ScopedFileHandle() { Close(); }
  ScopedFileHandle(const ScopedFileHandle&) = delete;
  ScopedFileHandle& operator=(const ScopedFileHandle&) = delete;

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

#endif  // UPDATE_PATCH_PATCH_FILE_UTIL_H_
