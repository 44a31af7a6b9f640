#include "base/message_loop/message_loop.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop/message_loop_proxy.h"
#include "base/thread/framework_thread.h"
#include "loop_test_util.h"

namespace {

using base::FrameworkThread;
using base::MessageLoop;
using base::MessageLoopProxy;
using base::TimeDelta;
using loop_test::DrainDue;
using loop_test::Event;
using loop_test::ScopedFakeLoopClock;

// The same ordering guarantees hold whichever pump waits for the loop.
// A loop of the kind under test that reports when a non-nestable task (the
// quit task of FrameworkThread::Stop) has been queued.
template <typename Base>
class SpyLoop : public Base {
 public:
  explicit SpyLoop(Event* non_nestable_queued) : non_nestable_queued_(non_nestable_queued) {}
  void EnqueueTask(base::QueuedTask task) override {
    bool non_nestable = !task.nestable;
    Base::EnqueueTask(std::move(task));
    if (non_nestable) non_nestable_queued_->Signal();
  }

 private:
  Event* non_nestable_queued_;
};

class SpyLoopFactory : public base::MessageLoopFactory {
 public:
  SpyLoopFactory(int kind, Event* non_nestable_queued)
      : kind_(kind), non_nestable_queued_(non_nestable_queued) {}
  std::unique_ptr<MessageLoop> CreateMessageLoop() override {
    if (kind_ == MessageLoop::kUILoop)
      return std::make_unique<SpyLoop<base::UIMessageLoop>>(non_nestable_queued_);
    if (kind_ == MessageLoop::kIOLoop)
      return std::make_unique<SpyLoop<base::IOMessageLoop>>(non_nestable_queued_);
    return std::make_unique<SpyLoop<MessageLoop>>(non_nestable_queued_);
  }

 private:
  int kind_;
  Event* non_nestable_queued_;
};

class LoopOrderingTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    thread_ = std::make_unique<FrameworkThread>("Worker");
    thread_->SetMessageLoopFactory(std::make_shared<SpyLoopFactory>(GetParam(), &quit_queued_));
    ASSERT_TRUE(thread_->StartWithLoop(FrameworkThread::kFactoryLoop));
    ASSERT_EQ(thread_->message_loop()->kind(), GetParam());
    proxy_ = thread_->message_loop()->proxy();
  }
  void TearDown() override {
    thread_->Stop();
    thread_.reset();
  }

  // Declared after a test's locals, stops the thread before they go, also
  // when an assertion returns early.
  struct StopOnExit {
    FrameworkThread* thread;
    ~StopOnExit() { thread->Stop(); }
  };

  ScopedFakeLoopClock clock_;  // outlives the thread
  Event quit_queued_;
  std::unique_ptr<FrameworkThread> thread_;
  std::shared_ptr<MessageLoopProxy> proxy_;
};

TEST_P(LoopOrderingTest, ImmediateTasksRunInPostingOrderWithoutOverlap) {
  constexpr int kTasks = 1000;
  std::vector<int> order;
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  std::atomic<int> children_run{0};
  Event done;
  StopOnExit stop_on_exit{thread_.get()};
  for (int i = 0; i < kTasks; ++i) {
    ASSERT_TRUE(proxy_->PostTask([&, i] {
      if (running.fetch_add(1) != 0) overlapped = true;
      order.push_back(i);
      if (i % 100 == 0) {
        // A task posted from a task, and a Windows message loop opened by the
        // task: neither may run another task of this loop inside this one.
        int children_before = children_run.load();
        MessageLoop::Current()->PostTask([&] {
          if (running.load() != 0) overlapped = true;
          ++children_run;
        });
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (children_run.load() != children_before) overlapped = true;
      }
      running.fetch_sub(1);
      if (i == kTasks - 1) done.Signal();
    }));
  }
  ASSERT_TRUE(done.Wait());
  ASSERT_TRUE(DrainDue(proxy_.get()));  // the children ran too
  EXPECT_EQ(children_run, kTasks / 100);
  std::vector<int> expected(kTasks);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(overlapped);
}

TEST_P(LoopOrderingTest, DelayedTasksRunInDueOrderAndNeverEarly) {
  const int delays_ms[] = {30, 10, 20, 10, 1, 30, 20, 1, 10};
  const int count = static_cast<int>(std::size(delays_ms));
  std::vector<int> ran;  // indexes, in running order
  StopOnExit stop_on_exit{thread_.get()};
  for (int i = 0; i < count; ++i) {
    ASSERT_TRUE(proxy_->PostDelayedTask([&ran, i] { ran.push_back(i); },
                                        TimeDelta::FromMilliseconds(delays_ms[i])));
  }
  ASSERT_TRUE(DrainDue(proxy_.get()));
  EXPECT_TRUE(ran.empty());
  for (int elapsed = 1; elapsed <= 30; ++elapsed) {
    ScopedFakeLoopClock::Advance(1);
    ASSERT_TRUE(DrainDue(proxy_.get()));
    size_t due = std::count_if(std::begin(delays_ms), std::end(delays_ms),
                               [elapsed](int d) { return d <= elapsed; });
    ASSERT_EQ(ran.size(), due) << "after " << elapsed << " ms";
  }
  // Due order; equal due times in posting order.
  std::vector<int> expected(count);
  std::iota(expected.begin(), expected.end(), 0);
  std::stable_sort(expected.begin(), expected.end(),
                   [&](int a, int b) { return delays_ms[a] < delays_ms[b]; });
  EXPECT_EQ(ran, expected);
}

