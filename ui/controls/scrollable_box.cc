#include "ui/controls/scrollable_box.h"

#include <algorithm>
#include <cstdlib>

#include "ui/animation/timer_manager.h"
#include "ui/core/window.h"
#include "ui/layout/layout.h"
#include "ui/render/auto_clip.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/render_context.h"
#include "ui/util/number_list.h"

namespace ui {

namespace {

// A content that changes its size with every pass (a bar that makes it
// taller, which makes the bar change) stops after this many nested passes.
constexpr int kMaxRelayoutDepth = 4;
constexpr int kSlideMaxMillis = 650;

int ReadInt(const std::wstring& value) {
  int32_t v = 0;
  ReadNumberList(value, &v, 1);
  return v;
}

int ClampToInt(int64_t v) {
  return static_cast<int>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(v, INT32_MAX)));
}

}  // namespace

ScrollableBox::ScrollableBox(Layout* layout)
    : Box(layout),
      vscroll_unit_(kDefaultScrollUnit),
      hscroll_unit_(kDefaultScrollUnit),
      line_player_(new AnimationPlayer),
      slide_player_(new AnimationPlayer) {}

ScrollableBox::~ScrollableBox() {
  // The players and bars go before the box part; their timers die with them.
  line_player_.reset();
  slide_player_.reset();
  vbar_.reset();
  hbar_.reset();
}

TimerManager* ScrollableBox::GetTimers() {
  return timers_ ? timers_ : TimerManager::Instance();
}

// ---- Position -----------------------------------------------------------------------

UiSize ScrollableBox::GetScrollPos() const {
  return UiSize{IsHActive() ? ClampToInt(hbar_->GetScrollPos()) : 0,
                IsVActive() ? ClampToInt(vbar_->GetScrollPos()) : 0};
}

UiSize ScrollableBox::GetScrollRange() const {
  return UiSize{hbar_ ? ClampToInt(hbar_->GetRange()) : 0,
                vbar_ ? ClampToInt(vbar_->GetRange()) : 0};
}

void ScrollableBox::SetScrollPos(UiSize pos) {
  const int vrange = vbar_ ? ClampToInt(vbar_->GetRange()) : 0;
  if (pos.cy < 0 || pos.cy > vrange) {
    pos.cy = std::max(0, std::min(pos.cy, vrange));
    line_player_->Reset();
  }
  int dx = 0, dy = 0;
  if (IsVActive() && pos.cy != vbar_->GetScrollPos()) {
    const int64_t old = vbar_->GetScrollPos();
    vbar_->SetScrollPos(pos.cy);
    dy = static_cast<int>(vbar_->GetScrollPos() - old);
  }
  if (IsHActive() && pos.cx != hbar_->GetScrollPos()) {
    const int64_t old = hbar_->GetScrollPos();
    hbar_->SetScrollPos(pos.cx);
    dx = static_cast<int>(hbar_->GetScrollPos() - old);
  }
  if (dx == 0 && dy == 0) return;
  UpdateLazyImages(dy > 0);
  Invalidate();
  if (window_ && !mute_scroll_events_) SendEventArgs(kEventScrollChange);
}

void ScrollableBox::SetScrollPosY(int y) { SetScrollPos(UiSize{GetScrollPos().cx, y}); }

void ScrollableBox::SetScrollPosX(int x) { SetScrollPos(UiSize{x, GetScrollPos().cy}); }

void ScrollableBox::UpdateLazyImages(bool forward) {
  const UiSize pos = GetScrollPos();
  UiRect visible = rect_;
  visible.Offset(pos.cx + render_offset_.x, pos.cy + render_offset_.y);
  visible.top -= kLazyImageMargin;
  visible.bottom += kLazyImageMargin;
  const int count = GetCount();
  for (int n = 0; n < count; ++n) {
    Control* child = items_[forward ? n : count - 1 - n];
    if (child->IsVisible() && !child->IsFloat() &&
        !UiRect::Intersect(child->GetPos(), visible).IsEmpty())
      child->LoadBkImage();
    else
      child->UnloadBkImage();
  }
}

// ---- Line, page and end scrolls --------------------------------------------------------

