// The render context's own pixel paths: nine-grids scaled in the process and
// kept, text kept as runs. Each is held against GDI+ drawing the same thing.
#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "ui/render/auto_clip.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/draw_helpers.h"
#include "ui/render/nine_grid.h"
#include "ui/render/pixel_cache.h"
#include "ui/render/pixel_ops.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"

namespace gp = Gdiplus::DllExports;

namespace ui_test {
namespace {

using ui::UiRect;

using CachedDrawingTest = RenderContextTest;

// GDI+ drawing every piece of the grid on its own: what the context did
// before it scaled parts itself.
void DrawGridWithGdiplus(ui::IRenderContext* context, Gdiplus::GpImage* image, const UiRect& dest,
                         const UiRect& source, const UiRect& corner, uint8_t fade) {
  Gdiplus::GpGraphics* g = nullptr;
  gp::GdipCreateFromHDC(context->GetDC(), &g);
  const UiRect dest_corner = ui::DpiScale::Instance()->ScaleRect(corner);
  for (const ui::ImagePiece& piece :
       ui::LayoutNineGrid(dest, dest, source, corner, dest_corner, false, false)) {
    ui::DrawImagePartGdiPlus(g, image, piece.source, piece.dest, fade);
  }
  gp::GdipDeleteGraphics(g);
}

// Smooth colour and alpha ramps, and a hard edge, in a 24x16 image.
uint32_t Ramp(int x, int y) {
  const uint32_t a = x < 12 ? 255u : 255u - static_cast<uint32_t>(x - 12) * 12;
  return (a << 24) | (static_cast<uint32_t>(x * 10) << 16) | (static_cast<uint32_t>(y * 15) << 8) |
         (y < 8 ? 0x20u : 0xE0u);
}

// Where Wine's GDI+ draws a scaled piece, our pixels agree with its within
// rounding. GDI+ sometimes leaves the first column or row of a piece that
// follows a corner empty (a one-pixel line through the grid); ours leave no
// gap, so every pixel of the grid is drawn.
TEST_F(CachedDrawingTest, ScaledGridsMatchGdiplusWithoutGaps) {
  Gdiplus::GpImage* image = MakeImage(24, 16, Ramp);
  const UiRect whole{0, 0, 24, 16};
  struct Case {
    UiRect dest, source, corner;
    uint8_t fade;
  } cases[] = {
      {{3, 2, 83, 52}, whole, {}, 255},                      // enlarged, no corners
      {{1, 1, 15, 11}, whole, {}, 255},                      // shrunk
      {{2, 3, 120, 60}, whole, {4, 3, 5, 2}, 255},           // a nine-grid
      {{2, 3, 120, 60}, whole, {4, 3, 5, 2}, 140},           // faded
      {{0, 0, 124, 8}, whole, {4, 3, 5, 2}, 255},            // squeezed middle
      {{2, 3, 120, 60}, {2, 1, 22, 15}, {4, 3, 5, 2}, 255},  // part of the image
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.dest.Width() << "x" << c.dest.Height() << " from "
                                      << c.source.left << "," << c.source.top << " fade "
                                      << int(c.fade));
    auto ours = Make(124, 64);
    auto theirs = Make(124, 64);
    ours->DrawImageGdiPlus(c.dest, image, c.dest, c.source, c.corner, c.fade);
    DrawGridWithGdiplus(theirs.get(), image, c.dest, c.source, c.corner, c.fade);
    EXPECT_EQ(CountPixels(ours.get(), c.dest, [](uint32_t p) { return p == 0; }), 0);
    EXPECT_EQ(CountPixelsOutside(ours.get(), c.dest, NonZero), 0);
    int compared = 0, beyond = 0;
    for (int y = c.dest.top; y < c.dest.bottom; ++y) {
      for (int x = c.dest.left; x < c.dest.right; ++x) {
        const uint32_t p = PixelAt(ours.get(), x, y), q = PixelAt(theirs.get(), x, y);
        if (q == 0) continue;  // a gap of GDI+'s
        ++compared;
        for (int shift : {24, 16, 8, 0}) {
          if (std::abs(static_cast<int>((p >> shift) & 0xFF) -
                       static_cast<int>((q >> shift) & 0xFF)) > 2)
            ++beyond;
        }
      }
    }
    EXPECT_GT(compared, c.dest.Width() * c.dest.Height() * 9 / 10);
    EXPECT_EQ(beyond, 0);
  }
  DeleteImage(image);
}

// A kept grid is made again when the image's pixels change (also an image
// freed and another made at the same address) or the size changes; pieces
// left out by the paint rectangle stay out, and clips hold.
TEST_F(CachedDrawingTest, KeptGridsFollowTheImageSizePaintAndClip) {
  auto red = [](int, int) { return 0xFFFF0000u; };
  Gdiplus::GpImage* image = MakeImage(12, 12, red);
  const UiRect source{0, 0, 12, 12}, corner{4, 4, 4, 4};
  auto context = Make(80, 60);
  context->DrawImageGdiPlus({0, 0, 80, 60}, image, {0, 0, 60, 40}, source, corner);
  EXPECT_EQ(PixelAt(context.get(), 30, 20), 0xFFFF0000u);

  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
      gp::GdipBitmapSetPixel(static_cast<Gdiplus::GpBitmap*>(image), x, y, 0xFF00FF00);
  context->Clear();
  context->DrawImageGdiPlus({0, 0, 80, 60}, image, {0, 0, 60, 40}, source, corner);
  EXPECT_EQ(PixelAt(context.get(), 30, 20), 0xFF00FF00u) << "changed pixels";

  DeleteImage(image);
  image = MakeImage(12, 12, [](int, int) { return 0xFF0000FFu; });
  context->Clear();
  context->DrawImageGdiPlus({0, 0, 80, 60}, image, {0, 0, 60, 40}, source, corner);
  EXPECT_EQ(PixelAt(context.get(), 30, 20), 0xFF0000FFu) << "another image";

  context->Clear();
  context->DrawImageGdiPlus({0, 0, 80, 60}, image, {0, 0, 70, 50}, source, corner);
  EXPECT_EQ(CountPixels(context.get(), {0, 0, 70, 50}, NonZero), 70 * 50) << "another size";
  EXPECT_EQ(CountPixelsOutside(context.get(), {0, 0, 70, 50}, NonZero), 0);

  // Only the left column of pieces and the middle touch the paint rectangle.
  context->Clear();
  context->DrawImageGdiPlus({0, 0, 10, 40}, image, {0, 0, 60, 40}, source, corner);
  EXPECT_NE(PixelAt(context.get(), 2, 20), 0u);
  EXPECT_NE(PixelAt(context.get(), 30, 20), 0u) << "the middle is drawn whole";
  EXPECT_EQ(PixelAt(context.get(), 58, 20), 0u) << "right border left out";

  context->Clear();
  context->SetWindowOrg({-10, -5});
  {
    ui::AutoClip clip(context.get(), {5, 5, 25, 15});
    context->DrawImageGdiPlus({0, 0, 80, 60}, image, {0, 0, 60, 40}, source, corner);
  }
  EXPECT_EQ(CountPixels(context.get(), {15, 10, 35, 20}, NonZero), 20 * 10);
  EXPECT_EQ(CountPixelsOutside(context.get(), {15, 10, 35, 20}, NonZero), 0);
  DeleteImage(image);
}

// Fonts by id whose font the test swaps, as a language switch does.
class SwappableFonts : public ui::IRenderResources {
 public:
  Gdiplus::GpFont* GetGdiplusFont(const std::wstring&) override { return font; }
  uint32_t GetColor(const std::wstring&) override { return 0; }
  bool TextAntiAlias() override { return true; }
  Gdiplus::GpFont* font = nullptr;
};

// A text run kept from an earlier draw gives what GDI+ draws straight onto
// the surface, and is drawn again when the colour, font or size changes.
TEST_F(CachedDrawingTest, TextRunsMatchDirectTextAndFollowTheirKey) {
  Gdiplus::GpFontFamily* family = nullptr;
  ASSERT_EQ(gp::GdipCreateFontFamilyFromName(kFace, nullptr, &family), Gdiplus::Ok);
  Gdiplus::GpFont* small = nullptr;
  Gdiplus::GpFont* large = nullptr;
  gp::GdipCreateFont(family, 14, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel, &small);
  gp::GdipCreateFont(family, 22, Gdiplus::FontStyleBold, Gdiplus::UnitPixel, &large);
  SwappableFonts fonts;
  fonts.font = small;
  ui::IRenderResources* previous = ui::SetRenderResources(&fonts);

  const UiRect rect{7, 5, 167, 35};
  const std::wstring text = L"Download 42% \u2013 3.2 MB/s";
  const uint32_t style = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
  auto draw = [&](uint32_t color, uint32_t background) {
    auto context = Make(180, 40);
    context->FillRect({0, 0, 180, 40}, background);
    context->DrawText(rect, text, color, L"", style);
    return context;
  };
  for (uint32_t background : {0x00000000u, 0xFF203040u}) {
    auto first = draw(0xFFFFFFFF, background);
    auto kept = draw(0xFFFFFFFF, background);
    // GDI+ straight onto the surface, as the context drew before.
    auto direct = Make(180, 40);
    direct->FillRect({0, 0, 180, 40}, background);
    Gdiplus::GpGraphics* g = nullptr;
    gp::GdipCreateFromHDC(direct->GetDC(), &g);
    gp::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeAntiAlias);
    gp::GdipSetTextRenderingHint(g, Gdiplus::TextRenderingHintAntiAlias);
    gp::GdipSetClipRectI(g, rect.left, rect.top, rect.Width(), rect.Height(),
                         Gdiplus::CombineModeIntersect);
    Gdiplus::GpStringFormat* generic = nullptr;
    Gdiplus::GpStringFormat* format = nullptr;
    gp::GdipStringFormatGetGenericTypographic(&generic);
    gp::GdipCloneStringFormat(generic, &format);
    ui::ToGdiplusStringFormat(style, false, format);
    Gdiplus::GpSolidFill* brush = nullptr;
    gp::GdipCreateSolidFill(0xFEFFFFFF, &brush);
    Gdiplus::RectF layout(7, 5, 160, 30);
    gp::GdipDrawString(g, text.c_str(), static_cast<INT>(text.size()), small, &layout, format,
                       brush);
    gp::GdipDeleteBrush(brush);
    gp::GdipDeleteStringFormat(format);
    gp::GdipDeleteGraphics(g);

    int inked = 0, beyond = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 180; ++x) {
        const uint32_t p = PixelAt(kept.get(), x, y), q = PixelAt(direct.get(), x, y);
        EXPECT_EQ(p, PixelAt(first.get(), x, y));
        if (q != PixelAt(first.get(), 0, 0)) ++inked;
        for (int shift : {24, 16, 8, 0}) {
          if (std::abs(static_cast<int>((p >> shift) & 0xFF) -
                       static_cast<int>((q >> shift) & 0xFF)) > 2)
            ++beyond;
        }
      }
    }
    EXPECT_GT(inked, 100);
    EXPECT_EQ(beyond, 0) << std::hex << background;
  }

  auto ink = [](ui::IRenderContext* c) { return CountPixels(c, {0, 0, 180, 40}, NonZero); };
  auto white = draw(0xFFFFFFFF, 0);
  EXPECT_EQ(PixelAt(draw(0xFF00FF00, 0).get(), 0, 0), 0u);
  auto green = draw(0xFF00FF00, 0);
  EXPECT_EQ(CountPixels(green.get(), rect, [](uint32_t p) { return (p & 0x00FF00FF) != 0; }), 0)
      << "the colour is part of the key";
  fonts.font = large;  // the same id, another font
  auto bold = draw(0xFFFFFFFF, 0);
  EXPECT_GT(ink(bold.get()), ink(white.get()) * 3 / 2);
  auto wider = Make(180, 40);
  wider->DrawText({7, 5, 120, 35}, text, 0xFFFFFFFF, L"", style);
  EXPECT_EQ(CountPixelsOutside(wider.get(), {7, 5, 120, 35}, NonZero), 0) << "size is in the key";

  ui::SetRenderResources(previous);
  gp::GdipDeleteFont(small);
  gp::GdipDeleteFont(large);
  gp::GdipDeleteFontFamily(family);
}

