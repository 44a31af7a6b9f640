// What the drawing code relies on from GDI, GDI+ and AlphaBlend on a 32-bit
// memory surface, checked where the launcher runs.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "ui/render/draw_helpers.h"
#include "ui/render/render_context_gdiplus.h"
#include "ui/render/render_test_support.h"

namespace gp = Gdiplus::DllExports;

namespace ui_test {
namespace {

std::unique_ptr<ui::IRenderContext> MakeContext(int w, int h) {
  auto context = std::make_unique<ui::RenderContext_GdiPlus>();
  context->Resize(w, h);
  return context;
}

void GdiplusFill(HDC dc, uint32_t color, float x, float y, float w, float h) {
  Gdiplus::GpGraphics* g = nullptr;
  gp::GdipCreateFromHDC(dc, &g);
  Gdiplus::GpSolidFill* brush = nullptr;
  gp::GdipCreateSolidFill(color, &brush);
  gp::GdipFillRectangle(g, brush, x, y, w, h);
  gp::GdipDeleteBrush(brush);
  gp::GdipDeleteGraphics(g);
}

// A Graphics takes the DC's clip and window origin in force when it is made;
// the render context makes one per call for that reason.
TEST(WineProbe, GdiplusOnMemoryDcTakesClipAndOriginAtCreation) {
  auto context = MakeContext(40, 40);
  HDC dc = context->GetDC();
  ::SetWindowOrgEx(dc, -10, -10, nullptr);  // logical (0,0) is device (10,10)
  ::IntersectClipRect(dc, 0, 0, 10, 10);    // device (10,10)-(20,20)
  GdiplusFill(dc, 0xFFFF0000, -10, -10, 40, 40);
  EXPECT_EQ(PixelAt(context.get(), 10, 10), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(context.get(), 19, 19), 0xFFFF0000u);
  EXPECT_EQ(CountPixelsOutside(context.get(), {10, 10, 20, 20}, [](uint32_t p) { return p; }), 0);

  // A Graphics made before a DC change does not see it.
  context->Clear();
  ::SelectClipRgn(dc, nullptr);
  ::SetWindowOrgEx(dc, 0, 0, nullptr);
  Gdiplus::GpGraphics* g = nullptr;
  gp::GdipCreateFromHDC(dc, &g);
  ::IntersectClipRect(dc, 0, 0, 5, 5);
  Gdiplus::GpSolidFill* brush = nullptr;
  gp::GdipCreateSolidFill(0xFF00FF00, &brush);
  gp::GdipFillRectangle(g, brush, 0, 0, 40, 40);
  gp::GdipDeleteBrush(brush);
  gp::GdipDeleteGraphics(g);
  EXPECT_EQ(PixelAt(context.get(), 30, 30), 0xFF00FF00u);
}

// GDI+ writes premultiplied ARGB: what a layered window wants.
TEST(WineProbe, GdiplusFillsLeavePremultipliedAlpha) {
  struct Case {
    uint32_t under, color, expected;
  } cases[] = {
      {0x00000000, 0xFFFF0000, 0xFFFF0000},
      {0x00000000, 0x80FF0000, 0x80800000},
      {0xFF0000FF, 0x80FF0000, 0xFF80007F},
  };
  for (const Case& c : cases) {
    auto context = MakeContext(8, 8);
    if (c.under) GdiplusFill(context->GetDC(), c.under, 0, 0, 8, 8);
    GdiplusFill(context->GetDC(), c.color, 0, 0, 8, 8);
    uint32_t p = PixelAt(context.get(), 4, 4);
    SCOPED_TRACE(testing::Message() << std::hex << c.color << " over " << c.under);
    EXPECT_EQ(p >> 24, c.expected >> 24);
    for (int shift : {16, 8, 0})
      EXPECT_NEAR((p >> shift) & 0xFF, (c.expected >> shift) & 0xFF, 1);
  }
}

// GDI's own text leaves alpha 0 on its ink; GDI+ text keeps partial alpha
// below 255: text goes through GDI+.
TEST(WineProbe, GdiTextLeavesAlphaZeroAndGdiplusTextPartialAlpha) {
  auto context = MakeContext(120, 30);
  HDC dc = context->GetDC();
  HFONT font = ::CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, kFace);
  HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(255, 255, 255));
  ::TextOutW(dc, 2, 2, L"Hello", 5);
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  auto ink = [](uint32_t p) { return (p & 0xFFFFFF) != 0; };
  ASSERT_GT(CountPixels(context.get(), {0, 0, 120, 30}, ink), 0);
  EXPECT_EQ(CountPixels(context.get(), {0, 0, 120, 30}, [](uint32_t p) { return p >> 24; }), 0);

  ScopedTestResources resources;
  context->Clear();
  context->DrawText({0, 0, 120, 30}, L"Hello", 0xFFFFFFFF, L"body", 0);
  int partial = CountPixels(context.get(), {0, 0, 120, 30},
                            [](uint32_t p) { return (p >> 24) > 0 && (p >> 24) < 255; });
  EXPECT_GT(partial, 0);
  EXPECT_EQ(CountPixels(context.get(), {0, 0, 120, 30}, [](uint32_t p) { return (p >> 24) == 255; }),
            0);
}

