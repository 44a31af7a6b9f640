// Thread-local slots of the base runtime, allocated on first use.
//
// ThreadDataSlot holds the calling thread's ThreadTlsData (only inside a
// framework thread's run); CurrentLoopSlot holds the calling thread's
// MessageLoop. Any thread may use them; several threads asking at once
// allocate the index once. The index is never freed: it ends with the
// process.
#ifndef BASE_THREAD_THREAD_LOCAL_SLOT_H_
#define BASE_THREAD_THREAD_LOCAL_SLOT_H_

#include <windows.h>

#include <atomic>

namespace base {

class FrameworkThread;

class ThreadLocalSlot {
 public:
  constexpr ThreadLocalSlot() = default;
  ThreadLocalSlot(const ThreadLocalSlot&) = delete;
  ThreadLocalSlot& operator=(const ThreadLocalSlot&) = delete;

  DWORD Index();
  void* Get() { return TlsGetValue(Index()); }
  void Set(void* value) { TlsSetValue(Index(), value); }

 private:
  static void Release(void* slot);

  // 0 not allocated, 1 being allocated, 2 ready.
  std::atomic<int> state_{0};
  DWORD index_ = TLS_OUT_OF_INDEXES;
};

// The per-thread record of a framework thread, touched only by its thread.
struct ThreadTlsData {
  FrameworkThread* owner = nullptr;
  int registration_count = 0;  // enrolments not yet withdrawn
  int registered_id = -1;
};

ThreadLocalSlot& ThreadDataSlot();
ThreadLocalSlot& CurrentLoopSlot();

}  // namespace base

#endif  // BASE_THREAD_THREAD_LOCAL_SLOT_H_
