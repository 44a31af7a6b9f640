// The slider in a window, driven by real mouse messages: a click on the bar,
// a drag of the thumb with the capture held outside the control, the wheel,
// the ends of the track, ranges and tracks a skin can make degenerate, and a
// slider that hands the mouse to its parent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/controls/slider.h"
#include "ui/render/render_test_support.h"
#include "ui/window/window_test_support.h"

namespace ui {
namespace {

using ui_test::PointParam;
using ui_test::Pump;
using ui_test::TestWindow;

// The slider's rectangle is (10, 10)-(110, 30): 100 pixels, thumb 10 x 10.
std::wstring SkinWith(const std::wstring& slider_attributes) {
  return L"<Window shadowattached=\"false\" size=\"200,100\">"
         L"<VBox name=\"root\" bkcolor=\"white\" padding=\"10,10,10,10\">"
         L"<Slider name=\"s\" width=\"100\" height=\"20\" thumbsize=\"10,10\" " +
         slider_attributes + L"/></VBox></Window>";
}

class SliderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    Pump();
  }
  void Open(const std::wstring& attributes) {
    window_ = new TestWindow(SkinWith(attributes));
    hwnd_ = window_->Open();
    ASSERT_TRUE(hwnd_);
    ui_test::PaintNow(hwnd_);
    slider_ = dynamic_cast<Slider*>(window_->FindControlByName(L"s"));
    ASSERT_TRUE(slider_);
    slider_->AttachEvent(kEventValueChange, [this](EventArgs*) {
      changes_.push_back(slider_->GetValue());
      return true;
    });
  }
  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam) {
    return ::SendMessageW(hwnd_, message, wparam, lparam);
  }
  void Press(int x, int y) { Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y)); }
  void Move(int x, int y) { Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(x, y)); }
  void Release(int x, int y) { Send(WM_LBUTTONUP, 0, PointParam(x, y)); }
  // The slider's own paint, as the window's next paint would run it.
  void PaintSlider() { slider_->Paint(window_->GetRenderContext(), slider_->GetPos()); }
  void Wheel(int delta) {
    const UiRect r = slider_->GetPos();
    POINT screen{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(hwnd_, &screen);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), PointParam(screen.x, screen.y));
  }

  ui_test::ScopedTestResources resources_;
  TestWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  Slider* slider_ = nullptr;
  std::vector<double> changes_;
};

TEST_F(SliderTest, AClickOnTheBarMovesTheThumbThere) {
  Open(L"min=\"0\" max=\"100\"");
  ASSERT_EQ((UiRect{10, 10, 110, 30}), slider_->GetPos());
  Press(65, 20);  // on the bar, not on the thumb (which sits at the left end)
  Release(65, 20);
  // (55 - 5) * 100 / 90
  EXPECT_NEAR(55.555, slider_->GetValue(), 0.01);
  ASSERT_EQ(1u, changes_.size());
  EXPECT_EQ(60, slider_->GetThumbRect().left);  // left + 50
  EXPECT_FALSE(slider_->IsMouseCaptured());
}

TEST_F(SliderTest, TheThumbFollowsADragOnlyWhileCapturedAndStopsAtTheEnds) {
  Open(L"min=\"0\" max=\"100\"");
  Move(40, 20);  // no button held on the thumb: nothing moves
  EXPECT_EQ(0, slider_->GetValue());
  Press(15, 20);  // on the thumb
  EXPECT_TRUE(slider_->IsMouseCaptured());
  Move(60, 20);
  EXPECT_NEAR((60 - 5 - 10) * 100.0 / 90, slider_->GetValue(), 0.01);
  EXPECT_TRUE(changes_.empty());  // a change is raised when the drag ends
  Move(500, 90);  // far outside the control, still captured
  EXPECT_EQ(100, slider_->GetValue());
  Move(-50, 20);
  EXPECT_EQ(0, slider_->GetValue());
  Release(300, 20);
  EXPECT_EQ(100, slider_->GetValue());
  EXPECT_EQ((std::vector<double>{100}), changes_);
  EXPECT_FALSE(slider_->IsMouseCaptured());
}

