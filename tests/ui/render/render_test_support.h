// What the render tests share: GDI+ started once per test binary, a font
// table with one installed face, and pixel readers for a context's surface.
#ifndef TESTS_UI_RENDER_RENDER_TEST_SUPPORT_H_
#define TESTS_UI_RENDER_RENDER_TEST_SUPPORT_H_

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "ui/render/render_context.h"
#include "ui/render/render_resources.h"
#include "ui/util/geometry.h"

namespace Gdiplus {
class GpFontFamily;
class GpImage;
}  // namespace Gdiplus

namespace ui_test {

constexpr wchar_t kFace[] = L"DejaVu Sans";

// Fonts by id ("" and "body": DejaVu Sans 16 px), a colour table, and a
// count of font look-ups.
class TestResources : public ui::IRenderResources {
 public:
  TestResources();
  ~TestResources() override;
  Gdiplus::GpFont* GetGdiplusFont(const std::wstring& font_id) override;
  uint32_t GetColor(const std::wstring& name) override;
  bool TextAntiAlias() override { return true; }

  std::map<std::wstring, uint32_t> colors;
  int font_lookups = 0;

 private:
  Gdiplus::GpFontFamily* family_ = nullptr;
  Gdiplus::GpFont* font_ = nullptr;
};

// Installs TestResources for the life of a test.
class ScopedTestResources {
 public:
  ScopedTestResources() : previous_(ui::SetRenderResources(&resources)) {}
  ~ScopedTestResources() { ui::SetRenderResources(previous_); }
  TestResources resources;

 private:
  ui::IRenderResources* previous_;
};

// The pixel as 0xAARRGGBB (premultiplied, as stored).
uint32_t PixelAt(ui::IRenderContext* context, int x, int y);
uint8_t AlphaAt(ui::IRenderContext* context, int x, int y);
// Pixels in rect (clamped to the surface) for which pred is true.
int CountPixels(ui::IRenderContext* context, const ui::UiRect& rect,
                const std::function<bool(uint32_t)>& pred);
// Pixels outside rect for which pred is true.
int CountPixelsOutside(ui::IRenderContext* context, const ui::UiRect& rect,
                       const std::function<bool(uint32_t)>& pred);

// A w x h GDI+ bitmap (32bpp ARGB) whose pixel (x, y) is color(x, y).
Gdiplus::GpImage* MakeImage(int w, int h, const std::function<uint32_t(int, int)>& color);
void DeleteImage(Gdiplus::GpImage* image);
// A top-down 32-bit DIB section with premultiplied pixels color(x, y).
HBITMAP MakeDib(int w, int h, const std::function<uint32_t(int, int)>& color);

// The logical DPI of the screen this process sees (96, or 144 in the
// high-DPI prefix).
int ScreenDpi();

}  // namespace ui_test

#endif  // TESTS_UI_RENDER_RENDER_TEST_SUPPORT_H_
