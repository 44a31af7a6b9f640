#include "ui/animation/animation_player.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ui/animation/fake_timing.h"

namespace ui_test {
namespace {

class AnimationPlayerTest : public ::testing::Test {
 protected:
  // A player on the hand-driven manager that records its values.
  std::unique_ptr<ui::AnimationPlayer> MakePlayer(int32_t start, int32_t end, int32_t total,
                                                  double speed_up, double slow_down) {
    auto player = std::make_unique<ui::AnimationPlayer>();
    player->SetTimerManager(&timers.manager);
    player->SetStartValue(start);
    player->SetEndValue(end);
    player->SetTotalMillSeconds(total);
    player->SetSpeedUpRatio(speed_up);
    player->SetSlowDownRatio(slow_down);
    player->SetCallback([this](int32_t v) { values.push_back(v); });
    player->SetCompleteCallback([this] { ++completed; });
    return player;
  }
  // The fade of a control: 0 to 255 in 250 ms, ratios 0.3 and 0.7.
  std::unique_ptr<ui::AnimationPlayer> MakeFade() { return MakePlayer(0, 255, 250, 0.3, 0.7); }

  static bool Monotonic(const std::vector<int32_t>& v, bool up) {
    for (size_t i = 1; i < v.size(); ++i)
      if (up ? v[i] <= v[i - 1] : v[i] >= v[i - 1]) return false;
    return true;
  }

