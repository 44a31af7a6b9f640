// PaintBuffer: the last frame of one kind (the page, or its pop-up widget)
// on its way from the runtime's UI thread, which stores it, to thread 0,
// which copies it into the control's bitmap. The pixels, their size and a
// frame number are kept under one lock; the lock is held only for the
// copies. The bytes grow to the largest frame seen and are reused.
//
// Shared (std::shared_ptr) by the browser client and the notifications it
// posts, so a notification never reads a buffer that is gone.
#ifndef BROWSER_PAINT_BUFFER_H_
#define BROWSER_PAINT_BUFFER_H_

#include <cstdint>
#include <vector>

#include "base/synchronization/lock.h"

namespace comp {

class PaintBuffer {
 public:
  // The largest side a frame may have; larger ones are refused.
  static constexpr int kMaxSide = 16384;

  // Copies a width x height frame of 32-bit pixels. False (nothing kept)
  // for no pixels or a size outside 1..kMaxSide.
  bool Store(const void* pixels, int width, int height);

  // Calls use(pixels, width, height) with the last frame under the lock;
  // false when no frame was stored yet.
  template <typename Use>
  bool Read(Use use) {
    base::AutoLock hold(lock_);
    if (width_ <= 0 || height_ <= 0) return false;
    use(bytes_.data(), width_, height_);
    return true;
  }

  // Bytes held (the largest frame's size plus one).
  size_t capacity();
  // Frames stored so far.
  uint64_t serial();

 private:
  base::Lock lock_;
  std::vector<uint8_t> bytes_;
  int width_ = 0;
  int height_ = 0;
  uint64_t serial_ = 0;
};

}  // namespace comp

#endif  // BROWSER_PAINT_BUFFER_H_
