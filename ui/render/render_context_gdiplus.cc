#include "ui/render/render_context_gdiplus.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/render/brush_gdiplus.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/draw_helpers.h"
#include "ui/render/gdiplus_flat.h"
#include "ui/render/nine_grid.h"
#include "ui/render/path_gdiplus.h"
#include "ui/render/pen_gdiplus.h"
#include "ui/render/pixel_cache.h"
#include "ui/render/pixel_ops.h"
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

// Scaled nine-grids and text runs as drawn, shared by every context of a
// thread (the UI thread): a frame mostly repeats the one before.
constexpr size_t kImageCacheBytes = 32u << 20;
constexpr size_t kTextCacheBytes = 8u << 20;

PixelCache& ImageCache() {
  static thread_local PixelCache cache(kImageCacheBytes);
  return cache;
}

PixelCache& TextCache() {
  static thread_local PixelCache cache(kTextCacheBytes);
  return cache;
}

// Every context by its DC, so that a blend from one into another can read
// the source's pixels. A context may end on another thread than its own.
std::mutex g_contexts_lock;
std::unordered_map<HDC, RenderContext_GdiPlus*>& LiveContexts() {
  static auto* contexts = new std::unordered_map<HDC, RenderContext_GdiPlus*>;
  return *contexts;
}

RenderContext_GdiPlus* LiveContextOf(HDC dc) {
  std::lock_guard<std::mutex> hold(g_contexts_lock);
  auto found = LiveContexts().find(dc);
  return found == LiveContexts().end() ? nullptr : found->second;
}

template <typename T>
void AppendBytes(std::string* key, const T& value) {
  key->append(reinterpret_cast<const char*>(&value), sizeof(value));
}

void AppendRect(std::string* key, const UiRect& rect) {
  for (int32_t v : {rect.left, rect.top, rect.right, rect.bottom}) AppendBytes(key, v);
}

// What a font draws like: its family's name, size, unit and style (a font
// object may be deleted and its address reused for another face).
bool AppendFont(std::string* key, Gdiplus::GpFont* font) {
  Gdiplus::GpFontFamily* family = nullptr;
  if (gp::GdipGetFamily(font, &family) != Gdiplus::Ok || !family) return false;
  WCHAR name[LF_FACESIZE] = {};
  const bool named = gp::GdipGetFamilyName(family, name, LANG_NEUTRAL) == Gdiplus::Ok;
  gp::GdipDeleteFontFamily(family);
  REAL size = 0;
  INT style = 0;
  Gdiplus::Unit unit = Gdiplus::UnitPixel;
  if (!named || gp::GdipGetFontSize(font, &size) != Gdiplus::Ok ||
      gp::GdipGetFontStyle(font, &style) != Gdiplus::Ok ||
      gp::GdipGetFontUnit(font, &unit) != Gdiplus::Ok)
    return false;
  key->append(reinterpret_cast<const char*>(name), wcslen(name) * sizeof(WCHAR) + 2);
  AppendBytes(key, size);
  AppendBytes(key, style);
  AppendBytes(key, unit);
  return true;
}

// Nine-grid pieces overlap when the corners do not fit the destination or
// the source: such a grid is drawn piece by piece.
bool GridPiecesApart(const UiRect& dest, const UiRect& source, const UiRect& corner,
                     const UiRect& dest_corner) {
  for (const UiRect& c : {corner, dest_corner}) {
    if (c.left < 0 || c.top < 0 || c.right < 0 || c.bottom < 0) return false;
  }
  return dest_corner.left + dest_corner.right <= dest.Width() &&
         dest_corner.top + dest_corner.bottom <= dest.Height() &&
         corner.left + corner.right <= source.Width() &&
         corner.top + corner.bottom <= source.Height();
}

}  // namespace

RenderContext_GdiPlus::RenderContext_GdiPlus() {
  HDC screen = ::GetDC(nullptr);
  dc_ = ::CreateCompatibleDC(screen);
  ::ReleaseDC(nullptr, screen);
  if (dc_) {
    std::lock_guard<std::mutex> hold(g_contexts_lock);
    LiveContexts()[dc_] = this;
  }
}

