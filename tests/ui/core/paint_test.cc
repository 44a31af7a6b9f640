// A small tree laid out and painted through the render context: the
// pixels show where each control landed and that hidden ones are skipped.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace ui
