// PatchOutputFile: the new file of a patch, written beside its target and put
// in the target's place only once it is complete. The file is created as the
// target's name plus ".qvpatch" in the same folder (so the final rename stays
// on one volume); Commit closes it and replaces the target; an output that is
// never committed is closed and deleted, so a refused, failed or cancelled
// patch leaves the target as it was. Owned by one applier call on the engine
// thread.
#ifndef UPDATE_PATCH_PATCH_OUTPUT_FILE_H_
#define UPDATE_PATCH_PATCH_OUTPUT_FILE_H_

#include <windows.h>

#include <string>

class PatchOutputFile {
 public:
  static constexpr const wchar_t* kSuffix = L".qvpatch";

  PatchOutputFile() = default;
  ~PatchOutputFile();
  PatchOutputFile(const PatchOutputFile&) = delete;
  PatchOutputFile& operator=(const PatchOutputFile&) = delete;

  // Creates (or truncates) the file beside `target`, for reading and writing
  // with no sharing. False on failure; GetLastError tells why.
  bool Create(const wchar_t* target);
  HANDLE handle() const { return handle_; }

  // Closes the file and moves it over the target. False when the move fails:
  // the target is then as it was and the new file is deleted; GetLastError
  // tells why.
  bool Commit();
  // Closes and deletes the new file.
  void Discard();

 private:
  std::wstring target_;
  std::wstring path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

#endif  // UPDATE_PATCH_PATCH_OUTPUT_FILE_H_
