// The drawing steps the render context is made of: one image part through
// GDI or GDI+, and DT_* text styles as a GDI+ string format. UI thread only.
#ifndef UI_RENDER_DRAW_HELPERS_H_
#define UI_RENDER_DRAW_HELPERS_H_

#include <windows.h>

#include <cstdint>

#include "ui/render/gdiplus_fwd.h"
#include "ui/util/geometry.h"

namespace ui {

// StretchBlt for an opaque, unfaded part drawn at another size on a surface
// that is not in transparent mode; AlphaBlend of premultiplied pixels times
// fade otherwise.
bool BlitImagePart(HDC dest_dc, bool transparent, const UiRect& dest, HDC source_dc,
                   const UiRect& source, bool alpha_channel, uint8_t fade);

// Draws the source part of the image into dest, its alpha times fade / 255.
void DrawImagePartGdiPlus(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* image,
                          const UiRect& source, const UiRect& dest, uint8_t fade);

// Applies the DT_* ellipsis, no-clip, single-line, alignment and vertical
// alignment bits (and the line limit) to the format; other bits are ignored.
void ToGdiplusStringFormat(uint32_t style, bool line_limit, Gdiplus::GpStringFormat* format);

}  // namespace ui

#endif  // UI_RENDER_DRAW_HELPERS_H_
