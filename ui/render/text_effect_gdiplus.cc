#include "ui/render/text_effect_gdiplus.h"

#include <algorithm>

#include "ui/render/gdiplus_flat.h"

namespace ui {

namespace {

// GDI+ objects released at the end of their scope.
template <typename T, Gdiplus::GpStatus (*Delete)(T*)>
struct Owned {
  T* p = nullptr;
  Owned() = default;
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() {
    if (p) Delete(p);
  }
};
using OwnedPath = Owned<Gdiplus::GpPath, gp::GdipDeletePath>;
using OwnedPen = Owned<Gdiplus::GpPen, gp::GdipDeletePen>;
using OwnedBrush = Owned<Gdiplus::GpBrush, gp::GdipDeleteBrush>;
using OwnedFamily = Owned<Gdiplus::GpFontFamily, gp::GdipDeleteFontFamily>;

Gdiplus::RectF MeasureWidthAndHeight(Gdiplus::GpGraphics* graphics, const std::wstring& text,
                                     Gdiplus::GpFont* font, Gdiplus::GpStringFormat* format) {
  Gdiplus::RectF layout(0, 0, 0, 0);
  Gdiplus::RectF box(0, 0, 0, 0);
  gp::GdipMeasureString(graphics, text.c_str(), static_cast<INT>(text.size()), font, &layout,
                        format, &box, nullptr, nullptr);
  return box;
}

}  // namespace

// ---- Measuring and colours -----------------------------------------------------

int32_t MeasureSpaceWidth(Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                          Gdiplus::GpStringFormat* format) {
  const Gdiplus::RectF tight = MeasureWidthAndHeight(graphics, L"aa", font, format);
  const Gdiplus::RectF spaced = MeasureWidthAndHeight(graphics, L"a a", font, format);
  return std::max<int32_t>(1, static_cast<int32_t>(spaced.Width - tight.Width));
}

std::vector<uint32_t> BuildGlowColors(uint32_t color1, uint32_t color2, int32_t count,
                                      bool gradient) {
  std::vector<uint32_t> colors;
  if (count <= 0) return colors;
  if (!gradient) {
    colors.assign(count / 2, color1);
    colors.insert(colors.end(), count - count / 2, color2);
    return colors;
  }
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gp::GdipCreateBitmapFromScan0(count, 1, 0, PixelFormat32bppARGB, nullptr, &bitmap) !=
      Gdiplus::Ok) {
    return colors;
  }
  Gdiplus::GpGraphics* graphics = nullptr;
  gp::GdipGetImageGraphicsContext(bitmap, &graphics);
  const Gdiplus::RectF rect(0, 0, static_cast<Gdiplus::REAL>(count), 1);
  Gdiplus::GpLineGradient* brush = nullptr;
  if (graphics && gp::GdipCreateLineBrushFromRect(&rect, color1, color2,
                                                  Gdiplus::LinearGradientModeHorizontal,
                                                  Gdiplus::WrapModeTile, &brush) == Gdiplus::Ok) {
    gp::GdipFillRectangleI(graphics, brush, 0, 0, count, 1);
    gp::GdipDeleteBrush(brush);
  }
  if (graphics) gp::GdipDeleteGraphics(graphics);
  for (int32_t x = 0; x < count; ++x) {
    Gdiplus::ARGB pixel = 0;
    gp::GdipBitmapGetPixel(bitmap, x, 0, &pixel);
    colors.push_back(pixel | 0xFF000000u);
  }
  gp::GdipDisposeImage(bitmap);
  return colors;
}

// ---- The effect ----------------------------------------------------------------

void TextEffect_GdiPlus::SetGradient(uint32_t color1, uint32_t color2, float ratio_x,
                                     float ratio_y) {
  gradient_ = true;
  gradient_color1_ = color1;
  gradient_color2_ = color2;
  gradient_ratio_x_ = ratio_x;
  gradient_ratio_y_ = ratio_y;
}

void TextEffect_GdiPlus::SetGlow(uint32_t color1, uint32_t color2, int32_t count,
                                 bool gradient) {
  glow_ = true;
  glow_colors_ = BuildGlowColors(color1, color2, std::min(count, kMaxGlowPens), gradient);
}

