// Small file helpers of the patch engine: narrow paths widened with the ANSI
// code page (what the narrow Windows calls do), paths for the diagnostic lines,
// and the exclusive read-only open every input of a patch uses. Stateless; any
// thread.
#ifndef UPDATE_PATCH_PATCH_FILE_UTIL_H_
#define UPDATE_PATCH_PATCH_FILE_UTIL_H_

#include <windows.h>

#include <string>

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