void ScrollableBox::StartLineScroll(bool vertical, int from, int to) {
  AnimationPlayer* player = line_player_.get();
  player->SetTimerManager(GetTimers());
  player->SetStartValue(from);
  player->SetEndValue(to);
  player->SetSpeedUpRatio(0);
  player->SetSlowDownFactor(-0.012);
  player->SetSlowDownRatio(0.5);
  player->SetTotalMillSeconds(-1);
  if (vertical) {
    player->SetCallback(ToWeakCallback([this](int32_t v) { SetScrollPosY(v); }));
  } else {
    player->SetCallback(ToWeakCallback([this](int32_t v) { SetScrollPosX(v); }));
  }
  player->SetCompleteCallback(ToWeakCallback([this]() { ClearScrollEventMute(); }));
  player->Start();
}

void ScrollableBox::LineUp(int step, bool animated) {
  const UiSize pos = GetScrollPos();
  if (pos.cy <= 0) return;
  if (step == -1) step = vscroll_unit_;
  if (!animated) {
    SetScrollPos(UiSize{pos.cx, std::max(pos.cy - step, 0)});
    return;
  }
  int end = pos.cy - step;
  if (line_player_->IsPlaying() && line_player_->GetEndValue() <= pos.cy)
    end = ClampToInt(static_cast<int64_t>(line_player_->GetEndValue()) - step);
  StartLineScroll(true, pos.cy, end);
}

void ScrollableBox::LineDown(int step, bool animated) {
  const UiSize pos = GetScrollPos();
  if (pos.cy >= GetScrollRange().cy) return;
  if (step == -1) step = vscroll_unit_;
  if (!animated) {
    SetScrollPos(UiSize{pos.cx, std::max(ClampToInt(static_cast<int64_t>(pos.cy) + step), 0)});
    return;
  }
  int end = ClampToInt(static_cast<int64_t>(pos.cy) + step);
  if (line_player_->IsPlaying() && line_player_->GetEndValue() >= pos.cy)
    end = ClampToInt(static_cast<int64_t>(line_player_->GetEndValue()) + step);
  StartLineScroll(true, pos.cy, end);
}

void ScrollableBox::LineLeft(int step, bool animated) {
  const UiSize pos = GetScrollPos();
  if (pos.cx <= 0) return;
  if (step == -1) step = hscroll_unit_;
  if (!animated) {
    SetScrollPos(UiSize{std::max(pos.cx - step, 0), pos.cy});
    return;
  }
  int end = pos.cx - step;
  if (line_player_->IsPlaying() && line_player_->GetEndValue() <= pos.cx)
    end = ClampToInt(static_cast<int64_t>(line_player_->GetEndValue()) - step);
  StartLineScroll(false, pos.cx, end);
}

void ScrollableBox::LineRight(int step, bool animated) {
  const UiSize pos = GetScrollPos();
  if (pos.cx >= GetScrollRange().cx) return;
  if (step == -1) step = hscroll_unit_;
  if (!animated) {
    SetScrollPos(UiSize{ClampToInt(static_cast<int64_t>(pos.cx) + step), pos.cy});
    return;
  }
  int end = ClampToInt(static_cast<int64_t>(pos.cx) + step);
  if (line_player_->IsPlaying() && line_player_->GetEndValue() >= pos.cx)
    end = ClampToInt(static_cast<int64_t>(line_player_->GetEndValue()) + step);
  StartLineScroll(false, pos.cx, end);
}

int ScrollableBox::ViewHeight() const {
  const UiRect padding = layout_->GetPadding();
  return rect_.Height() - padding.top - padding.bottom;
}

int ScrollableBox::ViewWidth() const {
  const UiRect padding = layout_->GetPadding();
  return rect_.Width() - padding.left - padding.right;
}

void ScrollableBox::PageUp() {
  const UiSize pos = GetScrollPos();
  const int page = ViewHeight() - (IsHActive() ? hbar_->GetFixedHeight() : 0);
  SetScrollPos(UiSize{pos.cx, ClampToInt(static_cast<int64_t>(pos.cy) - page)});
}

void ScrollableBox::PageDown() {
  const UiSize pos = GetScrollPos();
  const int page = ViewHeight() - (IsHActive() ? hbar_->GetFixedHeight() : 0);
  SetScrollPos(UiSize{pos.cx, ClampToInt(static_cast<int64_t>(pos.cy) + page)});
}

