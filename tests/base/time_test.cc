#include "base/time/time.h"

#include <gtest/gtest.h>

namespace {

uint32_t g_fake_ms = 0;
uint32_t FakeMilliseconds() { return g_fake_ms; }

class LoopClockTest : public ::testing::Test {
 protected:
  void SetUp() override { base::LoopClock::SetMillisecondSourceForTesting(&FakeMilliseconds); }
  void TearDown() override { base::LoopClock::SetMillisecondSourceForTesting(nullptr); }
};

TEST_F(LoopClockTest, CountsMicrosecondsAndSurvivesTheWrap) {
  g_fake_ms = 0xFFFFFF00u;
  int64_t before = base::LoopClock::Now();
  EXPECT_EQ(before, int64_t{0xFFFFFF00} * 1000);
  g_fake_ms = 0x10;  // the 32-bit count wrapped: 0x110 ms later
  int64_t after = base::LoopClock::Now();
  EXPECT_EQ(after - before, int64_t{0x110} * 1000);
  // A second wrap adds 2^32 again, and equal readings do not.
  EXPECT_EQ(base::LoopClock::Now(), after);
  g_fake_ms = 0xFFFFFFF0u;
  int64_t late = base::LoopClock::Now();
  g_fake_ms = 5;
  EXPECT_EQ(base::LoopClock::Now() - late, int64_t{0x15} * 1000);
  EXPECT_EQ(base::LoopClock::Now(), ((int64_t{2} << 32) + 5) * 1000);
}

TEST(LoopClockRealTest, NeverGoesBackwards) {
  int64_t last = base::LoopClock::Now();
  for (int i = 0; i < 1000; ++i) {
    int64_t now = base::LoopClock::Now();
    ASSERT_GE(now, last);
    last = now;
  }
}

TEST(TimeDeltaTest, IsMicroseconds) {
  EXPECT_EQ(base::TimeDelta(500000).ToMicroseconds(), 500000);
  EXPECT_EQ(base::TimeDelta(500000).ToMillisecondsRoundedUp(), 500);
  EXPECT_EQ(base::TimeDelta::FromMilliseconds(2), base::TimeDelta(2000));
  EXPECT_EQ(base::TimeDelta(1).ToMillisecondsRoundedUp(), 1);
  EXPECT_LT(base::TimeDelta(1999), base::TimeDelta(2000));
}

}  // namespace
