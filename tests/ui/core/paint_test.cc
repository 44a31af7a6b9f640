// A small tree laid out and painted through the render context: the
// pixels show where each control landed and that hidden ones are skipped.
#include <gtest/gtest.h>

#include <vector>

#include "ui/controls/box_kinds.h"
#include "ui/core/window.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"

namespace ui {
namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;

class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& colors = resources_.resources.colors;
    colors[L"red"] = kRed;
    colors[L"blue"] = kBlue;
    colors[L"green"] = kGreen;
    colors[L"black"] = kBlack;
    colors[L"white"] = kWhite;
    render_ = factory_.CreateRenderContext();
    render_->Resize(40, 30);
    render_->Clear();
  }
  uint32_t At(int x, int y) { return ui_test::PixelAt(render_.get(), x, y); }

  ui_test::ScopedTestResources resources_;
  RenderFactory_GdiPlus factory_;
  std::unique_ptr<IRenderContext> render_;
};

TEST_F(PaintTest, VerticalTreeWithBorderAndHiddenChild) {
  Window window;
  VBox* root = new VBox;
  root->SetAttribute(L"bkcolor", L"red");
  root->SetAttribute(L"padding", L"2,2,2,2");
  window.SetRoot(root);
  Control* top = new Control;
  top->ApplyAttributeList(L"height=\"10\" bkcolor=\"blue\"");
  Control* hidden = new Control;
  hidden->ApplyAttributeList(L"height=\"5\" bkcolor=\"white\" visible=\"false\"");
  Control* rest = new Control;
  rest->ApplyAttributeList(
      L"margin=\"5,1,5,1\" bkcolor=\"green\" bordercolor=\"black\" bordersize=\"1\"");
  root->Add(top);
  root->Add(hidden);
  root->Add(rest);
  root->SetPos(UiRect{0, 0, 40, 30});
  EXPECT_EQ((UiRect{2, 2, 38, 12}), top->GetPos());
  EXPECT_EQ((UiRect{7, 13, 33, 27}), rest->GetPos());

  root->PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
  EXPECT_EQ(kRed, At(0, 0));
  EXPECT_EQ(kRed, At(39, 29));
  EXPECT_EQ(kBlue, At(2, 2));
  EXPECT_EQ(kBlue, At(37, 11));
  EXPECT_EQ(kRed, At(20, 12));  // the hidden child takes no room and no paint
  EXPECT_EQ(kBlack, At(7, 13));
  EXPECT_EQ(kBlack, At(32, 26));
  EXPECT_EQ(kGreen, At(8, 14));
  EXPECT_EQ(kGreen, At(31, 25));
  EXPECT_EQ(kRed, At(6, 20));
  EXPECT_EQ(0, ui_test::CountPixels(render_.get(), UiRect{0, 0, 40, 30},
                                    [](uint32_t p) { return p == kWhite; }));
}

TEST_F(PaintTest, OnlyThePaintRectangleIsPainted) {
  HBox box;
  box.SetAttribute(L"bkcolor", L"red");
  Control* left = new Control;
  left->ApplyAttributeList(L"width=\"10\" bkcolor=\"blue\"");
  Control* right = new Control;
  right->SetAttribute(L"bkcolor", L"green");
  box.Add(left);
  box.Add(right);
  box.SetPos(UiRect{0, 0, 40, 30});
  // A child clipped to the paint rectangle's neighbourhood paints nothing
  // outside the control's own rectangle.
  box.PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
  EXPECT_EQ(kBlue, At(9, 15));
  EXPECT_EQ(kGreen, At(10, 15));
  EXPECT_EQ(kGreen, At(39, 0));

  render_->Clear();
  box.PaintBlended(render_.get(), UiRect{50, 50, 60, 60});  // misses the box
  EXPECT_EQ(0, ui_test::CountPixels(render_.get(), UiRect{0, 0, 40, 30},
                                    [](uint32_t p) { return p != 0; }));
}

TEST_F(PaintTest, AlphaBlendsTheControlOverItsChildren) {
  struct {
    int alpha;
    uint32_t over_child;  // where the blue child lies under the red box
    uint32_t bare;        // the red box alone
  } cases[] = {
      {255, kBlue, kRed},
      // Premultiplied: red at 128 over blue, and over nothing.
      {128, 0xFF80007F, 0x80800000},
      {0, 0, 0},  // neither the box nor its children
  };
  for (const auto& c : cases) {
    HBox box;
    box.SetAttribute(L"bkcolor", L"red");
    Control* child = new Control;
    child->ApplyAttributeList(L"width=\"10\" bkcolor=\"blue\"");
    box.Add(child);
    box.SetPos(UiRect{0, 0, 40, 30});
    box.SetAlpha(c.alpha);
    render_->Clear();
    box.PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
    EXPECT_EQ(c.over_child, At(5, 5)) << c.alpha;
    EXPECT_EQ(c.bare, At(20, 5)) << c.alpha;
    // Painted twice, the same: the buffer is made anew every time.
    render_->Clear();
    box.PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
    EXPECT_EQ(c.bare, At(20, 5)) << c.alpha;
  }
}

