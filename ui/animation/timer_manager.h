// TimerManager: every periodic or delayed piece of UI work runs through this
// one process-wide queue. Timers are measured on the performance counter; a
// multimedia timer wakes the manager by posting kWmTimerTick to a
// message-only window, so every callback runs on the UI thread inside its
// ordinary message loop. A timer has no handle: it belongs to an owner
// through a weak flag and is dropped, unrun, once that flag is gone.
//
// While anything is due within a second the manager is woken every 16 ms; a
// timer further away costs one wake-up about 2 ms after it is due. A late
// pass does not catch up: a repeating timer runs at most once per pass.
//
// Threads: everything but the multimedia callback (which only posts) runs on
// the UI thread; the queue has no lock. A manager is bound to the thread
// that made it, and adding and running timers check it.
#ifndef UI_ANIMATION_TIMER_MANAGER_H_
#define UI_ANIMATION_TIMER_MANAGER_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "base/callback/closure.h"
#include "base/callback/weak_callback.h"
#include "base/thread/thread_checker.h"

namespace ui {

constexpr UINT kWmTimerTick = 11023;

class TimerManager {
 public:
  // Where time comes from: the performance counter in the product.
  class Clock {
   public:
    virtual ~Clock() = default;
    virtual int64_t Frequency() = 0;  // ticks per second
    virtual int64_t Now() = 0;
  };
  // What wakes the manager: a periodic multimedia timer in the product.
  class WakeSource {
   public:
    virtual ~WakeSource() = default;
    // A periodic wake-up every delay_ms; returns its id, 0 on failure.
    virtual uint32_t StartPeriodic(uint32_t delay_ms) = 0;
    virtual void Kill(uint32_t id) = 0;
  };

  static constexpr uint32_t kFastPeriodMs = 16;

  // The process's manager; the first call (on the UI thread) makes its
  // window. Never destroyed.
  static TimerManager* Instance();

  // A manager driven by the given clock and wake source (both outlive it).
  // The product's one is made by Instance(); tests make their own.
  TimerManager(Clock* clock, WakeSource* wake);
  TimerManager(const TimerManager&) = delete;
  TimerManager& operator=(const TimerManager&) = delete;

  // Queues a timer first due elapse_ms from now. repeat: N > 0 runs N times
  // in all, -1 for ever, anything else once. Always true.
  bool AddTimer(const std::weak_ptr<base::WeakFlag>& owner, const base::Closure& callback,
                uint32_t elapse_ms, int32_t repeat);

  // Runs what is due (one pass); the window runs it on every tick.
  void RunDueTimers();

  int64_t Frequency() const { return frequency_; }
  int64_t Now() const { return clock_->Now(); }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  struct TimerEntry {
    base::Closure callback;
    int64_t elapse = 0;  // counter ticks
    int32_t repeat = 0;
    int64_t due = 0;
    std::weak_ptr<base::WeakFlag> owner;
  };

  void Push(TimerEntry entry);
  void PopTop();
  void StartWake(uint32_t delay_ms, bool fast);
  void KillWake();

  Clock* clock_;
  WakeSource* wake_;
  std::vector<TimerEntry> heap_;  // min-heap on due time
  int64_t frequency_ = 1;
  bool fast_mode_ = true;
  uint32_t wake_id_ = 0;
  THREAD_CHECKER(thread_checker_);
};

}  // namespace ui

#endif  // UI_ANIMATION_TIMER_MANAGER_H_
