// The per-control animation set: the players the fade attributes make, and
// showing and hiding through them, driven by a timer manager on a clock the
// test moves.
#include <gtest/gtest.h>

#include "ui/animation/animation_player.h"
#include "ui/animation/timer_manager.h"
#include "ui/core/control.h"

namespace ui {
namespace {

class ManualClock : public TimerManager::Clock, public TimerManager::WakeSource {
 public:
  int64_t Frequency() override { return 1000; }
  int64_t Now() override { return now_ms; }
  uint32_t StartPeriodic(uint32_t) override { return 1; }
  void Kill(uint32_t) override {}
  int64_t now_ms = 0;
};

class AnimationSetTest : public ::testing::Test {
 protected:
  // Hands every player of the control to the test's timers.
  void Drive(Control& control) {
    for (int kind = kAnimationAlpha; kind <= kAnimationInOutYFromBottom; ++kind)
      if (AnimationPlayer* player = control.GetAnimationSet().GetPlayer(kind))
        player->SetTimerManager(&timers_);
  }
  void Advance(int ms) {
    for (int step = 0; step < ms; step += 16) {
      clock_.now_ms += 16;
      timers_.RunDueTimers();
    }
  }
  ManualClock clock_;
  TimerManager timers_{&clock_, &clock_};
};

TEST_F(AnimationSetTest, FadeAlphaLeavesTheControlTransparentUntilShown) {
  Control control;
  control.SetAttribute(L"fadealpha", L"true");
  EXPECT_EQ(0, control.GetAlpha());
  AnimationPlayer* player = control.GetAnimationSet().GetPlayer(kAnimationAlpha);
  ASSERT_NE(nullptr, player);
  EXPECT_EQ(0, player->GetStartValue());
  EXPECT_EQ(255, player->GetEndValue());
  EXPECT_EQ(250, player->GetTotalMillSeconds());

  Drive(control);
  control.SetFadeVisible(true);
  Advance(400);
  EXPECT_EQ(255, control.GetAlpha());

  control.SetFadeVisible(false);
  EXPECT_TRUE(control.IsVisible());  // hidden only at the end of the fade
  Advance(400);
  EXPECT_EQ(0, control.GetAlpha());
  EXPECT_FALSE(control.IsVisible());

  control.SetAttribute(L"fadealpha", L"false");
  EXPECT_EQ(255, control.GetAlpha());
  EXPECT_EQ(nullptr, control.GetAnimationSet().GetPlayer(kAnimationAlpha));
}

TEST_F(AnimationSetTest, ShowingAgainCancelsThePendingHide) {
  Control control;
  control.SetAttribute(L"fadealpha", L"true");
  Drive(control);
  control.SetFadeVisible(true);
  Advance(400);
  control.SetFadeVisible(false);
  Advance(48);
  control.SetFadeVisible(true);
  Advance(400);
  EXPECT_TRUE(control.IsVisible());
  EXPECT_EQ(255, control.GetAlpha());
}

TEST_F(AnimationSetTest, SlidesStartOneEstimateAway) {
  struct Case {
    const wchar_t* attribute;
    int kind;
    int width;
    int start;
  } const cases[] = {
      {L"fadeinoutxfromleft", kAnimationInOutXFromLeft, 40, 40},
      {L"fadeinoutxfromright", kAnimationInOutXFromRight, 40, -40},
      {L"fadeinoutxfromright", kAnimationInOutXFromRight, 0, -100},
      {L"fadeinoutyfromtop", kAnimationInOutYFromTop, 40, 40},
      {L"fadeinoutyfrombottom", kAnimationInOutYFromBottom, -1, -100},
  };
  for (const Case& c : cases) {
    Control control;
    control.SetFixedWidth(c.width, false, false);
    control.SetFixedHeight(c.width, false);
    control.SetAttribute(c.attribute, L"true");
    AnimationPlayer* player = control.GetAnimationSet().GetPlayer(c.kind);
    ASSERT_NE(nullptr, player) << c.attribute;
    EXPECT_EQ(c.start, player->GetStartValue()) << c.attribute << " " << c.width;
    EXPECT_EQ(0, player->GetEndValue());
    EXPECT_EQ(-1, player->GetTotalMillSeconds());
  }
}

TEST_F(AnimationSetTest, SizeFadesGrowToTheEstimate) {
  Control control;
  control.SetFixedWidth(60, false, false);
  control.SetFixedHeight(30, false);
  control.SetAttribute(L"fadewidth", L"true");
  control.SetAttribute(L"fadeheight", L"true");
  Drive(control);
  control.SetFixedWidth(0, false, false);
  control.SetFixedHeight(0, false);
  control.SetFadeVisible(true);
  Advance(2000);
  EXPECT_EQ(60, control.GetFixedWidth());
  EXPECT_EQ(30, control.GetFixedHeight());
}

TEST_F(AnimationSetTest, WithoutFadesDisappearHidesAtOnce) {
  Control control;
  control.SetAttribute(L"fadehot", L"true");
  control.SetFadeVisible(false);
  EXPECT_FALSE(control.IsVisible());
  control.SetFadeVisible(true);
  EXPECT_TRUE(control.IsVisible());
}

TEST_F(AnimationSetTest, HoverFadeFollowsEnterAndLeave) {
  Control control;
  control.SetAttribute(L"hotcolor", L"red");
  Drive(control);
  control.SendEventArgs(kEventMouseEnter);
  Advance(400);
  EXPECT_EQ(255, control.GetHotAlpha());
  control.SendEventArgs(kEventMouseLeave);
  Advance(400);
  EXPECT_EQ(0, control.GetHotAlpha());
}

TEST_F(AnimationSetTest, APlayerOutlivingItsControlDoesNothing) {
  auto* control = new Control;
  control->SetAttribute(L"fadealpha", L"true");
  Drive(*control);
  control->SetFadeVisible(true);
  delete control;
  Advance(400);  // the pending step timer is dropped with the player
  SUCCEED();
}

}  // namespace
}  // namespace ui
