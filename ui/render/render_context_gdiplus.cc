#include "ui/render/render_context_gdiplus.h"

#include <algorithm>
#include <cstring>

#include "ui/render/brush_gdiplus.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/draw_helpers.h"
#include "ui/render/gdiplus_flat.h"
#include "ui/render/nine_grid.h"
#include "ui/render/path_gdiplus.h"
#include "ui/render/pen_gdiplus.h"
#include "ui/render/render_resources.h"
#include "ui/util/safe_math.h"

namespace ui {
namespace {

using Gdiplus::REAL;

// Owners of the GDI+ objects one operation makes and deletes.
struct GpDelete {
  void operator()(Gdiplus::GpGraphics* g) const { gp::GdipDeleteGraphics(g); }
  void operator()(Gdiplus::GpPen* p) const { gp::GdipDeletePen(p); }
  void operator()(Gdiplus::GpSolidFill* b) const { gp::GdipDeleteBrush(b); }
  void operator()(Gdiplus::GpStringFormat* f) const { gp::GdipDeleteStringFormat(f); }
};
template <typename T>
using GpPtr = std::unique_ptr<T, GpDelete>;

// A Graphics on the DC takes the DC's clip and origin as they stand now.
GpPtr<Gdiplus::GpGraphics> MakeGraphics(HDC dc, bool anti_alias = false) {
  Gdiplus::GpGraphics* graphics = nullptr;
  gp::GdipCreateFromHDC(dc, &graphics);
  if (graphics && anti_alias) gp::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
  return GpPtr<Gdiplus::GpGraphics>(graphics);
}

GpPtr<Gdiplus::GpPen> MakePen(uint32_t color, int32_t width) {
  Gdiplus::GpPen* pen = nullptr;
  gp::GdipCreatePen1(color, static_cast<REAL>(width), Gdiplus::UnitWorld, &pen);
  return GpPtr<Gdiplus::GpPen>(pen);
}

GpPtr<Gdiplus::GpSolidFill> MakeSolidBrush(uint32_t color) {
  Gdiplus::GpSolidFill* brush = nullptr;
  gp::GdipCreateSolidFill(color, &brush);
  return GpPtr<Gdiplus::GpSolidFill>(brush);
}

// A clone of the generic typographic format.
GpPtr<Gdiplus::GpStringFormat> MakeTypographicFormat() {
  Gdiplus::GpStringFormat* generic = nullptr;
  Gdiplus::GpStringFormat* format = nullptr;
  if (gp::GdipStringFormatGetGenericTypographic(&generic) == Gdiplus::Ok && generic)
    gp::GdipCloneStringFormat(generic, &format);
  return GpPtr<Gdiplus::GpStringFormat>(format);
}

Gdiplus::GpPen* PenOf(IPen* pen) {
  auto* p = dynamic_cast<Pen_GdiPlus*>(pen);
  return p ? p->GetPen() : nullptr;
}

Gdiplus::GpPath* PathOf(IPath* path) {
  auto* p = dynamic_cast<Path_Gdiplus*>(path);
  return p ? p->GetPath() : nullptr;
}

Gdiplus::GpFont* FontOf(const std::wstring& font_id) {
  IRenderResources* resources = GetRenderResources();
  return resources ? resources->GetGdiplusFont(font_id) : nullptr;
}

bool TextAntiAliasOn() {
  IRenderResources* resources = GetRenderResources();
  return resources && resources->TextAntiAlias();
}

Gdiplus::RectF LayoutOf(const UiRect& rect) {
  return Gdiplus::RectF(static_cast<REAL>(rect.left), static_cast<REAL>(rect.top),
                        static_cast<REAL>(rect.Width()), static_cast<REAL>(rect.Height()));
}

// GDI+ clips a string to its layout rectangle unless told not to; Wine's
// draws whole lines past its bottom (and above its top when bottom-aligned).
void ClipToLayout(Gdiplus::GpGraphics* graphics, const UiRect& rect, uint32_t style) {
  if (graphics && !(style & DT_NOCLIP)) {
    gp::GdipSetClipRectI(graphics, rect.left, rect.top, rect.Width(), rect.Height(),
                         Gdiplus::CombineModeIntersect);
  }
}

uint32_t WithAlpha(uint32_t color, uint32_t alpha) {
  return (color & 0x00FFFFFFu) | (alpha << 24);
}

}  // namespace

RenderContext_GdiPlus::RenderContext_GdiPlus() {
  HDC screen = ::GetDC(nullptr);
  dc_ = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
}

RenderContext_GdiPlus::~RenderContext_GdiPlus() {
  if (scratch_dc_) {
    if (scratch_old_) ::SelectObject(scratch_dc_, scratch_old_);
    ::DeleteDC(scratch_dc_);
  }
  if (old_bitmap_) ::SelectObject(dc_, old_bitmap_);
  if (dc_) ::DeleteDC(dc_);
}

bool RenderContext_GdiPlus::Resize(int32_t width, int32_t height, bool flip_height) {
  if (width == bitmap_.GetWidth() && height == bitmap_.GetHeight()) return false;
  if (old_bitmap_) ::SelectObject(dc_, old_bitmap_);
  bool result = bitmap_.Init(dc_, width, height, flip_height);
  HGDIOBJ previous = bitmap_.GetBitmap() ? ::SelectObject(dc_, bitmap_.GetBitmap()) : nullptr;
  if (previous) old_bitmap_ = previous;
  return result;
}

std::unique_ptr<IRenderContext> RenderContext_GdiPlus::Clone() {
  auto copy = std::make_unique<RenderContext_GdiPlus>();
  copy->Resize(GetWidth(), GetHeight(), true);
  ::BitBlt(copy->GetDC(), 0, 0, GetWidth(), GetHeight(), dc_, 0, 0, SRCCOPY);
  return copy;
}

HBITMAP RenderContext_GdiPlus::DetachBitmap() {
  if (!old_bitmap_) return nullptr;
  ::SelectObject(dc_, old_bitmap_);
  old_bitmap_ = nullptr;
  return bitmap_.DetachBitmap();
}

void RenderContext_GdiPlus::FillRectAlpha(const UiRect& rect, uint8_t value) {
  bitmap_.FillRectAlpha(rect, value);
}

void RenderContext_GdiPlus::RepairAlpha(const UiRect& rect, const UiRect& padding,
                                        int32_t alpha) {
  bitmap_.RepairAlpha(rect, padding, alpha);
}

bool RenderContext_GdiPlus::SetTransparentMode(bool transparent) {
  bool previous = transparent_;
  transparent_ = transparent;
  return previous;
}

int32_t RenderContext_GdiPlus::SaveDC() {
  saved_dc_ = ::SaveDC(dc_);
  return saved_dc_;
}

bool RenderContext_GdiPlus::RestoreDC() { return ::RestoreDC(dc_, saved_dc_) != FALSE; }

UiPoint RenderContext_GdiPlus::OffsetWindowOrg(const UiPoint& offset) {
  POINT old = {};
  ::GetWindowOrgEx(dc_, &old);
  ::SetWindowOrgEx(dc_, old.x + offset.x, old.y + offset.y, nullptr);
  return UiPoint{old.x, old.y};
}

UiPoint RenderContext_GdiPlus::SetWindowOrg(const UiPoint& origin) {
  POINT old = {};
  ::SetWindowOrgEx(dc_, origin.x, origin.y, &old);
  return UiPoint{old.x, old.y};
}

UiPoint RenderContext_GdiPlus::GetWindowOrg() {
  POINT origin = {};
  ::GetWindowOrgEx(dc_, &origin);
  return UiPoint{origin.x, origin.y};
}

void RenderContext_GdiPlus::ClipRect(const UiRect& rect) { clip_.ApplyRectClip(dc_, rect); }

void RenderContext_GdiPlus::ClipRoundRect(const UiRect& rect, int32_t width, int32_t height) {
  clip_.ApplyRoundRectClip(dc_, rect, width, height);
}

void RenderContext_GdiPlus::ResetClip() { clip_.RemoveClip(dc_); }

bool RenderContext_GdiPlus::BitBlt(int32_t x, int32_t y, int32_t cx, int32_t cy, HDC src,
                                   int32_t x_src, int32_t y_src, DWORD rop) {
  return ::BitBlt(dc_, x, y, cx, cy, src, x_src, y_src, rop) != FALSE;
}

bool RenderContext_GdiPlus::AlphaBlend(int32_t x_dest, int32_t y_dest, int32_t width_dest,
                                       int32_t height_dest, HDC src, int32_t x_src,
                                       int32_t y_src, int32_t width_src, int32_t height_src,
                                       uint8_t alpha) {
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  return ::AlphaBlend(dc_, x_dest, y_dest, width_dest, height_dest, src, x_src, y_src,
                      width_src, height_src, blend) == TRUE;
}

void RenderContext_GdiPlus::DrawImage(const UiRect& paint, HBITMAP bitmap, bool alpha_channel,
                                      const UiRect& dest, const UiRect& source,
                                      const UiRect& corner, uint8_t fade, bool x_tiled,
                                      bool y_tiled) {
  if (!bitmap || !paint.Intersects(dest)) return;
  HDC source_dc = ::CreateCompatibleDC(dc_);
  HGDIOBJ old_source = ::SelectObject(source_dc, bitmap);
  int old_mode = ::SetStretchBltMode(dc_, HALFTONE);

  UiRect dest_corner = DpiScale::Instance()->ScaleRect(corner);
  for (const ImagePiece& piece :
       LayoutNineGrid(paint, dest, source, corner, dest_corner, x_tiled, y_tiled)) {
    BlitImagePart(dc_, transparent_, piece.dest, source_dc, piece.source, alpha_channel, fade);
  }

  ::SetStretchBltMode(dc_, old_mode);
  ::SelectObject(source_dc, old_source);
  ::DeleteDC(source_dc);
}

void RenderContext_GdiPlus::DrawImageGdiPlus(const UiRect& paint, Gdiplus::GpImage* image,
                                             const UiRect& dest, const UiRect& source,
                                             const UiRect& corner, uint8_t fade, bool x_tiled,
                                             bool y_tiled) {
  if (!image || !paint.Intersects(dest)) return;
  auto graphics = MakeGraphics(dc_);
  if (!graphics.get()) return;
  gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeHighQuality);

