#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include "ui/render/draw_helpers.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"

namespace gp = Gdiplus::DllExports;

namespace ui_test {
namespace {

TEST(Primitives, PenKeepsItsColourAndWidth) {
  ui::RenderFactory_GdiPlus factory;
  auto pen = factory.CreatePen(0xFF102030, 2);
  EXPECT_EQ(pen->GetWidth(), 2);
  pen->SetWidth(3);
  EXPECT_EQ(pen->GetWidth(), 3);
  EXPECT_EQ(pen->GetColor(), 0xFF102030u);
  pen->SetDashStyle(Gdiplus::DashStyleDot);
  pen->SetStartCap(Gdiplus::LineCapRound);
  pen->SetLineJoin(Gdiplus::LineJoinBevel);
  auto copy = pen->Clone();
  pen->SetColor(0xFFFFFFFF);
  EXPECT_EQ(pen->GetColor(), 0xFFFFFFFFu);
  EXPECT_EQ(copy->GetColor(), 0xFF102030u);
  EXPECT_EQ(copy->GetWidth(), 3);
  EXPECT_EQ(copy->GetDashStyle(), Gdiplus::DashStyleDot);
  EXPECT_EQ(copy->GetStartCap(), Gdiplus::LineCapRound);
  EXPECT_EQ(copy->GetLineJoin(), Gdiplus::LineJoinBevel);
}

TEST(Primitives, BrushesFillPaths) {
  ui::RenderFactory_GdiPlus factory;
  auto solid = factory.CreateSolidBrush(0xFF00FF00);
  EXPECT_EQ(solid->GetColor(), 0xFF00FF00u);
  EXPECT_EQ(solid->GetBitmap(), nullptr);
  HBITMAP dib = MakeDib(4, 4, [](int, int) { return 0xFFFF0000u; });
  auto texture = factory.CreateBitmapBrush(dib);
  ::DeleteObject(dib);  // the brush keeps its own copy
  EXPECT_EQ(texture->GetColor(), 0u);
  auto clone = texture->Clone();
  texture.reset();

  auto path = factory.CreatePath();
  path->AddEllipse(ui::UiRect{0, 0, 20, 20});
  auto context = factory.CreateRenderContext();
  context->Resize(20, 20);
  context->FillPath(path.get(), clone.get());
  EXPECT_EQ(PixelAt(context.get(), 10, 10) & 0xFFFFFF, 0xFF0000u) << "the texture's colour";
  EXPECT_EQ(PixelAt(context.get(), 0, 0), 0u);
  context->FillPath(path.get(), solid.get());
  EXPECT_EQ(PixelAt(context.get(), 10, 10), 0xFF00FF00u);
}

TEST(Primitives, PathGeometryAndTransforms) {
  ui::RenderFactory_GdiPlus factory;
  auto path = factory.CreatePath();
  path->AddRect(ui::UiRect{10, 10, 30, 20});
  EXPECT_EQ(path->GetBounds(nullptr), (ui::UiRect{10, 10, 30, 20}));
  EXPECT_TRUE(path->IsVisiblePoint(15, 15));
  EXPECT_FALSE(path->IsVisiblePoint(5, 15));
  auto pen = factory.CreatePen(0xFF000000, 4);
  EXPECT_TRUE(path->IsOutlineVisiblePoint(10, 15, pen.get()));
  EXPECT_FALSE(path->IsOutlineVisiblePoint(20, 15, pen.get()));
  ui::UiRect widened = path->GetBounds(pen.get());
  EXPECT_LT(widened.left, 10);
  EXPECT_GT(widened.right, 30);

  path->Transform(nullptr);
  EXPECT_EQ(path->GetBounds(nullptr), (ui::UiRect{10, 10, 30, 20})) << "null matrix: unchanged";

  // RotateAt(90, (10, 10)) maps (20, 10) to (10, 20).
  auto line = factory.CreatePath();
  line->AddLine(20, 10, 20, 10);
  auto matrix = factory.CreateMatrix();
  matrix->RotateAt(90, {10, 10});
  line->Transform(matrix.get());
  ui::UiRect moved = line->GetBounds(nullptr);
  EXPECT_NEAR(moved.left, 10, 1);
  EXPECT_NEAR(moved.top, 20, 1);

  auto copy = path->Clone();
  path->Reset();
  EXPECT_EQ(copy->GetBounds(nullptr), (ui::UiRect{10, 10, 30, 20}));
  ui::UiPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
  path->AddPolygon(triangle, 3);
  EXPECT_TRUE(path->IsVisiblePoint(2, 2));
  EXPECT_FALSE(path->IsVisiblePoint(8, 8));
  path->AddLines(nullptr, 0);  // nothing to add: no call into GDI+
}

TEST(Primitives, TextStylesMapToStringFormats) {
  struct Case {
    uint32_t style;
    bool line_limit;
    INT flags;
    Gdiplus::StringAlignment align, line_align;
    Gdiplus::StringTrimming trimming;
  } cases[] = {
      {0, false, 0, Gdiplus::StringAlignmentNear, Gdiplus::StringAlignmentNear,
       Gdiplus::StringTrimmingNone},
      {DT_CENTER | DT_VCENTER | DT_SINGLELINE, false, Gdiplus::StringFormatFlagsNoWrap,
       Gdiplus::StringAlignmentCenter, Gdiplus::StringAlignmentCenter,
       Gdiplus::StringTrimmingNone},
      {DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM, false, 0, Gdiplus::StringAlignmentCenter,
       Gdiplus::StringAlignmentCenter, Gdiplus::StringTrimmingNone},
      {DT_RIGHT | DT_BOTTOM | DT_NOCLIP | DT_END_ELLIPSIS, true,
       Gdiplus::StringFormatFlagsNoClip | Gdiplus::StringFormatFlagsLineLimit,
       Gdiplus::StringAlignmentFar, Gdiplus::StringAlignmentFar,
       Gdiplus::StringTrimmingEllipsisCharacter},
  };
  for (const Case& c : cases) {
    Gdiplus::GpStringFormat* generic = nullptr;
    Gdiplus::GpStringFormat* format = nullptr;
    gp::GdipStringFormatGetGenericTypographic(&generic);
    gp::GdipCloneStringFormat(generic, &format);
    gp::GdipSetStringFormatTrimming(format, Gdiplus::StringTrimmingNone);
    ui::ToGdiplusStringFormat(c.style, c.line_limit, format);
    INT flags = -1;
    Gdiplus::StringAlignment align, line_align;
    Gdiplus::StringTrimming trimming;
    gp::GdipGetStringFormatFlags(format, &flags);
    gp::GdipGetStringFormatAlign(format, &align);
    gp::GdipGetStringFormatLineAlign(format, &line_align);
    gp::GdipGetStringFormatTrimming(format, &trimming);
    EXPECT_EQ(flags, c.flags) << std::hex << c.style;
    EXPECT_EQ(align, c.align) << std::hex << c.style;
    EXPECT_EQ(line_align, c.line_align) << std::hex << c.style;
    EXPECT_EQ(trimming, c.trimming) << std::hex << c.style;
    gp::GdipDeleteStringFormat(format);
  }
}

}  // namespace
}  // namespace ui_test
