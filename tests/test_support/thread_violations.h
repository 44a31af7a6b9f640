// Records thread-check violations instead of aborting, for tests that
// touch an object from the wrong thread on purpose. One recorder at a time;
// the default handler (abort) is back when it ends.
#ifndef TESTS_TEST_SUPPORT_THREAD_VIOLATIONS_H_
#define TESTS_TEST_SUPPORT_THREAD_VIOLATIONS_H_

#include <mutex>
#include <string>
#include <vector>

#include "base/thread/thread_checker.h"

namespace testing_support {

class ThreadViolationRecorder {
 public:
  ThreadViolationRecorder() {
    Seen().clear();
    previous_ = base::SetThreadViolationHandler(&Record);
  }
  ~ThreadViolationRecorder() { base::SetThreadViolationHandler(previous_); }
  ThreadViolationRecorder(const ThreadViolationRecorder&) = delete;
  ThreadViolationRecorder& operator=(const ThreadViolationRecorder&) = delete;

  // The operations reported so far, in order.
  std::vector<std::string> operations() const {
    std::lock_guard<std::mutex> hold(Lock());
    return Seen();
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static std::vector<std::string>& Seen() {
    static std::vector<std::string> seen;
    return seen;
  }
  static void Record(const char*, int, const char* what) {
    std::lock_guard<std::mutex> hold(Lock());
    Seen().push_back(what);
  }

  base::ThreadViolationHandler previous_;
};

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_THREAD_VIOLATIONS_H_
