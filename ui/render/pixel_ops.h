// Pixel work on premultiplied 32-bit ARGB rows, done in the process instead
// of through GDI+: Wine's GDI+ costs a fixed ~0.3 ms per image draw plus far
// more per pixel than these loops. Pure functions, any thread.
#ifndef UI_RENDER_PIXEL_OPS_H_
#define UI_RENDER_PIXEL_OPS_H_

#include <cstddef>
#include <cstdint>

namespace ui {

// A block of pixels: `stride` pixels from one row to the next.
struct PixelBlock {
  uint32_t* pixels;
  int32_t width;
  int32_t height;
  ptrdiff_t stride;
};
struct ConstPixelBlock {
  const uint32_t* pixels;
  int32_t width;
  int32_t height;
  ptrdiff_t stride;
};

// Scales `source` onto all of `dest` by bilinear filtering of premultiplied
// pixels, sampled as GDI+'s default (bilinear, no pixel offset) does:
// destination pixel x reads source x * source.width / dest.width and the
// pixel after it. That pixel may lie past the block's last column (row) when
// `reach_x` (`reach_y`) is 1: the image goes on there, and GDI+ reads it
// too. Past the reach the last column (row) repeats, as GDI+'s flipped wrap
// does at the image's edge. Nothing happens when either block is empty.
void ScaleBilinear(const ConstPixelBlock& source, const PixelBlock& dest, int32_t reach_x = 0,
                   int32_t reach_y = 0);

// Copies `source` into `dest` (the smaller of the two sizes).
void CopyPixels(const ConstPixelBlock& source, const PixelBlock& dest);

// Source-over of `source` times fade / 255 onto `dest` (the smaller of the
// two sizes), as AlphaBlend with AC_SRC_ALPHA does it.
void BlendPixels(const ConstPixelBlock& source, const PixelBlock& dest, uint8_t fade);
// Source-over of one premultiplied colour onto all of `dest`.
void BlendColor(uint32_t color, const PixelBlock& dest);

}  // namespace ui

#endif  // UI_RENDER_PIXEL_OPS_H_
