#include "ui/controls/progress.h"

#include <objidl.h>
#include <shlwapi.h>
// gdiplus.h wants min and max.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cstdio>
#include <cwchar>

namespace ui {

namespace gp = Gdiplus::DllExports;

namespace {

std::wstring SkipBlanks(const std::wstring& value) {
  size_t start = 0;
  while (start < value.size() && value[start] <= 32) ++start;
  return value.substr(start);
}

int ParseInt(const std::wstring& value) {
  return static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
}

}  // namespace

// ---- Progress --------------------------------------------------------------------

Progress::Progress() {
  text_style_ = DT_SINGLELINE | DT_CENTER;
  SetFixedHeight(12, true);
}

void Progress::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"hor") {
    const bool on = value == L"true";
    if (on == horizontal_) return;
    horizontal_ = on;
  } else if (name == L"min") {
    min_ = ParseInt(value);
  } else if (name == L"max") {
    max_ = ParseInt(value);
  } else if (name == L"value") {
    value_ = ParseInt(value);
  } else if (name == L"progressimage") {
    progress_image_.SetImageString(value);
  } else if (name == L"isstretchfore") {
    const bool on = value == L"true";
    if (on == stretch_fore_) return;
    stretch_fore_ = on;
  } else if (name == L"progresscolor") {
    const std::wstring color = SkipBlanks(value);
    if (color == progress_color_) return;
    progress_color_ = color;
  } else {
    LabelTemplate<Control>::SetAttribute(name, value);
    return;
  }
  Invalidate();
}

void Progress::ClearImages() {
  LabelTemplate<Control>::ClearImages();
  progress_image_.Unload();
}

void Progress::Normalize() {
  if (min_ >= max_) max_ = min_ + 1;
  value_ = std::clamp(value_, static_cast<double>(min_), static_cast<double>(max_));
}

UiRect Progress::GetProgressRect() {
  const double w = rect_.Width();
  const double h = rect_.Height();
  // An empty range is a range of one, as the paint makes it.
  const double range = max_ > min_ ? static_cast<double>(max_) - min_ : 1.0;
  if (horizontal_)
    return UiRect{0, 0, static_cast<int>((value_ - min_) * w / range), static_cast<int>(h)};
  return UiRect{0, static_cast<int>((max_ - value_) * h / range), static_cast<int>(w),
                static_cast<int>(h)};
}

void Progress::PaintStateImage(IRenderContext* render) {
  Normalize();
  const UiRect rc = GetProgressRect();
  const uint32_t color = ColorByName(progress_color_);
  if (color != 0) {
    UiRect fill = rect_;
    if (horizontal_)
      fill.right = fill.left + rc.right;
    else
      fill.top = fill.top + rc.top;
    render->FillRect(fill, color, 255);
  }
  if (progress_image_.GetImageString().empty()) return;
  wchar_t modifier[160];
  if (stretch_fore_) {
    std::swprintf(modifier, 160, L"destscale='false' dest='%d,%d,%d,%d'", rc.left, rc.top,
                  rc.right, rc.bottom);
  } else {
    std::swprintf(modifier, 160,
                  L"destscale='false' dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", rc.left,
                  rc.top, rc.right, rc.bottom, rc.left, rc.top, rc.right, rc.bottom);
  }
  DrawImage(render, &progress_image_, modifier);
}

// ---- CircleProgress --------------------------------------------------------------

CircleProgress::~CircleProgress() { DeleteIndicator(); }

void CircleProgress::DeleteIndicator() {
  if (indicator_) gp::GdipDisposeImage(indicator_);
  indicator_ = nullptr;
}

void CircleProgress::Rotate(int rotate_flip_type) {
  if (indicator_)
    gp::GdipImageRotateFlip(indicator_, static_cast<Gdiplus::RotateFlipType>(rotate_flip_type));
}

void CircleProgress::SetIndicator(const std::wstring& path) {
  if (path == indicator_path_) return;
  indicator_path_ = path;
  DeleteIndicator();
  std::wstring file = path;
  if (!PathFileExistsW(file.c_str())) {
    file = GlobalResources::Instance().GetResourceRoot() +
           (window_ ? window_->GetResourcePath() : std::wstring()) + path;
  }
  if (!PathFileExistsW(file.c_str())) return;
  if (gp::GdipLoadImageFromFile(file.c_str(), &indicator_) != Gdiplus::Ok) {
    indicator_ = nullptr;
    return;
  }
  Rotate(clockwise_ ? Gdiplus::Rotate90FlipNone : Gdiplus::Rotate270FlipNone);
  Invalidate();
}

