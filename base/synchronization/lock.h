// A critical section with the runtime's spin count, and its scoped holder.
//
// Owned by the object whose state it guards; any thread may take it. Not
// recursive by contract (the system's critical section is, but no caller
// relies on that).
#ifndef BASE_SYNCHRONIZATION_LOCK_H_
#define BASE_SYNCHRONIZATION_LOCK_H_

#include <windows.h>

namespace base {

class Lock {
 public:
  static constexpr DWORD kSpinCount = 2000;

  Lock() { InitializeCriticalSectionAndSpinCount(&section_, kSpinCount); }
  ~Lock() { DeleteCriticalSection(&section_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void Acquire() { EnterCriticalSection(&section_); }
  void Release() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

class AutoLock {
 public:
  explicit AutoLock(Lock& lock) : lock_(lock) { lock_.Acquire(); }
  ~AutoLock() { lock_.Release(); }
  AutoLock(const AutoLock&) = delete;
  AutoLock& operator=(const AutoLock&) = delete;

 private:
  Lock& lock_;
};

}  // namespace base

#endif  // BASE_SYNCHRONIZATION_LOCK_H_
