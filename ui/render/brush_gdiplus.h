// Brush_Gdiplus: IBrush over a GDI+ solid brush or texture brush it owns
// (one of the two). UI thread only.
#ifndef UI_RENDER_BRUSH_GDIPLUS_H_
#define UI_RENDER_BRUSH_GDIPLUS_H_

#include <windows.h>

#include "ui/render/brush.h"

namespace Gdiplus {
class GpBrush;
}  // namespace Gdiplus

namespace ui {

class Brush_Gdiplus : public IBrush {
 public:
  static std::unique_ptr<Brush_Gdiplus> MakeSolid(uint32_t color);
  // A texture of the bitmap's pixels; without a usable texture when GDI+
  // cannot read the handle.
  static std::unique_ptr<Brush_Gdiplus> MakeBitmap(HBITMAP bitmap);
  ~Brush_Gdiplus() override;
  Brush_Gdiplus(const Brush_Gdiplus&) = delete;
  Brush_Gdiplus& operator=(const Brush_Gdiplus&) = delete;

  std::unique_ptr<IBrush> Clone() override;

  Gdiplus::GpBrush* GetSolidBrush() const { return solid_; }
  Gdiplus::GpBrush* GetTextureBrush() const { return texture_; }

 private:
  Brush_Gdiplus(uint32_t color, Gdiplus::GpBrush* solid, Gdiplus::GpBrush* texture);

  Gdiplus::GpBrush* solid_ = nullptr;
  Gdiplus::GpBrush* texture_ = nullptr;
};

}  // namespace ui

#endif  // UI_RENDER_BRUSH_GDIPLUS_H_
