#include "base/thread/thread.h"

#include <process.h>

namespace base {
namespace {

int SystemPriority(int priority) {
  switch (priority) {
    case 1:
      return THREAD_PRIORITY_LOWEST;
    case 3:
      return THREAD_PRIORITY_HIGHEST;
    case 4:
      return THREAD_PRIORITY_TIME_CRITICAL;
    default:
      return THREAD_PRIORITY_BELOW_NORMAL;
  }
}

}  // namespace

Thread::~Thread() { Join(); }

unsigned __stdcall Thread::ThreadEntry(void* thread) {
  static_cast<Thread*>(thread)->Run();
  _endthreadex(0);
  return 0;
}

bool Thread::Start() {
  unsigned id = 0;
  uintptr_t handle = _beginthreadex(nullptr, 0, &Thread::ThreadEntry, this, 0, &id);
  if (handle == 0 || handle == 1) {
    handle_ = nullptr;
    set_thread_id(0);
    return false;
  }
  handle_ = reinterpret_cast<HANDLE>(handle);
  set_thread_id(id);
  if (priority_ >= 1) SetThreadPriority(handle_, SystemPriority(priority_));
  return true;
}

void Thread::Join() {
  if (!handle_) return;
  if (WaitForSingleObject(handle_, INFINITE) == WAIT_FAILED) TerminateThread(handle_, 0);
  CloseHandle(handle_);
  set_thread_id(0);
  handle_ = nullptr;
}

}  // namespace base
