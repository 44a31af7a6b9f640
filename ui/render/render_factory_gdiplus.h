// RenderFactory_GdiPlus: the process's render factory, making the GDI+
// primitives and the GDI+ render context. Kept by the global resources for
// the life of the process; GDI+ must be started before its products draw.
// UI thread only.
#ifndef UI_RENDER_RENDER_FACTORY_GDIPLUS_H_
#define UI_RENDER_RENDER_FACTORY_GDIPLUS_H_

#include "ui/render/render_factory.h"

namespace ui {

class RenderFactory_GdiPlus : public IRenderFactory {
 public:
  std::unique_ptr<IPen> CreatePen(uint32_t color, int32_t width = 1) override;
  std::unique_ptr<IBrush> CreateBitmapBrush(HBITMAP bitmap) override;
  std::unique_ptr<IBrush> CreateSolidBrush(uint32_t color) override;
  std::unique_ptr<IMatrix> CreateMatrix() override;
  std::unique_ptr<IPath> CreatePath() override;
  std::unique_ptr<IBitmap> CreateBitmap() override;
  std::unique_ptr<IRenderContext> CreateRenderContext() override;
  // Null until the text effect is part of the framework.
  std::unique_ptr<ITextEffect> CreateTextEffect() override;
};

}  // namespace ui

#endif  // UI_RENDER_RENDER_FACTORY_GDIPLUS_H_
