#include "ui/render/pen_gdiplus.h"

#include "ui/render/gdiplus_flat.h"
#include "ui/util/safe_math.h"

namespace ui {
namespace {

template <typename T>
int32_t Read(Gdiplus::GpStatus (*get)(Gdiplus::GpPen*, T*), Gdiplus::GpPen* pen, int* status) {
  T value = T();
  Gdiplus::GpStatus s = pen ? get(pen, &value) : Gdiplus::InvalidParameter;
  if (s != Gdiplus::Ok) *status = s;
  return static_cast<int32_t>(value);
}

}  // namespace

Pen_GdiPlus::Pen_GdiPlus(uint32_t color, int32_t width) : IPen(color) {
  Gdiplus::GpStatus s = gp::GdipCreatePen1(color, static_cast<Gdiplus::REAL>(width),
                                           Gdiplus::UnitWorld, &pen_);
  if (s != Gdiplus::Ok) last_status_ = s;
}

Pen_GdiPlus::Pen_GdiPlus(uint32_t color, Gdiplus::GpPen* pen) : IPen(color), pen_(pen) {}

Pen_GdiPlus::~Pen_GdiPlus() {
  if (pen_) gp::GdipDeletePen(pen_);
}

std::unique_ptr<IPen> Pen_GdiPlus::Clone() {
  Gdiplus::GpPen* copy = nullptr;
  if (pen_) gp::GdipClonePen(pen_, &copy);
  return std::unique_ptr<IPen>(new Pen_GdiPlus(color_, copy));
}

void Pen_GdiPlus::SetWidth(int32_t width) {
  if (pen_) gp::GdipSetPenWidth(pen_, static_cast<Gdiplus::REAL>(width));
}

int32_t Pen_GdiPlus::GetWidth() {
  Gdiplus::REAL width = 0;
  if (pen_) gp::GdipGetPenWidth(pen_, &width);
  return TruncToInt(width);
}

void Pen_GdiPlus::SetColor(uint32_t color) {
  color_ = color;
  if (pen_) gp::GdipSetPenColor(pen_, color);
}

void Pen_GdiPlus::SetStartCap(int32_t cap) {
  if (pen_) gp::GdipSetPenStartCap(pen_, static_cast<Gdiplus::GpLineCap>(cap));
}

void Pen_GdiPlus::SetEndCap(int32_t cap) {
  if (pen_) gp::GdipSetPenEndCap(pen_, static_cast<Gdiplus::GpLineCap>(cap));
}

void Pen_GdiPlus::SetDashCap(int32_t cap) {
  if (pen_) gp::GdipSetPenDashCap197819(pen_, static_cast<Gdiplus::GpDashCap>(cap));
}

int32_t Pen_GdiPlus::GetStartCap() { return Read(gp::GdipGetPenStartCap, pen_, &last_status_); }
int32_t Pen_GdiPlus::GetEndCap() { return Read(gp::GdipGetPenEndCap, pen_, &last_status_); }
int32_t Pen_GdiPlus::GetDashCap() { return Read(gp::GdipGetPenDashCap197819, pen_, &last_status_); }

void Pen_GdiPlus::SetLineJoin(int32_t join) {
  if (pen_) gp::GdipSetPenLineJoin(pen_, static_cast<Gdiplus::GpLineJoin>(join));
}

int32_t Pen_GdiPlus::GetLineJoin() { return Read(gp::GdipGetPenLineJoin, pen_, &last_status_); }

void Pen_GdiPlus::SetDashStyle(int32_t style) {
  if (pen_) gp::GdipSetPenDashStyle(pen_, static_cast<Gdiplus::GpDashStyle>(style));
}

int32_t Pen_GdiPlus::GetDashStyle() { return Read(gp::GdipGetPenDashStyle, pen_, &last_status_); }

}  // namespace ui
