#include "ui/controls/scroll_bar.h"

#include <algorithm>
#include <cwchar>

#include "ui/animation/timer_manager.h"
#include "ui/controls/scrollable_box.h"
#include "ui/core/window.h"
#include "ui/render/dpi_scale.h"
#include "ui/util/number_list.h"

namespace ui {

namespace {

constexpr int kDefaultThickness = 16;

int ReadInt(const std::wstring& value) {
  int32_t v = 0;
  ReadNumberList(value, &v, 1);
  return v;
}

const struct {
  const wchar_t* prefix;
  int part;
} kPartNames[] = {
    {L"button1", kScrollBarButton1}, {L"button2", kScrollBarButton2},
    {L"thumb", kScrollBarThumb},     {L"rail", kScrollBarRail},
    {L"bk", kScrollBarBackground},
};

const wchar_t* const kStateWords[] = {L"normal", L"hot", L"pushed", L"disabled"};

int64_t Clamp64(int64_t v, int64_t low, int64_t high) { return std::max(low, std::min(v, high)); }

}  // namespace

ScrollBar::ScrollBar() : part_images_{StateImageMap(this), StateImageMap(this), StateImageMap(this),
                                      StateImageMap(this), StateImageMap(this)} {
  fixed_width_ = kDefaultThickness;
  fixed_height_ = 0;
  float_ = true;
  button_up_on_kill_focus_ = true;
}

ScrollBar::~ScrollBar() { repeat_flag_.Cancel(); }

int ScrollBar::Thickness() const {
  const int fixed = horizontal_ ? fixed_height_ : fixed_width_;
  if (fixed >= 0) return fixed;
  return std::max(0, horizontal_ ? rect_.Height() : rect_.Width());
}

void ScrollBar::SetHorizontal(bool horizontal) {
  if (horizontal == horizontal_) return;
  horizontal_ = horizontal;
  if (horizontal_ && fixed_height_ == 0) {
    fixed_width_ = 0;
    fixed_height_ = kDefaultThickness;
  } else if (!horizontal_ && fixed_width_ == 0) {
    fixed_width_ = kDefaultThickness;
    fixed_height_ = 0;
  }
  if (owner_)
    owner_->Arrange();
  else
    ArrangeUpward();
}

void ScrollBar::SetRange(int64_t range) {
  range = std::max<int64_t>(range, 0);
  if (range == range_) return;
  range_ = range;
  if (position_ > range_) position_ = range_;
  if (range_ == 0)
    SetVisible(false);
  else if (!IsVisible() && !auto_hide_)
    SetFadeVisible(true);
  LayoutParts();
}

void ScrollBar::SetScrollPos(int64_t position) {
  position = Clamp64(position, 0, range_);
  if (position == position_) return;
  position_ = position;
  LayoutParts();
}

void ScrollBar::SetShowButton1(bool show) {
  show_button1_ = show;
  LayoutParts();
}

void ScrollBar::SetShowButton2(bool show) {
  show_button2_ = show;
  LayoutParts();
}

void ScrollBar::SetPartImage(int part, int state, const std::wstring& text) {
  if (part < 0 || part > kScrollBarRail) return;
  part_images_[part].SetImage(0, state, text);
  Invalidate();
}

std::wstring ScrollBar::GetPartImage(int part, int state) const {
  if (part < 0 || part > kScrollBarRail) return std::wstring();
  return part_images_[part].GetImageString(0, state);
}

// ---- Geometry ------------------------------------------------------------------

void ScrollBar::SetPos(UiRect rect) {
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  Control::SetPos(rect);
  if (alive.expired()) return;
  LayoutParts();
}

void ScrollBar::LayoutParts() {
  const UiRect r = rect_;
  // Along the bar: a vertical bar's top and bottom, a horizontal bar's left
  // and right. Across: the other pair.
  const int start = horizontal_ ? r.left : r.top;
  const int end = horizontal_ ? r.right : r.bottom;
  const int across0 = horizontal_ ? r.top : r.left;
  const int length = end - start;
  const int s = Thickness();
  const int b1 = show_button1_ ? s : 0;
  const int b2 = show_button2_ ? s : 0;
  const int track = length - b1 - b2;
  // A part from..to along the bar, `thick` across it.
  auto make = [this, across0](int from, int to, int thick) {
    return horizontal_ ? UiRect{from, across0, to, across0 + thick}
                       : UiRect{across0, from, across0 + thick, to};
  };

  if (s < track) {
    button1_rect_ = make(start, start + b1, b1);
    button2_rect_ = make(end - b2, end, b2);
    if (range_ <= 0) {
      thumb_rect_ = make(start + b1, end - b2, s);
    } else {
      int64_t thumb = static_cast<int64_t>(track) * length / (range_ + length);
      thumb = std::max<int64_t>(thumb, thumb_min_length_);
      // A minimum larger than the track would push the thumb out of it.
      thumb = std::min<int64_t>(thumb, track);
      int64_t top = (track - thumb) * position_ / range_ + start + b1;
      if (top + thumb > end - b2) top = end - b2 - thumb;
      thumb_rect_ = make(static_cast<int>(top), static_cast<int>(top + thumb), s);
    }
  } else {
    // Too short for a thumb: the buttons share the length.
    const int c = std::max(0, std::min(s, length / 2));
    button1_rect_ = make(start, show_button1_ ? start + c : start, b1);
    button2_rect_ = make(show_button2_ ? end - c : end, end, b2);
    thumb_rect_ = UiRect{0, 0, 0, 0};
  }
  Invalidate();
}

// ---- Attributes ------------------------------------------------------------------

void ScrollBar::SetAttribute(const std::wstring& name, const std::wstring& value) {
  for (const auto& part : kPartNames) {
    const std::wstring prefix = part.prefix;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    for (int state = kControlStateNormal; state <= kControlStateDisabled; ++state) {
      if (name == prefix + kStateWords[state] + L"image") {
        SetPartImage(part.part, state, value);
        return;
      }
    }
  }
  if (name == L"hor") {
    SetHorizontal(value == L"true");
  } else if (name == L"linesize") {
    line_size_ = DpiScale::Instance()->ScaleInt(ReadInt(value));
  } else if (name == L"thumbminlength") {
    thumb_min_length_ = std::max(0, DpiScale::Instance()->ScaleInt(ReadInt(value)));
    LayoutParts();
  } else if (name == L"range") {
    SetRange(ReadInt(value));
  } else if (name == L"value") {
    SetScrollPos(ReadInt(value));
  } else if (name == L"showbutton1") {
    SetShowButton1(value == L"true");
  } else if (name == L"showbutton2") {
    SetShowButton2(value == L"true");
  } else if (name == L"autohidescroll") {
    auto_hide_ = value == L"true";
  } else {
    Control::SetAttribute(name, value);
  }
}

// ---- Painting ----------------------------------------------------------------------

std::wstring ScrollBar::PartModifier(const UiRect& part) const {
  wchar_t text[96];
  std::swprintf(text, 96, L"destscale='false' dest='%d,%d,%d,%d'", part.left - rect_.left,
                part.top - rect_.top, part.right - rect_.left, part.bottom - rect_.top);
  return text;
}

Image* ScrollBar::PickImage(int part, int state, bool thumb_held_counts) {
  StateImageMap& images = part_images_[part];
  auto usable = [&images](int s) -> Image* {
    Image* image = images.GetImage(0, s);
    return image && image->HasFile() ? image : nullptr;
  };
  Image* picked = nullptr;
  if (state == kControlStateDisabled) {
    picked = usable(kControlStateDisabled);
  } else if (state == kControlStatePushed) {
    picked = usable(kControlStatePushed);
    if (!picked) picked = usable(kControlStateHot);
  } else if (state == kControlStateHot ||
             (thumb_held_counts && thumb_state_ == kControlStatePushed)) {
    picked = usable(kControlStateHot);
  }
  return picked ? picked : usable(kControlStateNormal);
}

void ScrollBar::Paint(IRenderContext* render, const UiRect& paint_rect) {
  paint_rect_ = UiRect::Intersect(paint_rect, rect_);
  if (paint_rect_.IsEmpty()) return;
  part_images_[kScrollBarBackground].Paint(0, render, state_, L"");
  const struct {
    bool shown;
    int part;
    UiRect rect;
    int state;
  } buttons[] = {{show_button1_, kScrollBarButton1, button1_rect_, button1_state_},
                 {show_button2_, kScrollBarButton2, button2_rect_, button2_state_}};
  for (const auto& b : buttons) {
    if (!b.shown) continue;
    if (Image* image = PickImage(b.part, b.state, true)) DrawImage(render, image, PartModifier(b.rect));
  }
  if (thumb_rect_.IsEmpty()) return;
  part_images_[kScrollBarThumb].Paint(0, render, thumb_state_, PartModifier(thumb_rect_));
  // The grip: a square centred on the thumb.
  const int s = Thickness();
  UiRect rail = thumb_rect_;
  if (horizontal_) {
    rail.left = (thumb_rect_.left + thumb_rect_.right) / 2 - s / 2;
    rail.right = rail.left + s;
  } else {
    rail.top = (thumb_rect_.top + thumb_rect_.bottom) / 2 - s / 2;
    rail.bottom = rail.top + s;
  }
  if (Image* image = PickImage(kScrollBarRail, thumb_state_, false))
    DrawImage(render, image, PartModifier(rail));
}

void ScrollBar::ClearImages() {
  Control::ClearImages();
  for (StateImageMap& images : part_images_) images.ClearCache(0);
}

// ---- State ---------------------------------------------------------------------------

void ScrollBar::SetEnabled(bool enabled) {
  if (enabled != enabled_) {
    enabled_ = enabled;
    if (enabled) {
      state_ = kControlStateNormal;
      hot_alpha_ = 0;
    } else {
      state_ = kControlStateDisabled;
    }
    Invalidate();
  }
  const int part = enabled ? kControlStateNormal : kControlStateDisabled;
  button1_state_ = button2_state_ = thumb_state_ = part;
}

void ScrollBar::SetFocus() {
  if (owner_) {
    owner_->SetFocus();
    return;
  }
  Control::SetFocus();
}

void ScrollBar::SetVisible(bool visible) {
  const bool was = IsVisible();
  Control::SetVisible(visible);
  if (was != IsVisible()) RequestArrange();
}

bool ScrollBar::OnMouseEnter(EventArgs& args) {
  if (!Control::OnMouseEnter(args)) return false;
  button1_state_ = button2_state_ = thumb_state_ = kControlStateHot;
  Invalidate();
  return true;
}

bool ScrollBar::OnMouseLeave(EventArgs& args) {
  if (!Control::OnMouseLeave(args)) return false;
  button1_state_ = button2_state_ = thumb_state_ = kControlStateNormal;
  Invalidate();
  return true;
}

bool ScrollBar::OnButtonUp(EventArgs& args) {
  bool result = false;
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  if (IsMouseCaptured()) {
    SetMouseCaptured(false);
    Invalidate();
    if (rect_.Contains(args.mouse_point)) {
      state_ = kControlStateHot;
      SetHotAlpha(255);
      Activate();
      if (alive.expired()) return true;
      result = true;
    } else {
      state_ = kControlStateNormal;
      SetHotAlpha(0);
    }
  }
  if (owner_ && auto_hide_ && !owner_->GetPos().Contains(args.mouse_point)) SetFadeVisible(false);
  return result;
}

// ---- Input -----------------------------------------------------------------------------

TimerManager* ScrollBar::Timers() {
  if (owner_) return owner_->GetTimers();
  return timers_ ? timers_ : TimerManager::Instance();
}

void ScrollBar::StepLine(bool forward) {
  if (owner_) {
    if (horizontal_) {
      forward ? owner_->LineRight(-1, true) : owner_->LineLeft(-1, true);
    } else {
      forward ? owner_->LineDown(-1, true) : owner_->LineUp(-1, true);
    }
    return;
  }
  if (!forward && position_ == 0) return;
  MoveOwnPosition(position_ + (forward ? line_size_ : -line_size_));
}

void ScrollBar::StepPage(bool forward) {
  if (owner_) {
    if (horizontal_) {
      forward ? owner_->PageRight() : owner_->PageLeft();
    } else {
      forward ? owner_->PageDown() : owner_->PageUp();
    }
    return;
  }
  const int page = horizontal_ ? rect_.Width() : rect_.Height();
  if (page == 0) return;
  MoveOwnPosition(position_ + (forward ? page : -page));
}

void ScrollBar::MoveOwnPosition(int64_t target) {
  target = Clamp64(target, 0, range_);
  if (target == position_) return;
  position_ = target;
  LayoutParts();
}

void ScrollBar::OnPress(EventArgs& args) {
  drag_delta_ = 0;
  repeat_count_ = 0;
  track_pressed_ = false;
  repeat_flag_.Cancel();
  Timers()->AddTimer(repeat_flag_.GetWeakFlag(), ToWeakCallback([this]() { OnRepeatTick(); }),
                     kRepeatMillis, -1);
  const UiPoint pt = args.mouse_point;
  if (button1_rect_.Contains(pt)) {
    button1_state_ = kControlStatePushed;
    StepLine(false);
  } else if (button2_rect_.Contains(pt)) {
    button2_state_ = kControlStatePushed;
    StepLine(true);
  } else if (thumb_rect_.Contains(pt)) {
    thumb_state_ = kControlStatePushed;
    SetMouseCaptured(true);
    drag_start_point_ = pt;
    drag_start_position_ = position_;
  } else {
    track_pressed_ = true;
    const bool before = horizontal_ ? pt.x < thumb_rect_.left : pt.y < thumb_rect_.top;
    StepPage(!before);
  }
  Invalidate();
}

void ScrollBar::OnRepeatTick() {
  ++repeat_count_;
  if (thumb_state_ == kControlStatePushed && IsMouseCaptured()) {
    const int64_t target = drag_start_position_ + drag_delta_;
    if (owner_) {
      const UiSize pos = owner_->GetScrollPos();
      const int32_t t = static_cast<int32_t>(Clamp64(target, INT32_MIN, INT32_MAX));
      owner_->SetScrollPos(horizontal_ ? UiSize{t, pos.cy} : UiSize{pos.cx, t});
    } else {
      MoveOwnPosition(target);
    }
    return;
  }
  if (repeat_count_ <= kRepeatDelayTicks) return;
  if (button1_state_ == kControlStatePushed) {
    StepLine(false);
  } else if (button2_state_ == kControlStatePushed) {
    StepLine(true);
  } else if (track_pressed_ && window_) {
    POINT cursor;
    ::GetCursorPos(&cursor);
    ::ScreenToClient(window_->GetHWND(), &cursor);
    const int at = horizontal_ ? cursor.x : cursor.y;
    const int thumb_start = horizontal_ ? thumb_rect_.left : thumb_rect_.top;
    const int thumb_end = horizontal_ ? thumb_rect_.right : thumb_rect_.bottom;
    if (at < thumb_start)
      StepPage(false);
    else if (at >= thumb_end)
      StepPage(true);
  }
}

void ScrollBar::HandleEvent(EventArgs& args) {
  if (!IsMouseEnabled() && IsMouseEventType(args.type)) {
    if (owner_) owner_->SendEvent(args);
    return;
  }
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  switch (args.type) {
    case kEventInternalSetFocus:
    case kEventInternalKillFocus:
    case kEventInternalMenu:
      return;
    case kEventInternalDoubleClick:
    case kEventButtonDown:
    case kEventPointerDown:
      if (!IsEnabled()) return;
      OnPress(args);
      if (alive.expired()) return;
      Control::OnButtonDown(args);
      return;
    case kEventMouseMove:
    case kEventPointerMove:
      if (IsMouseCaptured() && thumb_state_ == kControlStatePushed) {
        const int free = horizontal_
                             ? (thumb_rect_.left - rect_.left) + (rect_.right - thumb_rect_.right)
                             : (thumb_rect_.top - rect_.top) + (rect_.bottom - thumb_rect_.bottom);
        const int b1 = show_button1_ ? Thickness() : 0;
        const int b2 = show_button2_ ? Thickness() : 0;
        const int64_t track_free = static_cast<int64_t>(free) - b1 - b2;
        if (track_free > 0) {
          const int moved = horizontal_ ? args.mouse_point.x - drag_start_point_.x
                                        : args.mouse_point.y - drag_start_point_.y;
          drag_delta_ = moved * range_ / track_free;
        }
      }
      return;
    case kEventMouseEnter:
    case kEventMouseLeave:
      if (args.type == kEventMouseEnter)
        OnMouseEnter(args);
      else
        OnMouseLeave(args);
      if (!alive.expired() && owner_) owner_->SendEvent(args);
      return;
    case kEventButtonUp:
    case kEventPointerUp:
      drag_delta_ = 0;
      repeat_count_ = 0;
      track_pressed_ = false;
      repeat_flag_.Cancel();
      // Every press captures (the control's own press handling), so a
      // pushed button is let go whether or not the thumb was held.
      if (thumb_state_ == kControlStatePushed)
        thumb_state_ = rect_.Contains(args.mouse_point) ? kControlStateHot : kControlStateNormal;
      if (button1_state_ == kControlStatePushed) button1_state_ = kControlStateNormal;
      if (button2_state_ == kControlStatePushed) button2_state_ = kControlStateNormal;
      Invalidate();
      OnButtonUp(args);
      return;
    case kEventSetCursor:
      if (cursor_type_ == kCursorHand || cursor_type_ == kCursorArrow) {
        ::SetCursor(::LoadCursorW(nullptr, cursor_type_ == kCursorHand ? IDC_HAND : IDC_ARROW));
        return;
      }
      break;
    default:
      break;
  }
  if (owner_) owner_->SendEvent(args);
}

}  // namespace ui
