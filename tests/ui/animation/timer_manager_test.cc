#include "ui/animation/timer_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/animation/fake_timing.h"

namespace ui_test {
namespace {

struct Owner : base::SupportWeakCallback {};

class TimerManagerTest : public ::testing::Test {
 protected:
  ManualTimers timers;
  Owner owner;
  std::vector<std::string> ran;
  base::Closure Record(const std::string& name) {
    return [this, name] { ran.push_back(name); };
  }
};

TEST_F(TimerManagerTest, RunsInOrderOfDueTime) {
  timers.manager.AddTimer(owner.GetWeakFlag(), Record("50"), 50, 1);
  timers.manager.AddTimer(owner.GetWeakFlag(), Record("20"), 20, 1);
  timers.manager.AddTimer(owner.GetWeakFlag(), Record("35"), 35, 1);
  timers.Pass(10);
  EXPECT_TRUE(ran.empty());
  timers.Pass(50);
  EXPECT_EQ(ran, (std::vector<std::string>{"20", "35", "50"}));
}

TEST_F(TimerManagerTest, RepeatCounts) {
  struct Case {
    int32_t repeat;
    int runs;
  } cases[] = {{1, 1}, {3, 3}, {0, 1}, {-5, 1}, {-1, 20}};
  for (const Case& c : cases) {
    ManualTimers t;
    int runs = 0;
    t.manager.AddTimer(owner.GetWeakFlag(), [&] { ++runs; }, 10, c.repeat);
    for (int i = 0; i < 20; ++i) t.Pass(16);
    EXPECT_EQ(runs, c.runs) << "repeat " << c.repeat;
    EXPECT_EQ(t.wake.running != 0, c.repeat == -1) << "asleep once nothing is queued";
  }
}

TEST_F(TimerManagerTest, ALatePassDoesNotCatchUp) {
  int runs = 0;
  timers.manager.AddTimer(owner.GetWeakFlag(), [&] { ++runs; }, 5, -1);
  timers.Pass(100);  // twenty periods late
  EXPECT_EQ(runs, 1);
  timers.Pass(4);  // due one elapse after the pass, not after the old due time
  EXPECT_EQ(runs, 1);
  timers.Pass(1);
  EXPECT_EQ(runs, 2);
  for (int i = 0; i < 10; ++i) timers.Pass(16);
  EXPECT_EQ(runs, 12) << "a 5 ms timer runs once per 16 ms wake-up";
}

TEST_F(TimerManagerTest, ARepeatingTimerOfZeroRunsOncePerPass) {
  int runs = 0;
  timers.manager.AddTimer(owner.GetWeakFlag(), [&] { ++runs; }, 0, -1);
  for (int i = 1; i <= 3; ++i) {
    timers.Pass(16);
    EXPECT_EQ(runs, i);
  }
}

TEST_F(TimerManagerTest, ADeadOwnerNeverRunsAndItsEntryGoes) {
  auto doomed = std::make_unique<Owner>();
  timers.manager.AddTimer(doomed->GetWeakFlag(), Record("doomed"), 20, -1);
  base::WeakCallbackFlag flag;
  timers.manager.AddTimer(flag.GetWeakFlag(), Record("cancelled"), 20, -1);
  timers.manager.AddTimer(std::weak_ptr<base::WeakFlag>(), Record("ownerless"), 20, 1);
  doomed.reset();
  flag.Cancel();
  timers.Pass(30);
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(timers.wake.running, 0u) << "queue empty: the wake-up is killed";
}

TEST_F(TimerManagerTest, ACallbackMayAddTimersAndKillItsOwner) {
  base::WeakCallbackFlag flag;
  timers.manager.AddTimer(flag.GetWeakFlag(), [&] {
    ran.push_back("self");
    flag.Cancel();  // already re-armed: dropped at its next due time
    timers.manager.AddTimer(owner.GetWeakFlag(), Record("added"), 10, 1);
  }, 10, -1);
  timers.Pass(16);
  EXPECT_EQ(ran, (std::vector<std::string>{"self"}));
  timers.Pass(16);
  EXPECT_EQ(ran, (std::vector<std::string>{"self", "added"}));
  EXPECT_EQ(timers.wake.running, 0u);
}

TEST_F(TimerManagerTest, SleepsUntilAFarTimerAndWakesFastForANearOne) {
  timers.manager.AddTimer(owner.GetWeakFlag(), Record("far"), 3000, 1);
  ASSERT_EQ(timers.wake.delays, (std::vector<uint32_t>{16}));
  timers.Pass(16);
  EXPECT_EQ(timers.wake.delays.back(), 2986u) << "the remaining 2984 ms plus 2";
  timers.Pass(16);  // a tick still queued re-arms for the time left
  EXPECT_EQ(timers.wake.delays.back(), 2970u);

  timers.manager.AddTimer(owner.GetWeakFlag(), Record("near"), 10, 1);
  EXPECT_EQ(timers.wake.delays.back(), 16u) << "back to 16 ms at once";
  timers.Pass(16);
  EXPECT_EQ(ran, (std::vector<std::string>{"near"}));
  EXPECT_GT(timers.wake.delays.back(), 16u) << "slow again";
  timers.Pass(3000);
  EXPECT_EQ(ran, (std::vector<std::string>{"near", "far"}));
  EXPECT_EQ(timers.wake.running, 0u);

  // A timer within the second keeps the 16 ms cadence.
  timers.manager.AddTimer(owner.GetWeakFlag(), Record("soon"), 900, 1);
  timers.Pass(16);
  EXPECT_EQ(timers.wake.delays.back(), 16u);
  EXPECT_NE(timers.wake.running, 0u);
}

// The process's manager, woken by its multimedia timer through its window,
// runs callbacks on the thread that pumps messages.
TEST(TimerManagerInstance, RunsTimersFromTheMessageLoop) {
  Owner owner;
  int runs = 0;
  DWORD thread = 0;
  ui::TimerManager::Instance()->AddTimer(owner.GetWeakFlag(), [&] {
    ++runs;
    thread = ::GetCurrentThreadId();
  }, 20, 3);
  DWORD start = ::GetTickCount();
  MSG msg;
  while (runs < 3 && ::GetTickCount() - start < 10000) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(thread, ::GetCurrentThreadId());
  EXPECT_NE(::FindWindowExW(HWND_MESSAGE, nullptr, L"UI_ANIMATION_TIMERMANAGER_H_", nullptr),
            nullptr);
}

}  // namespace
}  // namespace ui_test
