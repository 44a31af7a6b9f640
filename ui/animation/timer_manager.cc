#include "ui/animation/timer_manager.h"

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <utility>

namespace ui {
namespace {

constexpr wchar_t kWindowName[] = L"UI_ANIMATION_TIMERMANAGER_H_";

std::atomic<HWND> g_window{nullptr};

class CounterClock : public TimerManager::Clock {
 public:
  int64_t Frequency() override {
    LARGE_INTEGER f = {};
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }
  int64_t Now() override {
    LARGE_INTEGER now = {};
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
  }
};

// Runs on a system thread: post and nothing else.
void CALLBACK OnMultimediaTimer(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  ::PostMessageW(g_window.load(), kWmTimerTick, 0, 0);
}

class MultimediaWake : public TimerManager::WakeSource {
 public:
  MultimediaWake() {
    TIMECAPS caps = {};
    if (::timeGetDevCaps(&caps, sizeof(caps)) == MMSYSERR_NOERROR && caps.wPeriodMax > 0)
      max_delay_ms_ = caps.wPeriodMax;
  }
  uint32_t StartPeriodic(uint32_t delay_ms) override {
    // A longer delay would make the multimedia timer refuse, and nothing
    // would wake the manager again; an early wake just re-arms.
    delay_ms = std::min(std::max<uint32_t>(delay_ms, 1), max_delay_ms_);
    return ::timeSetEvent(delay_ms, 1, &OnMultimediaTimer, 0, TIME_PERIODIC);
  }
  void Kill(uint32_t id) override { ::timeKillEvent(id); }

 private:
  uint32_t max_delay_ms_ = 1000000;
};

HWND CreateManagerWindow() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &TimerManager::WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kWindowName;
  ::RegisterClassExW(&wc);
  return ::CreateWindowExW(0, kWindowName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                           nullptr);
}

}  // namespace

TimerManager* TimerManager::Instance() {
  // Left to the system at exit: callbacks still queued then may refer to
  // objects already gone.
  static TimerManager* instance = [] {
    g_window.store(CreateManagerWindow());
    return new TimerManager(new CounterClock, new MultimediaWake);
  }();
  return instance;
}

TimerManager::TimerManager(Clock* clock, WakeSource* wake) : clock_(clock), wake_(wake) {
  frequency_ = std::max<int64_t>(clock_->Frequency(), 1);
}

LRESULT CALLBACK TimerManager::WindowProc(HWND hwnd, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
  if (message == kWmTimerTick) {
    Instance()->RunDueTimers();
    return 1;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

void TimerManager::Push(TimerEntry entry) {
  heap_.push_back(std::move(entry));
  size_t i = heap_.size() - 1;
  while (i > 0) {
    size_t parent = (i - 1) / 2;
    if (!(heap_[i].due < heap_[parent].due)) break;
    std::swap(heap_[i], heap_[parent]);
    i = parent;
  }
}

void TimerManager::PopTop() {
  std::swap(heap_.front(), heap_.back());
  heap_.pop_back();
  size_t i = 0;
  const size_t n = heap_.size();
  for (;;) {
    size_t left = 2 * i + 1, right = left + 1;
    if (left >= n) break;
    size_t child = (right < n && heap_[right].due <= heap_[left].due) ? right : left;
    if (!(heap_[child].due < heap_[i].due)) break;
    std::swap(heap_[i], heap_[child]);
    i = child;
  }
}

void TimerManager::KillWake() {
  if (wake_id_ != 0) wake_->Kill(wake_id_);
  wake_id_ = 0;
}

void TimerManager::StartWake(uint32_t delay_ms, bool fast) {
  KillWake();
  wake_id_ = wake_->StartPeriodic(delay_ms);
  fast_mode_ = fast;
}

bool TimerManager::AddTimer(const std::weak_ptr<base::WeakFlag>& owner,
                            const base::Closure& callback, uint32_t elapse_ms, int32_t repeat) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  TimerEntry entry;
  entry.callback = callback;
  // At least one tick, so that a repeating timer is never due again within
  // the pass that ran it.
  entry.elapse = std::max<int64_t>(static_cast<int64_t>(elapse_ms) * frequency_ / 1000, 1);
  entry.due = clock_->Now() + entry.elapse;
  entry.repeat = repeat;
  entry.owner = owner;
  Push(std::move(entry));
  if (wake_id_ == 0 || !fast_mode_) StartWake(kFastPeriodMs, true);
  return true;
}

void TimerManager::RunDueTimers() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  const int64_t pass_time = clock_->Now();
  while (!heap_.empty()) {
    const int64_t ahead = heap_.front().due - pass_time;
    if (ahead > 0) {
      if (ahead < frequency_) {
        if (!fast_mode_) StartWake(kFastPeriodMs, true);
      } else {
        double delay = ahead * 1000.0 / frequency_ + 2.0;
        StartWake(delay >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(delay), false);
      }
      return;
    }

    TimerEntry entry = heap_.front();
    PopTop();
    if (entry.owner.expired()) continue;  // dead owner: dropped unrun
    entry.callback();

    bool rearm = false;
    if (entry.repeat > 0) {
      --entry.repeat;
      rearm = entry.repeat > 0;
    } else if (entry.repeat == -1) {
      rearm = true;
    }
    if (rearm) {
      // From the pass, not the old due time: missed periods are dropped.
      entry.due = pass_time + entry.elapse;
      Push(std::move(entry));
    }
  }
  KillWake();
}

}  // namespace ui
