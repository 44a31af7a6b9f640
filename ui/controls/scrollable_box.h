// ScrollableBox: a box whose content may be larger than its rect. Its
// children are laid out in content coordinates and keep those rects while it
// scrolls; painting and hit testing are shifted by the scroll position. A
// vertical and a horizontal ScrollBar come into use when the content
// outgrows the view and go out of use when it fits again. It scrolls by
// line (smoothly, on an animation player), page, to either end, by the
// wheel, the arrow, page, Home and End keys and by touch dragging, and
// reports each change of position with kEventScrollChange.
//
// The box owns its bars (not among its items) and its two players; the
// players' callbacks are weak callbacks of the box. UI thread only.
#ifndef UI_CONTROLS_SCROLLABLE_BOX_H_
#define UI_CONTROLS_SCROLLABLE_BOX_H_

#include <memory>
#include <vector>

#include "ui/animation/animation_player.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/box.h"

namespace ui {

class ScrollableBox : public Box, public IScrollState {
 public:
  // Children this far above or below the view keep their background
  // images loaded.
  static constexpr int kLazyImageMargin = 730;
  static constexpr int kDefaultScrollUnit = 30;

  explicit ScrollableBox(Layout* layout = nullptr);
  ~ScrollableBox() override;

  // (horizontal, vertical) position; 0 for a bar that is missing or out of
  // use.
  UiSize GetScrollPos() const override;
  UiSize GetScrollRange() const override;
  // Clamped to 0 .. range in each direction.
  virtual void SetScrollPos(UiSize pos);
  virtual void SetScrollPosY(int y);
  virtual void SetScrollPosX(int x);
  // Ends the mute of scroll events: the completion of a line scroll.
  virtual void ClearScrollEventMute() { mute_scroll_events_ = false; }
  // step -1 is the scroll unit of the direction; animated steps run on the
  // line scroll player and add up while one is under way.
  virtual void LineUp(int step = -1, bool animated = true);
  virtual void LineDown(int step = -1, bool animated = true);
  virtual void LineLeft(int step = -1, bool animated = true);
  virtual void LineRight(int step = -1, bool animated = true);
  virtual void PageUp();
  virtual void PageDown();
  virtual void ScrollToTop();
  // With arrange the box lays itself out first; animated, the content
  // slides to the end over its render offset.
  virtual void ScrollToBottom(bool arrange = true, bool animated = true);
  virtual void PageLeft();
  virtual void PageRight();
  virtual void ScrollToLeft();
  virtual void ScrollToRight();
  virtual void ScrollUpBy(int distance);
  virtual void ScrollDownBy(int distance);
  // Makes a missing bar that is asked for (hidden, range 0, its skin class
  // applied) and deletes a present one that is not.
  virtual void EnableScrollBar(bool vertical, bool horizontal);
  virtual ScrollBar* GetVerticalScrollBar() const { return vbar_.get(); }
  virtual ScrollBar* GetHorizontalScrollBar() const { return hbar_.get(); }
  virtual void UpdateVerticalScrollBar(UiRect rect, int required);
  virtual void UpdateHorizontalScrollBar(UiRect rect, int required);
  virtual void SetMouseWheelScroll(bool on) { wheel_scroll_ = on; }
  bool IsMouseWheelScroll() const { return wheel_scroll_; }
  // Lays the children out in the content rect and answers the size they
  // take; also rebuilds the child offsets.
  virtual UiSize MeasureContent(UiRect content);

  // Height of the horizontal bar when it exists and shows.
  int GetHScrollBarHeight() const;
  // Stops a smooth scroll where it stands.
  void StopScrollAnimation();
  // While set no kEventScrollChange is sent (a smooth line scroll clears it
  // at its end).
  void SetScrollEventMute(bool mute) { mute_scroll_events_ = mute; }
  bool IsScrollEventMute() const { return mute_scroll_events_; }
  bool IsHoldEnd() const { return hold_end_; }
  void SetHoldEnd(bool on) { hold_end_ = on; }
  // Start offset of every child along the scrolled axis.
  const std::vector<int>& GetChildOffsets() const { return child_offsets_; }
  // The timers behind the smooth scrolls and the bars' repeat.
  TimerManager* GetTimers();

  // Box and control overrides.
  void SetWindow(Window* window) override { Box::SetWindow(window); }
  void SetWindow(Window* window, Box* parent, bool init) override;
  void SetPos(UiRect rect) override;
  void SetMouseEnabled(bool on) override;
  Control* FindControl(FindControlProc proc, void* data, UINT flags,
                       UiPoint scroll_pos = {0, 0}) override;
  void SetAttribute(const std::wstring& name, const std::wstring& value) override;
  void PaintChildren(IRenderContext* render, const UiRect& paint_rect) override;
  void ClearImages() override;
  void HandleEvent(EventArgs& args) override;
  bool OnMouseEnter(EventArgs& args) override;
  bool OnMouseLeave(EventArgs& args) override;

 protected:
  bool IsVActive() const { return vbar_ && vbar_->GetRange() != 0; }
  bool IsHActive() const { return hbar_ && hbar_->GetRange() != 0; }
  // Step 2 of SetPos: the rect, the content measure and both bars.
  void LayoutContent(UiRect rect);
  // Lays the box out again with its own rect (a bar came or went); bounded,
  // so a content that never settles cannot recurse for ever.
  void Relayout();
  // Loads the background images of the children near the view and unloads
  // the others; forward visits them top to bottom.
  void UpdateLazyImages(bool forward);
  // A mouse event while the box takes no mouse input goes to its parent;
  // true when it went.
  bool PassDeafMouseEvent(EventArgs& args);

 private:
  void StartLineScroll(bool vertical, int from, int to);
  // Shows (in) or hides the bars that show only while the mouse is over
  // the box; a bar whose thumb is held stays.
  void FadeAutoHideBars(bool in);
  // Brings one bar into use, out of use or to the content's new size, and
  // places it.
  void UpdateBar(ScrollBar* bar, int required, int view, const UiRect& placed);
  ScrollBar* MakeBar(bool horizontal);
  int ViewHeight() const;
  int ViewWidth() const;

  std::unique_ptr<ScrollBar> vbar_;
  std::unique_ptr<ScrollBar> hbar_;
  int vscroll_unit_;
  int hscroll_unit_;
  bool relayout_guard_ = false;
  int relayout_depth_ = 0;
  bool hold_end_ = false;
  bool bar_float_ = true;
  bool default_display_bar_ = true;
  UiRect bar_padding_ = {0, 0, 0, 0};
  UiPoint last_touch_ = {-1, -1};
  std::unique_ptr<AnimationPlayer> line_player_;
  std::unique_ptr<AnimationPlayer> slide_player_;
  bool wheel_scroll_ = true;
  bool mute_scroll_events_ = false;
  // The first paint applies the lazy-image rule once.
  bool lazy_images_applied_ = false;
  std::vector<int> child_offsets_;
};

}  // namespace ui

#endif  // UI_CONTROLS_SCROLLABLE_BOX_H_
