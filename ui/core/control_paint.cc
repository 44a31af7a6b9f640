// The thin painting path of the control tree: colours and borders, then the
// children. Images, text, the alpha blend, render offsets and the paint
// cache come with the windows' painting.
#include <algorithm>

#include "ui/core/box.h"
#include "ui/render/auto_clip.h"
#include "ui/render/render_context.h"

namespace ui {

void Control::PaintBlended(IRenderContext* render, const UiRect& paint_rect) {
  if (!IsVisible()) return;
  UiRect area = UiRect::Intersect(paint_rect, rect_);
  if (area.IsEmpty()) return;
  AutoClip clip(render, rect_, clip_);
  Paint(render, paint_rect);
  PaintChildren(render, paint_rect);
}

void Control::Paint(IRenderContext* render, const UiRect& paint_rect) {
  paint_rect_ = UiRect::Intersect(paint_rect, rect_);
  PaintBkColor(render);
  PaintStateColor(render);
  PaintBorder(render);
}

void Control::PaintBkColor(IRenderContext* render) {
  if (!bk_color_.empty()) render->FillRectNamed(rect_, bk_color_);
}

void Control::PaintStateColor(IRenderContext* render) { state_colors_.Paint(render, rect_, state_); }

void StateColorMap::Paint(IRenderContext* render, const UiRect& rect, int state) const {
  const bool fade_hot = owner_->GetAnimationSet().GetPlayer(kAnimationHot) != nullptr;
  if (fade_hot && (state == kControlStateNormal || state == kControlStateHot) && HasHotColor()) {
    render->FillRectNamed(rect, GetColor(kControlStateNormal), 255);
    const int h = owner_->GetHotAlpha();
    if (h >= 1) render->FillRectNamed(rect, GetColor(kControlStateHot), static_cast<uint8_t>(h));
    return;
  }
  int pick = state;
  if (pick == kControlStatePushed && GetColor(pick).empty()) pick = kControlStateHot;
  if (pick == kControlStateHot && GetColor(pick).empty()) pick = kControlStateNormal;
  if (pick == kControlStateDisabled && GetColor(pick).empty()) pick = kControlStateNormal;
  const std::wstring color = GetColor(pick);
  if (!color.empty()) render->FillRectNamed(rect, color, 255);
}

void Control::PaintBorder(IRenderContext* render) {
  if (border_color_.empty()) return;
  UiRect sides = border_sides_;
  if (sides.left <= 0 && sides.top <= 0 && sides.right <= 0 && sides.bottom <= 0) {
    if (border_size_ <= 0) return;
    sides = UiRect{border_size_, border_size_, border_size_, border_size_};
  }
  const UiRect& r = rect_;
  if (sides.left > 0)
    render->FillRectNamed(UiRect{r.left, r.top, std::min(r.left + sides.left, r.right), r.bottom},
                          border_color_);
  if (sides.top > 0)
    render->FillRectNamed(UiRect{r.left, r.top, r.right, std::min(r.top + sides.top, r.bottom)},
                          border_color_);
  if (sides.right > 0)
    render->FillRectNamed(
        UiRect{std::max(r.right - sides.right, r.left), r.top, r.right, r.bottom},
        border_color_);
  if (sides.bottom > 0)
    render->FillRectNamed(
        UiRect{r.left, std::max(r.bottom - sides.bottom, r.top), r.right, r.bottom},
        border_color_);
}

void Box::PaintChildren(IRenderContext* render, const UiRect& paint_rect) {
  if (UiRect::Intersect(paint_rect, rect_).IsEmpty()) return;
  for (Control* item : items_)
    if (item->IsVisible()) item->PaintBlended(render, paint_rect);
}

}  // namespace ui
