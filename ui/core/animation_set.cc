#include "ui/core/animation_set.h"

#include "ui/animation/animation_player.h"
#include "ui/core/control.h"

namespace ui {

namespace {

constexpr double kSpeedUpRatio = 0.3;
constexpr double kSlowDownRatio = 0.7;
constexpr int kFadeMillis = 250;
constexpr double kSizeSpeedUpFactor = 0.00084;
constexpr double kSlideSpeedUpFactor = 0.006;
constexpr int kSlideFallback = 100;

// The kinds Appear and Disappear drive, in their order (not the hover fade).
constexpr int kFadeOrder[] = {kAnimationAlpha,          kAnimationWidth,
                              kAnimationHeight,         kAnimationInOutXFromLeft,
                              kAnimationInOutXFromRight, kAnimationInOutYFromTop,
                              kAnimationInOutYFromBottom};

std::unique_ptr<AnimationPlayer> MakePlayer(int start, int end, int millis,
                                            double speed_up_factor) {
  auto player = std::make_unique<AnimationPlayer>();
  player->SetStartValue(start);
  player->SetEndValue(end);
  player->SetTotalMillSeconds(millis);
  player->SetSpeedUpRatio(kSpeedUpRatio);
  player->SetSlowDownRatio(kSlowDownRatio);
  if (speed_up_factor > 0) player->SetSpeedUpFactor(speed_up_factor);
  return player;
}

UiSize EstimateForAnimation(Control* owner) {
  return owner->EstimateSize(UiSize{999999, 999999});
}

}  // namespace

AnimationSet::AnimationSet(Control* owner) : owner_(owner) {}

AnimationSet::~AnimationSet() = default;

AnimationPlayer* AnimationSet::Replace(int kind, std::unique_ptr<AnimationPlayer> player) {
  if (!player) {
    players_.erase(kind);
    return nullptr;
  }
  AnimationPlayer* raw = player.get();
  players_[kind] = std::move(player);
  return raw;
}

AnimationPlayer* AnimationSet::GetPlayer(int kind) const {
  auto it = players_.find(kind);
  return it == players_.end() ? nullptr : it->second.get();
}

AnimationPlayer* AnimationSet::SetFadeAlpha(bool on) {
  if (!on) {
    Replace(kAnimationAlpha, nullptr);
    owner_->SetAlpha(255);
    return nullptr;
  }
  auto player = MakePlayer(0, 255, kFadeMillis, 0);
  Control* owner = owner_;
  player->SetCallback(owner->ToWeakCallback([owner](int32_t v) { owner->SetAlpha(v); }));
  AnimationPlayer* raw = Replace(kAnimationAlpha, std::move(player));
  owner_->SetAlpha(0);
  return raw;
}

AnimationPlayer* AnimationSet::SetFadeHot(bool on) {
  if (!on) return Replace(kAnimationHot, nullptr);
  auto player = MakePlayer(0, 255, kFadeMillis, 0);
  Control* owner = owner_;
  player->SetCallback(owner->ToWeakCallback([owner](int32_t v) { owner->SetHotAlpha(v); }));
  return Replace(kAnimationHot, std::move(player));
}

AnimationPlayer* AnimationSet::SetFadeWidth(bool on) {
  if (!on) return Replace(kAnimationWidth, nullptr);
  auto player = MakePlayer(0, EstimateForAnimation(owner_).cx, -1, kSizeSpeedUpFactor);
  Control* owner = owner_;
  player->SetCallback(
      owner->ToWeakCallback([owner](int32_t v) { owner->SetFixedWidth(v, true, false); }));
  return Replace(kAnimationWidth, std::move(player));
}

AnimationPlayer* AnimationSet::SetFadeHeight(bool on) {
  if (!on) return Replace(kAnimationHeight, nullptr);
  auto player = MakePlayer(0, EstimateForAnimation(owner_).cy, -1, kSizeSpeedUpFactor);
  Control* owner = owner_;
  player->SetCallback(
      owner->ToWeakCallback([owner](int32_t v) { owner->SetFixedHeight(v, false); }));
  return Replace(kAnimationHeight, std::move(player));
}

AnimationPlayer* AnimationSet::SetFadeInOutX(bool on, bool from_right) {
  const int kind = from_right ? kAnimationInOutXFromRight : kAnimationInOutXFromLeft;
  if (!on) return Replace(kind, nullptr);
  int width = EstimateForAnimation(owner_).cx;
  if (width <= 0) width = kSlideFallback;
  auto player = MakePlayer(from_right ? -width : width, 0, -1, kSlideSpeedUpFactor);
  Control* owner = owner_;
  player->SetCallback(
      owner->ToWeakCallback([owner](int32_t v) { owner->SetRenderOffsetX(v); }));
  return Replace(kind, std::move(player));
}

AnimationPlayer* AnimationSet::SetFadeInOutY(bool on, bool from_bottom) {
  const int kind = from_bottom ? kAnimationInOutYFromBottom : kAnimationInOutYFromTop;
  if (!on) return Replace(kind, nullptr);
  int height = EstimateForAnimation(owner_).cy;
  if (height <= 0) height = kSlideFallback;
  auto player = MakePlayer(from_bottom ? -height : height, 0, -1, kSlideSpeedUpFactor);
  Control* owner = owner_;
  player->SetCallback(
      owner->ToWeakCallback([owner](int32_t v) { owner->SetRenderOffsetY(v); }));
  return Replace(kind, std::move(player));
}

void AnimationSet::PlayHot(bool forward) {
  AnimationPlayer* player = GetPlayer(kAnimationHot);
  if (!player) return;
  if (forward)
    player->Continue();
  else
    player->Reverse();
}

void AnimationSet::ClearHotCallback() {
  if (AnimationPlayer* player = GetPlayer(kAnimationHot))
    player->SetCompleteCallback(nullptr);
}

void AnimationSet::Appear() {
  owner_->SetVisible(true);
  for (int kind : kFadeOrder) {
    if (AnimationPlayer* player = GetPlayer(kind)) {
      player->SetCompleteCallback(nullptr);
      player->Continue();
    }
  }
}

void AnimationSet::Disappear() {
  Control* owner = owner_;
  auto hide = owner->ToWeakCallback([owner]() { owner->SetVisible(false); });
  bool any = false;
  for (int kind : kFadeOrder) {
    if (AnimationPlayer* player = GetPlayer(kind)) {
      any = true;
      player->SetCompleteCallback(hide);
      player->Reverse();
    }
  }
  if (!any) owner_->SetVisible(false);
}

}  // namespace ui
