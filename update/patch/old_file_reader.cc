#include "update/patch/old_file_reader.h"

#include <algorithm>

#include "update/patch/patch_file_util.h"

namespace {

constexpr int64_t kMinReadAhead = 256 * 1024;

}  // namespace

OldFileReader::OldFileReader(HANDLE file, int64_t size, uint8_t* buffer, int64_t capacity)
    : file_(file), size_(size), buffer_(buffer), capacity_(capacity), read_ahead_(kMinReadAhead) {}

OldFileReader::Status OldFileReader::AddTo(uint8_t* bytes, int64_t count, int64_t position) {
  // Only positions inside the old file add a byte; the others keep the diff
  // byte alone.
  if (position < 0) {
    const int64_t skip = std::min(count, -position);
    bytes += skip;
    count -= skip;
    position += skip;
  }
  count = std::min(count, std::max<int64_t>(0, size_ - position));
  while (count > 0) {
    if (position < window_start_ || position >= window_start_ + window_length_) {
      Status status = Fill(position, count);
      if (status != kOk) return status;
    }
    const int64_t offset = position - window_start_;
    const int64_t take = std::min(count, window_length_ - offset);
    const uint8_t* old = buffer_ + offset;
    for (int64_t i = 0; i < take; ++i) bytes[i] = static_cast<uint8_t>(bytes[i] + old[i]);
    bytes += take;
    count -= take;
    position += take;
  }
  return kOk;
}

OldFileReader::Status OldFileReader::Fill(int64_t position, int64_t needed) {
  const int64_t window_end = window_start_ + window_length_;
  // Reading on from where the last window ended: read further ahead each time.
  if (window_length_ > 0 && position >= window_end && position - window_end < read_ahead_)
    read_ahead_ = std::min(capacity_, read_ahead_ * 2);
  else
    read_ahead_ = kMinReadAhead;
  int64_t length = std::min(std::max(needed, read_ahead_), capacity_);
  length = std::min(length, size_ - position);
  if (position < 0 || length <= 0) return kReadShort;

  window_start_ = position;
  window_length_ = 0;
  LARGE_INTEGER target;
  target.QuadPart = position;
  if (!SetFilePointerEx(file_, target, nullptr, FILE_BEGIN)) return kReadFailed;
  switch (ReadFully(file_, buffer_, length)) {
    case FileIoResult::kFailed: return kReadFailed;
    case FileIoResult::kShort: return kReadShort;
    case FileIoResult::kOk: break;
  }
  window_length_ = length;
  return kOk;
}
