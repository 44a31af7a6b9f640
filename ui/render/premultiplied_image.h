// PremultipliedImage: a GDI copy of a GDI+ bitmap's premultiplied pixels,
// selected into a DC of its own, so that the parts of the image drawn at
// their own size can go through AlphaBlend: the same pixels GDI+ draws 1:1,
// for a fraction of the cost of a GDI+ draw under Wine. Lives for one
// drawing call. UI thread only.
#ifndef UI_RENDER_PREMULTIPLIED_IMAGE_H_
#define UI_RENDER_PREMULTIPLIED_IMAGE_H_

#include <windows.h>

#include "ui/render/gdiplus_fwd.h"
#include "ui/util/geometry.h"

namespace ui {

class PremultipliedImage {
 public:
  // Not valid for an image that is not a bitmap, or when a step fails.
  PremultipliedImage(Gdiplus::GpImage* image, HDC compatible);
  ~PremultipliedImage();
  PremultipliedImage(const PremultipliedImage&) = delete;
  PremultipliedImage& operator=(const PremultipliedImage&) = delete;

  bool IsValid() const { return dc_ != nullptr; }
  // Source-over of the source part, times fade, on dest (same size).
  bool Blend(HDC target, const UiRect& dest, const UiRect& source, uint8_t fade) const;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace ui

#endif  // UI_RENDER_PREMULTIPLIED_IMAGE_H_
