#include "base/time/time.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>

namespace base {
namespace {

struct ClockState {
  ClockState() { InitializeCriticalSectionAndSpinCount(&lock, 2000); }
  CRITICAL_SECTION lock;
  uint32_t last_reading = 0;
  int64_t high_part = 0;  // milliseconds, a multiple of 2^32
};

ClockState& State() {
  static ClockState* state = new ClockState();  // lives to process exit
  return *state;
}

uint32_t SystemMilliseconds() { return timeGetTime(); }

std::atomic<LoopClock::MillisecondSource> g_source{&SystemMilliseconds};

}  // namespace

int64_t LoopClock::Now() {
  ClockState& s = State();
  EnterCriticalSection(&s.lock);
  uint32_t reading = g_source.load(std::memory_order_acquire)();
  if (reading < s.last_reading) s.high_part += int64_t{1} << 32;
  s.last_reading = reading;
  int64_t ms = s.high_part + reading;
  LeaveCriticalSection(&s.lock);
  return ms * 1000;
}

void LoopClock::SetMillisecondSourceForTesting(MillisecondSource source) {
  ClockState& s = State();
  EnterCriticalSection(&s.lock);
  g_source.store(source ? source : &SystemMilliseconds, std::memory_order_release);
  s.last_reading = 0;
  s.high_part = 0;
  LeaveCriticalSection(&s.lock);
}

}  // namespace base
