// TextEffect_GdiPlus: draws a label's text as a GDI+ path, stroked by a
// stack of glow pens and filled with a gradient or the text colour. With a
// letter spacing the text is laid out unit by unit, where a unit is what
// must not be torn apart: letters that join in Arabic writing, and a Thai
// character with the marks written over or under it.
//
// Owned by its label. UI thread only.
#ifndef UI_RENDER_TEXT_EFFECT_GDIPLUS_H_
#define UI_RENDER_TEXT_EFFECT_GDIPLUS_H_

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/render/text_effect.h"
#include "ui/render/text_units.h"

namespace ui {

class TextEffect_GdiPlus : public ITextEffect {
 public:
  // A skin's pen count is held to this many pens.
  static constexpr int32_t kMaxGlowPens = 64;

  void SetGradient(uint32_t color1, uint32_t color2, float ratio_x, float ratio_y) override;
  void SetGlow(uint32_t color1, uint32_t color2, int32_t count, bool gradient) override;
  void SetLetterSpacing(int32_t spacing) override { letter_spacing_ = spacing; }
  int32_t GetLetterSpacing() override { return letter_spacing_; }
  void DrawText(const UiRect& rect, const std::wstring& text, uint32_t color,
                Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                Gdiplus::GpStringFormat* format) override;

 private:
  // Adds the text to the path unit by unit, letter_spacing_ apart.
  void AddSpacedUnits(Gdiplus::GpPath* path, const UiRect& rect, const std::wstring& text,
                      Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                      Gdiplus::GpStringFormat* format);

  bool glow_ = false;
  std::vector<uint32_t> glow_colors_;
  bool gradient_ = false;
  uint32_t gradient_color1_ = 0;
  uint32_t gradient_color2_ = 0;
  float gradient_ratio_x_ = 0.3f;
  float gradient_ratio_y_ = 0.3f;
  int32_t space_width_ = -1;  // measured on the first spaced drawing
  int32_t letter_spacing_ = 0;
  std::wstring cached_text_;
  TextUnitLines lines_;
};

// The width one space adds between two letters, at least 1.
int32_t MeasureSpaceWidth(Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                          Gdiplus::GpStringFormat* format);
// The glow pens' colours, narrowest first: halves of the two colours, or a
// gradient between them read off a count x 1 bitmap (alpha forced opaque).
std::vector<uint32_t> BuildGlowColors(uint32_t color1, uint32_t color2, int32_t count,
                                      bool gradient);

}  // namespace ui

#endif  // UI_RENDER_TEXT_EFFECT_GDIPLUS_H_
