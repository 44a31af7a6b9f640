// IBrush: a solid or bitmap (texture) brush made by the render factory.
// Owned by whoever asked the factory for it. UI thread only.
#ifndef UI_RENDER_BRUSH_H_
#define UI_RENDER_BRUSH_H_

#include <cstdint>
#include <memory>

#include "base/callback/weak_callback.h"
#include "ui/render/bitmap.h"

namespace ui {

class IBrush : public base::SupportWeakCallback {
 public:
  explicit IBrush(uint32_t color) : color_(color) {}

  virtual std::unique_ptr<IBrush> Clone() = 0;
  // 0 for a bitmap brush.
  virtual uint32_t GetColor() { return color_; }
  // No brush this program makes has one.
  virtual IBitmap* GetBitmap() { return bitmap_.get(); }

 protected:
  uint32_t color_ = 0;
  std::unique_ptr<IBitmap> bitmap_;
};

}  // namespace ui

#endif  // UI_RENDER_BRUSH_H_
