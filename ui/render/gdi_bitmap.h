// GdiBitmap: the DIB section behind a render context (see IBitmap). Owns the
// section and deletes it on destruction unless detached. UI thread only.
#ifndef UI_RENDER_GDI_BITMAP_H_
#define UI_RENDER_GDI_BITMAP_H_

#include "ui/render/bitmap.h"

namespace ui {

class GdiBitmap : public IBitmap {
 public:
  GdiBitmap() = default;
  ~GdiBitmap() override;
  GdiBitmap(const GdiBitmap&) = delete;
  GdiBitmap& operator=(const GdiBitmap&) = delete;

  bool Init(HDC hdc, int32_t width, int32_t height, bool flip_height) override;
  void Clear() override;
  HBITMAP DetachBitmap() override;
  HBITMAP GetBitmap() override { return bitmap_; }
  uint32_t* GetBits() override { return bits_; }
  int32_t GetWidth() override { return width_; }
  int32_t GetHeight() override { return height_; }
  void FillRectAlpha(const UiRect& rect, uint8_t value) override;
  void RepairAlpha(const UiRect& rect, const UiRect& padding, int32_t alpha) override;

 private:
  void CleanUp();
  // rect clamped to the bitmap; empty when nothing of it is inside.
  UiRect ClampToBitmap(const UiRect& rect) const;

  HBITMAP bitmap_ = nullptr;
  uint32_t* bits_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace ui

#endif  // UI_RENDER_GDI_BITMAP_H_
