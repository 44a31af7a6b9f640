// A timer manager driven by hand: a clock the test moves and a wake source
// that only records what the manager asked for.
#ifndef TESTS_UI_ANIMATION_FAKE_TIMING_H_
#define TESTS_UI_ANIMATION_FAKE_TIMING_H_

#include <cstdint>
#include <vector>

#include "ui/animation/timer_manager.h"

namespace ui_test {

class FakeClock : public ui::TimerManager::Clock {
 public:
  static constexpr int64_t kFrequency = 1000000;  // microseconds
  int64_t Frequency() override { return kFrequency; }
  int64_t Now() override { return now; }
  int64_t now = 5000000;
};

class FakeWake : public ui::TimerManager::WakeSource {
 public:
  uint32_t StartPeriodic(uint32_t delay_ms) override {
    delays.push_back(delay_ms);
    running = next_id++;
    return running;
  }
  void Kill(uint32_t id) override {
    if (id == running) running = 0;
  }
  std::vector<uint32_t> delays;  // every start, in order
  uint32_t running = 0;          // 0: nothing wakes the manager
  uint32_t next_id = 1;
};

// The manager as the product runs it, woken every `period` ms of the clock.
class ManualTimers {
 public:
  ManualTimers() : manager(&clock, &wake) {}
  // Moves the clock by ms and runs one pass.
  void Pass(double ms) {
    clock.now += static_cast<int64_t>(ms * 1000);
    manager.RunDueTimers();
  }
  // Passes every 16 ms until the manager sleeps or `limit` passes ran.
  int RunUntilIdle(int limit = 10000) {
    int passes = 0;
    while (wake.running != 0 && passes < limit) {
      Pass(16);
      ++passes;
    }
    return passes;
  }
  FakeClock clock;
  FakeWake wake;
  ui::TimerManager manager;
};

}  // namespace ui_test

#endif  // TESTS_UI_ANIMATION_FAKE_TIMING_H_