void ScrollableBox::PageLeft() {
  const UiSize pos = GetScrollPos();
  SetScrollPos(UiSize{ClampToInt(static_cast<int64_t>(pos.cx) - ViewWidth()), pos.cy});
}

void ScrollableBox::PageRight() {
  const UiSize pos = GetScrollPos();
  SetScrollPos(UiSize{ClampToInt(static_cast<int64_t>(pos.cx) + ViewWidth()), pos.cy});
}

void ScrollableBox::ScrollToTop() { SetScrollPos(UiSize{GetScrollPos().cx, 0}); }

void ScrollableBox::ScrollToLeft() { SetScrollPos(UiSize{0, GetScrollPos().cy}); }

void ScrollableBox::ScrollToRight() {
  SetScrollPos(UiSize{GetScrollRange().cx, GetScrollPos().cy});
}

void ScrollableBox::ScrollUpBy(int distance) {
  const UiSize pos = GetScrollPos();
  if (pos.cy >= 1) SetScrollPos(UiSize{pos.cx, ClampToInt(static_cast<int64_t>(pos.cy) - distance)});
}

void ScrollableBox::ScrollDownBy(int distance) {
  const UiSize pos = GetScrollPos();
  if (pos.cy < GetScrollRange().cy)
    SetScrollPos(UiSize{pos.cx, ClampToInt(static_cast<int64_t>(pos.cy) + distance)});
}

void ScrollableBox::ScrollToBottom(bool arrange, bool animated) {
  if (arrange) LayoutContent(rect_);
  const UiSize pos = GetScrollPos();
  const int range = GetScrollRange().cy;
  const int64_t distance = static_cast<int64_t>(range) - pos.cy - render_offset_.y +
                           slide_player_->GetEndValue();
  if (animated && IsVActive() && distance > 0) {
    AnimationPlayer* player = slide_player_.get();
    player->SetTimerManager(GetTimers());
    player->SetStartValue(ClampToInt(-distance));
    player->SetEndValue(0);
    player->SetSpeedUpRatio(0.3);
    player->SetSpeedUpFactor(0.003);
    player->SetSlowDownRatio(0.7);
    player->SetTotalMillSeconds(-1);
    player->InitFactor();
    // A long way would slide for seconds: the slide never takes longer
    // than this.
    if (player->GetTotalMillSeconds() > kSlideMaxMillis || player->GetTotalMillSeconds() < 0)
      player->SetTotalMillSeconds(kSlideMaxMillis);
    player->SetCallback(ToWeakCallback([this](int32_t v) { SetRenderOffsetY(v); }));
    player->SetCompleteCallback(nullptr);
    player->Start();
  }
  SetScrollPos(UiSize{pos.cx, range});
}

// ---- Bars -----------------------------------------------------------------------------

ScrollBar* ScrollableBox::MakeBar(bool horizontal) {
  auto* bar = new ScrollBar;
  if (horizontal) bar->SetHorizontal(true);
  bar->SetVisible(false);
  bar->SetRange(0);
  bar->SetOwner(this);
  bar->SetWindow(window_, nullptr, false);
  bar->ApplyClass(horizontal ? L"hscrollbar" : L"vscrollbar");
  return bar;
}

void ScrollableBox::EnableScrollBar(bool vertical, bool horizontal) {
  // A bar that goes is deleted later (never inside a handler that may still
  // run on it) and forgets this box at once, which may go first.
  auto drop = [this](std::unique_ptr<ScrollBar>& bar) {
    bar->SetOwner(nullptr);
    DestroyChild(bar.release());
  };
  if (vertical && !vbar_)
    vbar_.reset(MakeBar(false));
  else if (!vertical && vbar_)
    drop(vbar_);
  if (horizontal && !hbar_)
    hbar_.reset(MakeBar(true));
  else if (!horizontal && hbar_)
    drop(hbar_);
  Arrange();
}

int ScrollableBox::GetHScrollBarHeight() const {
  return hbar_ && hbar_->IsVisible() ? hbar_->GetFixedHeight() : 0;
}

void ScrollableBox::StopScrollAnimation() { line_player_->Reset(); }

// ---- Layout --------------------------------------------------------------------------

