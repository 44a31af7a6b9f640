#include "base/thread/thread_checker.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/thread/thread_registry.h"
#include "test_support/thread_violations.h"

namespace base {
namespace {

TEST(ThreadCheckerTest, BoundToItsThreadOrToTheFirstCheckAfterDetach) {
  ThreadChecker checker;
  EXPECT_TRUE(checker.CalledOnValidThread());
  bool other = true;
  std::thread([&] { other = checker.CalledOnValidThread(); }).join();
  EXPECT_FALSE(other);

  checker.Detach();
  std::thread([&] { other = checker.CalledOnValidThread(); }).join();
  EXPECT_TRUE(other);
  EXPECT_FALSE(checker.CalledOnValidThread());
}

TEST(ThreadCheckerTest, AThreadIdIsOnlyCheckedWhileAThreadHoldsIt) {
  // Nobody holds the id: whoever drives its work passes.
  EXPECT_TRUE(CalledOnThreadId(kMiscThreadId));
}

TEST(ThreadCheckerTest, AViolationReachesTheHandlerInTheCheckedBuild) {
  if (!THREAD_CHECKS_ON) GTEST_SKIP() << "built without thread checks";
  testing_support::ThreadViolationRecorder recorder;
  struct Bound {
    void Touch() { CHECK_CALLED_ON_VALID_THREAD(checker_); }
    THREAD_CHECKER(checker_);
  } bound;
  bound.Touch();
  EXPECT_TRUE(recorder.operations().empty());
  std::thread([&] { bound.Touch(); }).join();
  EXPECT_EQ(std::vector<std::string>{"Touch"}, recorder.operations());
}

}  // namespace
}  // namespace base
