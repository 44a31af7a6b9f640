#include "base/thread/thread_local_slot.h"

#include "base/file/path_util.h"

namespace base {

DWORD ThreadLocalSlot::Index() {
  if (state_.load(std::memory_order_acquire) == 2) return index_;
  int expected = 0;
  if (state_.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
    index_ = TlsAlloc();
    RegisterAtExit(&ThreadLocalSlot::Release, this);
    state_.store(2, std::memory_order_release);
    return index_;
  }
  while (state_.load(std::memory_order_acquire) != 2) Sleep(0);
  return index_;
}

void ThreadLocalSlot::Release(void* slot) {
  auto* self = static_cast<ThreadLocalSlot*>(slot);
  if (self->index_ != TLS_OUT_OF_INDEXES) TlsFree(self->index_);
}

ThreadLocalSlot& ThreadDataSlot() {
  static ThreadLocalSlot slot;  // constant-initialised: no guard needed
  return slot;
}

ThreadLocalSlot& CurrentLoopSlot() {
  static ThreadLocalSlot slot;
  return slot;
}

}  // namespace base
