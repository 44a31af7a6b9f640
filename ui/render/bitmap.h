// IBitmap: a 32-bit DIB section a render context draws into. Pixels are
// 4 bytes in B, G, R, A order (premultiplied ARGB as GDI+ writes it), rows
// top-down when made flipped. The bitmap owns its section until detached.
// UI thread only.
#ifndef UI_RENDER_BITMAP_H_
#define UI_RENDER_BITMAP_H_

#include <windows.h>

#include <cstdint>

#include "base/callback/weak_callback.h"
#include "ui/util/geometry.h"

namespace ui {

class IBitmap : public base::SupportWeakCallback {
 public:
  // Replaces the section; false (and no pixels) for a null DC, a size of 0
  // or less, or a failed creation.
  virtual bool Init(HDC hdc, int32_t width, int32_t height, bool flip_height) = 0;
  virtual void Clear() = 0;
  // Hands the section to the caller; the bitmap is left empty.
  virtual HBITMAP DetachBitmap() = 0;
  virtual HBITMAP GetBitmap() = 0;
  virtual uint32_t* GetBits() = 0;
  virtual int32_t GetWidth() = 0;
  virtual int32_t GetHeight() = 0;
  // Sets all four bytes of every pixel in rect (clamped to the bitmap).
  virtual void FillRectAlpha(const UiRect& rect, uint8_t value) = 0;
  // In rect, outside the four padding corner squares: alpha == `alpha`
  // (non-zero) becomes 0, any other alpha 255.
  virtual void RepairAlpha(const UiRect& rect, const UiRect& padding, int32_t alpha) = 0;
};

}  // namespace ui

#endif  // UI_RENDER_BITMAP_H_