  UiRect dest_corner = DpiScale::Instance()->ScaleRect(corner);
  for (const ImagePiece& piece :
       LayoutNineGrid(paint, dest, source, corner, dest_corner, x_tiled, y_tiled)) {
    bool own_size = piece.dest.Width() == piece.source.Width() &&
                    piece.dest.Height() == piece.source.Height();
    if (own_size && BlendImagePart(image, piece.dest, piece.source, fade)) continue;
    DrawImagePartGdiPlus(graphics.get(), image, piece.source, piece.dest, fade);
  }
}

void RenderContext_GdiPlus::FillRectNamed(const UiRect& rect, const std::wstring& color_name,
                                          uint8_t fade) {
  if (color_name.empty()) return;
  IRenderResources* resources = GetRenderResources();
  FillRect(rect, resources ? resources->GetColor(color_name) : 0, fade);
}

void RenderContext_GdiPlus::FillRect(const UiRect& rect, uint32_t color, uint8_t fade) {
  if (fade != 255) color = WithAlpha(color, (color >> 24) * fade / 255);
  FillSolid(rect, color);
}

// A solid GDI+ brush on an axis-aligned integer rectangle with default
// smoothing is a plain source-over of its premultiplied colour; AlphaBlend of
// one such pixel gives the same pixels, under the DC's clip and origin, for a
// fraction of the cost of a GDI+ fill under Wine.
void RenderContext_GdiPlus::FillSolid(const UiRect& rect, uint32_t color) {
  const uint32_t a = color >> 24;
  if (rect.IsEmpty() || a == 0) return;
  uint32_t* pixel = Scratch(1, 1);
  if (!pixel) return;
  auto premultiply = [a](uint32_t c) { return (c * a + 127) / 255; };
  *pixel = (a << 24) | (premultiply((color >> 16) & 0xFF) << 16) |
           (premultiply((color >> 8) & 0xFF) << 8) | premultiply(color & 0xFF);
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc_, rect.left, rect.top, rect.Width(), rect.Height(), scratch_dc_, 0, 0, 1, 1,
               blend);
}

