// AnimationSet: a control's fade animations, switched on by its skin
// attributes ("fadealpha", "fadehot", "fadewidth", "fadeheight" and the four
// "fadeinout..."). One player per effect kind with fixed parameters; the set
// plays them forward when the control appears and backward when it
// disappears, hiding the control at the end of the backward run.
//
// Owned by its control; players are owned by the set, and their callbacks
// are weak callbacks of the control. UI thread only.
#ifndef UI_CORE_ANIMATION_SET_H_
#define UI_CORE_ANIMATION_SET_H_

#include <map>
#include <memory>

namespace ui {

class AnimationPlayer;
class Control;

enum AnimationKind {
  kAnimationAlpha = 1,
  kAnimationHeight = 2,
  kAnimationWidth = 3,
  kAnimationHot = 4,
  kAnimationInOutXFromLeft = 5,
  kAnimationInOutXFromRight = 6,
  kAnimationInOutYFromTop = 7,
  kAnimationInOutYFromBottom = 8,
};

class AnimationSet {
 public:
  explicit AnimationSet(Control* owner);
  AnimationSet(const AnimationSet&) = delete;
  AnimationSet& operator=(const AnimationSet&) = delete;
  ~AnimationSet();

  // Each setter replaces (on) or erases (off) the player of its kind and
  // answers the new player, null when switched off.
  AnimationPlayer* SetFadeAlpha(bool on);
  AnimationPlayer* SetFadeHot(bool on);
  AnimationPlayer* SetFadeWidth(bool on);
  AnimationPlayer* SetFadeHeight(bool on);
  AnimationPlayer* SetFadeInOutX(bool on, bool from_right);
  AnimationPlayer* SetFadeInOutY(bool on, bool from_bottom);

  AnimationPlayer* GetPlayer(int kind) const;

  // The hover fade, when configured: forward on mouse enter, backward on
  // mouse leave; a press released inside drops its completion callback.
  void PlayHot(bool forward);
  void ClearHotCallback();

  // Shows the owner and plays its fades forward (the hover fade excepted).
  void Appear();
  // Plays the fades backward and hides the owner at their end; at once when
  // there is none.
  void Disappear();

 private:
  AnimationPlayer* Replace(int kind, std::unique_ptr<AnimationPlayer> player);
  // Makes (on) or erases (off) the player of a kind whose values go to
  // apply on the owner.
  AnimationPlayer* Switch(int kind, bool on, int start, int end, int millis,
                          double speed_up_factor, void (*apply)(Control*, int));

  Control* owner_;
  std::map<int, std::unique_ptr<AnimationPlayer>> players_;
};

}  // namespace ui

#endif  // UI_CORE_ANIMATION_SET_H_
