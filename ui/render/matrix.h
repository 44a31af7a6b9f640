// IMatrix: a 2-D transform for paths. Every operation is prepended.
// Owned by whoever asked the factory for it. UI thread only.
#ifndef UI_RENDER_MATRIX_H_
#define UI_RENDER_MATRIX_H_

#include <cstdint>

#include "base/callback/weak_callback.h"
#include "ui/util/geometry.h"

namespace ui {

class IMatrix : public base::SupportWeakCallback {
 public:
  virtual void Translate(int32_t dx, int32_t dy) = 0;
  virtual void Scale(int32_t sx, int32_t sy) = 0;
  virtual void Rotate(float angle) = 0;  // degrees
  virtual void RotateAt(float angle, const UiPoint& center) = 0;
};

}  // namespace ui

#endif  // UI_RENDER_MATRIX_H_
