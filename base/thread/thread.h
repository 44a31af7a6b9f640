// Thread: an operating-system thread that runs the object's Run.
//
// Owned by whoever made it; Start and Join are called from another thread
// (the owner's), Run runs on the new thread. The destructor joins, so a
// derived class must make its Run return before it is destroyed.
#ifndef BASE_THREAD_THREAD_H_
#define BASE_THREAD_THREAD_H_

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace base {

class Thread {
 public:
  Thread() = default;
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Creates the thread; false (no handle, id 0) when it could not be made.
  bool Start();
  // Waits without limit for the thread to end (terminating it when the wait
  // itself fails) and closes the handle.
  void Join();

  // 0 keeps the system's default; 1 lowest, 2 below normal, 3 highest,
  // 4 time critical, any other positive value below normal. Takes effect at
  // Start.
  void set_priority(int priority) { priority_ = priority; }
  int priority() const { return priority_; }

  uint32_t thread_id() const { return thread_id_.load(std::memory_order_acquire); }
  HANDLE thread_handle() const { return handle_; }

 protected:
  virtual void Run() {}
  void set_thread_id(uint32_t id) { thread_id_.store(id, std::memory_order_release); }

 private:
  static unsigned __stdcall ThreadEntry(void* thread);

  std::atomic<uint32_t> thread_id_{0};
  HANDLE handle_ = nullptr;
  int priority_ = 0;
};

}  // namespace base

#endif  // BASE_THREAD_THREAD_H_