  ManualTimers timers;
  std::vector<int32_t> values;
  int completed = 0;
};

TEST_F(AnimationPlayerTest, FadeRisesToItsEndAndCompletesOnce) {
  auto player = MakeFade();
  player->Start();
  EXPECT_TRUE(player->IsPlaying());
  int passes = timers.RunUntilIdle();
  EXPECT_GE(passes, 250 / 16);
  EXPECT_LE(passes, 250 / 16 + 2);
  ASSERT_GE(values.size(), 10u);
  EXPECT_TRUE(Monotonic(values, true));
  EXPECT_EQ(values.back(), 255);
  EXPECT_EQ(completed, 1);
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_EQ(player->GetReportedValue(), 255);
  // Accelerating early: the first 75 ms cover less than a third of the way.
  EXPECT_LT(values[75 / 16 - 1], 255 / 3);
}

TEST_F(AnimationPlayerTest, ReverseHalfWayRunsBackFromAboutWhereItStood) {
  // The way back resumes the curve at the mirrored time: with equal ratios
  // at the value reached, with 0.3 / 0.7 lower (the fast half comes first).
  struct Case {
    double speed_up, slow_down;
    int tolerance;
  } cases[] = {{0.5, 0.5, 1}, {0.3, 0.7, 80}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed_up);
    values.clear();
    completed = 0;
    auto player = MakePlayer(0, 255, 250, c.speed_up, c.slow_down);
    player->Continue();
    for (int i = 0; i < 8; ++i) timers.Pass(16);  // 128 ms in
    int32_t reached = values.back();
    values.clear();
    player->Reverse();
    EXPECT_NEAR(player->GetElapsedTime(), 250 - 128, 1) << "the mirrored time";
    timers.RunUntilIdle();
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(values.front(), reached, c.tolerance);
    EXPECT_LE(values.front(), reached + 1);
    EXPECT_TRUE(Monotonic(values, false));
    EXPECT_EQ(values.back(), 0);
    EXPECT_EQ(completed, 1);
  }
}

TEST_F(AnimationPlayerTest, FirstReverseOfAFreshPlayerPlaysTheWholeWayBack) {
  auto player = MakeFade();
  ASSERT_TRUE(player->IsFirstRun());
  player->Reverse();
  EXPECT_FALSE(player->IsFirstRun());
  EXPECT_EQ(player->GetElapsedTime(), 0);
  timers.RunUntilIdle();
  ASSERT_GE(values.size(), 10u);
  EXPECT_GT(values.front(), 200);
  EXPECT_TRUE(Monotonic(values, false));
  EXPECT_EQ(values.back(), 0);

  // Continue turns it forwards again, from where it stands.
  values.clear();
  player->Continue();
  timers.RunUntilIdle();
  EXPECT_EQ(values.back(), 255);
  EXPECT_TRUE(Monotonic(values, true));
  EXPECT_EQ(completed, 2);
}

TEST_F(AnimationPlayerTest, EqualStartAndEndOnlyComplete) {
  auto player = MakePlayer(40, 40, 250, 0.3, 0.7);
  player->Start();
  EXPECT_EQ(completed, 1);
  EXPECT_TRUE(values.empty());
  EXPECT_FALSE(player->IsPlaying());
  EXPECT_TRUE(timers.wake.delays.empty()) << "no timer was queued";
}

TEST_F(AnimationPlayerTest, StopTimerHoldsTheValueAndContinueResumes) {
  auto player = MakeFade();
  player->Start();
  for (int i = 0; i < 5; ++i) timers.Pass(16);
  player->StopTimer();
  size_t seen = values.size();
  int32_t held = player->GetReportedValue();
  for (int i = 0; i < 5; ++i) timers.Pass(16);
  EXPECT_EQ(values.size(), seen);
  EXPECT_TRUE(player->IsPlaying());
  EXPECT_EQ(completed, 0);
  EXPECT_EQ(timers.wake.running, 0u) << "the dropped timer left the queue";

  player->Continue();
  timers.RunUntilIdle();
  EXPECT_GE(values[seen], held);
  EXPECT_EQ(values.back(), 255);
  EXPECT_EQ(completed, 1);
}

TEST_F(AnimationPlayerTest, ADestroyedPlayerNeverStepsAgain) {
  auto player = MakeFade();
  player->Start();
  timers.Pass(16);
  size_t seen = values.size();
  player.reset();
  timers.RunUntilIdle();
  EXPECT_EQ(values.size(), seen);
  EXPECT_EQ(completed, 0);
}

TEST_F(AnimationPlayerTest, DurationDerivedFromAFactor) {
  // Smooth scroll of 100 pixels: slow-down factor -0.012, ratio 0.5.
  auto player = MakePlayer(0, 100, -1, 0, 0.5);
  player->SetSlowDownFactor(-0.012);
  player->InitFactor();
  EXPECT_EQ(player->GetTotalMillSeconds(), 105);
  EXPECT_NEAR(player->GetLinearSpeed(), 1.26, 1e-9);

  // A tab page slide: speed-up factor 0.015 with ratios 0.3 / 0.7.
  auto slide = MakePlayer(-800, 0, -1, 0.3, 0.7);
  slide->SetSpeedUpFactor(0.015);
  slide->Start();
  timers.RunUntilIdle();
  EXPECT_GT(slide->GetTotalMillSeconds(), 0);
  EXPECT_EQ(values.back(), 0);
  EXPECT_TRUE(Monotonic(values, true));

  // A tiny factor asks for more than the cap: capped.
  auto slow = MakePlayer(0, 1000000, -1, 0.3, 0.7);
  slow->SetSpeedUpFactor(1e-15);
  slow->InitFactor();
  EXPECT_EQ(slow->GetTotalMillSeconds(), ui::AnimationPlayer::kMaxTotalMillis);
}

// Setups with nothing to derive the curve from end at once, at the end
// value, and complete exactly once.
TEST_F(AnimationPlayerTest, DegenerateSetupsEndAtOnceWithoutDividingByZero) {
  struct Case {
    const char* name;
    int32_t total;
    double speed_up, slow_down, speed_up_factor, slow_down_factor, linear_speed;
  } cases[] = {
      {"linear without a speed", -1, 0, 0, 0, 0, 0},
      {"ratios without a factor", -1, 0.3, 0.7, 0, 0, 0},
      {"zero duration", 0, 0.3, 0.7, 0, 0, 0},
      {"zero linear duration", 0, 0, 0, 0, 0, 0},
      {"ratios summing past one", -1, 0.9, 0.9, 0.01, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    values.clear();
    completed = 0;
    auto player = MakePlayer(10, 90, c.total, c.speed_up, c.slow_down);
    player->SetSpeedUpFactor(c.speed_up_factor);
    player->SetSlowDownFactor(c.slow_down_factor);
    player->SetLinearSpeed(c.linear_speed);
    player->Start();
    timers.RunUntilIdle(100);
    for (int i = 0; i < 5; ++i) timers.Pass(16);
    EXPECT_EQ(completed, 1);
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), 90);
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_EQ(timers.wake.running, 0u);
  }
}

TEST_F(AnimationPlayerTest, ResetClearsTheRunWithoutCompleting) {
  auto player = MakeFade();
  player->Start();
  timers.Pass(16);
  player->Reset();
  EXPECT_EQ(player->GetStartValue(), 0);
  EXPECT_EQ(player->GetEndValue(), 0);
  EXPECT_EQ(player->GetTotalMillSeconds(), -1);
  EXPECT_FALSE(player->IsPlaying());
  size_t seen = values.size();
  timers.RunUntilIdle();
  EXPECT_EQ(values.size(), seen);
  EXPECT_EQ(completed, 0);
}

}  // namespace
}  // namespace ui_test