void CircleProgress::SetAttribute(const std::wstring& name, const std::wstring& value) {
  if (name == L"circular") {
    circular_ = value == L"true";
    Invalidate();
  } else if (name == L"circlewidth") {
    ring_width_ = ParseInt(value);
    Invalidate();
  } else if (name == L"indicator") {
    SetIndicator(value);
  } else if (name == L"clockwise") {
    const bool on = value == L"true";
    if (on != clockwise_) {
      clockwise_ = on;
      Rotate(Gdiplus::Rotate180FlipNone);
    }
  } else if (name == L"bgcolor") {
    bk_color_argb_ = ColorByName(SkipBlanks(value));
    Invalidate();
  } else if (name == L"fgcolor") {
    fg_color_argb_ = ColorByName(SkipBlanks(value));
    Invalidate();
  } else if (name == L"gradientcolor") {
    gradient_color_argb_ = ColorByName(SkipBlanks(value));
    Invalidate();
  } else {
    Progress::SetAttribute(name, value);
  }
}

void CircleProgress::ClearImages() {
  Progress::ClearImages();
  DeleteIndicator();
}

float CircleProgress::GetSweepAngle() const {
  const double range = max_ > min_ ? static_cast<double>(max_) - min_ : 1.0;
  return static_cast<float>((value_ - min_) * (clockwise_ ? 360.0 : -360.0) / range);
}

void CircleProgress::PaintStateImage(IRenderContext* render) {
  Progress::PaintStateImage(render);
  if (!circular_) return;
  Gdiplus::GpGraphics* graphics = nullptr;
  if (gp::GdipCreateFromHDC(render->GetDC(), &graphics) != Gdiplus::Ok) return;
  gp::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);

  const int w = rect_.Width();
  const int h = rect_.Height();
  const int side = std::min(w, h);
  const int cx = rect_.left + w / 2;
  const int cy = rect_.top + h / 2;
  const int sx = cx - side / 2;
  const int sy = cy - side / 2;
  UINT indicator_width = 0;
  UINT indicator_height = 0;
  if (indicator_) {
    gp::GdipGetImageWidth(indicator_, &indicator_width);
    gp::GdipGetImageHeight(indicator_, &indicator_height);
  }
  const int inset = indicator_ ? static_cast<int>(indicator_width) : ring_width_;
  const float ax = sx + inset / 2 + 1.0f;
  const float ay = sy + inset / 2 + 1.0f;
  const float aw = static_cast<float>(side - inset - 2);

  Gdiplus::GpPen* bk_pen = nullptr;
  gp::GdipCreatePen1(bk_color_argb_, static_cast<float>(ring_width_), Gdiplus::UnitWorld, &bk_pen);
  if (bk_pen) gp::GdipDrawArc(graphics, bk_pen, ax, ay, aw, aw, 270, 360);

  const float sweep = GetSweepAngle();
  Gdiplus::GpLineGradient* brush = nullptr;
  Gdiplus::GpPen* fg_pen = nullptr;
  if (gradient_color_argb_ != 0) {
    const Gdiplus::Rect square(sx, sy, side, side);
    gp::GdipCreateLineBrushFromRectI(&square, fg_color_argb_, gradient_color_argb_,
                                     Gdiplus::LinearGradientModeVertical, Gdiplus::WrapModeTile,
                                     &brush);
    const float factors[] = {0.0f, 0.4f, 0.6f, 1.0f};
    const float positions[] = {0.0f, 0.2f, 0.8f, 1.0f};
    if (brush) {
      gp::GdipSetLineBlend(brush, factors, positions, 4);
      gp::GdipCreatePen2(brush, static_cast<float>(ring_width_), Gdiplus::UnitWorld, &fg_pen);
    }
  } else {
    gp::GdipCreatePen1(fg_color_argb_, static_cast<float>(ring_width_), Gdiplus::UnitWorld,
                       &fg_pen);
  }
  if (fg_pen && sweep != 0) gp::GdipDrawArc(graphics, fg_pen, ax, ay, aw, aw, 270, sweep);

  if (indicator_) {
    gp::GdipTranslateWorldTransform(graphics, static_cast<float>(-cx), static_cast<float>(-cy),
                                    Gdiplus::MatrixOrderAppend);
    gp::GdipRotateWorldTransform(graphics, sweep, Gdiplus::MatrixOrderAppend);
    gp::GdipTranslateWorldTransform(graphics, static_cast<float>(cx), static_cast<float>(cy),
                                    Gdiplus::MatrixOrderAppend);
    gp::GdipDrawImageRectI(graphics, indicator_, cx - static_cast<int>(indicator_width) / 2,
                           static_cast<int>(ay) - static_cast<int>(indicator_height) / 2,
                           static_cast<int>(indicator_width), static_cast<int>(indicator_height));
  }
  if (fg_pen) gp::GdipDeletePen(fg_pen);
  if (brush) gp::GdipDeleteBrush(brush);
  if (bk_pen) gp::GdipDeletePen(bk_pen);
  gp::GdipDeleteGraphics(graphics);
}

}  // namespace ui