// GDI+ draws a bitmap's part at its own size as a plain source-over of its
// premultiplied pixels (times the fade); AlphaBlend of those pixels gives
// the same, under the DC's clip and origin, at a fraction of the cost of a
// GDI+ draw under Wine. Scaled parts stay with GDI+ for its filtering.
bool RenderContext_GdiPlus::BlendImagePart(Gdiplus::GpImage* image, const UiRect& dest,
                                           const UiRect& source, uint8_t fade) {
  Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
  if (source.IsEmpty() || gp::GdipGetImageType(image, &type) != Gdiplus::Ok ||
      type != Gdiplus::ImageTypeBitmap)
    return false;
  const int32_t width = source.Width(), height = source.Height();
  uint32_t* bits = Scratch(width, height);
  if (!bits) return false;

  auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
  Gdiplus::GpRect part(source.left, source.top, width, height);
  Gdiplus::BitmapData data = {};
  if (gp::GdipBitmapLockBits(bitmap, &part, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB,
                             &data) != Gdiplus::Ok)
    return false;  // not inside the image
  const size_t stride = static_cast<size_t>(scratch_.GetWidth());
  for (int32_t y = 0; y < height; ++y) {
    std::memcpy(bits + y * stride,
                static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                static_cast<size_t>(width) * 4);
  }
  gp::GdipBitmapUnlockBits(bitmap, &data);

  BLENDFUNCTION blend = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
  return ::AlphaBlend(dc_, dest.left, dest.top, width, height, scratch_dc_, 0, 0, width, height,
                      blend) != FALSE;
}