RenderContext_GdiPlus::~RenderContext_GdiPlus() {
  if (dc_) {
    std::lock_guard<std::mutex> hold(g_contexts_lock);
    LiveContexts().erase(dc_);
  }
  if (clip_region_) ::DeleteObject(clip_region_);
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
  // A 1:1 blend from another context's surface goes straight from its
  // pixels into ours.
  RenderContext_GdiPlus* from = src ? LiveContextOf(src) : nullptr;
  if (from && width_dest == width_src && height_dest == height_src) {
    GdiBitmap& bitmap = from->bitmap_;
    POINT origin = {};
    if (bitmap.GetBits() && bitmap.IsTopDown() && x_src >= 0 && y_src >= 0 &&
        width_src > 0 && height_src > 0 && x_src + width_src <= bitmap.GetWidth() &&
        y_src + height_src <= bitmap.GetHeight() && from->PlainMapping(&origin) &&
        origin.x == 0 && origin.y == 0) {
      ::GdiFlush();
      const ptrdiff_t stride = bitmap.GetWidth();
      if (BlendIntoSurface(UiRect{x_dest, y_dest, x_dest + width_dest, y_dest + height_dest},
                           bitmap.GetBits() + y_src * stride + x_src, stride, alpha))
        return true;
    }
  }
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
  const UiRect dest_corner = DpiScale::Instance()->ScaleRect(corner);
  const std::vector<ImagePiece> pieces =
      LayoutNineGrid(paint, dest, source, corner, dest_corner, x_tiled, y_tiled);
  auto own_size = [](const ImagePiece& piece) {
    return piece.dest.Width() == piece.source.Width() &&
           piece.dest.Height() == piece.source.Height();
  };
  if (!std::all_of(pieces.begin(), pieces.end(), own_size) &&
      BlendNineGrid(paint, image, dest, source, corner, dest_corner, x_tiled, y_tiled, fade))
    return;

  auto graphics = MakeGraphics(dc_);
  if (!graphics.get()) return;
  gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeHighQuality);
  for (const ImagePiece& piece : pieces) {
    if (own_size(piece) && BlendImagePart(image, piece.dest, piece.source, fade)) continue;
    DrawImagePartGdiPlus(graphics.get(), image, piece.source, piece.dest, fade);
  }
}

