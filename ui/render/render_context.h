// IRenderContext: the off-screen surface every window paints its control
// tree into, and the one object every control's paint routine draws with.
// Made by the render factory; owned by its window (or a control's cache).
// Clips and SaveDC push the DC state, ResetClip and RestoreDC pop it: callers
// pair them (AutoClip does so for clips). UI thread only.
#ifndef UI_RENDER_RENDER_CONTEXT_H_
#define UI_RENDER_RENDER_CONTEXT_H_

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/callback/weak_callback.h"
#include "ui/render/brush.h"
#include "ui/render/gdiplus_fwd.h"
#include "ui/render/path.h"
#include "ui/render/pen.h"
#include "ui/render/text_effect.h"
#include "ui/util/geometry.h"

namespace ui {

class IRenderContext : public base::SupportWeakCallback {
 public:
  virtual HDC GetDC() = 0;
  // Replaces the surface; false and no change when the size is the same.
  virtual bool Resize(int32_t width, int32_t height, bool flip_height = true) = 0;
  virtual void Clear() = 0;
  // An independent top-down copy with equal pixels.
  virtual std::unique_ptr<IRenderContext> Clone() = 0;
  // The caller owns the handle; the context is left without a surface.
  virtual HBITMAP DetachBitmap() = 0;
  virtual uint32_t* GetBits() = 0;
  virtual int32_t GetWidth() = 0;
  virtual int32_t GetHeight() = 0;
  virtual void FillRectAlpha(const UiRect& rect, uint8_t value) = 0;
  virtual void RepairAlpha(const UiRect& rect, const UiRect& padding, int32_t alpha) = 0;

  virtual bool GetTransparentMode() = 0;
  // Returns the previous mode. The transparent mode makes DrawImage blend
  // per pixel always.
  virtual bool SetTransparentMode(bool transparent) = 0;

  virtual int32_t SaveDC() = 0;
  virtual bool RestoreDC() = 0;
  // Each returns the origin before the call.
  virtual UiPoint OffsetWindowOrg(const UiPoint& offset) = 0;
  virtual UiPoint SetWindowOrg(const UiPoint& origin) = 0;
  virtual UiPoint GetWindowOrg() = 0;
  virtual void ClipRect(const UiRect& rect) = 0;
  virtual void ClipRoundRect(const UiRect& rect, int32_t width, int32_t height) = 0;
  virtual void ResetClip() = 0;

  virtual bool BitBlt(int32_t x, int32_t y, int32_t cx, int32_t cy, HDC src, int32_t x_src,
                      int32_t y_src, DWORD rop = SRCCOPY) = 0;
  // Per-pixel blend of premultiplied source pixels, times alpha.
  virtual bool AlphaBlend(int32_t x_dest, int32_t y_dest, int32_t width_dest,
                          int32_t height_dest, HDC src, int32_t x_src, int32_t y_src,
                          int32_t width_src, int32_t height_src, uint8_t alpha = 255) = 0;

  // Nine-grid image drawing: corners keep their (DPI-scaled) size, the
  // borders and the middle stretch or tile. Pieces outside `paint` are skipped.
  virtual void DrawImage(const UiRect& paint, HBITMAP bitmap, bool alpha_channel,
                         const UiRect& dest, const UiRect& source, const UiRect& corner,
                         uint8_t fade = 255, bool x_tiled = false, bool y_tiled = false) = 0;
  virtual void DrawImageGdiPlus(const UiRect& paint, Gdiplus::GpImage* image,
                                const UiRect& dest, const UiRect& source, const UiRect& corner,
                                uint8_t fade = 255, bool x_tiled = false,
                                bool y_tiled = false) = 0;

  virtual void FillRectNamed(const UiRect& rect, const std::wstring& color_name,
                             uint8_t fade = 255) = 0;
  virtual void FillRect(const UiRect& rect, uint32_t color, uint8_t fade = 255) = 0;
  virtual void DrawLineWithPen(IPen* pen, int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  // A line from (left, top) to (right, bottom).
  virtual void DrawLine(const UiRect& rect, int32_t width, uint32_t color) = 0;
  virtual void DrawBezier(IPen* pen, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                          int32_t x3, int32_t y3, int32_t x4, int32_t y4) = 0;
  virtual void DrawRect(const UiRect& rect, int32_t width, uint32_t color) = 0;
  virtual void DrawRoundRect(const UiRect& rect, const UiSize& round, int32_t width,
                             uint32_t color) = 0;
  // style: DT_* flags. Text is drawn with alpha 254 at most.
  virtual void DrawText(const UiRect& rect, const std::wstring& text, uint32_t color,
                        const std::wstring& font_id, uint32_t style, uint8_t fade = 255,
                        bool line_limit = false) = 0;
  virtual void DrawTextWithEffect(const UiRect& rect, const std::wstring& text,
                                  uint32_t color, const std::wstring& font_id, uint32_t style,
                                  ITextEffect* effect, bool line_limit = false) = 0;
  virtual void DrawEllipse(const UiRect& rect, int32_t width, uint32_t color) = 0;
  virtual void FillEllipse(const UiRect& rect, uint32_t color) = 0;
  // width -1: no limit. (0, 0, 1, 1) when the font is unknown.
  virtual UiRect MeasureText(const std::wstring& text, const std::wstring& font_id,
                             uint32_t style, int32_t width = -1) = 0;
  virtual void DrawPath(IPath* path, IPen* pen) = 0;
  virtual void FillPath(IPath* path, IBrush* brush) = 0;
};

}  // namespace ui

#endif  // UI_RENDER_RENDER_CONTEXT_H_
