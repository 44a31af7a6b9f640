#include "ui/controls/scrollable_box.h"

#include <algorithm>

#include "ui/render/auto_clip.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

constexpr int kWheelStep = 50;  // pixels per notch of 120

}  // namespace

void ScrollableBox::SetScrollPos(UiSize pos) {
  pos.cx = std::max(0, std::min(pos.cx, scroll_range_.cx));
  pos.cy = std::max(0, std::min(pos.cy, scroll_range_.cy));
  if (pos == scroll_pos_) return;
  scroll_pos_ = pos;
  Invalidate();
}

void ScrollableBox::SetScrollRange(UiSize range) {
  scroll_range_.cx = std::max(0, range.cx);
  scroll_range_.cy = std::max(0, range.cy);
  SetScrollPos(scroll_pos_);
}

void ScrollableBox::HandleEvent(EventArgs& args) {
  if (args.type == kEventScrollWheel && wheel_scroll_ && IsMouseEnabled() &&
      scroll_range_.cy > 0) {
    int delta = static_cast<int32_t>(args.wparam);
    SetScrollPos(UiSize{scroll_pos_.cx, scroll_pos_.cy - delta * kWheelStep / 120});
    return;
  }
  Box::HandleEvent(args);
}

Control* ScrollableBox::FindControl(FindControlProc proc, void* data, UINT flags,
                                    UiPoint) {
  return Box::FindControl(proc, data, flags, UiPoint{scroll_pos_.cx, scroll_pos_.cy});
}

void ScrollableBox::PaintChildren(IRenderContext* render, const UiRect& paint_rect) {
  UiRect visible = UiRect::Intersect(paint_rect, GetContentRect());
  if (visible.IsEmpty()) return;
  AutoClip clip(render, visible);
  UiPoint old_origin = render->OffsetWindowOrg(UiPoint{scroll_pos_.cx, scroll_pos_.cy});
  // The part of the content that shows, in the children's coordinates.
  UiRect shifted = visible;
  shifted.Offset(scroll_pos_.cx, scroll_pos_.cy);
  for (Control* item : items_)
    if (item->IsVisible()) item->PaintBlended(render, shifted);
  render->SetWindowOrg(old_origin);
}

}  // namespace ui
