// IClip: rectangular and rounded clips on a device context. Each apply saves
// the DC state and is undone by exactly one RemoveClip. Rectangles are in
// logical units (the DC's window origin is taken off). UI thread only.
#ifndef UI_RENDER_CLIP_H_
#define UI_RENDER_CLIP_H_

#include <windows.h>

#include <cstdint>

#include "base/callback/weak_callback.h"
#include "ui/util/geometry.h"

namespace ui {

class IClip : public base::SupportWeakCallback {
 public:
  virtual void ApplyRectClip(HDC hdc, const UiRect& rect) = 0;
  virtual void ApplyRoundRectClip(HDC hdc, const UiRect& rect, int32_t width,
                                  int32_t height) = 0;
  virtual void RemoveClip(HDC hdc) = 0;
};

}  // namespace ui

#endif  // UI_RENDER_CLIP_H_
