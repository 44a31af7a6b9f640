#include "update/patch/patch_block_writer.h"

#include "update/patch/patch_cancel_flag.h"

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
  int64_t done = 0;
  while (done < filled_) {
    DWORD wrote = 0;
    if (!WriteFile(file_, buffer_ + done, static_cast<DWORD>(filled_ - done), &wrote, nullptr)) {
      status_ = kWriteFailed;
      return false;
    }
    if (wrote == 0) {
      status_ = kWriteShort;
      return false;
    }
    done += wrote;
  }
  written_ += filled_;
  filled_ = 0;
  return true;
}