// A blend from another context goes straight between the two surfaces; it
// gives GDI's AlphaBlend pixels, under the clip and origin of the target.
TEST_F(CachedDrawingTest, BlendsBetweenContextsMatchGdi) {
  auto layer = Make(30, 20);
  for (int i = 0; i < 6; ++i)
    layer->FillRect({i * 5, 0, i * 5 + 5, 20}, (0x30u + i * 0x25u) << 24 | 0x80FF40u >> i);
  layer->FillRect({0, 10, 30, 20}, 0x80FFFFFF);
  for (uint8_t alpha : {uint8_t{255}, uint8_t{200}, uint8_t{1}}) {
    SCOPED_TRACE(int(alpha));
    auto ours = Make(50, 40);
    auto theirs = Make(50, 40);
    for (ui::IRenderContext* c : {ours.get(), theirs.get()}) {
      c->FillRect({0, 0, 50, 40}, 0xFF204060);
      c->FillRect({0, 0, 25, 40}, 0x60A0A0A0);
      c->SetWindowOrg({-4, -3});
      c->ClipRect({0, 0, 40, 30});
    }
    EXPECT_TRUE(ours->AlphaBlend(-2, 1, 28, 18, layer->GetDC(), 2, 1, 28, 18, alpha));
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    ::AlphaBlend(theirs->GetDC(), -2, 1, 28, 18, layer->GetDC(), 2, 1, 28, 18, blend);
    int beyond = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 50; ++x) {
        const uint32_t p = PixelAt(ours.get(), x, y), q = PixelAt(theirs.get(), x, y);
        for (int shift : {24, 16, 8, 0}) {
          if (std::abs(static_cast<int>((p >> shift) & 0xFF) -
                       static_cast<int>((q >> shift) & 0xFF)) > 1)
            ++beyond;
        }
      }
    }
    EXPECT_EQ(beyond, 0);
    if (alpha > 1) {
      EXPECT_NE(PixelAt(ours.get(), 4, 4), PixelAt(ours.get(), 3, 4)) << "clip";
    }
  }
}

