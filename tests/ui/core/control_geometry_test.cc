// Geometry of a control: setting the rectangle, the size estimate, hit
// tests and the arrange protocol.
#include <gtest/gtest.h>

#include "ui/core/dpi_guard.h"
#include "ui/core/recording.h"
#include "ui/core/window.h"

namespace ui {
namespace {

class GeometryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = new Box;
    root_->SetPos(UiRect{0, 0, 100, 100});
    window_.SetRoot(root_);
  }
  Window window_;
  Box* root_ = nullptr;
};

TEST_F(GeometryTest, SetPosNormalisesAndRaisesResizeOncePerChange) {
  Control* control = new Control;
  root_->Add(control);
  int resizes = 0;
  control->AttachEvent(kEventResize, [&](EventArgs*) {
    // Moving it again from the listener raises no second event.
    if (++resizes == 1) control->SetPos(UiRect{1, 1, 9, 9});
    return true;
  });
  control->SetPos(UiRect{10, 10, 5, 5});
  EXPECT_EQ((UiRect{1, 1, 9, 9}), control->GetPos());
  EXPECT_EQ(1, resizes);
  control->SetPos(UiRect{20, 20, 30, 30});
  control->SetPos(UiRect{20, 20, 30, 30});
  EXPECT_EQ(2, resizes);
  EXPECT_FALSE(control->NeedsArrange());

  control->SetPos(UiRect{50, 40, 10, 30});
  EXPECT_EQ(3, resizes);
}

TEST_F(GeometryTest, RepaintCoversOldAndNewClippedByAncestors) {
  Box* panel = new Box;
  root_->Add(panel);
  panel->SetPos(UiRect{0, 0, 50, 50});
  Control* control = new Control;
  panel->Add(control);
  control->SetPos(UiRect{10, 10, 20, 20});
  window_.ResetInvalidArea();
  control->SetPos(UiRect{40, 40, 60, 60});
  EXPECT_EQ((UiRect{10, 10, 50, 50}), window_.GetInvalidArea());

  window_.ResetInvalidArea();
  control->SetPos(UiRect{70, 70, 80, 80});  // old part inside, new part outside
  EXPECT_EQ((UiRect{40, 40, 50, 50}), window_.GetInvalidArea());
}

TEST_F(GeometryTest, ShadowPaddingMovesThePositionWithoutShadow) {
  window_.SetShadow(true, UiRect{14, 12, 14, 16});
  Control* control = new Control;
  root_->Add(control);
  control->SetPos(UiRect{20, 20, 30, 30});
  EXPECT_EQ((UiRect{20, 20, 30, 30}), control->GetPos(true));
  EXPECT_EQ((UiRect{6, 8, 16, 18}), control->GetPos(false));
}

TEST(ControlGeometry, AutoSizeFromAFullImageDestination) {
  DpiGuard dpi(150);
  Control control;
  control.SetAttribute(L"width", L"auto");
  control.SetAttribute(L"bkimage", L"file='icon.png' dest='0,0,24,24'");
  UiSize size = control.EstimateSize(UiSize{500, 500});
  EXPECT_EQ((UiSize{36, 36}), size);
  EXPECT_EQ(36, control.GetFixedWidth());  // no longer auto

  Control partial;
  partial.SetAttribute(L"width", L"auto");
  partial.SetAttribute(L"height", L"auto");
  partial.SetAttribute(L"normalimage", L"file='icon.png'");  // not loaded
  EXPECT_EQ((UiSize{0, 0}), partial.EstimateSize(UiSize{500, 500}));
  EXPECT_EQ(kSizeAuto, partial.GetFixedWidth());
}

TEST(ControlGeometry, EstimateIsCachedUntilMarkedDirty) {
  struct Counting : Control {
    int calls = 0;
    UiSize EstimateTextSize(UiSize, bool*) override {
      ++calls;
      return UiSize{7, 8};
    }
  } control;
  control.SetAttribute(L"width", L"auto");
  control.SetAttribute(L"height", L"30");
  EXPECT_EQ((UiSize{7, 30}), control.EstimateSize(UiSize{100, 100}));
  EXPECT_EQ((UiSize{7, 30}), control.EstimateSize(UiSize{100, 100}));
  EXPECT_EQ(1, control.calls);
  control.ArrangeUpward();
  control.EstimateSize(UiSize{100, 100});
  EXPECT_EQ(2, control.calls);
}

TEST_F(GeometryTest, HitTestNeedsMouseEnabled) {
  Control* control = new Control;
  root_->Add(control);
  control->SetPos(UiRect{10, 10, 20, 20});
  auto self = [](Control* c, void*) { return c; };
  UiPoint inside{15, 15};
  EXPECT_EQ(control, control->FindControl(self, &inside, kFindHitTest));
  control->SetMouseEnabled(false);
  EXPECT_EQ(nullptr, control->FindControl(self, &inside, kFindHitTest));
  control->SetVisible(false);
  EXPECT_EQ(nullptr, control->FindControl(self, nullptr, kFindVisible));
  EXPECT_EQ(control, control->FindControl(self, nullptr, 0));
}

TEST(ControlGeometry, MarginScalesOnlyWhenAsked) {
  DpiGuard dpi(150);
  Control control;
  control.SetMargin(UiRect{1, 1, 2, 2}, false);
  EXPECT_EQ((UiRect{1, 1, 2, 2}), control.GetMargin());
  control.SetMargin(UiRect{1, 1, 2, 2}, true);
  // Scaled as a rectangle: origin and size apart.
  EXPECT_EQ((UiRect{2, 2, 4, 4}), control.GetMargin());
}

TEST_F(GeometryTest, ArrangeUpwardMarksAutoAncestorsAndAsksTheFirstFixedOne) {
  Box* fixed = new Box;
  Box* auto_box = new Box;
  Control* leaf = new Control;
  root_->Add(fixed);
  fixed->Add(auto_box);
  auto_box->Add(leaf);
  auto_box->SetAttribute(L"width", L"auto");
  fixed->SetAttribute(L"width", L"50");
  auto_box->EstimateSize(UiSize{100, 100});
  window_.ClearArrangePending();
  for (Control* c : {static_cast<Control*>(root_), static_cast<Control*>(fixed)})
    c->SetPos(c->GetPos());  // arranged

  leaf->ArrangeUpward();
  EXPECT_TRUE(auto_box->IsReEstimateSize());
  EXPECT_TRUE(fixed->NeedsArrange());
  EXPECT_TRUE(window_.IsArrangePending());
}

TEST_F(GeometryTest, HidingAnInnerHiddenControlDoesNotRearrange) {
  Box* panel = new Box;
  Control* control = new Control;
  root_->Add(panel);
  panel->Add(control);
  panel->SetVisible(false);
  EXPECT_FALSE(control->IsVisible());
  window_.ClearArrangePending();
  control->SetVisible(false);
  EXPECT_FALSE(window_.IsArrangePending());
  panel->SetVisible(true);
  EXPECT_FALSE(control->IsVisible());  // its own flag is off now
  window_.ClearArrangePending();
  control->SetVisible(true);
  EXPECT_TRUE(control->IsVisible());
  EXPECT_TRUE(window_.IsArrangePending());
}

}  // namespace
}  // namespace ui
