// Off-screen pixels: paint into a fresh context and read its bits.
#include "ui/render/render_context_gdiplus.h"

#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <memory>

#include "ui/render/auto_clip.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/draw_helpers.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"

namespace gp = Gdiplus::DllExports;

namespace ui_test {
namespace {

using ui::UiRect;

auto NonZero = [](uint32_t p) { return p != 0; };

class RenderContextTest : public ::testing::Test {
 protected:
  std::unique_ptr<ui::IRenderContext> Make(int w, int h) {
    auto context = factory_.CreateRenderContext();
    EXPECT_TRUE(context->Resize(w, h));
    return context;
  }
  ui::RenderFactory_GdiPlus factory_;
};

TEST_F(RenderContextTest, ResizeCloneAndDetach) {
  auto context = Make(20, 10);
  EXPECT_EQ(context->GetWidth(), 20);
  EXPECT_EQ(context->GetHeight(), 10);
  context->FillRect({0, 0, 20, 10}, 0xFF112233);
  EXPECT_FALSE(context->Resize(20, 10)) << "same size";
  EXPECT_EQ(PixelAt(context.get(), 5, 5), 0xFF112233u) << "pixels kept";

  auto copy = context->Clone();
  ASSERT_EQ(copy->GetWidth(), 20);
  EXPECT_EQ(PixelAt(copy.get(), 19, 9), 0xFF112233u);
  copy->Clear();
  EXPECT_EQ(PixelAt(context.get(), 19, 9), 0xFF112233u) << "independent";

  HBITMAP detached = context->DetachBitmap();
  ASSERT_NE(detached, nullptr);
  EXPECT_EQ(context->GetBits(), nullptr);
  EXPECT_EQ(context->GetWidth(), 0);
  context->FillRectAlpha({0, 0, 5, 5}, 1);  // no pixels: nothing happens
  EXPECT_EQ(context->DetachBitmap(), nullptr);
  BITMAP info = {};
  ASSERT_TRUE(::GetObjectW(detached, sizeof(info), &info));
  EXPECT_EQ(info.bmWidth, 20);
  ::DeleteObject(detached);

  EXPECT_TRUE(context->Resize(4, 4)) << "a surface again after the detach";
  EXPECT_FALSE(context->Resize(0, 4));
  EXPECT_EQ(context->GetBits(), nullptr);
}

TEST_F(RenderContextTest, FillRectAlphaTouchesOnlyPixelsInside) {
  struct Case {
    UiRect rect;
    int expected;
  } cases[] = {
      {{-5, -5, 3, 2}, 6}, {{8, 8, 20, 20}, 4}, {{5, 0, 5, 10}, 0}, {{12, 0, 20, 10}, 0},
  };
  for (const Case& c : cases) {
    auto context = Make(10, 10);
    context->FillRectAlpha(c.rect, 0x7F);
    EXPECT_EQ(CountPixels(context.get(), {0, 0, 10, 10}, [](uint32_t p) { return p == 0x7F7F7F7F; }),
              c.expected);
    EXPECT_EQ(CountPixels(context.get(), {0, 0, 10, 10}, NonZero), c.expected);
  }
}

TEST_F(RenderContextTest, RepairAlphaLeavesPaddingCorners) {
  auto context = Make(100, 100);
  context->FillRectAlpha({0, 0, 100, 100}, 0x20);  // alpha 0x20 everywhere
  context->FillRectAlpha({50, 50, 51, 51}, 0x40);
  context->RepairAlpha({0, 0, 100, 100}, {10, 10, 10, 10}, 0x20);
  for (auto corner : {UiRect{0, 0, 10, 10}, UiRect{90, 0, 100, 10}, UiRect{0, 90, 10, 100},
                      UiRect{90, 90, 100, 100}}) {
    EXPECT_EQ(CountPixels(context.get(), corner, [](uint32_t p) { return p == 0x20202020; }), 100);
  }
  EXPECT_EQ(AlphaAt(context.get(), 10, 0), 0) << "matching alpha becomes 0";
  EXPECT_EQ(AlphaAt(context.get(), 0, 50), 0);
  EXPECT_EQ(AlphaAt(context.get(), 50, 50), 255) << "any other alpha becomes 255";
  EXPECT_EQ(AlphaAt(context.get(), 9, 89), 0) << "in the vertical band";
}

TEST_F(RenderContextTest, FillRectFadesAlphaOnly) {
  struct Case {
    uint32_t color;
    uint8_t fade;
    uint32_t expected;
  } cases[] = {
      {0xFF000000, 128, 0x80000000},
      {0xFF0000FF, 255, 0xFF0000FF},
      {0x80FFFFFF, 255, 0x80808080},  // premultiplied on the surface
      {0x00FF0000, 255, 0x00000000},
  };
  for (const Case& c : cases) {
    auto context = Make(4, 4);
    context->FillRect({0, 0, 4, 4}, c.color, c.fade);
    uint32_t p = PixelAt(context.get(), 2, 2);
    EXPECT_EQ(p >> 24, c.expected >> 24) << std::hex << c.color;
    EXPECT_NEAR((p >> 16) & 0xFF, (c.expected >> 16) & 0xFF, 1) << std::hex << c.color;
    EXPECT_NEAR(p & 0xFF, c.expected & 0xFF, 1) << std::hex << c.color;
  }
}

// Fills blend exactly as a GDI+ solid brush does on this surface.
TEST_F(RenderContextTest, FillRectMatchesAGdiplusBrush) {
  for (uint32_t under : {0x00000000u, 0xFF0000FFu, 0x80404040u}) {
    for (uint32_t color : {0x80FF0000u, 0x40123456u, 0xFF00FF00u, 0x01FFFFFFu, 0xC0808080u}) {
      auto ours = Make(4, 4);
      auto theirs = Make(4, 4);
      for (ui::IRenderContext* c : {ours.get(), theirs.get()}) c->FillRectAlpha({0, 0, 4, 4}, 0);
      ours->FillRect({0, 0, 4, 4}, under);
      theirs->FillRect({0, 0, 4, 4}, under);
      ours->FillRect({1, 1, 3, 3}, color);
      Gdiplus::GpGraphics* g = nullptr;
      gp::GdipCreateFromHDC(theirs->GetDC(), &g);
      Gdiplus::GpSolidFill* brush = nullptr;
      gp::GdipCreateSolidFill(color, &brush);
      gp::GdipFillRectangle(g, brush, 1, 1, 2, 2);
      gp::GdipDeleteBrush(brush);
      gp::GdipDeleteGraphics(g);
      for (auto [x, y] : {std::pair{0, 0}, {1, 1}, {2, 2}, {3, 3}}) {
        uint32_t a = PixelAt(ours.get(), x, y), b = PixelAt(theirs.get(), x, y);
        for (int shift : {24, 16, 8, 0})
          EXPECT_NEAR((a >> shift) & 0xFF, (b >> shift) & 0xFF, 1)
              << std::hex << color << " over " << under << ": " << a << " vs " << b;
      }
    }
  }
}

// Parts drawn at their own size give the pixels GDI+ gives, faded or not.
TEST_F(RenderContextTest, ImagePartsAtTheirOwnSizeMatchGdiplus) {
  Gdiplus::GpImage* image = MakeImage(16, 12, [](int x, int y) {
    return (static_cast<uint32_t>(x * 16) << 24) | (static_cast<uint32_t>(y * 20) << 16) |
           (static_cast<uint32_t>(x * 7 + y) << 8) | 0x3C;
  });
  for (uint8_t fade : {uint8_t{255}, uint8_t{100}}) {
    auto ours = Make(20, 20);
    auto theirs = Make(20, 20);
    for (ui::IRenderContext* c : {ours.get(), theirs.get()}) c->FillRect({0, 0, 20, 20}, 0xFF406080);
    ours->DrawImageGdiPlus({0, 0, 20, 20}, image, {2, 3, 18, 15}, {0, 0, 16, 12}, {}, fade);
    Gdiplus::GpGraphics* g = nullptr;
    gp::GdipCreateFromHDC(theirs->GetDC(), &g);
    ui::DrawImagePartGdiPlus(g, image, {0, 0, 16, 12}, {2, 3, 18, 15}, fade);
    gp::GdipDeleteGraphics(g);
    int differing = 0;
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 20; ++x) {
        uint32_t a = PixelAt(ours.get(), x, y), b = PixelAt(theirs.get(), x, y);
        for (int shift : {24, 16, 8, 0}) {
          int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
          if (d > 1 || d < -1) ++differing;
        }
      }
    }
    EXPECT_EQ(differing, 0) << "fade " << int(fade);
  }
  DeleteImage(image);
}

