// TimeDelta and LoopClock: the interval type and the one clock of the task API.
//
// LoopClock extends the 32-bit millisecond count of timeGetTime past its
// 49.7-day wrap and reports microseconds. It is process-wide and may be read
// from any thread; its critical section makes a wrap count once even when two
// threads read across it.
#ifndef BASE_TIME_TIME_H_
#define BASE_TIME_TIME_H_

#include <cstdint>

namespace base {

// A signed interval in microseconds: 500000 is half a second.
class TimeDelta {
 public:
  constexpr TimeDelta() = default;
  constexpr explicit TimeDelta(int64_t microseconds) : us_(microseconds) {}
  static constexpr TimeDelta FromMicroseconds(int64_t us) { return TimeDelta(us); }
  static constexpr TimeDelta FromMilliseconds(int64_t ms) { return TimeDelta(ms * 1000); }

  constexpr int64_t ToMicroseconds() const { return us_; }
  // Rounded up, so a wait never ends before the interval has passed.
  constexpr int64_t ToMillisecondsRoundedUp() const {
    return us_ <= 0 ? us_ / 1000 : (us_ + 999) / 1000;
  }

  constexpr TimeDelta operator+(TimeDelta o) const { return TimeDelta(us_ + o.us_); }
  constexpr TimeDelta operator-(TimeDelta o) const { return TimeDelta(us_ - o.us_); }
  constexpr bool operator<(TimeDelta o) const { return us_ < o.us_; }
  constexpr bool operator<=(TimeDelta o) const { return us_ <= o.us_; }
  constexpr bool operator>(TimeDelta o) const { return us_ > o.us_; }
  constexpr bool operator>=(TimeDelta o) const { return us_ >= o.us_; }
  constexpr bool operator==(TimeDelta o) const { return us_ == o.us_; }
  constexpr bool operator!=(TimeDelta o) const { return us_ != o.us_; }

 private:
  int64_t us_ = 0;
};

class LoopClock {
 public:
  // Current loop time in microseconds; never goes backwards across the wrap
  // as long as it is read at least once per wrap period.
  static int64_t Now();

  // Replaces timeGetTime as the millisecond source (null restores it) and
  // resets the wrap state. Only tests move the clock this way.
  using MillisecondSource = uint32_t (*)();
  static void SetMillisecondSourceForTesting(MillisecondSource source);
};

}  // namespace base

#endif  // BASE_TIME_TIME_H_