void ScrollableBox::SetPos(UiRect rect) {
  const bool at_end =
      hold_end_ && IsVActive() && vbar_->GetScrollPos() == vbar_->GetRange();
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  LayoutContent(rect);
  if (alive.expired()) return;
  if (at_end && IsVActive()) ScrollToBottom(false, false);
}

void ScrollableBox::LayoutContent(UiRect rect) {
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  Control::SetPos(rect);
  if (alive.expired()) return;
  rect = rect_;
  const UiRect padding = layout_->GetPadding();
  UiRect content{rect.left + padding.left, rect.top + padding.top, rect.right - padding.right,
                 rect.bottom - padding.bottom};
  const UiSize required = MeasureContent(content);
  UpdateVerticalScrollBar(rect, required.cy);
  UpdateHorizontalScrollBar(rect, required.cx);
}

void ScrollableBox::Relayout() {
  if (relayout_depth_ >= kMaxRelayoutDepth) return;
  ++relayout_depth_;
  LayoutContent(rect_);
  --relayout_depth_;
}

UiSize ScrollableBox::MeasureContent(UiRect content) {
  if (items_.empty()) return UiSize{0, 0};
  if (!bar_float_) {
    if (IsVActive()) content.right -= std::max(0, vbar_->GetFixedWidth());
    if (IsHActive()) content.bottom -= std::max(0, hbar_->GetFixedHeight());
    if (content.right < content.left) content.right = content.left;
    if (content.bottom < content.top) content.bottom = content.top;
  }
  const UiSize required = layout_->ArrangeChildren(items_, content);
  const bool v = IsVActive(), h = IsHActive();
  if (v || h) {
    child_offsets_.assign(1, 0);
    const int margin = layout_->GetChildMargin();
    int sum = 0;
    for (size_t i = 0; i + 1 < items_.size(); ++i) {
      const UiRect r = items_[i]->GetPos();
      sum += (h ? r.Width() : r.Height()) + margin;
      child_offsets_.push_back(sum);
    }
  }
  return required;
}

void ScrollableBox::UpdateVerticalScrollBar(UiRect rect, int required) {
  if (!vbar_) return;
  const int right = rect.right - bar_padding_.right;
  const UiRect placed{right - std::max(0, vbar_->GetFixedWidth()), rect.top + bar_padding_.top,
                      right, rect.bottom - bar_padding_.bottom};
  UpdateBar(vbar_.get(), required, ViewHeight(), placed);
}

void ScrollableBox::UpdateHorizontalScrollBar(UiRect rect, int required) {
  if (!hbar_) return;
  const int bottom = rect.bottom - bar_padding_.bottom;
  const UiRect placed{rect.left + bar_padding_.left, bottom - std::max(0, hbar_->GetFixedHeight()),
                      rect.right - bar_padding_.right, bottom};
  UpdateBar(hbar_.get(), required, ViewWidth(), placed);
}

void ScrollableBox::UpdateBar(ScrollBar* bar, int required, int view, const UiRect& placed) {
  if (required > view && bar->GetRange() == 0) {
    // The bar comes into use: lay out again, narrower unless it floats.
    bar->SetRange(static_cast<int64_t>(required) - view);
    bar->SetScrollPos(0);
    relayout_guard_ = true;
    Relayout();
    relayout_guard_ = false;
    return;
  }
  if (bar->GetRange() == 0) return;
  const int64_t diff = static_cast<int64_t>(required) - view;
  if (diff <= 0 && !relayout_guard_) {
    // The content fits now.
    bar->SetScrollPos(0);
    bar->SetRange(0);
    bar->SetVisible(false);
    Relayout();
    return;
  }
  bar->SetPos(placed);
  if (bar->GetRange() != diff) {
    const int64_t old = bar->GetScrollPos();
    bar->SetRange(diff < 0 ? -diff : diff);
    if (bar->GetRange() == 0 && bar->GetScrollPos() != 0) bar->SetScrollPos(0);
    // A position pulled in by the smaller range moves the content.
    if (old > bar->GetScrollPos()) Relayout();
  }
}

// ---- Attributes, window, mouse flags ----------------------------------------------

