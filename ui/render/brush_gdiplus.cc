#include "ui/render/brush_gdiplus.h"

#include "ui/render/gdiplus_flat.h"

namespace ui {
namespace {

Gdiplus::GpBrush* CloneOf(Gdiplus::GpBrush* brush) {
  Gdiplus::GpBrush* copy = nullptr;
  if (brush) gp::GdipCloneBrush(brush, &copy);
  return copy;
}

}  // namespace

Brush_Gdiplus::Brush_Gdiplus(uint32_t color, Gdiplus::GpBrush* solid, Gdiplus::GpBrush* texture)
    : IBrush(color), solid_(solid), texture_(texture) {}

std::unique_ptr<Brush_Gdiplus> Brush_Gdiplus::MakeSolid(uint32_t color) {
  Gdiplus::GpSolidFill* fill = nullptr;
  gp::GdipCreateSolidFill(color, &fill);
  return std::unique_ptr<Brush_Gdiplus>(new Brush_Gdiplus(color, fill, nullptr));
}

std::unique_ptr<Brush_Gdiplus> Brush_Gdiplus::MakeBitmap(HBITMAP bitmap) {
  Gdiplus::GpBitmap* image = nullptr;
  Gdiplus::GpTexture* texture = nullptr;
  if (bitmap && gp::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
    gp::GdipCreateTexture(image, Gdiplus::WrapModeTile, &texture);
    // The texture keeps its own copy of the pixels.
    gp::GdipDisposeImage(image);
  }
  return std::unique_ptr<Brush_Gdiplus>(new Brush_Gdiplus(0, nullptr, texture));
}

Brush_Gdiplus::~Brush_Gdiplus() {
  if (solid_) gp::GdipDeleteBrush(solid_);
  if (texture_) gp::GdipDeleteBrush(texture_);
}

std::unique_ptr<IBrush> Brush_Gdiplus::Clone() {
  return std::unique_ptr<IBrush>(new Brush_Gdiplus(color_, CloneOf(solid_), CloneOf(texture_)));
}

}  // namespace ui
