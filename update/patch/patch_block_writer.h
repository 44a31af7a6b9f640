// The streamed applier's way to the new file: segments are gathered in the
// block buffer and written out each time it fills and once at the end, so the
// new file is written sequentially in large pieces whatever the size of the
// segments. After each full block it looks at PatchCancelFlag. It does not own
// the buffer or the file handle; it lives for one application on the engine
// thread.
#ifndef UPDATE_PATCH_PATCH_BLOCK_WRITER_H_
#define UPDATE_PATCH_PATCH_BLOCK_WRITER_H_

#include <windows.h>
#include <stdint.h>

class PatchBlockWriter {
 public:
  enum Status { kOk = 0, kWriteFailed = -4, kWriteShort = -5, kCancelled = -6 };

  PatchBlockWriter(HANDLE file, uint8_t* buffer, int64_t capacity);
  PatchBlockWriter(const PatchBlockWriter&) = delete;
  PatchBlockWriter& operator=(const PatchBlockWriter&) = delete;

  // Free space of the buffer, writing out a full buffer first; nullptr when that
  // write fails or the cancel flag is found set after it (status() says which).
  uint8_t* Reserve(int64_t* available);
  // Counts `count` bytes of the reserved space as filled.
  void Commit(int64_t count);
  // Writes out whatever is gathered. False on failure (status() says which).
  bool Flush();

  Status status() const { return status_; }
  int64_t written() const { return written_; }

 private:
  HANDLE file_;
  uint8_t* buffer_;
  int64_t capacity_;
  int64_t filled_ = 0;
  int64_t written_ = 0;
  Status status_ = kOk;
};

#endif  // UPDATE_PATCH_PATCH_BLOCK_WRITER_H_