// One-pixel borders are drawn as solid strips; they give the pixels GDI+'s
// pen gives, right and bottom edges included, under an origin and a plain
// or rounded clip.
TEST_F(CachedDrawingTest, OnePixelBordersMatchGdiplus) {
  struct Case {
    UiRect rect;
    uint32_t color;
    int clip;  // 0 none, 1 a rectangle, 2 a rounded rectangle
  } cases[] = {
      {{5, 4, 40, 30}, 0xFF8899AA, 0},  {{5, 4, 40, 30}, 0x80FF2040, 0},
      {{0, 0, 49, 39}, 0xC0102030, 0},  {{10, 10, 11, 30}, 0xFF00FF00, 0},  // one column wide
      {{-3, 2, 30, 50}, 0x60FFFFFF, 1}, {{2, 2, 45, 35}, 0xFF8899AA, 2},
      {{2, 2, 45, 35}, 0x90204060, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.rect.left << "," << c.rect.top << " " << std::hex
                                      << c.color << " clip " << c.clip);
    auto ours = Make(50, 40);
    auto theirs = Make(50, 40);
    for (ui::IRenderContext* ctx : {ours.get(), theirs.get()}) {
      ctx->FillRect({0, 0, 50, 40}, 0xFF204060);
      ctx->FillRect({0, 0, 25, 40}, 0x60A0A0A0);
      ctx->SetWindowOrg({-2, -1});
      if (c.clip == 1) ctx->ClipRect({1, 3, 36, 28});
      if (c.clip == 2) ctx->ClipRoundRect({0, 0, 46, 36}, 12, 12);
    }
    ours->DrawRect(c.rect, 1, c.color);
    Gdiplus::GpGraphics* g = nullptr;
    gp::GdipCreateFromHDC(theirs->GetDC(), &g);
    Gdiplus::GpPen* pen = nullptr;
    gp::GdipCreatePen1(c.color, 1, Gdiplus::UnitWorld, &pen);
    gp::GdipDrawRectangleI(g, pen, c.rect.left, c.rect.top, c.rect.Width(), c.rect.Height());
    gp::GdipDeletePen(pen);
    gp::GdipDeleteGraphics(g);
    auto background = Make(50, 40);
    background->FillRect({0, 0, 50, 40}, 0xFF204060);
    background->FillRect({0, 0, 25, 40}, 0x60A0A0A0);
    int differ = 0, drawn = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 50; ++x) {
        differ += PixelAt(ours.get(), x, y) != PixelAt(theirs.get(), x, y);
        drawn += PixelAt(theirs.get(), x, y) != PixelAt(background.get(), x, y);
      }
    }
    EXPECT_EQ(differ, 0);
    EXPECT_GT(drawn, 20);
  }
}