void TextEffect_GdiPlus::AddSpacedUnits(Gdiplus::GpPath* path, const UiRect& rect,
                                        const std::wstring& text,
                                        Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                                        Gdiplus::GpStringFormat* format) {
  if (space_width_ < 0) space_width_ = MeasureSpaceWidth(graphics, font, format);
  if (text != cached_text_) {
    lines_.clear();
    if (SplitTextUnits(text, &lines_)) cached_text_ = text;
  }
  Gdiplus::StringAlignment align = Gdiplus::StringAlignmentNear;
  gp::GdipGetStringFormatAlign(format, &align);
  const bool from_right = align == Gdiplus::StringAlignmentFar;
  OwnedFamily family;
  gp::GdipGetFamily(font, &family.p);
  Gdiplus::REAL size = 0;
  gp::GdipGetFontSize(font, &size);

  int y = rect.top;
  int max_height = 0;  // over the whole text, as lines are placed
  for (const std::vector<std::wstring>& line : lines_) {
    y += max_height;
    int x = from_right ? rect.right : rect.left;
    const size_t n = line.size();
    for (size_t k = 0; k < n; ++k) {
      const std::wstring& unit = line[from_right ? n - 1 - k : k];
      int advance = 0;
      if (unit == L" ") {
        advance = letter_spacing_ + space_width_;
      } else {
        const Gdiplus::RectF box = MeasureWidthAndHeight(graphics, unit, font, format);
        max_height = std::max(max_height, static_cast<int>(box.Height));
        const Gdiplus::RectF at(static_cast<Gdiplus::REAL>(x), static_cast<Gdiplus::REAL>(y), 0,
                                0);
        gp::GdipAddPathString(path, unit.c_str(), static_cast<INT>(unit.size()), family.p,
                              Gdiplus::FontStyleBold, size, &at, format);
        advance = static_cast<int>(box.Width) + letter_spacing_;
      }
      x += from_right ? -advance : advance;
    }
  }
}

void TextEffect_GdiPlus::DrawText(const UiRect& rect, const std::wstring& text, uint32_t color,
                                  Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                                  Gdiplus::GpStringFormat* format) {
  if (!graphics || !font || text.empty()) return;
  OwnedPath path;
  if (gp::GdipCreatePath(Gdiplus::FillModeAlternate, &path.p) != Gdiplus::Ok) return;
  if (letter_spacing_ <= 0) {
    OwnedFamily family;
    gp::GdipGetFamily(font, &family.p);
    Gdiplus::REAL size = 0;
    gp::GdipGetFontSize(font, &size);
    const Gdiplus::RectF layout(
        static_cast<Gdiplus::REAL>(rect.left), static_cast<Gdiplus::REAL>(rect.top),
        static_cast<Gdiplus::REAL>(rect.right - rect.left),
        static_cast<Gdiplus::REAL>(rect.bottom - rect.top));
    gp::GdipAddPathString(path.p, text.c_str(), static_cast<INT>(text.size()), family.p,
                          Gdiplus::FontStyleBold, size, &layout, format);
  } else {
    AddSpacedUnits(path.p, rect, text, graphics, font, format);
  }

  if (glow_) {
    // Widest pen first, so each narrower one draws over it.
    for (size_t k = glow_colors_.size(); k >= 1; --k) {
      OwnedPen pen;
      if (gp::GdipCreatePen1(glow_colors_[k - 1], static_cast<Gdiplus::REAL>(k),
                             Gdiplus::UnitPixel, &pen.p) != Gdiplus::Ok) {
        continue;
      }
      gp::GdipSetPenLineJoin(pen.p, Gdiplus::LineJoinRound);
      gp::GdipDrawPath(graphics, pen.p, path.p);
    }
  }

  OwnedBrush brush;
  const Gdiplus::RectF span(static_cast<Gdiplus::REAL>(rect.left),
                            static_cast<Gdiplus::REAL>(rect.top),
                            (rect.right - rect.left) * gradient_ratio_x_,
                            (rect.bottom - rect.top) * gradient_ratio_y_);
  // A gradient over no area cannot be made: such a skin gets the plain fill.
  if (gradient_ && span.Width > 0 && span.Height > 0) {
    Gdiplus::GpLineGradient* line = nullptr;
    if (gp::GdipCreateLineBrushFromRect(&span, gradient_color1_, gradient_color2_,
                                        Gdiplus::LinearGradientModeForwardDiagonal,
                                        Gdiplus::WrapModeTile, &line) == Gdiplus::Ok) {
      brush.p = line;
    }
  }
  if (!brush.p) {
    Gdiplus::GpSolidFill* solid = nullptr;
    if (gp::GdipCreateSolidFill(color, &solid) != Gdiplus::Ok) return;
    brush.p = solid;
  }
  gp::GdipFillPath(graphics, brush.p, path.p);
}

}  // namespace ui
