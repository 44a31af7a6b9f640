// PatchCursor: a read position over the unpacked "BSDIFN40" stream, from a
// block's start up to a given end: the control block's end for the control
// data (so it never takes diff bytes), the stream's end for the diff and
// extra reads, as patches may run a diff segment on into the extra block. A
// read that would run past the end fails and moves nothing.
// Does not own the stream; one application on the engine thread.
#ifndef UPDATE_PATCH_PATCH_CURSOR_H_
#define UPDATE_PATCH_PATCH_CURSOR_H_

#include <stdint.h>

class OldFileReader;
class PatchBlockWriter;

class PatchCursor {
 public:
  // Results of WriteRange besides the count written.
  enum { kPastBlock = -1, kWriteFailed = -2, kOldReadFailed = -3 };

  // Reads are served from stream[begin, end).
  PatchCursor(const uint8_t* stream, int64_t begin, int64_t end);

  int64_t position() const { return position_; }
  int64_t remaining() const { return end_ - position_; }

  // The next `count` bytes, or nullptr (and no move) when fewer remain.
  const uint8_t* Read(int64_t count);

  // Writes the next `count` bytes to `writer`, each plus the old file's byte
  // at the same distance from `old_position` when `old` is given and that
  // byte lies inside the old file. Returns
  // `count`, kPastBlock when fewer bytes remain (nothing is written
  // then), kWriteFailed when writing failed or was cancelled, kOldReadFailed
  // when the old file could not be read.
  int64_t WriteRange(int64_t count, PatchBlockWriter* writer, OldFileReader* old,
                     int64_t old_position);

 private:
  // One piece of a range: as many bytes as the writer has room for, at most
  // `count`. Returns the bytes written, or a negative result of WriteRange.
  int64_t WriteBlock(int64_t count, PatchBlockWriter* writer, OldFileReader* old,
                     int64_t old_position);

  const uint8_t* stream_;
  int64_t position_;
  int64_t end_;
};

#endif  // UPDATE_PATCH_PATCH_CURSOR_H_
