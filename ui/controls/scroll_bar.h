// ScrollBar: the scroll bar of a ScrollableBox (its owner), or a bar on its
// own. A track with an optional arrow button at each end and a thumb whose
// length shows the visible share of the content. It keeps a 64-bit range and
// position, paints five image sets (background, both buttons, thumb and the
// grip drawn on the thumb) by state, turns presses into line and page
// scrolls of its owner with auto-repeat, and drags the thumb while the
// mouse is held on it.
//
// Owned by its ScrollableBox (which places it; it is not one of the box's
// items), or by its parent box when it stands alone. A held press repeats on
// a UI timer bound to a flag of the bar, so a destroyed bar gets no ticks.
// UI thread only.
#ifndef UI_CONTROLS_SCROLL_BAR_H_
#define UI_CONTROLS_SCROLL_BAR_H_

#include <cstdint>
#include <string>

#include "base/callback/weak_callback.h"
#include "ui/core/control.h"

namespace ui {

class ScrollableBox;
class TimerManager;

// The five parts a bar paints, each with a state image set.
enum ScrollBarPart {
  kScrollBarBackground = 0,
  kScrollBarButton1 = 1,
  kScrollBarButton2 = 2,
  kScrollBarThumb = 3,
  kScrollBarRail = 4,
};

class ScrollBar : public Control {
 public:
  // Ticks of the repeat timer, and how many of them a held button waits
  // before it repeats.
  static constexpr uint32_t kRepeatMillis = 50;
  static constexpr int kRepeatDelayTicks = 5;

  ScrollBar();
  ~ScrollBar() override;

  bool IsHorizontal() const { return horizontal_; }
  void SetHorizontal(bool horizontal);
  int64_t GetRange() const { return range_; }
  // Negative becomes 0; the position is pulled into the new range. Range 0
  // hides the bar; a non-zero range shows it unless it auto-hides.
  void SetRange(int64_t range);
  int64_t GetScrollPos() const { return position_; }
  // Clamped to 0 .. range; the parts are laid out again.
  void SetScrollPos(int64_t position);
  int GetLineSize() const { return line_size_; }
  void SetLineSize(int size) { line_size_ = size; }
  int GetThumbMinLength() const { return thumb_min_length_; }
  void SetThumbMinLength(int length) { thumb_min_length_ = length; }
  bool IsShowButton1() const { return show_button1_; }
  bool IsShowButton2() const { return show_button2_; }
  void SetShowButton1(bool show);
  void SetShowButton2(bool show);
  bool IsAutoHideScroll() const { return auto_hide_; }
  void SetAutoHideScroll(bool on) { auto_hide_ = on; }
  ScrollableBox* GetOwner() const { return owner_; }
  void SetOwner(ScrollableBox* owner) { owner_ = owner; }

  UiRect GetButton1Rect() const { return button1_rect_; }
  UiRect GetButton2Rect() const { return button2_rect_; }
  UiRect GetThumbRect() const { return thumb_rect_; }
  int GetButton1State() const { return button1_state_; }
  int GetButton2State() const { return button2_state_; }
  int GetThumbState() const { return thumb_state_; }
  // Sets the image text of one part's state and repaints.
  void SetPartImage(int part, int state, const std::wstring& text);
  std::wstring GetPartImage(int part, int state) const;

  // Control overrides.
  void SetPos(UiRect rect) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void Paint(IRenderContext* render, const UiRect& paint_rect) override;
  void HandleEvent(EventArgs& args) override;
  void ClearImages() override;
  void SetEnabled(bool enabled) override;
  void SetFocus() override;
  void SetVisible(bool visible) override;
  bool OnMouseEnter(EventArgs& args) override;
  bool OnMouseLeave(EventArgs& args) override;
  bool OnButtonUp(EventArgs& args) override;

 private:
  // The size across the bar: the fixed width of a vertical bar, the fixed
  // height of a horizontal one (the rect's when that is not fixed).
  int Thickness() const;
  void LayoutParts();
  void OnPress(EventArgs& args);
  void OnRepeatTick();
  // One line or page back (forward false) or on, through the owner or on
  // the bar's own position.
  void StepLine(bool forward);
  void StepPage(bool forward);
  void MoveOwnPosition(int64_t target);
  TimerManager* Timers();
  // The image of a button or the rail for a part state, with the fall-backs
  // of a missing state image; null when none has a file.
  Image* PickImage(int part, int state, bool thumb_held_counts);
  std::wstring PartModifier(const UiRect& part) const;

  bool horizontal_ = false;
  bool show_button1_ = true;
  bool show_button2_ = true;
  bool auto_hide_ = true;
  int64_t range_ = 100;
  int64_t position_ = 0;
  int line_size_ = 8;
  int thumb_min_length_ = 30;
  int64_t drag_start_position_ = 0;
  int64_t drag_delta_ = 0;
  int repeat_count_ = 0;
  ScrollableBox* owner_ = nullptr;
  UiPoint drag_start_point_ = {0, 0};
  UiRect button1_rect_ = {0, 0, 0, 0};
  UiRect button2_rect_ = {0, 0, 0, 0};
  UiRect thumb_rect_ = {0, 0, 0, 0};
  int button1_state_ = kControlStateNormal;
  int button2_state_ = kControlStateNormal;
  int thumb_state_ = kControlStateNormal;
  // True between a press in the track and its release.
  bool track_pressed_ = false;
  StateImageMap part_images_[5];
  base::WeakCallbackFlag repeat_flag_;
};

}  // namespace ui

#endif  // UI_CONTROLS_SCROLL_BAR_H_
