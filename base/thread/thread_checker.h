// ThreadChecker: the thread an object belongs to, checked where the object
// is used. The framework's windows, controls, resources, language table and
// timers, and the controller's single-thread fields, belong to one thread;
// a call from any other thread is a data race that no comment prevents.
//
// The checks are compiled only when QUORVEL_THREAD_CHECKS is defined (the
// CMake option of the same name, which the test build turns on); otherwise
// the macros below expand to nothing and the shipped program carries neither
// the checker fields nor the calls. A failed check goes to the violation
// handler: by default it writes the place to stderr and aborts, so a test
// that touches an object from the wrong thread fails; a test may install its
// own handler to see a violation on purpose.
//
// A checker is bound to the thread that constructs it, or, after Detach, to
// the next thread that checks it. Any thread may call its operations.
#ifndef BASE_THREAD_THREAD_CHECKER_H_
#define BASE_THREAD_THREAD_CHECKER_H_

#include <atomic>

namespace base {

// `what` names the object or operation that was touched.
using ThreadViolationHandler = void (*)(const char* file, int line, const char* what);

// Installs a handler (null puts the default back); returns the previous one.
ThreadViolationHandler SetThreadViolationHandler(ThreadViolationHandler handler);
void ReportThreadViolation(const char* file, int line, const char* what);

class ThreadChecker {
 public:
  ThreadChecker();
  ThreadChecker(const ThreadChecker&) = delete;
  ThreadChecker& operator=(const ThreadChecker&) = delete;

  // True on the bound thread; an unbound checker binds to the caller.
  bool CalledOnValidThread() const;
  // Unbinds: the next thread that checks becomes the owner.
  void Detach();

 private:
  mutable std::atomic<unsigned long> owner_;
};

// True when the caller is the framework thread enrolled under `id`, or when
// no thread is enrolled there (before the thread starts, after it ends, and
// in tests that drive its work from one thread).
bool CalledOnThreadId(int id);

}  // namespace base

#if defined(QUORVEL_THREAD_CHECKS)
#define THREAD_CHECKS_ON 1
#define THREAD_CHECKER(name) ::base::ThreadChecker name
#define CHECK_CALLED_ON_VALID_THREAD(name)                            \
  do {                                                                \
    if (!(name).CalledOnValidThread())                                \
      ::base::ReportThreadViolation(__FILE__, __LINE__, __func__);    \
  } while (0)
#define DETACH_FROM_THREAD(name) (name).Detach()
#define CHECK_CALLED_ON_THREAD_ID(id)                                 \
  do {                                                                \
    if (!::base::CalledOnThreadId(id))                                \
      ::base::ReportThreadViolation(__FILE__, __LINE__, __func__);    \
  } while (0)
#else
#define THREAD_CHECKS_ON 0
#define THREAD_CHECKER(name) static_assert(true, "")
#define CHECK_CALLED_ON_VALID_THREAD(name) ((void)0)
#define DETACH_FROM_THREAD(name) ((void)0)
#define CHECK_CALLED_ON_THREAD_ID(id) ((void)0)
#endif

#endif  // BASE_THREAD_THREAD_CHECKER_H_