// GDI+ scales a part bilinearly from its premultiplied pixels; ScaleBilinear
// does the same in the process. The whole grid is laid out at the
// destination's size once and kept; later frames only blend it. The entry
// keeps the source pixels it was made from and is made again when they
// differ, so an image changed or freed and replaced at the same address is
// never drawn stale.
bool RenderContext_GdiPlus::BlendNineGrid(const UiRect& paint, Gdiplus::GpImage* image,
                                          const UiRect& dest, const UiRect& source,
                                          const UiRect& corner, const UiRect& dest_corner,
                                          bool x_tiled, bool y_tiled, uint8_t fade) {
  Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
  if (source.IsEmpty() || dest.IsEmpty() ||
      !GridPiecesApart(dest, source, corner, dest_corner) ||
      gp::GdipGetImageType(image, &type) != Gdiplus::Ok || type != Gdiplus::ImageTypeBitmap)
    return false;
  const int32_t width = dest.Width(), height = dest.Height();
  if (static_cast<int64_t>(width) * height > static_cast<int64_t>(kImageCacheBytes / 16)) return false;

  // The pixel after the source's last column and row is read as well where
  // the image has one: GDI+ samples across a part's edge into the image.
  auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
  UINT image_width = 0, image_height = 0;
  if (gp::GdipGetImageWidth(image, &image_width) != Gdiplus::Ok ||
      gp::GdipGetImageHeight(image, &image_height) != Gdiplus::Ok ||
      source.left < 0 || source.top < 0 || source.right > static_cast<int64_t>(image_width) ||
      source.bottom > static_cast<int64_t>(image_height))
    return false;
  const int32_t reach_x = source.right < static_cast<int64_t>(image_width) ? 1 : 0;
  const int32_t reach_y = source.bottom < static_cast<int64_t>(image_height) ? 1 : 0;
  Gdiplus::GpRect part(source.left, source.top, source.Width() + reach_x,
                       source.Height() + reach_y);
  Gdiplus::BitmapData data = {};
  if (gp::GdipBitmapLockBits(bitmap, &part, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB,
                             &data) != Gdiplus::Ok)
    return false;
  const ConstPixelBlock locked{static_cast<const uint32_t*>(data.Scan0), part.Width,
                               part.Height, data.Stride / 4};
  auto same_source = [&locked](const std::vector<uint32_t>& check) {
    if (check.size() != static_cast<size_t>(locked.width) * locked.height) return false;
    for (int32_t y = 0; y < locked.height; ++y) {
      if (std::memcmp(check.data() + static_cast<size_t>(y) * locked.width,
                      locked.pixels + y * locked.stride, static_cast<size_t>(locked.width) * 4))
        return false;
    }
    return true;
  };

  std::string key;
  AppendBytes(&key, image);
  for (const UiRect& r : {source, corner, dest_corner}) AppendRect(&key, r);
  AppendBytes(&key, width);
  AppendBytes(&key, height);
  AppendBytes(&key, static_cast<uint8_t>((x_tiled ? 1 : 0) | (y_tiled ? 2 : 0)));
  PixelCache::Entry* grid = ImageCache().Find(key);
  if (!grid || !same_source(grid->check)) {
    PixelCache::Entry made;
    made.width = width;
    made.height = height;
    made.pixels.assign(static_cast<size_t>(width) * height, 0);
    made.check.resize(static_cast<size_t>(locked.width) * locked.height);
    CopyPixels(locked, {made.check.data(), locked.width, locked.height, locked.width});
    const UiRect local{0, 0, width, height};
    for (const ImagePiece& piece :
         LayoutNineGrid(local, local, source, corner, dest_corner, x_tiled, y_tiled)) {
      const ConstPixelBlock from{
          locked.pixels + (piece.source.top - source.top) * locked.stride +
              (piece.source.left - source.left),
          piece.source.Width(), piece.source.Height(), locked.stride};
      const PixelBlock to{made.pixels.data() + static_cast<ptrdiff_t>(piece.dest.top) * width +
                              piece.dest.left,
                          piece.dest.Width(), piece.dest.Height(), width};
      if (from.width == to.width && from.height == to.height)
        CopyPixels(from, to);
      else
        ScaleBilinear(from, to, piece.source.right < source.right + reach_x ? 1 : 0,
                      piece.source.bottom < source.bottom + reach_y ? 1 : 0);
    }
    grid = ImageCache().Put(key, std::move(made));
  }
  gp::GdipBitmapUnlockBits(bitmap, &data);
  if (!grid) return false;

  // Pieces left out by `paint` stay out; a whole grid goes in one blend.
  const std::vector<ImagePiece> all =
      LayoutNineGrid(dest, dest, source, corner, dest_corner, x_tiled, y_tiled);
  std::vector<ImagePiece> drawn =
      LayoutNineGrid(paint, dest, source, corner, dest_corner, x_tiled, y_tiled);
  if (drawn.size() == all.size()) drawn = {ImagePiece{dest, dest}};
  const uint32_t* pixels = grid->pixels.data();
  auto at = [pixels, &dest, width](const UiRect& d) {
    return pixels + static_cast<ptrdiff_t>(d.top - dest.top) * width + (d.left - dest.left);
  };
  bool direct = true;
  for (const ImagePiece& piece : drawn)
    direct = direct && BlendIntoSurface(piece.dest, at(piece.dest), width, fade);
  if (direct) return true;

  // The clip is not a rectangle: through GDI (each piece again; the direct
  // blends above drew nothing, as a complex clip stops them all).
  uint32_t* bits = Scratch(width, height);
  if (!bits) return false;
  CopyPixels({pixels, width, height, width}, {bits, width, height, scratch_.GetWidth()});
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
  for (const ImagePiece& piece : drawn) {
    const UiRect& d = piece.dest;
    ::AlphaBlend(dc_, d.left, d.top, d.Width(), d.Height(), scratch_dc_, d.left - dest.left,
                 d.top - dest.top, d.Width(), d.Height(), blend);
  }
  return true;
}

bool RenderContext_GdiPlus::PlainMapping(POINT* origin) {
  if (::GetMapMode(dc_) != MM_TEXT) return false;
  if (::GetGraphicsMode(dc_) != GM_COMPATIBLE) {
    XFORM form = {};
    if (!::GetWorldTransform(dc_, &form) || form.eM11 != 1.0f || form.eM12 != 0.0f ||
        form.eM21 != 0.0f || form.eM22 != 1.0f || form.eDx != 0.0f || form.eDy != 0.0f)
      return false;
  }
  POINT window = {}, viewport = {};
  if (!::GetWindowOrgEx(dc_, &window) || !::GetViewportOrgEx(dc_, &viewport)) return false;
  *origin = POINT{window.x - viewport.x, window.y - viewport.y};
  return true;
}

