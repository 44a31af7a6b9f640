#include "update/states/state_clock.h"

#include <windows.h>

#include <atomic>

namespace {
std::atomic<StateClockSource> g_source{nullptr};
}  // namespace

uint32_t StateClockNow() {
  StateClockSource source = g_source.load();
  const uint32_t now = source ? source() : GetTickCount();
  return now % kStateClockModulus;
}

void SetStateClockForTesting(StateClockSource source) { g_source.store(source); }