TEST(PixelOpsTest, BilinearScaleTable) {
  const uint32_t row[3] = {0xFF000000, 0xFF640000, 0x80008000};
  struct Case {
    int dest_width, reach;  // reach -1: a block of two pixels, none past it
    std::vector<uint32_t> want;
  } cases[] = {
      {3, 0, {0xFF000000, 0xFF640000, 0x80008000}},              // own size: copied
      {6, 0, {0xFF000000, 0xFF320000, 0xFF640000, 0xBF324000, 0x80008000, 0x80008000}},
      {2, 0, {0xFF000000, 0xBF324000}},                          // shrunk: two taps
      // Two pixels onto three: the last repeats, or is read past the block.
      {3, -1, {0xFF000000, 0xFF420000, 0xFF640000}},
      {3, 1, {0xFF000000, 0xFF420000, 0xD4422A00}},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> out(static_cast<size_t>(c.dest_width));
    const int width = c.reach == 0 ? 3 : 2;
    ui::ScaleBilinear({row, width, 1, 3}, {out.data(), c.dest_width, 1, c.dest_width},
                      std::max(c.reach, 0));
    EXPECT_EQ(out, c.want) << c.dest_width << " reach " << c.reach;
  }
  // Rows as columns: the same filter vertically.
  std::vector<uint32_t> column(6);
  ui::ScaleBilinear({row, 1, 3, 1}, {column.data(), 1, 6, 1});
  EXPECT_EQ(column, cases[1].want);
}