TEST_F(PaintTest, CachedControlRepaintsOnlyWhenInvalidated) {
  auto& colors = resources_.resources.colors;
  Control control;
  control.ApplyAttributeList(L"cache=\"true\" bkcolor=\"red\" bordercolor=\"black\" bordersize=\"2\"");
  control.SetPos(UiRect{10, 5, 30, 25});
  control.PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
  EXPECT_EQ(kRed, At(20, 15));
  EXPECT_EQ(kBlack, At(10, 5));
  EXPECT_EQ(0u, At(9, 5));
  // The table changes without an invalidation: the buffer still has red.
  colors[L"red"] = kGreen;
  render_->Clear();
  control.PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
  EXPECT_EQ(kRed, At(20, 15));
  EXPECT_EQ(kBlack, At(29, 24));
  control.Invalidate();
  control.PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
  EXPECT_EQ(kGreen, At(20, 15));
  colors[L"red"] = kRed;
}

TEST_F(PaintTest, OpaqueColourFillsThePaintedPartTranslucentTheWhole) {
  auto& colors = resources_.resources.colors;
  colors[L"half"] = 0x80FF0000;
  struct {
    const wchar_t* color;
    uint32_t outside_paint;  // inside the control, outside the paint rectangle
  } cases[] = {{L"red", 0}, {L"half", 0x80800000}};
  for (const auto& c : cases) {
    Control control;
    control.SetAttribute(L"bkcolor", c.color);
    control.SetPos(UiRect{0, 0, 40, 30});
    render_->Clear();
    control.Paint(render_.get(), UiRect{0, 0, 10, 10});
    EXPECT_EQ(c.outside_paint, At(20, 20)) << c.color;
    EXPECT_NE(0u, At(5, 5)) << c.color;
  }
}

TEST_F(PaintTest, Borders) {
  struct {
    const wchar_t* attributes;
    std::vector<UiPoint> inked;
    std::vector<UiPoint> clear;
  } cases[] = {
      // Size 3 on (0,0,20,10): the rectangle (1,1,18,8) with a 3-pixel pen.
      {L"bordersize=\"3\"", {{0, 5}, {2, 5}, {19, 5}, {17, 5}, {10, 0}, {10, 9}}, {{3, 5}, {10, 3}}},
      // One pixel on the left: (0,0)-(0,9).
      {L"leftbordersize=\"1\"", {{0, 0}, {0, 8}}, {{1, 5}, {19, 5}, {10, 0}}},
      {L"bordersize=\"0,0,0,2\"", {{0, 8}, {19, 9}}, {{10, 7}, {0, 0}}},
      {L"bordersize=\"2,0,2,0\"", {{0, 5}, {1, 5}, {18, 5}, {19, 5}}, {{2, 5}, {17, 5}, {10, 0}}},
      {L"bordercolor=\"nosuch\" bordersize=\"3\"", {}, {{0, 5}, {10, 0}}},
  };
  for (const auto& c : cases) {
    Control control;
    control.SetAttribute(L"bordercolor", L"black");
    control.ApplyAttributeList(c.attributes);
    control.SetPos(UiRect{0, 0, 20, 10});
    render_->Clear();
    control.Paint(render_.get(), UiRect{0, 0, 40, 30});
    for (UiPoint p : c.inked) EXPECT_EQ(kBlack, At(p.x, p.y)) << c.attributes << " " << p.x << "," << p.y;
    for (UiPoint p : c.clear) EXPECT_EQ(0u, At(p.x, p.y)) << c.attributes << " " << p.x << "," << p.y;
    EXPECT_EQ(0, ui_test::CountPixelsOutside(render_.get(), UiRect{0, 0, 20, 10},
                                             [](uint32_t p) { return p != 0; }))
        << c.attributes;
  }
}

TEST_F(PaintTest, RoundCornersAndRenderOffset) {
  Control round;
  round.ApplyAttributeList(L"bkcolor=\"red\" borderround=\"10,10\"");
  round.SetPos(UiRect{0, 0, 40, 30});
  round.PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
  EXPECT_EQ(0u, At(0, 0));
  EXPECT_EQ(0u, At(39, 29));
  EXPECT_EQ(kRed, At(20, 15));
  EXPECT_EQ(kRed, At(20, 0));

  // The offset moves the drawing, the clip stays on the control.
  Control moved;
  moved.ApplyAttributeList(L"bkcolor=\"blue\" renderoffset=\"5,0\"");
  moved.SetPos(UiRect{10, 0, 20, 10});
  render_->Clear();
  moved.PaintBlended(render_.get(), UiRect{0, 0, 40, 30});
  EXPECT_EQ(kBlue, At(10, 5));
  EXPECT_EQ(kBlue, At(14, 5));
  EXPECT_EQ(0u, At(16, 5));
  EXPECT_EQ(0u, At(5, 5));
}

}  // namespace
}  // namespace ui
