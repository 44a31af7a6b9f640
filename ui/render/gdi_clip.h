// GdiClip: the region clips of a render context (see IClip). UI thread only.
#ifndef UI_RENDER_GDI_CLIP_H_
#define UI_RENDER_GDI_CLIP_H_

#include "ui/render/clip.h"

namespace ui {

class GdiClip : public IClip {
 public:
  void ApplyRectClip(HDC hdc, const UiRect& rect) override;
  void ApplyRoundRectClip(HDC hdc, const UiRect& rect, int32_t width,
                          int32_t height) override;
  void RemoveClip(HDC hdc) override;
};

}  // namespace ui

#endif  // UI_RENDER_GDI_CLIP_H_
