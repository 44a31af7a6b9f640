#include "ui/animation/animation_player.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "ui/animation/timer_manager.h"
#include "ui/util/safe_math.h"

namespace ui {

AnimationPlayerBase::AnimationPlayerBase() = default;

AnimationPlayerBase::~AnimationPlayerBase() { timer_flag_.Cancel(); }

TimerManager* AnimationPlayerBase::Timers() {
  if (!timers_) timers_ = TimerManager::Instance();
  return timers_;
}

void AnimationPlayerBase::Init() {
  total_millis_ = -1;
  start_value_ = end_value_ = current_value_ = 0;
  elapsed_millis_ = 0;
  step_interval_ = 0;
  last_counter_ = counter_frequency_ = 0;
  playing_ = reversed_ = false;
}

void AnimationPlayerBase::Reset() {
  StopTimer();
  Init();
}

void AnimationPlayerBase::Start() {
  timer_flag_.Cancel();
  elapsed_millis_ = 0;
  reversed_ = false;
  StartTimer();
}

void AnimationPlayerBase::StopTimer() { timer_flag_.Cancel(); }

void AnimationPlayerBase::Turn() {
  std::swap(start_value_, end_value_);
  current_value_ = start_value_;
  elapsed_millis_ = total_millis_ - elapsed_millis_;
  if (elapsed_millis_ < 0) elapsed_millis_ = 0;
}

void AnimationPlayerBase::Continue() {
  timer_flag_.Cancel();
  if (reversed_) Turn();
  reversed_ = false;
  StartTimer();
  first_run_ = false;
}

void AnimationPlayerBase::Reverse() {
  timer_flag_.Cancel();
  if (!reversed_) Turn();
  // A player that never ran forwards plays the whole way back.
  if (first_run_) elapsed_millis_ = 0;
  reversed_ = true;
  StartTimer();
  first_run_ = false;
}

void AnimationPlayerBase::StartTimer() {
  TimerManager* timers = Timers();
  counter_frequency_ = timers->Frequency();
  last_counter_ = timers->Now();
  playing_ = true;
  if (end_value_ == start_value_) {
    Complete();
    return;
  }

  int64_t range = std::llabs(static_cast<int64_t>(end_value_) - start_value_);
  step_interval_ = static_cast<int32_t>(total_millis_ / range);
  if (step_interval_ <= 0) step_interval_ = 1;

  Play();
  // The first step may already have finished the run: no timer then, or it
  // would complete the player again on every tick.
  if (!playing_) return;
  timers->AddTimer(timer_flag_.GetWeakFlag(), ToWeakCallback([this] { Play(); }),
                   static_cast<uint32_t>(step_interval_), -1);
}

void AnimationPlayerBase::Play() {
  TimerManager* timers = Timers();
  int64_t now = timers->Now();
  elapsed_millis_ += SafeDivide((now - last_counter_) * 1000.0, counter_frequency_);
  last_counter_ = timers->Now();

  int32_t value = GetCurrentValue();
  bool reached = (start_value_ < end_value_ && value >= end_value_) ||
                 (start_value_ > end_value_ && value <= end_value_);
  if (reached) {
    if (step_callback_) step_callback_(end_value_);
    Complete();
    current_value_ = end_value_;
    return;
  }
  if (value != current_value_ && step_callback_) step_callback_(value);
  current_value_ = value;
}

void AnimationPlayerBase::Complete() {
  if (complete_callback_) {
    // A copy: the callback may replace itself (or the player's callbacks).
    CompleteCallback callback = complete_callback_;
    callback();
  }
  timer_flag_.Cancel();
  playing_ = false;
}

void AnimationPlayer::Init() {
  AnimationPlayerBase::Init();
  speed_up_ratio_ = slow_down_ratio_ = 0;
  linear_speed_ = linear_millis_ = slow_down_millis_ = 0;
  speed_up_factor_ = slow_down_factor_ = slow_down_speed_ = 0;
  max_total_millis_ = kMaxTotalMillis;
}

void AnimationPlayer::StartTimer() {
  InitFactor();
  AnimationPlayerBase::StartTimer();
}

int32_t AnimationPlayer::GetCurrentValue() {
  const double t = elapsed_millis_;
  const double T = total_millis_;
  if (t >= T) return end_value_;
  const double t1 = speed_up_millis_, t2 = linear_millis_;
  const double a = speed_up_factor_, v = linear_speed_;
  const double b = slow_down_factor_, c = slow_down_speed_;
  double d;
  if (t <= t1) {
    d = a * t * t;
  } else if (t <= t1 + t2) {
    d = (t - t1) * v + a * t1 * t1;
  } else {
    double u = t - t1 - t2;
    d = a * t1 * t1 + t2 * v + b * u * u + c * u;
  }
  int64_t distance = TruncToInt(d);
  int64_t value = start_value_ < end_value_ ? start_value_ + distance : start_value_ - distance;
  return static_cast<int32_t>(value);
}

void AnimationPlayer::InitFactor() {
  const double D = std::fabs(static_cast<double>(end_value_) - start_value_);
  const double r1 = speed_up_ratio_, r2 = slow_down_ratio_;
  const double K1 = 2 * r1 * (1 - r1 - r2) + r1 * r1 + r1 * r2;
  const double K2 = 2 * r2 * (1 - r1 - r2) + r2 * r2 + r1 * r2;

  for (;;) {
    if (r1 == 0 && r2 == 0) {
      if (total_millis_ == -1) {
        // Without a speed there is no way to get there: the run ends at once.
        double total = SafeDivide(D, linear_speed_, 0.0);
        total_millis_ = total > max_total_millis_ ? max_total_millis_ : TruncToInt(total);
      } else {
        linear_speed_ = SafeDivide(D, total_millis_);
      }
      linear_millis_ = total_millis_;
      speed_up_millis_ = 0;
      return;
    }

    const double T = total_millis_;
    if (total_millis_ != -1) {
      if (r1 != 0)
        speed_up_factor_ = SafeDivide(D, K1 * T * T);
      else if (r2 != 0)
        slow_down_factor_ = -SafeDivide(D, K2 * T * T);
    }

    double peak = 0;
    if (speed_up_factor_ != 0 && r1 != 0) {
      peak = speed_up_factor_ * r1;
      if (r2 != 0) slow_down_factor_ = -speed_up_factor_ * r1 / r2;
    } else if (slow_down_factor_ != 0 && r2 != 0) {
      peak = -slow_down_factor_ * r2;
      if (r1 != 0) speed_up_factor_ = peak / r1;
    }

    if (total_millis_ == -1) {
      double denominator =
          speed_up_factor_ * r1 * r1 + 2 * (1 - r1 - r2) * peak - r2 * slow_down_factor_ * r2;
      // A zero factor gives no curve to follow: the run ends at once.
      double squared = denominator > 0 ? SafeDivide(D, denominator) : 0.0;
      double total = std::sqrt(squared);
      if (total > max_total_millis_) {
        total_millis_ = max_total_millis_;
        continue;  // again with the capped duration
      }
      total_millis_ = TruncToInt(total);
    }

    linear_speed_ = slow_down_speed_ = 2 * peak * total_millis_;
    speed_up_millis_ = total_millis_ * r1;
    slow_down_millis_ = total_millis_ * r2;
    linear_millis_ = total_millis_ - speed_up_millis_ - slow_down_millis_;
    return;
  }
}

}  // namespace ui