TEST_F(RenderContextTest, NamedColours) {
  ScopedTestResources resources;
  resources.resources.colors[L"red"] = 0xFFFF0000;
  auto context = Make(4, 4);
  context->FillRectNamed({0, 0, 2, 4}, L"red");
  context->FillRectNamed({2, 0, 4, 4}, L"");
  EXPECT_EQ(PixelAt(context.get(), 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(context.get(), 3, 0), 0u);
  context->FillRectNamed({2, 0, 4, 4}, L"unknown");  // colour 0: transparent
  EXPECT_EQ(PixelAt(context.get(), 3, 0), 0u);
}

// Clips are in logical units, nothing is drawn outside them, and the window
// origin moves every drawing operation.
TEST_F(RenderContextTest, ClipsAndOriginsHoldForEveryKindOfDrawing) {
  Gdiplus::GpImage* image = MakeImage(8, 8, [](int, int) { return 0xFF00FF00u; });
  HBITMAP dib = MakeDib(8, 8, [](int, int) { return 0xFF0000FFu; });
  ScopedTestResources resources;
  auto pen = factory_.CreatePen(0xFFFF0000, 3);
  auto path = factory_.CreatePath();
  path->AddRect(-50, -50, 100, 100);
  auto brush = factory_.CreateSolidBrush(0xFF00FFFF);

  struct Op {
    const char* name;
    std::function<void(ui::IRenderContext*)> draw;
  } ops[] = {
      {"fill", [](ui::IRenderContext* c) { c->FillRect({-50, -50, 100, 100}, 0xFFFF0000); }},
      {"image", [&](ui::IRenderContext* c) {
         c->DrawImageGdiPlus({-50, -50, 100, 100}, image, {-50, -50, 100, 100}, {0, 0, 8, 8},
                             {2, 2, 2, 2});
       }},
      {"gdi image", [&](ui::IRenderContext* c) {
         c->DrawImage({-50, -50, 100, 100}, dib, true, {-50, -50, 100, 100}, {0, 0, 8, 8},
                      {2, 2, 2, 2});
       }},
      {"ellipse", [](ui::IRenderContext* c) { c->FillEllipse({-50, -50, 100, 100}, 0xFF00FF00); }},
      {"line", [](ui::IRenderContext* c) { c->DrawLine({-50, -50, 100, 100}, 30, 0xFF00FF00); }},
      {"path", [&](ui::IRenderContext* c) { c->FillPath(path.get(), brush.get()); }},
      {"text", [](ui::IRenderContext* c) {
         c->DrawText({-50, -50, 100, 100}, L"MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM",
                     0xFFFFFFFF, L"body", 0);
       }},
  };
  for (const Op& op : ops) {
    SCOPED_TRACE(op.name);
    auto context = Make(40, 40);
    context->SetWindowOrg({-10, -20});  // logical (0, 0) is pixel (10, 20)
    {
      ui::AutoClip clip(context.get(), {0, 0, 8, 8});  // pixels (10,20)-(18,28)
      op.draw(context.get());
    }
    EXPECT_GT(CountPixels(context.get(), {10, 20, 18, 28}, NonZero), 0);
    EXPECT_EQ(CountPixelsOutside(context.get(), {10, 20, 18, 28}, NonZero), 0);

    // The guard took its clip off again; a guard without a clip adds none.
    {
      ui::AutoClip none(context.get(), {0, 0, 1, 1}, false);
      context->FillRect({-10, -20, 30, 20}, 0xFF000001);
    }
    EXPECT_EQ(CountPixels(context.get(), {0, 0, 40, 40}, [](uint32_t p) { return p == 0xFF000001; }),
              1600);
  }
  DeleteImage(image);
  ::DeleteObject(dib);
}

TEST_F(RenderContextTest, OffsetWindowOrgAccumulatesAndRoundClipCutsCorners) {
  auto context = Make(40, 40);
  EXPECT_EQ(context->OffsetWindowOrg({-5, -5}), (ui::UiPoint{0, 0}));
  EXPECT_EQ(context->OffsetWindowOrg({-5, 0}), (ui::UiPoint{-5, -5}));
  EXPECT_EQ(context->GetWindowOrg(), (ui::UiPoint{-10, -5}));
  context->ClipRoundRect({0, 0, 20, 20}, 10, 10);  // pixels (10,5)-(30,25)
  context->FillRect({-10, -10, 50, 50}, 0xFFFFFFFF);
  context->ResetClip();
  EXPECT_EQ(PixelAt(context.get(), 20, 15), 0xFFFFFFFFu);
  EXPECT_EQ(PixelAt(context.get(), 10, 5), 0u) << "rounded corner";
  EXPECT_EQ(PixelAt(context.get(), 9, 15), 0u);
  EXPECT_EQ(context->SetWindowOrg({0, 0}), (ui::UiPoint{-10, -5}));

  // SaveDC / RestoreDC bracket a clip as well.
  context->SaveDC();
  context->ClipRect({0, 0, 1, 1});
  EXPECT_TRUE(context->RestoreDC());
  context->FillRect({0, 0, 40, 40}, 0xFF000002);
  EXPECT_EQ(PixelAt(context.get(), 39, 39), 0xFF000002u);
}

TEST_F(RenderContextTest, ShapesAndBordersStayOnTheirOutline) {
  auto context = Make(40, 40);
  context->DrawRect({5, 5, 35, 35}, 1, 0xFFFF0000);
  EXPECT_EQ(PixelAt(context.get(), 5, 5), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(context.get(), 35, 20), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(context.get(), 20, 20), 0u) << "outline only";
  EXPECT_EQ(CountPixelsOutside(context.get(), {4, 4, 37, 37}, NonZero), 0);

  context->Clear();
  context->DrawRoundRect({5, 5, 35, 35}, {10, 10}, 1, 0xFF00FF00);
  EXPECT_NE(PixelAt(context.get(), 20, 5), 0u);
  EXPECT_EQ(PixelAt(context.get(), 5, 5), 0u) << "the corner is rounded";
  EXPECT_EQ(PixelAt(context.get(), 20, 20), 0u);

  context->Clear();
  context->DrawEllipse({0, 0, 40, 40}, 2, 0xFF0000FF);
  EXPECT_EQ(PixelAt(context.get(), 20, 20), 0u);
  EXPECT_EQ(PixelAt(context.get(), 1, 1), 0u);
  EXPECT_NE(CountPixels(context.get(), {0, 18, 3, 22}, NonZero), 0);
}

struct NineGridSize {
  int w, h;
};

class NineGridPaintTest : public RenderContextTest,
                          public ::testing::WithParamInterface<NineGridSize> {};

// A 30x30 image: 10-pixel red corners, green borders, blue middle. The
// corners keep their (DPI-scaled) size at any target size.
TEST_P(NineGridPaintTest, CornersKeepTheirSize) {
  ui::DpiScale* dpi = ui::DpiScale::Instance();
  dpi->SetAdaptDpi(true);
  dpi->SetScaleFromDpi(ScreenDpi());
  const int c = dpi->ScaleInt(10);
  auto color = [](int x, int y) -> uint32_t {
    bool edge_x = x < 10 || x >= 20, edge_y = y < 10 || y >= 20;
    if (edge_x && edge_y) return 0xFFFF0000;
    if (edge_x || edge_y) return 0xFF00FF00;
    return 0xFF0000FF;
  };
  Gdiplus::GpImage* image = MakeImage(30, 30, color);
  HBITMAP dib = MakeDib(30, 30, color);
  const NineGridSize s = GetParam();
  const UiRect dest{3, 4, 3 + s.w, 4 + s.h};
  for (bool gdi : {false, true}) {
    SCOPED_TRACE(gdi ? "GDI" : "GDI+");
    auto context = Make(s.w + 10, s.h + 10);
    if (gdi)
      context->DrawImage(dest, dib, true, dest, {0, 0, 30, 30}, {10, 10, 10, 10});
    else
      context->DrawImageGdiPlus(dest, image, dest, {0, 0, 30, 30}, {10, 10, 10, 10});
    auto is = [&](int x, int y, uint32_t want) { return PixelAt(context.get(), x, y) == want; };
    for (auto [x, y] : {std::pair{dest.left, dest.top}, {dest.right - 1, dest.top},
                        {dest.left, dest.bottom - 1}, {dest.right - 1, dest.bottom - 1},
                        {dest.left + c - 2, dest.top + c - 2},
                        {dest.right - c + 1, dest.bottom - c + 1}}) {
      EXPECT_TRUE(is(x, y, 0xFFFF0000)) << x << "," << y;
    }
    EXPECT_TRUE(is(dest.left + c + 1, dest.top + 1, 0xFF00FF00)) << "top border";
    EXPECT_TRUE(is(dest.left + 1, dest.top + c + 1, 0xFF00FF00)) << "left border";
    EXPECT_TRUE(is(dest.left + s.w / 2, dest.top + s.h / 2, 0xFF0000FF)) << "middle";
    EXPECT_EQ(CountPixelsOutside(context.get(), dest, NonZero), 0);
  }
  DeleteImage(image);
  ::DeleteObject(dib);
  dpi->SetAdaptDpi(false);
}

INSTANTIATE_TEST_SUITE_P(Sizes, NineGridPaintTest,
                         ::testing::Values(NineGridSize{40, 40}, NineGridSize{100, 60},
                                           NineGridSize{333, 47}));

TEST_F(RenderContextTest, ImageFadeAndTransparentMode) {
  Gdiplus::GpImage* image = MakeImage(8, 8, [](int, int) { return 0xFFFFFFFFu; });
  auto context = Make(8, 8);
  context->DrawImageGdiPlus({0, 0, 8, 8}, image, {0, 0, 8, 8}, {0, 0, 8, 8}, {}, 128);
  EXPECT_NEAR(AlphaAt(context.get(), 4, 4), 128, 1);
  DeleteImage(image);

  // An opaque GDI image drawn at another size is stretched as it is; in
  // transparent mode it is blended, so its alpha counts.
  HBITMAP dib = MakeDib(4, 4, [](int, int) { return 0x80800000u; });
  context->Clear();
  EXPECT_FALSE(context->SetTransparentMode(true));
  context->DrawImage({0, 0, 8, 8}, dib, false, {0, 0, 8, 8}, {0, 0, 4, 4}, {});
  EXPECT_EQ(PixelAt(context.get(), 5, 5), 0x80800000u);
  EXPECT_TRUE(context->SetTransparentMode(false));
  context->FillRect({0, 0, 8, 8}, 0xFF0000FF);
  context->DrawImage({0, 0, 8, 8}, dib, false, {0, 0, 8, 8}, {0, 0, 4, 4}, {});
  EXPECT_EQ(PixelAt(context.get(), 5, 5) & 0xFFFFFF, 0x800000u) << "copied, not blended";
  ::DeleteObject(dib);

  context->DrawImage({0, 0, 8, 8}, nullptr, true, {0, 0, 8, 8}, {0, 0, 4, 4}, {});
  context->DrawImageGdiPlus({0, 0, 8, 8}, nullptr, {0, 0, 8, 8}, {0, 0, 4, 4}, {});
}

TEST_F(RenderContextTest, TextInkStaysInsideItsRectangleBelowFullAlpha) {
  ScopedTestResources resources;
  auto context = Make(200, 60);
  const UiRect rect{20, 10, 150, 40};
  for (uint32_t style : {0u, unsigned(DT_CENTER | DT_VCENTER | DT_SINGLELINE),
                         unsigned(DT_RIGHT | DT_BOTTOM | DT_END_ELLIPSIS)}) {
    context->Clear();
    context->DrawText(rect, L"Quorvel launcher text that runs on", 0xFFFFFFFF, L"", style);
    EXPECT_GT(CountPixels(context.get(), rect, NonZero), 20) << style;
    EXPECT_EQ(CountPixelsOutside(context.get(), rect, NonZero), 0) << style;
    EXPECT_EQ(CountPixels(context.get(), rect, [](uint32_t p) { return (p >> 24) == 255; }), 0);
  }
  // A fade scales the text's alpha.
  context->Clear();
  context->DrawText(rect, L"MMMM", 0xFFFFFFFF, L"", 0, 64);
  EXPECT_EQ(CountPixels(context.get(), rect, [](uint32_t p) { return (p >> 24) > 64; }), 0);
  EXPECT_GT(CountPixels(context.get(), rect, NonZero), 0);
}

TEST_F(RenderContextTest, TextWithoutTextOrFontDrawsNothing) {
  ScopedTestResources resources;
  auto context = Make(100, 30);
  context->DrawText({0, 0, 100, 30}, L"", 0xFFFFFFFF, L"", 0);
  EXPECT_EQ(resources.resources.font_lookups, 0) << "empty text: no font look-up";
  context->DrawText({0, 0, 100, 30}, L"Text", 0xFFFFFFFF, L"nosuchfont", 0);
  EXPECT_EQ(CountPixels(context.get(), {0, 0, 100, 30}, NonZero), 0);
  EXPECT_EQ(context->MeasureText(L"Text", L"nosuchfont", 0), (UiRect{0, 0, 1, 1}));

  ui::SetRenderResources(nullptr);  // before start-up: no fonts at all
  context->DrawText({0, 0, 100, 30}, L"Text", 0xFFFFFFFF, L"", 0);
  EXPECT_EQ(CountPixels(context.get(), {0, 0, 100, 30}, NonZero), 0);
}

class RecordingEffect : public ui::ITextEffect {
 public:
  void DrawText(const UiRect& rect, const std::wstring& text, uint32_t color,
                Gdiplus::GpGraphics* graphics, Gdiplus::GpFont* font,
                Gdiplus::GpStringFormat* format) override {
    ++calls;
    last_rect = rect;
    last_text = text;
    last_color = color;
    ready = graphics && font && format;
  }
  int calls = 0;
  UiRect last_rect;
  std::wstring last_text;
  uint32_t last_color = 0;
  bool ready = false;
};

TEST_F(RenderContextTest, TextWithEffectHandsTheEffectAPreparedGraphics) {
  ScopedTestResources resources;
  RecordingEffect effect;
  auto context = Make(100, 30);
  context->DrawTextWithEffect({1, 2, 90, 28}, L"", 0xFF00FF00, L"", 0, &effect);
  context->DrawTextWithEffect({1, 2, 90, 28}, L"Glow", 0xFF00FF00, L"nosuchfont", 0, &effect);
  context->DrawTextWithEffect({1, 2, 90, 28}, L"Glow", 0xFF00FF00, L"", 0, nullptr);
  EXPECT_EQ(effect.calls, 0);
  EXPECT_EQ(resources.resources.font_lookups, 1) << "only the text with an effect and text";
  context->DrawTextWithEffect({1, 2, 90, 28}, L"Glow", 0xFF00FF00, L"", DT_CENTER, &effect);
  EXPECT_EQ(effect.calls, 1);
  EXPECT_TRUE(effect.ready);
  EXPECT_EQ(effect.last_rect, (UiRect{1, 2, 90, 28}));
  EXPECT_EQ(effect.last_text, L"Glow");
  EXPECT_EQ(effect.last_color, 0xFF00FF00u);
}

TEST_F(RenderContextTest, MeasureText) {
  ScopedTestResources resources;
  auto context = Make(10, 10);
  UiRect one = context->MeasureText(L"Hello", L"", DT_SINGLELINE);
  UiRect two = context->MeasureText(L"Hello Hello", L"", DT_SINGLELINE);
  EXPECT_GT(one.Width(), 20);
  EXPECT_GT(two.Width(), one.Width());
  EXPECT_GE(one.Height(), 16);
  // A width limit wraps a multi-line text into more height.
  UiRect wrapped = context->MeasureText(L"Hello Hello Hello", L"", 0, 50);
  EXPECT_LE(wrapped.Width(), 52);
  EXPECT_GE(wrapped.Height(), 2 * one.Height() - 2);
  // A single line keeps one line's height even when limited.
  UiRect single = context->MeasureText(L"Hello Hello Hello", L"", DT_SINGLELINE, 50);
  EXPECT_LE(single.Height(), one.Height());
}

}  // namespace
}  // namespace ui_test
