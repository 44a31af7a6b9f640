#include "browser/paint_buffer.h"

#include <cstring>

namespace comp {

bool PaintBuffer::Store(const void* pixels, int width, int height) {
  if (!pixels || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
  size_t size = size_t(width) * size_t(height) * 4;
  base::AutoLock hold(lock_);
  if (size + 1 > bytes_.size()) bytes_.resize(size + 1, 0);
  std::memcpy(bytes_.data(), pixels, size);
  width_ = width;
  height_ = height;
  ++serial_;
  return true;
}

size_t PaintBuffer::capacity() {
  base::AutoLock hold(lock_);
  return bytes_.size();
}

uint64_t PaintBuffer::serial() {
  base::AutoLock hold(lock_);
  return serial_;
}

}  // namespace comp
