// The update states' millisecond clock: the tick count modulo 2^31 - 1,
// compared as unsigned 32-bit differences. One seam for the apply batches and
// the idle clocks, so tests set the time instead of waiting for it.
#ifndef UPDATE_STATES_STATE_CLOCK_H_
#define UPDATE_STATES_STATE_CLOCK_H_

#include <cstdint>

constexpr uint32_t kStateClockModulus = 2147483647u;

// GetTickCount modulo 2^31 - 1, or the test's clock (also taken modulo).
uint32_t StateClockNow();

// Whether `period` ms have passed since `since`.
inline bool StateClockDue(uint32_t now, uint32_t since, uint32_t period) {
  return static_cast<uint32_t>(now - since) >= period;
}

// Replaces GetTickCount for the states (null restores it). Worker thread,
// while no state runs.
using StateClockSource = uint32_t (*)();
void SetStateClockForTesting(StateClockSource source);

#endif  // UPDATE_STATES_STATE_CLOCK_H_