uint32_t* RenderContext_GdiPlus::Scratch(int32_t width, int32_t height) {
  if (!scratch_dc_) scratch_dc_ = ::CreateCompatibleDC(dc_);
  if (!scratch_dc_) return nullptr;
  if (scratch_.GetWidth() < width || scratch_.GetHeight() < height) {
    if (scratch_old_) ::SelectObject(scratch_dc_, scratch_old_);
    scratch_old_ = nullptr;
    if (!scratch_.Init(dc_, std::max(width, scratch_.GetWidth()),
                       std::max(height, scratch_.GetHeight()), true))
      return nullptr;
    scratch_old_ = ::SelectObject(scratch_dc_, scratch_.GetBitmap());
  }
  // GDI may still be reading the pixels of an earlier blend.
  ::GdiFlush();
  return scratch_.GetBits();
}

void RenderContext_GdiPlus::DrawLineWithPen(IPen* pen, int32_t x1, int32_t y1, int32_t x2,
                                            int32_t y2) {
  Gdiplus::GpPen* p = PenOf(pen);
  if (!p) return;
  auto graphics = MakeGraphics(dc_, true);
  gp::GdipDrawLineI(graphics.get(), p, x1, y1, x2, y2);
}

void RenderContext_GdiPlus::DrawLine(const UiRect& rect, int32_t width, uint32_t color) {
  auto graphics = MakeGraphics(dc_);
  auto pen = MakePen(color, width);
  gp::GdipDrawLineI(graphics.get(), pen.get(), rect.left, rect.top, rect.right, rect.bottom);
}

void RenderContext_GdiPlus::DrawBezier(IPen* pen, int32_t x1, int32_t y1, int32_t x2,
                                       int32_t y2, int32_t x3, int32_t y3, int32_t x4,
                                       int32_t y4) {
  Gdiplus::GpPen* p = PenOf(pen);
  if (!p) return;
  auto graphics = MakeGraphics(dc_, true);
  gp::GdipDrawBezierI(graphics.get(), p, x1, y1, x2, y2, x3, y3, x4, y4);
}

void RenderContext_GdiPlus::DrawRect(const UiRect& rect, int32_t width, uint32_t color) {
  auto graphics = MakeGraphics(dc_);
  auto pen = MakePen(color, width);
  gp::GdipDrawRectangleI(graphics.get(), pen.get(), rect.left, rect.top, rect.Width(),
                         rect.Height());
}

void RenderContext_GdiPlus::DrawRoundRect(const UiRect& rect, const UiSize& round,
                                          int32_t width, uint32_t color) {
  auto graphics = MakeGraphics(dc_, true);
  Path_Gdiplus path;
  const int32_t cx = round.cx, cy = round.cy;
  path.AddArc(rect.left, rect.top, cx, cy, 180, 90);
  path.AddLine(rect.left + cx, rect.top, rect.right - cx, rect.top);
  path.AddArc(rect.right - cx, rect.top, cx, cy, 270, 90);
  path.AddLine(rect.right, rect.top + cy, rect.right, rect.bottom - cy);
  path.AddArc(rect.right - cx, rect.bottom - cy, cx, cy, 0, 90);
  path.AddLine(rect.right - cx, rect.bottom, rect.left + cx, rect.bottom);
  path.AddArc(rect.left, rect.bottom - cy, cx, cy, 90, 90);
  path.AddLine(rect.left, rect.bottom - cy, rect.left, rect.top + cy);
  path.CloseFigure();
  auto pen = MakePen(color, width);
  if (path.GetPath()) gp::GdipDrawPath(graphics.get(), pen.get(), path.GetPath());
}

void RenderContext_GdiPlus::DrawText(const UiRect& rect, const std::wstring& text,
                                     uint32_t color, const std::wstring& font_id,
                                     uint32_t style, uint8_t fade, bool line_limit) {
  if (text.empty()) return;
  auto graphics = MakeGraphics(dc_);
  if (TextAntiAliasOn()) {
    gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
    gp::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAlias);
  }
  Gdiplus::GpFont* font = FontOf(font_id);
  if (!font) return;
  Gdiplus::RectF layout = LayoutOf(rect);
  auto format = MakeTypographicFormat();
  ToGdiplusStringFormat(style, line_limit, format.get());
  ClipToLayout(graphics.get(), rect, style);

  // Text is never drawn fully opaque: GDI+ keeps the partial alpha of its
  // edges that way on a 32-bit surface.
  uint32_t alpha = TruncToInt((color >> 24) / 255.0 * fade);
  if (alpha >= 255) alpha = 254;
  auto brush = MakeSolidBrush(WithAlpha(color, alpha));
  gp::GdipDrawString(graphics.get(), text.c_str(), static_cast<INT>(text.size()), font,
                     &layout, format.get(), brush.get());
}

