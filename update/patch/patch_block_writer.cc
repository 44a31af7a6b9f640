#include "update/patch/patch_block_writer.h"

#include "update/patch/patch_cancel_flag.h"
#include "update/patch/patch_file_util.h"

PatchBlockWriter::PatchBlockWriter(HANDLE file, uint8_t* buffer, int64_t capacity)
    : file_(file), buffer_(buffer), capacity_(capacity) {}

uint8_t* PatchBlockWriter::Reserve(int64_t* available) {
  if (status_ != kOk) return nullptr;
  if (filled_ == capacity_) {
    if (!Flush()) return nullptr;
    if (PatchCancelFlag.load(std::memory_order_relaxed)) {
      status_ = kCancelled;
      return nullptr;
    }
  }
  *available = capacity_ - filled_;
  return buffer_ + filled_;
}

void PatchBlockWriter::Commit(int64_t count) { filled_ += count; }

bool PatchBlockWriter::Flush() {
  if (status_ != kOk) return false;
  switch (WriteFully(file_, buffer_, filled_)) {
    case FileIoResult::kFailed: status_ = kWriteFailed; return false;
    case FileIoResult::kShort: status_ = kWriteShort; return false;
    case FileIoResult::kOk: break;
  }
  written_ += filled_;
  filled_ = 0;
  return true;
}
