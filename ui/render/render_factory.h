// IRenderFactory: where the framework gets its pens, brushes, matrices,
// paths, bitmaps, render contexts and text effects; every result belongs to
// the caller. One factory lives for the whole process. UI thread only.
#ifndef UI_RENDER_RENDER_FACTORY_H_
#define UI_RENDER_RENDER_FACTORY_H_

#include <windows.h>

#include <cstdint>
#include <memory>

#include "ui/render/bitmap.h"
#include "ui/render/brush.h"
#include "ui/render/matrix.h"
#include "ui/render/path.h"
#include "ui/render/pen.h"
#include "ui/render/render_context.h"
#include "ui/render/text_effect.h"

namespace ui {

class IRenderFactory {
 public:
  virtual ~IRenderFactory() = default;
  virtual std::unique_ptr<IPen> CreatePen(uint32_t color, int32_t width = 1) = 0;
  virtual std::unique_ptr<IBrush> CreateBitmapBrush(HBITMAP bitmap) = 0;
  virtual std::unique_ptr<IBrush> CreateSolidBrush(uint32_t color) = 0;
  virtual std::unique_ptr<IMatrix> CreateMatrix() = 0;
  virtual std::unique_ptr<IPath> CreatePath() = 0;
  virtual std::unique_ptr<IBitmap> CreateBitmap() = 0;
  virtual std::unique_ptr<IRenderContext> CreateRenderContext() = 0;
  virtual std::unique_ptr<ITextEffect> CreateTextEffect() = 0;
};

}  // namespace ui

#endif  // UI_RENDER_RENDER_FACTORY_H_
