#include "base/thread/thread_registry.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop/message_loop.h"
#include "base/thread/framework_thread.h"
#include "loop_test_util.h"

namespace {

using base::FrameworkThread;
using base::kMiscThreadId;
using base::kUiThreadId;
using base::LoopClock;
using base::MessageLoop;
using base::ThreadRegistry;
using base::TimeDelta;
using loop_test::DrainDue;
using loop_test::ScopedFakeLoopClock;

// A framework thread whose hooks the test supplies.
class HookThread : public FrameworkThread {
 public:
  using Hook = std::function<void(HookThread*)>;
  HookThread(const char* name, Hook init, Hook cleanup)
      : FrameworkThread(name), init_(std::move(init)), cleanup_(std::move(cleanup)) {}
  ~HookThread() override { Stop(); }

 protected:
  void Init() override {
    if (init_) init_(this);
  }
  void Cleanup() override {
    if (cleanup_) cleanup_(this);
  }

 private:
  Hook init_, cleanup_;
};

// The worker thread as the launcher runs it: enrolled as 1 from Init to
// Cleanup.
std::unique_ptr<HookThread> MakeMiscThread(HookThread::Hook extra_cleanup = nullptr) {
  return std::make_unique<HookThread>(
      "MiscThread", [](HookThread*) { ThreadRegistry::Enroll(kMiscThreadId); },
      [extra_cleanup](HookThread* t) {
        if (extra_cleanup) extra_cleanup(t);
        ThreadRegistry::Withdraw();
      });
}

class Log {
 public:
  void Add(std::string entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  std::vector<std::string> entries() {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> entries_;
};

// Ends thread 0's run: its UI loop quits on WM_QUIT. The re-posted quit is
// drained afterwards so that it does not leak into the next test.
int DrainQuitMessage() {
  MSG message;
  int code = -1;
  while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
    code = static_cast<int>(message.wParam);
  return code;
}

TEST(ThreadRegistryTest, EnrollAndWithdrawRules) {
  auto holder = std::make_unique<HookThread>(
      "Holder", [](HookThread*) { ThreadRegistry::Enroll(5); },
      [](HookThread*) { ThreadRegistry::Withdraw(); });
  ASSERT_TRUE(holder->StartWithLoop(MessageLoop::kDefaultLoop));

  struct Results {
    bool negative, taken, first, second, withdraw1, found_after_one, withdraw2, found_after_two,
        withdraw3;
    int id_while_enrolled, id_after;
  } r = {};
  HookThread probe("Probe", [&r](HookThread*) {
    r.negative = ThreadRegistry::Enroll(-1);
    r.taken = ThreadRegistry::Enroll(5);
    r.first = ThreadRegistry::Enroll(6);
    r.second = ThreadRegistry::Enroll(6);
    r.id_while_enrolled = ThreadRegistry::CurrentId();
    r.withdraw1 = ThreadRegistry::Withdraw();
    r.found_after_one = ThreadRegistry::Find(6) != nullptr;
    r.withdraw2 = ThreadRegistry::Withdraw();
    r.found_after_two = ThreadRegistry::Find(6) != nullptr;
    r.withdraw3 = ThreadRegistry::Withdraw();
    r.id_after = ThreadRegistry::CurrentId();
  }, nullptr);
  ASSERT_TRUE(probe.StartWithLoop(MessageLoop::kDefaultLoop));
  probe.Stop();

  EXPECT_FALSE(r.negative);
  EXPECT_FALSE(r.taken);
  EXPECT_TRUE(r.first);
  EXPECT_TRUE(r.second);
  EXPECT_EQ(r.id_while_enrolled, 6);
  EXPECT_TRUE(r.withdraw1);
  EXPECT_TRUE(r.found_after_one);
  EXPECT_TRUE(r.withdraw2);
  EXPECT_FALSE(r.found_after_two);
  EXPECT_FALSE(r.withdraw3);
  EXPECT_EQ(r.id_after, -1);

  // The first registration is intact; a thread that is no framework thread
  // cannot enroll.
  EXPECT_NE(ThreadRegistry::Find(5), nullptr);
  EXPECT_FALSE(ThreadRegistry::Enroll(7));
  EXPECT_EQ(ThreadRegistry::CurrentId(), -1);
  holder->Stop();
  EXPECT_EQ(ThreadRegistry::Find(5), nullptr);
}

TEST(ThreadRegistryTest, ThreadsZeroAndOneExchangeImmediateDelayedAndRepeatedWork) {
  Log log;
  const DWORD ui_thread = GetCurrentThreadId();
  std::atomic<DWORD> misc_thread{0};
  std::atomic<int> on_wrong_thread{0}, early{0};
  std::atomic<int> repeats_on_0{0}, repeats_on_1{0}, arrivals_on_0{0};
  constexpr int kExpectedArrivals = 3 + 3 + 2 + 2;  // repeats both ways, replies, forwards

  auto check = [&](int id, DWORD thread) {
    if (ThreadRegistry::CurrentId() != id || GetCurrentThreadId() != thread) ++on_wrong_thread;
  };
  // Every piece of work that completes reports to thread 0, which ends the
  // run once all arrived.
  auto arrived = [&](const char* what) {
    log.Add(what);
    if (++arrivals_on_0 == kExpectedArrivals) PostQuitMessage(0);
  };

  std::unique_ptr<HookThread> misc;
  HookThread main("MainThread", [&](HookThread* self) {
    ThreadRegistry::Enroll(kUiThreadId);
    misc = MakeMiscThread();
    ASSERT_TRUE(misc->StartWithLoop(MessageLoop::kDefaultLoop));
    misc_thread = misc->thread_id();

    // 0 -> 1: immediate, delayed and repeated; each answers back to 0.
    ThreadRegistry::Post(kMiscThreadId, [&] {
      check(kMiscThreadId, misc_thread);
      ThreadRegistry::Post(kUiThreadId, [&] { check(kUiThreadId, ui_thread); arrived("reply to immediate"); });
    });
    int64_t posted_at = LoopClock::Now();
    ThreadRegistry::Find(kMiscThreadId)->PostDelayedTask([&, posted_at] {
      check(kMiscThreadId, misc_thread);
      if (LoopClock::Now() - posted_at < 3000) ++early;
      ThreadRegistry::Post(kUiThreadId, [&] { arrived("reply to delayed"); });
    }, TimeDelta(3000));
    ThreadRegistry::PostRepeating(kMiscThreadId, misc->ToWeakCallback([&] {
      check(kMiscThreadId, misc_thread);
      ++repeats_on_1;
      ThreadRegistry::Post(kUiThreadId, [&] { arrived("repeat ran on 1"); });
    }), TimeDelta(2000), 3);

    // 1 -> 0, started from thread 1.
    ThreadRegistry::Post(kMiscThreadId, [&, self] {
      ThreadRegistry::Post(kUiThreadId, [&] { check(kUiThreadId, ui_thread); arrived("immediate from 1"); });
      int64_t sent_at = LoopClock::Now();
      ThreadRegistry::Find(kUiThreadId)->PostDelayedTask([&, sent_at] {
        check(kUiThreadId, ui_thread);
        if (LoopClock::Now() - sent_at < 3000) ++early;
        arrived("delayed from 1");
      }, TimeDelta(3000));
      ThreadRegistry::PostRepeating(kUiThreadId, self->ToWeakCallback([&] {
        check(kUiThreadId, ui_thread);
        ++repeats_on_0;
        arrived("repeat ran on 0");
      }), TimeDelta(2000), 3);
    });
    // Safety net: a run that never completes ends with code 1.
    ThreadRegistry::Find(kUiThreadId)->PostDelayedTask([] { PostQuitMessage(1); },
                                                       TimeDelta::FromMilliseconds(loop_test::kWaitMs));
  }, [&](HookThread*) {
    misc->Stop();
    misc.reset();
    ThreadRegistry::Withdraw();
  });
  main.RunOnCurrentThreadWithLoop(MessageLoop::kUILoop);
  main.Stop();

  EXPECT_EQ(DrainQuitMessage(), 0) << "timed out";
  EXPECT_EQ(arrivals_on_0, kExpectedArrivals);
  EXPECT_EQ(repeats_on_0, 3);
  EXPECT_EQ(repeats_on_1, 3);
  EXPECT_EQ(on_wrong_thread, 0);
  EXPECT_EQ(early, 0);
  EXPECT_NE(misc_thread, ui_thread);
}

class RepeatingTaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    misc_ = MakeMiscThread();
    ASSERT_TRUE(misc_->StartWithLoop(MessageLoop::kDefaultLoop));
    proxy_ = ThreadRegistry::Find(kMiscThreadId);
    ASSERT_NE(proxy_, nullptr);
  }
  void TearDown() override { misc_->Stop(); }

