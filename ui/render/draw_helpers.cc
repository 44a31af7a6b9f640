#include "ui/render/draw_helpers.h"

#include "ui/render/gdiplus_flat.h"

namespace ui {
namespace {

// The centre bit wins over the far one.
Gdiplus::StringAlignment AlignmentOf(uint32_t style, uint32_t center, uint32_t far_side) {
  if (style & center) return Gdiplus::StringAlignmentCenter;
  if (style & far_side) return Gdiplus::StringAlignmentFar;
  return Gdiplus::StringAlignmentNear;
}

}  // namespace

bool BlitImagePart(HDC dest_dc, bool transparent, const UiRect& dest, HDC source_dc,
                   const UiRect& source, bool alpha_channel, uint8_t fade) {
  bool same_size = dest.Width() == source.Width() && dest.Height() == source.Height();
  if (!transparent && !alpha_channel && fade >= 255 && !same_size) {
    return ::StretchBlt(dest_dc, dest.left, dest.top, dest.Width(), dest.Height(), source_dc,
                        source.left, source.top, source.Width(), source.Height(),
                        SRCCOPY) != FALSE;
  }
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
  return ::AlphaBlend(dest_dc, dest.left, dest.top, dest.Width(), dest.Height(), source_dc,
                      source.left, source.top, source.Width(), source.Height(),
                      blend) != FALSE;
}

void DrawImagePartGdiPlus(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* image,
                          const UiRect& source, const UiRect& dest, uint8_t fade) {
  Gdiplus::GpImageAttributes* attributes = nullptr;
  gp::GdipCreateImageAttributes(&attributes);
  // A scaled part samples around its edge: mirrored pixels of its own,
  // not the transparent void or the neighbouring part, keep its edge whole.
  if (attributes) {
    gp::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
  }
  if (attributes && fade != 255) {
    Gdiplus::ColorMatrix matrix = {};
    for (int i = 0; i < 5; ++i) matrix.m[i][i] = 1.0f;
    matrix.m[3][3] = fade / 255.0f;
    matrix.m[4][4] = 0.0f;
    gp::GdipSetImageAttributesColorMatrix(attributes, Gdiplus::ColorAdjustTypeBitmap, TRUE,
                                          &matrix, nullptr, Gdiplus::ColorMatrixFlagsDefault);
  }
  gp::GdipDrawImageRectRect(
      graphics, image, static_cast<Gdiplus::REAL>(dest.left),
      static_cast<Gdiplus::REAL>(dest.top), static_cast<Gdiplus::REAL>(dest.Width()),
      static_cast<Gdiplus::REAL>(dest.Height()), static_cast<Gdiplus::REAL>(source.left),
      static_cast<Gdiplus::REAL>(source.top), static_cast<Gdiplus::REAL>(source.Width()),
      static_cast<Gdiplus::REAL>(source.Height()), Gdiplus::UnitPixel, attributes, nullptr,
      nullptr);
  if (attributes) gp::GdipDisposeImageAttributes(attributes);
}

void ToGdiplusStringFormat(uint32_t style, bool line_limit, Gdiplus::GpStringFormat* format) {
  if (!format) return;
  if (style & DT_END_ELLIPSIS)
    gp::GdipSetStringFormatTrimming(format, Gdiplus::StringTrimmingEllipsisCharacter);

  INT flags = 0;
  if (style & DT_NOCLIP) flags |= Gdiplus::StringFormatFlagsNoClip;
  if (style & DT_SINGLELINE) flags |= Gdiplus::StringFormatFlagsNoWrap;
  if (line_limit) flags |= Gdiplus::StringFormatFlagsLineLimit;
  gp::GdipSetStringFormatFlags(format, flags);

  gp::GdipSetStringFormatAlign(format, AlignmentOf(style, DT_CENTER, DT_RIGHT));
  gp::GdipSetStringFormatLineAlign(format, AlignmentOf(style, DT_VCENTER, DT_BOTTOM));
}

}  // namespace ui
