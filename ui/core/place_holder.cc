#include "ui/core/place_holder.h"

#include "ui/core/box.h"
#include "ui/render/dpi_scale.h"
#include "ui/core/window.h"
#include "ui/render/render_context.h"

namespace ui {

PlaceHolder::PlaceHolder() = default;

PlaceHolder::~PlaceHolder() = default;

void PlaceHolder::SetWindow(Window* window, Box* parent, bool init) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  window_ = window;
  parent_ = parent;
  if (init && parent_) Init();
}

void PlaceHolder::Init() {
  if (inited_) return;
  inited_ = true;
  DoInit();
}

UiSize PlaceHolder::EstimateSize(UiSize available) {
  return UiSize{fixed_width_, fixed_height_};
}

void PlaceHolder::SetPos(UiRect rect) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  rect_ = rect;
}

void PlaceHolder::Arrange() {
  if (IsAutoSized())
    ArrangeUpward();
  else
    RequestArrange();
}

void PlaceHolder::ArrangeUpward() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  size_dirty_ = true;
  if (window_ && window_->GetRoot()) {
    PlaceHolder* target = window_->GetRoot();
    for (PlaceHolder* p = parent_; p; p = p->parent_) {
      if (!p->IsAutoSized()) {
        target = p;
        break;
      }
      p->size_dirty_ = true;
    }
    target->RequestArrange();
  } else if (parent_) {
    parent_->RequestArrange();
  } else {
    RequestArrange();
  }
}

void PlaceHolder::RequestArrange() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (!IsVisible()) return;
  size_dirty_ = true;
  needs_arrange_ = true;
  Invalidate();
  if (window_) window_->SetArrangePending();
}

void PlaceHolder::Invalidate() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (!IsVisible()) return;
  cache_dirty_ = true;
  UiRect area = GetPos(true);
  UiPoint offset = GetScrollOffset();
  area.Offset(-offset.x, -offset.y);
  if (window_) window_->InvalidateArea(area);
}

void PlaceHolder::SetFixedWidth(int cx, bool arrange, bool dpi_scale) {
  if (cx < kSizeAuto) return;
  if (cx > 0 && dpi_scale) cx = DpiScale::Instance()->ScaleInt(cx);
  if (cx == fixed_width_) return;
  fixed_width_ = cx;
  if (arrange)
    ArrangeUpward();
  else
    size_dirty_ = true;
}

void PlaceHolder::SetFixedHeight(int cy, bool dpi_scale) {
  if (cy < kSizeAuto) return;
  if (cy > 0 && dpi_scale) cy = DpiScale::Instance()->ScaleInt(cy);
  if (cy == fixed_height_) return;
  fixed_height_ = cy;
  ArrangeUpward();
}

namespace {

// The scroll state of a box that scrolls in either direction, else null.
const IScrollState* ScrollingState(const Box* box, bool* vertical) {
  auto* state = dynamic_cast<const IScrollState*>(box);
  if (!state) return nullptr;
  UiSize range = state->GetScrollRange();
  *vertical = range.cy != 0;
  if (range.cx == 0 && range.cy == 0) return nullptr;
  return state;
}

}  // namespace

UiPoint PlaceHolder::GetScrollOffset() const {
  bool vertical = false;
  if (float_ && parent_ && ScrollingState(parent_, &vertical) && vertical)
    return UiPoint{0, 0};
  for (const Box* p = parent_; p; p = p->GetParent()) {
    if (const IScrollState* state = ScrollingState(p, &vertical)) {
      UiSize pos = state->GetScrollPos();
      return UiPoint{pos.cx, pos.cy};
    }
  }
  return UiPoint{0, 0};
}

}  // namespace ui
