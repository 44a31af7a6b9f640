// The streamed applier's view of the old file: ranges of it are read into the
// old-data buffer and added to the diff bytes. Reads follow the positions the
// control triples give; the window read ahead grows while they move forward
// and falls back to a small read after a jump, so a patch that jumps around
// the old file costs little more than the bytes it uses. Positions of a range
// that fall outside the old file add nothing.
// Does not own the buffer or the handle; one application on the engine thread.
#ifndef UPDATE_PATCH_OLD_FILE_READER_H_
#define UPDATE_PATCH_OLD_FILE_READER_H_

#include <windows.h>
#include <stdint.h>

class OldFileReader {
 public:
  enum Status { kOk = 0, kReadFailed = -2, kReadShort = -3 };

  OldFileReader(HANDLE file, int64_t size, uint8_t* buffer, int64_t capacity);
  OldFileReader(const OldFileReader&) = delete;
  OldFileReader& operator=(const OldFileReader&) = delete;

  int64_t size() const { return size_; }

  // Adds the old bytes [position, position + count) to `bytes`, byte by byte
  // modulo 256, where they lie inside the old file.
  Status AddTo(uint8_t* bytes, int64_t count, int64_t position);

 private:
  Status Fill(int64_t position, int64_t needed);

  HANDLE file_;
  int64_t size_;
  uint8_t* buffer_;
  int64_t capacity_;
  int64_t window_start_ = 0;
  int64_t window_length_ = 0;
  int64_t read_ahead_;
};

#endif  // UPDATE_PATCH_OLD_FILE_READER_H_
