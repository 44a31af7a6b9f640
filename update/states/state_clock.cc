#include "update/states/state_clock.h"

#include <atomic>

#include "base/time/time.h"

namespace {
std::atomic<StateClockSource> g_source{nullptr};
}  // namespace

int64_t StateClockNow() {
  StateClockSource source = g_source.load();
  return source ? source() : base::LoopClock::Now() / 1000;
}

void SetStateClockForTesting(StateClockSource source) { g_source.store(source); }
