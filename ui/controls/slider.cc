#include "ui/controls/slider.h"

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "ui/core/window.h"
#include "ui/render/dpi_scale.h"
#include "ui/util/number_list.h"

namespace ui {

namespace {

// Thumb states a skin may give; hot and disabled are kept but never drawn.
const wchar_t* const kThumbAttributes[] = {L"thumbnormalimage", L"thumbhotimage",
                                           L"thumbpushedimage", L"thumbdisabledimage"};

// Truncation toward zero with NaN as 0 and the result held inside int: a
// skin's range or track can be anything.
int ToInt(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kLimit = std::numeric_limits<int>::max() / 2;
  if (v > kLimit) return static_cast<int>(kLimit);
  if (v < -kLimit) return static_cast<int>(-kLimit);
  return static_cast<int>(v);
}

// part / whole, 0 where the whole is empty (a range of one value or a track
// no longer than the thumb).
double Ratio(double part, double whole) { return whole > 0 ? part / whole : 0.0; }

}  // namespace

Slider::Slider() = default;

void Slider::SetAttribute(const std::wstring& name, const std::wstring& value) {
  for (int state = 0; state < 4; ++state) {
    if (name == kThumbAttributes[state]) {
      SetThumbImage(state, value);
      return;
    }
  }
  if (name == L"step") {
    step_ = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
  } else if (name == L"thumbsize") {
    const UiSize size = ReadSize(value);
    DpiScale* dpi = DpiScale::Instance();
    thumb_size_ = UiSize{dpi->ScaleInt(size.cx), dpi->ScaleInt(size.cy)};
  } else if (name == L"progressbarpadding") {
    bar_padding_ = DpiScale::Instance()->ScaleRect(ReadRect(value));
    if (GetFixedWidth() == kSizeAuto || GetFixedHeight() == kSizeAuto)
      ArrangeUpward();
    else
      Invalidate();
  } else {
    Progress::SetAttribute(name, value);
  }
}

void Slider::SetThumbImage(int state, const std::wstring& text) {
  Image& image = thumb_images_[state];
  image.Unload();
  image.GetMutableAttribute().Reset();
  image.SetImageString(text);
  Invalidate();
}

void Slider::ClearImages() {
  Progress::ClearImages();
  for (auto& entry : thumb_images_) entry.second.Unload();
}

UiRect Slider::GetThumbRect() const {
  const UiRect& r = rect_;
  const int tw = thumb_size_.cx;
  const int th = thumb_size_.cy;
  const double fraction = Ratio(value_ - min_, static_cast<double>(max_) - min_);
  if (horizontal_) {
    const int x = ToInt(fraction * (r.right - tw - r.left) + r.left);
    const int y = (r.bottom + r.top - th) / 2;
    return UiRect{x, y, x + tw, y + th};
  }
  const int x = (r.right - tw + r.left) / 2;
  const int y = ToInt(r.bottom - th - fraction * (r.bottom - th - r.top));
  return UiRect{x, y, x + tw, y + th};
}

UiRect Slider::GetProgressRect() {
  const UiRect& r = rect_;
  const double range = static_cast<double>(max_) - min_;
  if (horizontal_) {
    const double filled =
        Ratio((r.right - thumb_size_.cx - r.left) * (value_ - min_), range);
    return UiRect{0, 0, ToInt(filled + thumb_size_.cx / 2 + 0.5), r.bottom - r.top};
  }
  const int h = r.bottom - r.top;
  const double empty = Ratio((h - thumb_size_.cy) * (max_ - value_), range);
  return UiRect{0, ToInt(empty + thumb_size_.cy / 2 + 0.5), r.right - r.left, h};
}

double Slider::ValueAt(UiPoint point) const {
  const UiRect& r = rect_;
  // The product in 64 bits: a skin's range times a track can pass 2^31.
  const int64_t range = static_cast<int64_t>(max_) - min_;
  if (horizontal_) {
    const int half = thumb_size_.cx / 2;
    if (point.x >= r.right - half) return max_;
    if (point.x <= r.left + half) return min_;
    const int64_t track = static_cast<int64_t>(r.right) - r.left - thumb_size_.cx;
    return min_ + Ratio(static_cast<double>((point.x - half - r.left) * range),
                        static_cast<double>(track));
  }
  const int half = thumb_size_.cy / 2;
  if (point.y >= r.bottom - half) return min_;
  if (point.y <= r.top + half) return max_;
  const int64_t track = static_cast<int64_t>(r.bottom) - r.top - thumb_size_.cy;
  return min_ + Ratio(static_cast<double>((r.bottom - half - point.y) * range),
                      static_cast<double>(track));
}

void Slider::RaiseValueChange() {
  EventArgs args;
  args.type = kEventValueChange;
  args.sender = this;
  if (window_) args.mouse_point = window_->GetLastMousePos();
  args.time_stamp = ::GetTickCount();
  SendEvent(args);
}

void Slider::HandleEvent(EventArgs& args) {
  if (!IsMouseEnabled() && IsMouseEventType(args.type)) {
    if (Box* parent = GetParent())
      parent->SendEvent(args);
    else
      Control::HandleEvent(args);
    return;
  }
  switch (args.type) {
    case kEventInternalDoubleClick:
    case kEventButtonDown:
    case kEventPointerDown: {
      if (!IsEnabled()) return;
      const UiPoint offset = GetScrollOffset();
      const UiPoint pt{args.mouse_point.x + offset.x, args.mouse_point.y + offset.y};
      if (GetThumbRect().Contains(pt)) SetMouseCaptured(true);
      return;
    }
    case kEventInternalMenu:
      return;
    case kEventMouseMove:
    case kEventPointerMove:
      if (!IsMouseCaptured()) return;
      value_ = ValueAt(args.mouse_point);
      Invalidate();
      return;
    case kEventButtonUp:
    case kEventPointerUp:
      if (IsMouseCaptured()) SetMouseCaptured(false);
      if (!IsEnabled()) return;
      value_ = ValueAt(args.mouse_point);
      RaiseValueChange();
      Invalidate();
      return;
    case kEventScrollWheel: {
      const int delta = static_cast<int>(static_cast<intptr_t>(args.wparam));
      value_ += delta > 0 ? step_ : -step_;
      Invalidate();
      RaiseValueChange();
      return;
    }
    default:
      Control::HandleEvent(args);
  }
}

void Slider::PaintStateImage(IRenderContext* render) {
  const UiRect whole = rect_;
  rect_.left += bar_padding_.left;
  rect_.top += bar_padding_.top;
  rect_.right -= bar_padding_.right;
  rect_.bottom -= bar_padding_.bottom;
  Progress::PaintStateImage(render);
  rect_ = whole;

  const UiRect thumb = GetThumbRect();
  wchar_t modifier[128];
  std::swprintf(modifier, 128, L"destscale='false' dest='%d,%d,%d,%d'", thumb.left - whole.left,
                thumb.top - whole.top, thumb.right - whole.left, thumb.bottom - whole.top);
  if (IsMouseCaptured()) {
    auto pushed = thumb_images_.find(kControlStatePushed);
    if (pushed != thumb_images_.end() && DrawImage(render, &pushed->second, modifier)) return;
  }
  auto normal = thumb_images_.find(kControlStateNormal);
  if (normal != thumb_images_.end()) DrawImage(render, &normal->second, modifier);
}

}  // namespace ui
