// Animation players: move one integer value from a start to an end value
// over time and report every new value to a step callback; a completed
// callback runs when the end is reached. Steps are driven by a repeating UI
// timer, so every callback runs on the UI thread.
//
// AnimationPlayerBase holds the range, the clock, the direction and the
// callbacks; AnimationPlayer adds the time curve: a speed-up phase of
// constant acceleration, a linear phase and a slow-down phase of constant
// deceleration, continuous in value and speed.
//
// The user sets the range, the duration, the ratios and the callbacks before
// a run, then calls Start, Continue (forwards from where it stands) or
// Reverse (backwards from where it stands). At most one step timer of a
// player is alive; destroying the player stops it. Owned by its user (a
// control's animation set, a tab box, a scrollable box). UI thread only.
#ifndef UI_ANIMATION_ANIMATION_PLAYER_H_
#define UI_ANIMATION_ANIMATION_PLAYER_H_

#include <cstdint>
#include <functional>

#include "base/callback/weak_callback.h"

namespace ui {

class TimerManager;

class AnimationPlayerBase : public base::SupportWeakCallback {
 public:
  using StepCallback = std::function<void(int32_t)>;
  using CompleteCallback = std::function<void()>;

  AnimationPlayerBase();
  ~AnimationPlayerBase() override;
  AnimationPlayerBase(const AnimationPlayerBase&) = delete;
  AnimationPlayerBase& operator=(const AnimationPlayerBase&) = delete;

  // Clears the range, the duration, the clock and the direction; the
  // callbacks and the first-run flag stay.
  virtual void Init();
  // Runs from the start value, elapsed 0, forwards; a reversed player is
  // not swapped back.
  virtual void Start();
  // Stops stepping without completing: the value and playing stay.
  virtual void StopTimer();
  virtual void Continue();
  virtual void Reverse();
  virtual void StartTimer();
  // The value at the elapsed time.
  virtual int32_t GetCurrentValue() = 0;

  void Reset();
  // One step: the step timer's callback.
  void Play();
  void Complete();

  void SetStartValue(int32_t value) { start_value_ = value; }
  int32_t GetStartValue() const { return start_value_; }
  void SetEndValue(int32_t value) { end_value_ = value; }
  int32_t GetEndValue() const { return end_value_; }
  // Milliseconds; -1 lets AnimationPlayer derive it.
  void SetTotalMillSeconds(int32_t total) { total_millis_ = total; }
  int32_t GetTotalMillSeconds() const { return total_millis_; }
  void SetCallback(const StepCallback& callback) { step_callback_ = callback; }
  void SetCompleteCallback(const CompleteCallback& callback) { complete_callback_ = callback; }
  // The value last reported.
  int32_t GetReportedValue() const { return current_value_; }
  double GetElapsedTime() const { return elapsed_millis_; }
  int32_t GetStepInterval() const { return step_interval_; }
  bool IsPlaying() const { return playing_; }
  bool IsFirstRun() const { return first_run_; }
  bool IsReversed() const { return reversed_; }

  // The timer manager that steps the player and whose clock it reads; the
  // process's one unless set (tests drive their own).
  void SetTimerManager(TimerManager* timers) { timers_ = timers; }

 protected:
  TimerManager* Timers();
  // Mirrors the run: start and end swap, elapsed becomes total - elapsed.
  void Turn();

  int32_t start_value_ = 0;
  int32_t end_value_ = 0;
  int32_t current_value_ = 0;
  int32_t total_millis_ = -1;
  double elapsed_millis_ = 0;
  int32_t step_interval_ = 0;
  bool first_run_ = true;
  bool playing_ = false;
  bool reversed_ = false;
  StepCallback step_callback_;
  CompleteCallback complete_callback_;
  int64_t last_counter_ = 0;
  int64_t counter_frequency_ = 0;
  base::WeakCallbackFlag timer_flag_;
  TimerManager* timers_ = nullptr;
};

class AnimationPlayer : public AnimationPlayerBase {
 public:
  static constexpr int32_t kMaxTotalMillis = 1000000;

  AnimationPlayer() = default;

  void Init() override;
  void StartTimer() override;
  int32_t GetCurrentValue() override;
  virtual void SetSpeedUpFactor(double factor) { speed_up_factor_ = factor; }
  virtual void SetSlowDownFactor(double factor) { slow_down_factor_ = factor; }

  // Derives the missing factor, the linear speed, the phase durations and,
  // when it is -1, the total duration (capped at kMaxTotalMillis).
  void InitFactor();

  void SetSpeedUpRatio(double ratio) { speed_up_ratio_ = ratio; }
  void SetSlowDownRatio(double ratio) { slow_down_ratio_ = ratio; }
  void SetLinearSpeed(double speed) { linear_speed_ = speed; }
  double GetLinearSpeed() const { return linear_speed_; }
  double GetSpeedUpFactor() const { return speed_up_factor_; }
  double GetSlowDownFactor() const { return slow_down_factor_; }

 private:
  double speed_up_ratio_ = 0;
  double slow_down_ratio_ = 0;
  double speed_up_millis_ = 0;
  double linear_speed_ = 0;
  double linear_millis_ = 0;
  double slow_down_millis_ = 0;
  double speed_up_factor_ = 0;
  double slow_down_factor_ = 0;
  double slow_down_speed_ = 0;
  int32_t max_total_millis_ = kMaxTotalMillis;
};

}  // namespace ui

#endif  // UI_ANIMATION_ANIMATION_PLAYER_H_