TEST(PixelCacheTest, LeastRecentlyUsedGoFirstAndLargeEntriesAreRefused) {
  auto entry = [](size_t pixels) {
    ui::PixelCache::Entry e;
    e.pixels.assign(pixels, 1);
    return e;
  };
  ui::PixelCache cache(400);  // 100 pixels
  ASSERT_TRUE(cache.Put("a", entry(20)));
  ASSERT_TRUE(cache.Put("b", entry(20)));
  ASSERT_TRUE(cache.Put("c", entry(20)));
  EXPECT_TRUE(cache.Find("a"));  // now the most recent
  ASSERT_TRUE(cache.Put("d", entry(25)));
  ASSERT_TRUE(cache.Put("e", entry(25)));  // 110 pixels: b, the oldest, goes
  EXPECT_FALSE(cache.Find("b"));
  EXPECT_TRUE(cache.Find("a"));
  EXPECT_EQ(cache.bytes(), 90u * 4);
  EXPECT_FALSE(cache.Put("big", entry(26))) << "over a quarter of the budget";
  EXPECT_FALSE(cache.Find("big"));
  ASSERT_TRUE(cache.Put("a", entry(5)));  // replaced
  EXPECT_EQ(cache.Find("a")->pixels.size(), 5u);
  EXPECT_EQ(cache.bytes(), 75u * 4);
}

}  // namespace
}  // namespace ui_test
