// ScrollableBox: PROVISIONAL minimal scrolling box: a scroll position and a
// scroll range, applied by the tree when painting and hit testing, and the
// wheel scrolling a list falls back to. The scrolling work replaces it with
// the scroll bars and the animated scroll, keeping these names.
//
// UI thread only.
#ifndef UI_CONTROLS_SCROLLABLE_BOX_H_
#define UI_CONTROLS_SCROLLABLE_BOX_H_

#include "ui/core/box.h"

namespace ui {

class ScrollableBox : public Box, public IScrollState {
 public:
  explicit ScrollableBox(Layout* layout = nullptr) : Box(layout) {}

  UiSize GetScrollPos() const override { return scroll_pos_; }
  UiSize GetScrollRange() const override { return scroll_range_; }
  // Clamped to 0 .. range in each direction.
  virtual void SetScrollPos(UiSize pos);
  // The stand-in has no scroll bars: the range is set by whoever knows it.
  void SetScrollRange(UiSize range);
  // Height of the horizontal scroll bar when it exists and is visible.
  virtual int GetHScrollBarHeight() const { return 0; }
  void SetMouseWheelScroll(bool on) { wheel_scroll_ = on; }
  bool IsMouseWheelScroll() const { return wheel_scroll_; }
  // Stops an animated scroll (none in the stand-in).
  virtual void StopScrollAnimation() {}

  void HandleEvent(EventArgs& args) override;
  // Children are hit and painted at their rectangles less the scroll
  // position.
  Control* FindControl(FindControlProc proc, void* data, UINT flags,
                       UiPoint scroll_pos = {0, 0}) override;
  void PaintChildren(IRenderContext* render, const UiRect& paint_rect) override;

 private:
  UiSize scroll_pos_ = {0, 0};
  UiSize scroll_range_ = {0, 0};
  bool wheel_scroll_ = true;
};

}  // namespace ui

#endif  // UI_CONTROLS_SCROLLABLE_BOX_H_
