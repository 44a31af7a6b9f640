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
  virtual void DrawText(const UiRect& rect, const std::wstring& text, uint32_t color,
                        Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                        Gdiplus::GpStringFormat* format) = 0;
};

}  // namespace ui

#endif  // UI_RENDER_TEXT_EFFECT_H_
