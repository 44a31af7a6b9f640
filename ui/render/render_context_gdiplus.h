// RenderContext_GdiPlus: the render context over a GDI memory DC with a
// 32-bit DIB section selected into it. Images go through GDI or GDI+,
// colours, lines, shapes, paths and text through GDI+; each GDI+ operation
// makes its Graphics on the DC for the call, so it sees the DC's clip and
// window origin as they stand. Owns the DC and the section. UI thread only.
#ifndef UI_RENDER_RENDER_CONTEXT_GDIPLUS_H_
#define UI_RENDER_RENDER_CONTEXT_GDIPLUS_H_

#include "ui/render/gdi_bitmap.h"
#include "ui/render/gdi_clip.h"
#include "ui/render/render_context.h"

namespace ui {

class RenderContext_GdiPlus : public IRenderContext {
 public:
  RenderContext_GdiPlus();
  ~RenderContext_GdiPlus() override;
  RenderContext_GdiPlus(const RenderContext_GdiPlus&) = delete;
  RenderContext_GdiPlus& operator=(const RenderContext_GdiPlus&) = delete;

  HDC GetDC() override { return dc_; }
  bool Resize(int32_t width, int32_t height, bool flip_height = true) override;
  void Clear() override { bitmap_.Clear(); }
  std::unique_ptr<IRenderContext> Clone() override;
  HBITMAP DetachBitmap() override;
  uint32_t* GetBits() override { return bitmap_.GetBits(); }
  int32_t GetWidth() override { return bitmap_.GetWidth(); }
  int32_t GetHeight() override { return bitmap_.GetHeight(); }
  void FillRectAlpha(const UiRect& rect, uint8_t value) override;
  void RepairAlpha(const UiRect& rect, const UiRect& padding, int32_t alpha) override;

  bool GetTransparentMode() override { return transparent_; }
  bool SetTransparentMode(bool transparent) override;

  int32_t SaveDC() override;
  bool RestoreDC() override;
  UiPoint OffsetWindowOrg(const UiPoint& offset) override;
  UiPoint SetWindowOrg(const UiPoint& origin) override;
  UiPoint GetWindowOrg() override;
  void ClipRect(const UiRect& rect) override;
  void ClipRoundRect(const UiRect& rect, int32_t width, int32_t height) override;
  void ResetClip() override;

  bool BitBlt(int32_t x, int32_t y, int32_t cx, int32_t cy, HDC src, int32_t x_src,
              int32_t y_src, DWORD rop = SRCCOPY) override;
  bool AlphaBlend(int32_t x_dest, int32_t y_dest, int32_t width_dest, int32_t height_dest,
                  HDC src, int32_t x_src, int32_t y_src, int32_t width_src, int32_t height_src,
                  uint8_t alpha = 255) override;
  void DrawImage(const UiRect& paint, HBITMAP bitmap, bool alpha_channel, const UiRect& dest,
                 const UiRect& source, const UiRect& corner, uint8_t fade = 255,
                 bool x_tiled = false, bool y_tiled = false) override;
  void DrawImageGdiPlus(const UiRect& paint, Gdiplus::GpImage* image, const UiRect& dest,
                        const UiRect& source, const UiRect& corner, uint8_t fade = 255,
                        bool x_tiled = false, bool y_tiled = false) override;

  void FillRectNamed(const UiRect& rect, const std::wstring& color_name,
                     uint8_t fade = 255) override;
  void FillRect(const UiRect& rect, uint32_t color, uint8_t fade = 255) override;
  void DrawLineWithPen(IPen* pen, int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void DrawLine(const UiRect& rect, int32_t width, uint32_t color) override;
  void DrawBezier(IPen* pen, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                  int32_t y3, int32_t x4, int32_t y4) override;
  void DrawRect(const UiRect& rect, int32_t width, uint32_t color) override;
  void DrawRoundRect(const UiRect& rect, const UiSize& round, int32_t width,
                     uint32_t color) override;
  void DrawText(const UiRect& rect, const std::wstring& text, uint32_t color,
                const std::wstring& font_id, uint32_t style, uint8_t fade = 255,
                bool line_limit = false) override;
  void DrawTextWithEffect(const UiRect& rect, const std::wstring& text, uint32_t color,
                          const std::wstring& font_id, uint32_t style, ITextEffect* effect,
                          bool line_limit = false) override;
  void DrawEllipse(const UiRect& rect, int32_t width, uint32_t color) override;
  void FillEllipse(const UiRect& rect, uint32_t color) override;
  UiRect MeasureText(const std::wstring& text, const std::wstring& font_id, uint32_t style,
                     int32_t width = -1) override;
  void DrawPath(IPath* path, IPen* pen) override;
  void FillPath(IPath* path, IBrush* brush) override;

 private:
  // Source-over of one premultiplied colour on rect, through AlphaBlend.
  void FillSolid(const UiRect& rect, uint32_t color);
  // Source-over of a bitmap's part at its own size, times fade, through
  // AlphaBlend; false (nothing drawn) when the image is no bitmap or the
  // part does not lie in it.
  bool BlendImagePart(Gdiplus::GpImage* image, const UiRect& dest, const UiRect& source,
                      uint8_t fade);
  // Pixels of a scratch surface of at least width x height, selected into
  // scratch_dc_ (rows scratch_.GetWidth() apart); null on failure.
  uint32_t* Scratch(int32_t width, int32_t height);

  HDC dc_ = nullptr;
  int32_t saved_dc_ = 0;
  HGDIOBJ old_bitmap_ = nullptr;
  bool transparent_ = false;
  GdiClip clip_;
  GdiBitmap bitmap_;
  // Where fills and image parts are put before they are blended; grows to
  // the largest part, made on first use.
  HDC scratch_dc_ = nullptr;
  HGDIOBJ scratch_old_ = nullptr;
  GdiBitmap scratch_;
};

}  // namespace ui

#endif  // UI_RENDER_RENDER_CONTEXT_GDIPLUS_H_
