#include "ui/render/render_test_support.h"

#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

namespace gp = Gdiplus::DllExports;

namespace ui_test {
namespace {

// GDI+ for the whole binary, as the launcher starts it at start-up.
class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token_, &input, nullptr), Gdiplus::Ok);
  }
  void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

 private:
  ULONG_PTR token_ = 0;
};

::testing::Environment* const g_gdiplus =
    ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

}  // namespace

TestResources::TestResources() {
  if (gp::GdipCreateFontFamilyFromName(kFace, nullptr, &family_) == Gdiplus::Ok)
    gp::GdipCreateFont(family_, 16, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &font_);
}

TestResources::~TestResources() {
  if (font_) gp::GdipDeleteFont(font_);
  if (family_) gp::GdipDeleteFontFamily(family_);
}

Gdiplus::GpFont* TestResources::GetGdiplusFont(const std::wstring& font_id) {
  ++font_lookups;
  return (font_id.empty() || font_id == L"body") ? font_ : nullptr;
}

uint32_t TestResources::GetColor(const std::wstring& name) {
  auto it = colors.find(name);
  return it == colors.end() ? 0 : it->second;
}

uint32_t PixelAt(ui::IRenderContext* context, int x, int y) {
  return context->GetBits()[static_cast<size_t>(y) * context->GetWidth() + x];
}

uint8_t AlphaAt(ui::IRenderContext* context, int x, int y) {
  return static_cast<uint8_t>(PixelAt(context, x, y) >> 24);
}

int CountPixels(ui::IRenderContext* context, const ui::UiRect& rect,
                const std::function<bool(uint32_t)>& pred) {
  ui::UiRect r = ui::UiRect::Intersect(
      rect, ui::UiRect{0, 0, context->GetWidth(), context->GetHeight()});
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += pred(PixelAt(context, x, y)) ? 1 : 0;
  return n;
}

int CountPixelsOutside(ui::IRenderContext* context, const ui::UiRect& rect,
                       const std::function<bool(uint32_t)>& pred) {
  ui::UiRect all{0, 0, context->GetWidth(), context->GetHeight()};
  return CountPixels(context, all, pred) - CountPixels(context, rect, pred);
}

Gdiplus::GpImage* MakeImage(int w, int h, const std::function<uint32_t(int, int)>& color) {
  Gdiplus::GpBitmap* image = nullptr;
  gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &image);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(image, x, y, color(x, y));
  return image;
}

void DeleteImage(Gdiplus::GpImage* image) {
  if (image) gp::GdipDisposeImage(image);
}

HBITMAP MakeDib(int w, int h, const std::function<uint32_t(int, int)>& color) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* p = static_cast<uint32_t*>(bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p[y * w + x] = color(x, y);
  return dib;
}

int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

}  // namespace ui_test
