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

// A slide starts one estimated size away, 100 pixels when there is none.
int SlideDistance(int estimate) { return estimate > 0 ? estimate : kSlideFallback; }

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

AnimationPlayer* AnimationSet::Switch(int kind, bool on, int start, int end, int millis,
                                      double speed_up_factor, void (*apply)(Control*, int)) {
  if (!on) return Replace(kind, nullptr);
  auto player = MakePlayer(start, end, millis, speed_up_factor);
  Control* owner = owner_;
  player->SetCallback(owner->ToWeakCallback([owner, apply](int32_t v) { apply(owner, v); }));
  return Replace(kind, std::move(player));
}

AnimationPlayer* AnimationSet::SetFadeAlpha(bool on) {
  AnimationPlayer* player = Switch(kAnimationAlpha, on, 0, 255, kFadeMillis, 0,
                                   [](Control* c, int v) { c->SetAlpha(v); });
  owner_->SetAlpha(on ? 0 : 255);
  return player;
}

AnimationPlayer* AnimationSet::SetFadeHot(bool on) {
  return Switch(kAnimationHot, on, 0, 255, kFadeMillis, 0,
                [](Control* c, int v) { c->SetHotAlpha(v); });
}

AnimationPlayer* AnimationSet::SetFadeWidth(bool on) {
  int end = on ? EstimateForAnimation(owner_).cx : 0;
  return Switch(kAnimationWidth, on, 0, end, -1, kSizeSpeedUpFactor,
                [](Control* c, int v) { c->SetFixedWidth(v, true, false); });
}

AnimationPlayer* AnimationSet::SetFadeHeight(bool on) {
  int end = on ? EstimateForAnimation(owner_).cy : 0;
  return Switch(kAnimationHeight, on, 0, end, -1, kSizeSpeedUpFactor,
                [](Control* c, int v) { c->SetFixedHeight(v, false); });
}

AnimationPlayer* AnimationSet::SetFadeInOutX(bool on, bool from_right) {
  int distance = on ? SlideDistance(EstimateForAnimation(owner_).cx) : 0;
  return Switch(from_right ? kAnimationInOutXFromRight : kAnimationInOutXFromLeft, on,
                from_right ? -distance : distance, 0, -1, kSlideSpeedUpFactor,
                [](Control* c, int v) { c->SetRenderOffsetX(v); });
}

AnimationPlayer* AnimationSet::SetFadeInOutY(bool on, bool from_bottom) {
  int distance = on ? SlideDistance(EstimateForAnimation(owner_).cy) : 0;
  return Switch(from_bottom ? kAnimationInOutYFromBottom : kAnimationInOutYFromTop, on,
                from_bottom ? -distance : distance, 0, -1, kSlideSpeedUpFactor,
                [](Control* c, int v) { c->SetRenderOffsetY(v); });
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