bool RenderContext_GdiPlus::VisiblePart(const UiRect& dest, UiRect* visible, UiPoint* offset) {
  POINT origin = {};
  if (!bitmap_.GetBits() || !PlainMapping(&origin)) return false;
  *offset = UiPoint{-origin.x, -origin.y};
  UiRect area{0, 0, bitmap_.GetWidth(), bitmap_.GetHeight()};
  if (!clip_region_) clip_region_ = ::CreateRectRgn(0, 0, 0, 0);
  const int clipped = clip_region_ ? ::GetClipRgn(dc_, clip_region_) : -1;
  if (clipped < 0) return false;
  if (clipped == 1) {
    RECT box = {};
    const int kind = ::GetRgnBox(clip_region_, &box);
    if (kind == COMPLEXREGION || kind == ERROR) return false;
    area = kind == NULLREGION ? UiRect{} : UiRect::Intersect(area, UiRect{box.left, box.top,
                                                                          box.right, box.bottom});
  }
  UiRect device = dest;
  device.Offset(offset->x, offset->y);
  *visible = UiRect::Intersect(device, area);
  return true;
}

bool RenderContext_GdiPlus::BlendIntoSurface(const UiRect& dest, const uint32_t* source,
                                             ptrdiff_t stride, uint8_t fade) {
  UiRect visible;
  UiPoint offset;
  if (!VisiblePart(dest, &visible, &offset)) return false;
  if (visible.IsEmpty()) return true;
  ::GdiFlush();
  const uint32_t* from = source + static_cast<ptrdiff_t>(visible.top - dest.top - offset.y) * stride +
                         (visible.left - dest.left - offset.x);
  const ptrdiff_t surface_stride = bitmap_.GetWidth();
  BlendPixels({from, visible.Width(), visible.Height(), stride},
              {bitmap_.GetBits() + visible.top * surface_stride + visible.left, visible.Width(),
               visible.Height(), surface_stride},
              fade);
  return true;
}