// AlphaBlend of premultiplied pixels is exact, also with a constant alpha
// and stretched.
TEST(WineProbe, AlphaBlendOfPremultipliedPixelsIsExact) {
  struct Case {
    uint8_t constant;
    int dest_size;
    uint32_t expected;
  } cases[] = {
      {255, 4, 0xFF80007F},
      {128, 4, 0xFF4000BF},
      {255, 8, 0xFF80007F},
  };
  HBITMAP source = MakeDib(4, 4, [](int, int) { return 0x80800000u; });
  HDC source_dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(source_dc, source);
  for (const Case& c : cases) {
    auto context = MakeContext(8, 8);
    GdiplusFill(context->GetDC(), 0xFF0000FF, 0, 0, 8, 8);
    ASSERT_TRUE(context->AlphaBlend(0, 0, c.dest_size, c.dest_size, source_dc, 0, 0, 4, 4,
                                    c.constant));
    uint32_t p = PixelAt(context.get(), c.dest_size - 1, c.dest_size - 1);
    EXPECT_EQ(p >> 24, c.expected >> 24);
    for (int shift : {16, 8, 0})
      EXPECT_NEAR((p >> shift) & 0xFF, (c.expected >> shift) & 0xFF, 1) << std::hex << p;
  }
  ::SelectObject(source_dc, old);
  ::DeleteDC(source_dc);
  ::DeleteObject(source);
}

// HALFTONE StretchBlt keeps the colour of opaque pixels; it is used only for
// opaque, unfaded image parts. Its alpha is printed, not relied on.
TEST(WineProbe, HalftoneStretchBltKeepsColour) {
  HBITMAP source = MakeDib(4, 4, [](int, int) { return 0xFF804020u; });
  HDC source_dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(source_dc, source);
  for (int size : {2, 8}) {
    auto context = MakeContext(8, 8);
    HDC dc = context->GetDC();
    ::SetStretchBltMode(dc, HALFTONE);
    ASSERT_TRUE(::StretchBlt(dc, 0, 0, size, size, source_dc, 0, 0, 4, 4, SRCCOPY));
    uint32_t p = PixelAt(context.get(), 1, 1);
    EXPECT_EQ(p & 0xFFFFFF, 0x804020u) << std::hex << p;
    std::printf("HALFTONE StretchBlt 4->%d: alpha %u\n", size, p >> 24);
  }
  ::SelectObject(source_dc, old);
  ::DeleteDC(source_dc);
  ::DeleteObject(source);
}

// A colour matrix that scales alpha fades a GDI+ image to premultiplied
// output.
TEST(WineProbe, ColourMatrixFadeOfImage) {
  Gdiplus::GpImage* image = MakeImage(4, 4, [](int, int) { return 0xFF00C800u; });
  auto context = MakeContext(4, 4);
  Gdiplus::GpGraphics* g = nullptr;
  gp::GdipCreateFromHDC(context->GetDC(), &g);
  ui::DrawImagePartGdiPlus(g, image, {0, 0, 4, 4}, {0, 0, 4, 4}, 127);
  gp::GdipDeleteGraphics(g);
  uint32_t p = PixelAt(context.get(), 2, 2);
  EXPECT_NEAR(p >> 24, 127, 1) << std::hex << p;
  EXPECT_NEAR((p >> 8) & 0xFF, 100, 2) << std::hex << p;
  DeleteImage(image);
}

// The faces the skin and the tests name, as GDI+ and GDI find them.
TEST(WineProbe, FontsWineFinds) {
  Gdiplus::GpFontFamily* family = nullptr;
  ASSERT_EQ(gp::GdipCreateFontFamilyFromName(kFace, nullptr, &family), Gdiplus::Ok);
  gp::GdipDeleteFontFamily(family);
  // GDI+ has no substitutes for the Windows faces.
  family = nullptr;
  EXPECT_EQ(gp::GdipCreateFontFamilyFromName(L"Arial", nullptr, &family),
            Gdiplus::FontFamilyNotFound);
  if (family) gp::GdipDeleteFontFamily(family);

  for (const wchar_t* face : {L"\u601d\u6e90\u9ed1\u4f53 CN", L"Source Han Sans CN",
                              L"Noto Sans CJK SC", L"Liberation Sans", L"Loma", kFace}) {
    family = nullptr;
    Gdiplus::GpStatus status = gp::GdipCreateFontFamilyFromName(face, nullptr, &family);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HFONT font = ::CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    HGDIOBJ old = ::SelectObject(dc, font);
    wchar_t resolved[LF_FACESIZE] = {};
    ::GetTextFaceW(dc, LF_FACESIZE, resolved);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
    std::printf("face %ls: GDI+ %s, GDI -> %ls\n", face, status == Gdiplus::Ok ? "found" : "missing",
                resolved);
    if (family) gp::GdipDeleteFontFamily(family);
  }
}

}  // namespace
}  // namespace ui_test