TEST_P(LoopOrderingTest, StopRunsTheDueTasksFirst) {
  std::atomic<int> immediate_run{0}, delayed_run{0};
  std::atomic<bool> far_run{false};
  auto far_token = std::make_shared<int>(0);
  std::weak_ptr<int> far_watch = far_token;
  StopOnExit stop_on_exit{thread_.get()};
  // Hold the worker until the quit task is queued, so that everything below
  // is still waiting when the quit arrives.
  proxy_->PostTask([this] { quit_queued_.Wait(); });
  for (int i = 0; i < 100; ++i) proxy_->PostTask([&] { ++immediate_run; });
  for (int i = 0; i < 5; ++i) proxy_->PostDelayedTask([&] { ++delayed_run; }, TimeDelta(1000));
  proxy_->PostDelayedTask([&far_run, far_token] { far_run = true; },
                          TimeDelta::FromMilliseconds(3600 * 1000));
  far_token.reset();
  ScopedFakeLoopClock::Advance(1);  // the five delayed tasks are due

  thread_->Stop();
  EXPECT_EQ(immediate_run, 100);
  EXPECT_EQ(delayed_run, 5);
  EXPECT_FALSE(far_run);
  EXPECT_TRUE(far_watch.expired());  // destroyed with the loop, unrun
  EXPECT_FALSE(proxy_->PostTask([] {}));
}

std::string PumpName(const ::testing::TestParamInfo<int>& info) {
  switch (info.param) {
    case MessageLoop::kUILoop:
      return "UI";
    case MessageLoop::kIOLoop:
      return "IO";
    default:
      return "Default";
  }
}

INSTANTIATE_TEST_SUITE_P(AllPumps, LoopOrderingTest,
                         ::testing::Values(MessageLoop::kDefaultLoop, MessageLoop::kUILoop,
                                           MessageLoop::kIOLoop),
                         &PumpName);

// A task whose destruction is counted and, when asked, posts a successor to
// the current loop: a chain of destructors that keeps posting.
struct Chain {
  int created = 0;
  int destroyed = 0;
  int ran = 0;
  bool delayed = false;

  void Post(MessageLoop* loop) {
    auto link = std::shared_ptr<int>(new int(0), [this](int* p) {
      delete p;
      ++destroyed;
      if (MessageLoop* current = MessageLoop::Current()) Post(current);
    });
    ++created;
    auto closure = [this, link] { ++ran; };
    if (delayed)
      loop->PostDelayedTask(closure, TimeDelta::FromMilliseconds(60000));
    else
      loop->PostTask(closure);
  }
};

TEST(MessageLoopTest, DestructionRunsNothingAndEndsPostingChains) {
  struct Case {
    const char* name;
    bool delayed;
    int min_created;  // the passes bound a chain that keeps posting
    int max_created;
  };
  const Case cases[] = {
      {"immediate chain", false, 2, 4},
      {"delayed chain", true, 100, 102},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MessageLoop::Current(), nullptr);
    Chain chain;
    chain.delayed = c.delayed;
    std::shared_ptr<MessageLoopProxy> proxy;
    {
      auto loop = std::make_unique<MessageLoop>();
      EXPECT_EQ(MessageLoop::Current(), loop.get());
      proxy = loop->proxy();
      chain.Post(loop.get());
      loop->PostNonNestableTask([&chain] { ++chain.ran; });
    }
    EXPECT_EQ(MessageLoop::Current(), nullptr);
    EXPECT_EQ(chain.ran, 0);
    EXPECT_EQ(chain.destroyed, chain.created);
    EXPECT_GE(chain.created, c.min_created);
    EXPECT_LE(chain.created, c.max_created);
    EXPECT_FALSE(proxy->PostTask([] {}));
    EXPECT_FALSE(proxy->IsCurrentThread());
  }
}

TEST(MessageLoopTest, QuitWaitsForDueTasksAndTheLoopRunsAgain) {
  ScopedFakeLoopClock clock;
  MessageLoop loop;
  std::vector<std::string> log;
  loop.PostTask(&base::QuitCurrentLoop);  // received first, takes effect when idle
  loop.PostTask([&] { log.push_back("a"); });
  loop.PostDelayedTask([&] { log.push_back("due"); }, TimeDelta(0));
  loop.PostDelayedTask([&] { log.push_back("later"); }, TimeDelta(5000));
  loop.PostTask([&] {
    log.push_back("b");
    loop.PostTask([&] { log.push_back("posted by b"); });
  });
  loop.Run();
  // Everything due ran before the quit took effect; immediate tasks kept
  // their order, and "later" waited.
  ASSERT_EQ(log.size(), 4u);
  auto at = [&log](const char* entry) { return std::find(log.begin(), log.end(), entry) - log.begin(); };
  EXPECT_LT(at("a"), at("b"));
  EXPECT_LT(at("b"), at("posted by b"));
  EXPECT_LT(at("due"), 4);

  ScopedFakeLoopClock::Advance(5);
  loop_test::RunUntilIdle(&loop);
  EXPECT_EQ(log.back(), "later");
}

}  // namespace