  // How many runs happened by the current (frozen) time.
  size_t RunsByNow() {
    EXPECT_TRUE(DrainDue(proxy_.get()));
    return runs_.size();
  }

  struct Owner : base::SupportWeakCallback {};

  ScopedFakeLoopClock clock_;
  std::unique_ptr<HookThread> misc_;
  std::shared_ptr<base::MessageLoopProxy> proxy_;
  std::vector<int64_t> runs_;  // touched by thread 1, read after a drain
};

TEST_F(RepeatingTaskTest, DelayRestartsAfterEachRunAndNeverCatchesUp) {
  std::atomic<bool> slow{false};
  auto owner = std::make_unique<Owner>();
  ThreadRegistry::PostRepeating(kMiscThreadId, owner->ToWeakCallback([&] {
    runs_.push_back(LoopClock::Now());
    if (slow) ScopedFakeLoopClock::Advance(5);  // this run takes 5 ms
  }), TimeDelta(2000), -1);

  struct Step {
    uint32_t advance_ms;
    bool slow_run;
    size_t runs;
    const char* why;
  };
  const Step steps[] = {
      {0, false, 0, "not yet due"},
      {1, false, 0, "never early"},
      {1, false, 1, "due after 2 ms"},
      {100, false, 2, "a stall gives one run, not fifty"},
      {1, false, 2, "the delay restarted after that run"},
      {1, false, 3, "due 2 ms after the previous run"},
      {2, true, 4, "a slow run"},
      {1, false, 4, "due 2 ms after the slow run ended, not after it began"},
      {1, false, 5, "due now"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.why);
    slow = step.slow_run;
    ScopedFakeLoopClock::Advance(step.advance_ms);
    ASSERT_EQ(RunsByNow(), step.runs);
  }
  owner.reset();  // the owner is gone: no more runs
  ScopedFakeLoopClock::Advance(10);
  EXPECT_EQ(RunsByNow(), 5u);
}

TEST_F(RepeatingTaskTest, CountLimitsTheRuns) {
  struct Case {
    int count;
    size_t runs;
  };
  const Case cases[] = {{1, 1}, {3, 3}, {0, 0}, {-2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    runs_.clear();
    Owner owner;
    ThreadRegistry::PostRepeating(kMiscThreadId,
                                  owner.ToWeakCallback([this] { runs_.push_back(LoopClock::Now()); }),
                                  TimeDelta(2000), c.count);
    for (int ms = 0; ms < 20; ++ms) {
      ScopedFakeLoopClock::Advance(1);
      RunsByNow();
    }
    ASSERT_EQ(runs_.size(), c.runs);
    for (size_t i = 1; i < runs_.size(); ++i) EXPECT_EQ(runs_[i] - runs_[i - 1], 2000);
  }
}

TEST(ThreadRegistryTest, PostToAnIdentifierWithoutThreadIsRefusedAndReleasesTheClosure) {
  auto misc = MakeMiscThread();
  ASSERT_TRUE(misc->StartWithLoop(MessageLoop::kDefaultLoop));
  struct Case {
    const char* name;
    int id;
    bool stop_misc_first;
  };
  const Case cases[] = {
      {"never enrolled", 2, false},
      {"withdrawn", kMiscThreadId, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.stop_misc_first) misc->Stop();
    bool ran = false;
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    EXPECT_FALSE(ThreadRegistry::Post(c.id, [token, &ran] { ran = true; }));
    struct Owner : base::SupportWeakCallback {} owner;
    ThreadRegistry::PostRepeating(c.id, owner.ToWeakCallback([token, &ran] { ran = true; }),
                                  TimeDelta(2000), -1);
    token.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(ran);
    EXPECT_EQ(ThreadRegistry::Find(c.id), nullptr);
  }
}

TEST(ThreadRegistryTest, BothThreadsStopInOrderWithoutLosingDueTasks) {
  ScopedFakeLoopClock clock;
  Log log;
  std::atomic<int> immediate_run{0}, delayed_run{0};
  std::atomic<bool> far_run{false};
  auto far_token = std::make_shared<int>(0);
  std::weak_ptr<int> far_watch = far_token;
  bool post_to_1_after_stop = true;

  std::unique_ptr<HookThread> misc;
  HookThread main("MainThread", [&](HookThread*) {
    ThreadRegistry::Enroll(kUiThreadId);
    misc = MakeMiscThread([&](HookThread*) {
      log.Add("misc cleanup: " + std::to_string(immediate_run) + " immediate, " +
              std::to_string(delayed_run) + " delayed");
    });
    ASSERT_TRUE(misc->StartWithLoop(MessageLoop::kDefaultLoop));
    for (int i = 0; i < 50; ++i) ThreadRegistry::Post(kMiscThreadId, [&] { ++immediate_run; });
    auto proxy = ThreadRegistry::Find(kMiscThreadId);
    for (int i = 0; i < 10; ++i) proxy->PostDelayedTask([&] { ++delayed_run; }, TimeDelta(1000));
    proxy->PostDelayedTask([&far_run, far_token] { far_run = true; },
                           TimeDelta::FromMilliseconds(3600 * 1000));
    far_token.reset();
    ScopedFakeLoopClock::Advance(1);  // the ten delayed tasks are due
    ThreadRegistry::Post(kUiThreadId, [&] {
      log.Add("main quits");
      PostQuitMessage(0);
    });
  }, [&](HookThread*) {
    log.Add("main cleanup");
    misc->Stop();  // thread 1 runs its due tasks, quits, cleans up and ends
    log.Add("misc stopped");
    post_to_1_after_stop = ThreadRegistry::Post(kMiscThreadId, [] {});
    misc.reset();
    ThreadRegistry::Withdraw();
  });
  main.RunOnCurrentThreadWithLoop(MessageLoop::kUILoop);
  main.Stop();

  EXPECT_EQ(DrainQuitMessage(), 0);
  EXPECT_EQ(log.entries(),
            (std::vector<std::string>{"main quits", "main cleanup",
                                      "misc cleanup: 50 immediate, 10 delayed", "misc stopped"}));
  EXPECT_FALSE(post_to_1_after_stop);
  EXPECT_FALSE(far_run);
  EXPECT_TRUE(far_watch.expired());
  EXPECT_FALSE(ThreadRegistry::Post(kUiThreadId, [] {}));
  EXPECT_FALSE(main.IsRunning());
}

}  // namespace
