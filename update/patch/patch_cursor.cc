#include "update/patch/patch_cursor.h"

#include <string.h>

#include <algorithm>

#include "update/patch/old_file_reader.h"
#include "update/patch/patch_block_writer.h"

PatchCursor::PatchCursor(const uint8_t* stream, int64_t begin, int64_t end)
    : stream_(stream), position_(begin), end_(end) {}

const uint8_t* PatchCursor::Read(int64_t count) {
  if (count < 0 || count > remaining()) return nullptr;
  const uint8_t* bytes = stream_ + position_;
  position_ += count;
  return bytes;
}

int64_t PatchCursor::WriteRange(int64_t count, PatchBlockWriter* writer, OldFileReader* old,
                                int64_t old_position) {
  if (count < 0 || count > remaining()) return kPastBlock;
  int64_t left = count;
  while (left > 0) {
    int64_t wrote = WriteBlock(left, writer, old, old_position);
    if (wrote < 0) return wrote;
    left -= wrote;
    old_position += wrote;
  }
  return count;
}

int64_t PatchCursor::WriteBlock(int64_t count, PatchBlockWriter* writer, OldFileReader* old,
                                int64_t old_position) {
  int64_t room = 0;
  uint8_t* block = writer->Reserve(&room);
  if (!block || room <= 0) return kWriteFailed;
  const int64_t take = std::min(count, room);
  memcpy(block, Read(take), static_cast<size_t>(take));
  if (old && old->AddTo(block, take, old_position) != OldFileReader::kOk) return kOldReadFailed;
  writer->Commit(take);
  return take;
}
