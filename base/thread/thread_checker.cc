#include "base/thread/thread_checker.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "base/thread/thread_registry.h"

namespace base {

namespace {

void AbortOnViolation(const char* file, int line, const char* what) {
  std::fprintf(stderr, "Thread check failed: %s at %s:%d\n", what, file, line);
  std::fflush(stderr);
  std::abort();
}

std::atomic<ThreadViolationHandler> g_handler{&AbortOnViolation};

}  // namespace

ThreadViolationHandler SetThreadViolationHandler(ThreadViolationHandler handler) {
  return g_handler.exchange(handler ? handler : &AbortOnViolation);
}

void ReportThreadViolation(const char* file, int line, const char* what) {
  g_handler.load()(file, line, what);
}

ThreadChecker::ThreadChecker() : owner_(::GetCurrentThreadId()) {}

bool ThreadChecker::CalledOnValidThread() const {
  const unsigned long self = ::GetCurrentThreadId();
  unsigned long expected = 0;
  // Thread ids are never 0: 0 is the unbound checker.
  if (owner_.compare_exchange_strong(expected, self)) return true;
  return expected == self;
}

void ThreadChecker::Detach() { owner_.store(0); }

bool CalledOnThreadId(int id) {
  if (ThreadRegistry::CurrentId() == id) return true;
  return !ThreadRegistry::Find(id);
}

}  // namespace base
