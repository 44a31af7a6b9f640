// PatchCursor: a read position over one block of the unpacked "BSDIFN40"
// stream. It serves bytes of its own block only: a read that would run past
// the block's end fails and moves nothing, so a diff segment can never take
// bytes of the extra block and the control data never those of the diff block.
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

  // The block is stream[begin, end).
  PatchCursor(const uint8_t* stream, int64_t begin, int64_t end);

  int64_t position() const { return position_; }
  int64_t remaining() const { return end_ - position_; }

  // The next `count` bytes, or nullptr (and no move) when fewer remain.
  const uint8_t* Read(int64_t count);

  // Writes the next `count` bytes of the block to `writer`, each plus the old
  // file's byte at the same distance from `old_position` when `old` is given
  // (the caller has checked that range lies inside the old file). Returns
  // `count`, kPastBlock when the block holds fewer bytes (nothing is written
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
