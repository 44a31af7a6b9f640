#include "update/patch/patch_output_file.h"

PatchOutputFile::~PatchOutputFile() { Discard(); }

bool PatchOutputFile::Create(const wchar_t* target) {
  Discard();
  if (!target || !*target) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  target_ = target;
  path_ = target_ + kSuffix;
  handle_ = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) {
    path_.clear();
    return false;
  }
  return true;
}

bool PatchOutputFile::Commit() {
  if (handle_ == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  if (!MoveFileExW(path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD error = GetLastError();
    Discard();
    SetLastError(error);
    return false;
  }
  path_.clear();
  return true;
}

void PatchOutputFile::Discard() {
  if (handle_ != INVALID_HANDLE_VALUE) {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  if (!path_.empty()) {
    DeleteFileW(path_.c_str());
    path_.clear();
  }
}