TEST_F(SliderTest, TheWheelStepsAndThePaintHoldsTheValueInRange) {
  Open(L"min=\"0\" max=\"100\" value=\"98\" step=\"5\"");
  Wheel(WHEEL_DELTA);
  EXPECT_EQ(103, slider_->GetValue());  // stored as stepped
  ASSERT_EQ(1u, changes_.size());
  PaintSlider();
  EXPECT_EQ(100, slider_->GetValue());
  Wheel(-WHEEL_DELTA);
  EXPECT_EQ(95, slider_->GetValue());
}

TEST_F(SliderTest, VerticalSlidersCountFromTheBottom) {
  window_ = new TestWindow(
      L"<Window shadowattached=\"false\" size=\"200,200\"><VBox padding=\"10,10,10,10\">"
      L"<Slider name=\"s\" width=\"20\" height=\"100\" hor=\"false\" thumbsize=\"10,10\"/>"
      L"</VBox></Window>");
  hwnd_ = window_->Open();
  ASSERT_TRUE(hwnd_);
  ui_test::PaintNow(hwnd_);
  slider_ = dynamic_cast<Slider*>(window_->FindControlByName(L"s"));
  ASSERT_TRUE(slider_);
  Press(20, 30);
  Release(20, 30);
  // (bottom - half - y) * range / (height - thumb) = (110 - 5 - 30) * 100 / 90
  EXPECT_NEAR(83.333, slider_->GetValue(), 0.01);
  Press(20, 105);
  Release(20, 109);
  EXPECT_EQ(0, slider_->GetValue());
}

// Ranges and tracks that leave nothing to divide by: every position and
// value stays a plain number inside the control.
TEST_F(SliderTest, DegenerateRangesAndTracksGiveFinitePlaces) {
  struct Case {
    const wchar_t* attributes;
    int press_x;
  } cases[] = {
      {L"min=\"50\" max=\"50\"", 60},
      {L"min=\"80\" max=\"20\"", 60},
      {L"min=\"-2147483648\" max=\"2147483647\"", 40},
      {L"thumbsize=\"100,10\"", 60},   // thumb as long as the track
      {L"thumbsize=\"300,10\"", 60},   // longer than the track
      {L"thumbsize=\"0,0\"", 60},
      {L"width=\"0\"", 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::string(c.attributes, c.attributes + wcslen(c.attributes)));
    Open(c.attributes);
    for (int x : {c.press_x, 0, 500}) {
      Press(x, 20);
      Move(x + 3, 20);
      Release(x + 3, 20);
      Wheel(WHEEL_DELTA);
      PaintSlider();
      const double v = slider_->GetValue();
      EXPECT_TRUE(v == v) << "NaN";
      EXPECT_GE(v, slider_->GetMinValue());
      EXPECT_LE(v, slider_->GetMaxValue());
      const UiRect thumb = slider_->GetThumbRect();
      EXPECT_GT(thumb.left, -1000);
      EXPECT_LT(thumb.right, 1000);
    }
    ::DestroyWindow(hwnd_);
    Pump();
    changes_.clear();
  }
}

TEST_F(SliderTest, WithoutTheMouseTheParentGetsTheWheel) {
  Open(L"mouse=\"false\" value=\"10\"");
  int parent_wheels = 0;
  window_->FindControlByName(L"root")->AttachEvent(kEventScrollWheel, [&](EventArgs*) {
    ++parent_wheels;
    return true;
  });
  Wheel(WHEEL_DELTA);
  EXPECT_EQ(10, slider_->GetValue());
  EXPECT_TRUE(changes_.empty());
  EXPECT_EQ(1, parent_wheels);
}

}  // namespace
}  // namespace ui
