#include "ui/render/draw_helpers.h"

#include "ui/render/gdiplus_flat.h"

namespace ui {

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

  Gdiplus::StringAlignment align = Gdiplus::StringAlignmentNear;
  if (style & DT_CENTER)
    align = Gdiplus::StringAlignmentCenter;
  else if (style & DT_RIGHT)
    align = Gdiplus::StringAlignmentFar;
  gp::GdipSetStringFormatAlign(format, align);

  Gdiplus::StringAlignment line_align = Gdiplus::StringAlignmentNear;
  if (style & DT_VCENTER)
    line_align = Gdiplus::StringAlignmentCenter;
  else if (style & DT_BOTTOM)
    line_align = Gdiplus::StringAlignmentFar;
  gp::GdipSetStringFormatLineAlign(format, line_align);
}

}  // namespace ui
