// ITextEffect: draws text with an effect (gradient, glow) on a GDI+ graphics
// the render context prepared. Owned by the control that uses it. UI thread.
#ifndef UI_RENDER_TEXT_EFFECT_H_
#define UI_RENDER_TEXT_EFFECT_H_

#include <cstdint>
#include <string>

#include "base/callback/weak_callback.h"
#include "ui/render/gdiplus_fwd.h"
#include "ui/util/geometry.h"

namespace ui {

class ITextEffect : public base::SupportWeakCallback {
 public:
  // The settings a label hands over; an effect ignores what it does not draw.
  // A gradient fill of the glyphs from colour 1 to colour 2.
  virtual void SetGradient(uint32_t color1, uint32_t color2, float ratio_x, float ratio_y) {}
  // A glow of `count` pens round the glyphs.
  virtual void SetGlow(uint32_t color1, uint32_t color2, int32_t count, bool gradient) {}
  // Extra pixels between characters (labels add them to their auto width).
  virtual void SetLetterSpacing(int32_t spacing) {}
  virtual int32_t GetLetterSpacing() { return 0; }
  virtual void DrawText(const UiRect& rect, const std::wstring& text, uint32_t color,
                        Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                        Gdiplus::GpStringFormat* format) = 0;
};

}  // namespace ui

#endif  // UI_RENDER_TEXT_EFFECT_H_