void ScrollableBox::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"vscrollbar") {
    EnableScrollBar(value == L"true", hbar_ != nullptr);
  } else if (name == L"vscrollbarstyle") {
    EnableScrollBar(true, hbar_ != nullptr);
    if (vbar_) vbar_->ApplyAttributeList(value);
  } else if (name == L"hscrollbar") {
    EnableScrollBar(vbar_ != nullptr, value == L"true");
  } else if (name == L"hscrollbarstyle") {
    EnableScrollBar(vbar_ != nullptr, true);
    if (hbar_) hbar_->ApplyAttributeList(value);
  } else if (name == L"scrollbarpadding") {
    bar_padding_ = DpiScale::Instance()->ScaleRect(ReadRect(value));
  } else if (name == L"vscrollunit") {
    vscroll_unit_ = DpiScale::Instance()->ScaleInt(ReadInt(value));
  } else if (name == L"hscrollunit") {
    hscroll_unit_ = DpiScale::Instance()->ScaleInt(ReadInt(value));
  } else if (name == L"scrollbarfloat") {
    bar_float_ = value == L"true";
  } else if (name == L"defaultdisplayscrollbar") {
    default_display_bar_ = value == L"true";
  } else if (name == L"holdend") {
    hold_end_ = value == L"true";
  } else {
    Box::SetAttribute(name, value);
  }
}

void ScrollableBox::SetWindow(Window* window, Box* parent, bool init) {
  if (vbar_) vbar_->SetWindow(window, this, init);
  if (hbar_) hbar_->SetWindow(window, this, init);
  Box::SetWindow(window, parent, init);
}

void ScrollableBox::SetMouseEnabled(bool on) {
  if (vbar_) vbar_->SetMouseEnabled(on);
  if (hbar_) hbar_->SetMouseEnabled(on);
  Box::SetMouseEnabled(on);
}

void ScrollableBox::ClearImages() {
  Box::ClearImages();
  if (hbar_) hbar_->ClearImages();
  if (vbar_) vbar_->ClearImages();
}

// ---- Hit testing and painting ------------------------------------------------------

Control* ScrollableBox::FindControl(FindControlProc proc, void* data, UINT flags,
                                    UiPoint) {
  if ((flags & kFindVisible) && !IsVisible()) return nullptr;
  if ((flags & kFindEnabled) && !IsEnabled()) return nullptr;
  if (flags & kFindHitTest) {
    if (!rect_.Contains(*static_cast<UiPoint*>(data))) return nullptr;
    if (!mouse_child_) {
      for (ScrollBar* bar : {vbar_.get(), hbar_.get()}) {
        if (!bar) continue;
        if (Control* found = bar->FindControl(proc, data, flags)) return found;
      }
      return Control::FindControl(proc, data, flags);
    }
  }
  for (ScrollBar* bar : {vbar_.get(), hbar_.get()}) {
    if (!bar) continue;
    if (Control* found = bar->FindControl(proc, data, flags)) return found;
  }
  const UiSize pos = GetScrollPos();
  return Box::FindControl(proc, data, flags, UiPoint{pos.cx, pos.cy});
}

void ScrollableBox::PaintChildren(IRenderContext* render, const UiRect& paint_rect) {
  if (UiRect::Intersect(paint_rect, rect_).IsEmpty()) return;
  const UiSize pos = GetScrollPos();
  // Only what is both asked for and inside the content is painted.
  const UiRect visible = UiRect::Intersect(paint_rect, GetContentRect());
  if (!visible.IsEmpty()) {
    for (Control* item : items_) {
      if (!item->IsVisible()) continue;
      if (item->IsFloat()) {
        item->PaintBlended(render, paint_rect);
        continue;
      }
      AutoClip clip(render, visible, clip_);
      UiRect shifted = visible;
      shifted.Offset(pos.cx + render_offset_.x, pos.cy + render_offset_.y);
      // Children far outside the view cost nothing.
      if (UiRect::Intersect(shifted, item->GetPos()).IsEmpty()) continue;
      const UiPoint origin = render->OffsetWindowOrg(UiPoint{pos.cx, pos.cy});
      item->PaintBlended(render, shifted);
      render->SetWindowOrg(origin);
    }
  }
  if (hbar_ && hbar_->IsVisible()) hbar_->PaintBlended(render, paint_rect);
  if (vbar_ && vbar_->IsVisible()) vbar_->PaintBlended(render, paint_rect);
  if (!lazy_images_applied_) {
    lazy_images_applied_ = true;
    UpdateLazyImages(true);
  }
}