bool RenderContext_GdiPlus::FillIntoSurface(const UiRect& dest, uint32_t color) {
  UiRect visible;
  UiPoint offset;
  if (!VisiblePart(dest, &visible, &offset)) return false;
  if (visible.IsEmpty()) return true;
  ::GdiFlush();
  const ptrdiff_t surface_stride = bitmap_.GetWidth();
  BlendColor(color, {bitmap_.GetBits() + visible.top * surface_stride + visible.left,
                     visible.Width(), visible.Height(), surface_stride});
  return true;
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
  auto premultiply = [a](uint32_t c) { return (c * a + 127) / 255; };
  const uint32_t premultiplied = (a << 24) | (premultiply((color >> 16) & 0xFF) << 16) |
                                 (premultiply((color >> 8) & 0xFF) << 8) |
                                 premultiply(color & 0xFF);
  if (FillIntoSurface(rect, premultiplied)) return;
  uint32_t* pixel = Scratch(1, 1);
  if (!pixel) return;
  *pixel = premultiplied;
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
  auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
  Gdiplus::GpRect part(source.left, source.top, width, height);
  Gdiplus::BitmapData data = {};
  if (gp::GdipBitmapLockBits(bitmap, &part, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB,
                             &data) != Gdiplus::Ok)
    return false;  // not inside the image
  if (BlendIntoSurface(dest, static_cast<const uint32_t*>(data.Scan0), data.Stride / 4, fade)) {
    gp::GdipBitmapUnlockBits(bitmap, &data);
    return true;
  }
  uint32_t* bits = Scratch(width, height);
  if (!bits) {
    gp::GdipBitmapUnlockBits(bitmap, &data);
    return false;
  }
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

// A one-pixel pen without smoothing covers the rectangle's edge pixels,
// right and bottom included, each once: four solid strips give the same
// pixels without a GDI+ draw (Wine's costs ~0.5 ms; a bordered control has one).
void RenderContext_GdiPlus::DrawRect(const UiRect& rect, int32_t width, uint32_t color) {
  if (width == 1 && rect.Width() > 0 && rect.Height() > 0) {
    const int32_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    FillSolid(UiRect{l, t, r + 1, t + 1}, color);
    FillSolid(UiRect{l, b, r + 1, b + 1}, color);
    FillSolid(UiRect{l, t + 1, l + 1, b}, color);
    FillSolid(UiRect{r, t + 1, r + 1, b}, color);
    return;
  }
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
  Gdiplus::GpFont* font = FontOf(font_id);
  if (!font) return;
  // Text is never drawn fully opaque: GDI+ keeps the partial alpha of its
  // edges that way on a 32-bit surface.
  uint32_t alpha = TruncToInt((color >> 24) / 255.0 * fade);
  if (alpha >= 255) alpha = 254;
  color = WithAlpha(color, alpha);
  if (alpha == 0 || BlendTextRun(rect, text, color, font, style, line_limit)) return;
  DrawString(dc_, rect, text, color, font, style, line_limit);
}

void RenderContext_GdiPlus::DrawString(HDC dc, const UiRect& rect, const std::wstring& text,
                                       uint32_t color, Gdiplus::GpFont* font, uint32_t style,
                                       bool line_limit) {
  auto graphics = MakeGraphics(dc);
  if (TextAntiAliasOn()) {
    gp::GdipSetSmoothingMode(graphics.get(), Gdiplus::SmoothingModeAntiAlias);
    gp::GdipSetTextRenderingHint(graphics.get(), Gdiplus::TextRenderingHintAntiAlias);
  }
  Gdiplus::RectF layout = LayoutOf(rect);
  auto format = MakeTypographicFormat();
  ToGdiplusStringFormat(style, line_limit, format.get());
  ClipToLayout(graphics.get(), rect, style);
  auto brush = MakeSolidBrush(color);
  gp::GdipDrawString(graphics.get(), text.c_str(), static_cast<INT>(text.size()), font,
                     &layout, format.get(), brush.get());
}

// Text clipped to its rectangle is drawn once onto a transparent run of the
// rectangle's size and kept; source-over of that run gives what drawing the
// string over the surface gives (GDI+ blends each ink pixel source-over),
// and costs a blend instead of Wine's ~1 ms per DrawString.
bool RenderContext_GdiPlus::BlendTextRun(const UiRect& rect, const std::wstring& text,
                                         uint32_t color, Gdiplus::GpFont* font, uint32_t style,
                                         bool line_limit) {
  const int32_t width = rect.Width(), height = rect.Height();
  if ((style & DT_NOCLIP) || width <= 0 || height <= 0 ||
      static_cast<int64_t>(width) * height > static_cast<int64_t>(kTextCacheBytes / 16))
    return false;
  std::string key;
  if (!AppendFont(&key, font)) return false;
  AppendBytes(&key, color);
  AppendBytes(&key, style);
  AppendBytes(&key, static_cast<uint8_t>((line_limit ? 1 : 0) | (TextAntiAliasOn() ? 2 : 0)));
  AppendBytes(&key, width);
  AppendBytes(&key, height);
  key.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));

  PixelCache::Entry* run = TextCache().Find(key);
  if (run && BlendIntoSurface(rect, run->pixels.data(), width, 255)) return true;
  uint32_t* bits = Scratch(width, height);
  if (!bits) return false;
  const ptrdiff_t stride = scratch_.GetWidth();
  if (run) {
    CopyPixels({run->pixels.data(), width, height, width}, {bits, width, height, stride});
  } else {
    for (int32_t y = 0; y < height; ++y)
      std::memset(bits + y * stride, 0, static_cast<size_t>(width) * 4);
    DrawString(scratch_dc_, UiRect{0, 0, width, height}, text, color, font, style, line_limit);
    ::GdiFlush();
    PixelCache::Entry made;
    made.width = width;
    made.height = height;
    made.pixels.resize(static_cast<size_t>(width) * height);
    CopyPixels({bits, width, height, stride}, {made.pixels.data(), width, height, width});
    TextCache().Put(key, std::move(made));
  }
  if (BlendIntoSurface(rect, bits, stride, 255)) return true;
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc_, rect.left, rect.top, width, height, scratch_dc_, 0, 0, width, height, blend);
  return true;
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
