// The update states' millisecond clock: the loop clock's milliseconds, which
// go on past the wrap of the 32-bit tick count (49.7 days) and of its value
// modulo 2^31 - 1 (24.8 days), so a period never falls due early because a
// counter started again. One seam for the apply batches and the idle clocks,
// so tests set the time instead of waiting for it.
#ifndef UPDATE_STATES_STATE_CLOCK_H_
#define UPDATE_STATES_STATE_CLOCK_H_

#include <cstdint>

// Milliseconds since the machine started (base::LoopClock), or the test's clock.
int64_t StateClockNow();

// Whether `period` ms have passed since `since`.
inline bool StateClockDue(int64_t now, int64_t since, int64_t period) {
  return now - since >= period;
}

// Replaces the loop clock for the states (null restores it). Worker thread,
// while no state runs.
using StateClockSource = int64_t (*)();
void SetStateClockForTesting(StateClockSource source);

#endif  // UPDATE_STATES_STATE_CLOCK_H_