// ---- Input ----------------------------------------------------------------------------

bool ScrollableBox::PassDeafMouseEvent(EventArgs& args) {
  if (IsMouseEnabled() || !IsMouseEventType(args.type)) return false;
  if (parent_)
    parent_->SendEvent(args);
  else
    Control::HandleEvent(args);
  return true;
}

void ScrollableBox::HandleEvent(EventArgs& args) {
  if (PassDeafMouseEvent(args)) return;
  // The hover reaches the box's children, not the box: the bars follow the
  // mouse in and out of the box through its children's hover events too.
  if ((args.type == kEventMouseEnter || args.type == kEventMouseLeave) && args.sender != this) {
    std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
    FadeAutoHideBars(rect_.Contains(args.mouse_point));
    if (alive.expired()) return;
  }
  const int wheel = static_cast<int32_t>(args.wparam);
  if (IsVActive() && vbar_->IsEnabled()) {
    switch (args.type) {
      case kEventKeyDown:
        if (!IsKeyboardEnabled()) break;
        switch (args.key) {
          case VK_PRIOR: PageUp(); return;
          case VK_NEXT: PageDown(); return;
          case VK_END: ScrollToBottom(true, true); return;
          case VK_HOME: ScrollToTop(); return;
          case VK_UP: LineUp(-1, true); return;
          case VK_DOWN: LineDown(-1, true); return;
          default: break;
        }
        break;
      case kEventScrollWheel:
        if (!wheel_scroll_) break;
        if (wheel > 0)
          LineUp(wheel, true);
        else
          LineDown(wheel == INT32_MIN ? INT32_MAX : -wheel, true);
        return;
      case kEventTouchDown:
      case kEventPointerDown:
        if (!IsEnabled()) break;
        SetMouseCaptured(true);
        last_touch_ = args.mouse_point;
        return;
      case kEventTouchMove:
      case kEventPointerMove: {
        if (!IsMouseCaptured()) break;
        const int dy = args.mouse_point.y - last_touch_.y;
        if (dy == 0) return;
        last_touch_ = args.mouse_point;
        if (dy > 0)
          ScrollUpBy(dy);
        else
          ScrollDownBy(-dy);
        return;
      }
      case kEventTouchUp:
      case kEventPointerUp:
        if (!IsMouseCaptured()) break;
        SetMouseCaptured(false);
        last_touch_ = args.mouse_point;
        return;
      default:
        break;
    }
  } else if (IsHActive() && hbar_->IsEnabled()) {
    switch (args.type) {
      case kEventKeyDown:
        if (!IsKeyboardEnabled()) break;
        switch (args.key) {
          case VK_PRIOR: PageLeft(); return;
          case VK_NEXT: PageRight(); return;
          case VK_END: ScrollToRight(); return;
          case VK_HOME: ScrollToLeft(); return;
          case VK_UP: LineLeft(-1, true); return;
          case VK_DOWN: LineRight(-1, true); return;
          default: break;
        }
        break;
      case kEventScrollWheel:
        if (!wheel_scroll_) break;
        if (wheel > 0)
          LineLeft(wheel, true);
        else
          LineRight(wheel == INT32_MIN ? INT32_MAX : -wheel, true);
        return;
      default:
        break;
    }
  }
  Control::HandleEvent(args);
}

void ScrollableBox::FadeAutoHideBars(bool in) {
  for (ScrollBar* bar : {vbar_.get(), hbar_.get()}) {
    if (!bar || bar->GetRange() == 0 || !bar->IsEnabled() || !bar->IsAutoHideScroll()) continue;
    if (in && !bar->IsVisible())
      bar->SetFadeVisible(true);
    else if (!in && bar->IsVisible() && bar->GetThumbState() != kControlStatePushed)
      bar->SetFadeVisible(false);
  }
}

bool ScrollableBox::OnMouseEnter(EventArgs& args) {
  if (!Control::OnMouseEnter(args)) return false;
  FadeAutoHideBars(true);
  return true;
}

bool ScrollableBox::OnMouseLeave(EventArgs& args) {
  if (!Control::OnMouseLeave(args)) return false;
  FadeAutoHideBars(false);
  return true;
}

}  // namespace ui