void RenderContext_GdiPlus::DrawTextWithEffect(const UiRect& rect, const std::wstring& text,
                                               uint32_t color, const std::wstring& font_id,
                                               uint32_t style, ITextEffect* effect,
                                               bool line_limit) {
  if (text.empty() || !effect) return;
  auto graphics = MakeGraphics(dc_);
  if (TextAntiAliasOn()) {
    gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
    gp::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAlias);
    gp::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
  }
  Gdiplus::GpFont* font = FontOf(font_id);
  if (!font) return;
  auto format = MakeTypographicFormat();
  ToGdiplusStringFormat(style, line_limit, format.get());
  ClipToLayout(graphics.get(), rect, style);
  effect->DrawText(rect, text, color, graphics.get(), font, format.get());
}

void RenderContext_GdiPlus::DrawEllipse(const UiRect& rect, int32_t width, uint32_t color) {
  auto graphics = MakeGraphics(dc_, true);
  auto pen = MakePen(color, width);
  gp::GdipDrawEllipseI(graphics.get(), pen.get(), rect.left, rect.top, rect.Width(),
                       rect.Height());
}

void RenderContext_GdiPlus::FillEllipse(const UiRect& rect, uint32_t color) {
  auto graphics = MakeGraphics(dc_, true);
  auto brush = MakeSolidBrush(color);
  gp::GdipFillEllipseI(graphics.get(), brush.get(), rect.left, rect.top, rect.Width(),
                       rect.Height());
}

UiRect RenderContext_GdiPlus::MeasureText(const std::wstring& text, const std::wstring& font_id,
                                          uint32_t style, int32_t width) {
  auto graphics = MakeGraphics(dc_);
  Gdiplus::GpFont* font = FontOf(font_id);
  if (!font || !graphics.get()) return UiRect{0, 0, 1, 1};
  auto format = MakeTypographicFormat();
  if (format.get())
    gp::GdipSetStringFormatFlags(format.get(),
                                 (style & DT_SINGLELINE) ? Gdiplus::StringFormatFlagsNoWrap : 0);

  Gdiplus::RectF layout(0, 0, 0, 0);
  if (width != -1) {
    REAL height = 0;
    if (style & DT_SINGLELINE) {
      // The height of one line in this font.
      Gdiplus::RectF probe(0, 0, 0, 0);
      Gdiplus::RectF line(0, 0, 0, 0);
      gp::GdipMeasureString(graphics.get(), L"\u6d4b\u8bd5", 2, font, &probe, format.get(),
                            &line, nullptr, nullptr);
      height = line.Height;
    }
    layout = Gdiplus::RectF(0, 0, static_cast<REAL>(width), height);
  }
  Gdiplus::RectF bounds(0, 0, 0, 0);
  gp::GdipMeasureString(graphics.get(), text.c_str(), static_cast<INT>(text.size()), font,
                        &layout, format.get(), &bounds, nullptr, nullptr);
  return UiRect{TruncToInt(bounds.X), TruncToInt(bounds.Y),
                TruncToInt(bounds.X + bounds.Width + 1), TruncToInt(bounds.Y + bounds.Height + 1)};
}

void RenderContext_GdiPlus::DrawPath(IPath* path, IPen* pen) {
  Gdiplus::GpPath* gpath = PathOf(path);
  Gdiplus::GpPen* gpen = PenOf(pen);
  if (!gpath || !gpen) return;
  auto graphics = MakeGraphics(dc_, true);
  gp::GdipDrawPath(graphics.get(), gpen, gpath);
}

void RenderContext_GdiPlus::FillPath(IPath* path, IBrush* brush) {
  Gdiplus::GpPath* gpath = PathOf(path);
  auto* b = dynamic_cast<Brush_Gdiplus*>(brush);
  if (!gpath || !b) return;
  Gdiplus::GpBrush* fill = b->GetSolidBrush() ? b->GetSolidBrush() : b->GetTextureBrush();
  if (!fill) return;
  auto graphics = MakeGraphics(dc_, true);
  gp::GdipFillPath(graphics.get(), fill, gpath);
}

}  // namespace ui
