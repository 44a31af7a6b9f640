// What a window's paint leaves on its surface: fills, a nine-grid image,
// GDI text whose alpha was repaired, a shadow margin that stays
// transparent, repaints limited to what was invalidated, and the window's
// fade-in and fade-out alpha over an injected clock.
#include <gtest/gtest.h>

#include <vector>

#include "ui/core/control.h"
#include "ui/core/window_shadow.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"
#include "ui/window/window_test_support.h"

namespace ui {
namespace {

using ui_test::AlphaAt;
using ui_test::CountPixels;
using ui_test::PixelAt;
using ui_test::Pump;
using ui_test::TestWindow;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kYellow = 0xFFFFFF00;

// 200 x 100 inside a 14-pixel shadow margin: a blue strip, a text row, a
// nine-grid image and a control that changes colour when pressed.
const wchar_t kSkin[] =
    L"<Window size=\"200,100\">"
    L"<VBox name=\"body\" bkcolor=\"red\">"
    L"<Control name=\"strip\" height=\"10\" bkcolor=\"blue\"/>"
    L"<GdiText name=\"text\" height=\"30\" bkcolor=\"white\"/>"
    L"<HBox height=\"40\">"
    L"<NineGrid name=\"grid\" width=\"60\"/>"
    L"<Click name=\"press\" width=\"40\" normalcolor=\"white\" pushedcolor=\"yellow\"/>"
    L"</HBox></VBox></Window>";

class WindowPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& colors = resources_.resources.colors;
    colors[L"red"] = kRed;
    colors[L"blue"] = kBlue;
    colors[L"white"] = kWhite;
    colors[L"yellow"] = kYellow;
    window_ = new TestWindow(kSkin);
    window_->gone = &gone_;
    window_->SetTimerManager(&timers_.manager);
    hwnd_ = window_->Open();
    ASSERT_TRUE(hwnd_);
    ui_test::PaintNow(hwnd_);
    render_ = window_->GetRenderContext();
  }
  void TearDown() override {
    if (!gone_) ::DestroyWindow(hwnd_);
    Pump();
  }
  UiRect Pos(const wchar_t* name) { return window_->FindControlByName(name)->GetPos(); }
  uint32_t At(int x, int y) { return PixelAt(render_, x, y); }

  ui_test::ScopedTestResources resources_;
  ui_test::ManualTimers timers_;
  TestWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  bool gone_ = false;
  IRenderContext* render_ = nullptr;
};

TEST_F(WindowPaintTest, SurfaceAfterTheFirstPaint) {
  ASSERT_EQ(228, render_->GetWidth());
  ASSERT_EQ(128, render_->GetHeight());
  const UiRect content{14, 14, 214, 114};
  EXPECT_EQ(content, Pos(L"body"));

  // Fills.
  EXPECT_EQ((UiRect{14, 14, 214, 24}), Pos(L"strip"));
  // The content's corners are rounded (3 px, from the default shadow), so
  // the fills are checked one pixel in.
  EXPECT_EQ(kBlue, At(15, 15));
  EXPECT_EQ(kBlue, At(213, 23));
  EXPECT_EQ(kRed, At(212, 112));

  // The shadow margin is never made opaque.
  const UiRect whole{0, 0, 228, 128};
  EXPECT_EQ(0, CountPixels(render_, whole, [](uint32_t p) { return (p >> 24) == 0xFF; }) -
                   CountPixels(render_, content, [](uint32_t p) { return (p >> 24) == 0xFF; }));
  // Inside, everything is opaque but the four corner pixels the round
  // corners cut off.
  EXPECT_EQ(4, CountPixels(render_, content, [](uint32_t p) { return (p >> 24) != 0xFF; }));

  // GDI text: its ink stays inside its rectangle and got its alpha back.
  const UiRect text = Pos(L"text");
  EXPECT_EQ((UiRect{14, 24, 214, 54}), text);
  const auto ink = [](uint32_t p) { return (p & 0xFF) < 0x80; };
  EXPECT_GT(CountPixels(render_, text, ink), 20);
  EXPECT_EQ(0, CountPixels(render_, text, [](uint32_t p) { return (p >> 24) != 0xFF; }));
  const UiRect grid = Pos(L"grid");
  const UiRect press = Pos(L"press");
  EXPECT_EQ(0, CountPixels(render_, UiRect{press.left, press.top, press.right, press.bottom},
                           ink));

  // The nine-grid image: 4-pixel corners kept, edges and middle stretched.
  EXPECT_EQ((UiRect{14, 54, 74, 94}), grid);
  EXPECT_EQ(kRed, At(grid.left, grid.top));
  EXPECT_EQ(kRed, At(grid.left + 3, grid.top + 3));
  EXPECT_EQ(kGreen, At(grid.left + 4, grid.top + 1));
  EXPECT_EQ(kGreen, At(grid.left + 30, grid.top + 3));
  EXPECT_EQ(kBlue, At(grid.left + 30, grid.top + 20));
  EXPECT_EQ(kGreen, At(grid.right - 3, grid.top + 20));
  EXPECT_EQ(kRed, At(grid.right - 1, grid.bottom - 1));
  EXPECT_EQ(kWhite, At(press.left + 1, press.top + 1));
}

TEST_F(WindowPaintTest, RepaintTouchesOnlyWhatWasInvalidated) {
  window_->Show();
  const UiRect press = Pos(L"press");
  // Marks in the surface far from the control: a repaint of the control
  // must leave them.
  uint32_t* bits = render_->GetBits();
  bits[16 * 228 + 16] = 0x12345678;
  bits[100 * 228 + 200] = 0x12345678;
  Control* control = window_->FindControlByName(L"press");
  control->SetState(kControlStatePushed);
  Pump();
  EXPECT_EQ(kYellow, At(press.left + 1, press.top + 1));
  EXPECT_EQ(kYellow, At(press.right - 1, press.bottom - 1));
  EXPECT_EQ(0x12345678u, At(16, 16));
  EXPECT_EQ(0x12345678u, At(200, 100));
  control->SetState(kControlStateNormal);
  Pump();
  EXPECT_EQ(kWhite, At(press.left + 1, press.top + 1));
  EXPECT_EQ(0x12345678u, At(16, 16));
  // A click takes the focus (the window's too) and repaints the control.
  ::SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.left + 5, press.top + 5));
  Pump();
  EXPECT_EQ(kYellow, At(press.left + 1, press.top + 1));
}

TEST_F(WindowPaintTest, FadeInAndOutFollowTheClock) {
  // The first paint started the fade from 0.
  EXPECT_FALSE(window_->IsFirstPaintPending());
  std::vector<int> alphas{window_->GetWindowAlpha()};
  for (int i = 0; i < 20; ++i) {
    timers_.Pass(16);
    alphas.push_back(window_->GetWindowAlpha());
  }
  EXPECT_EQ(0, alphas.front());
  EXPECT_EQ(255, alphas.back());
  EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end()));
  EXPECT_TRUE(std::any_of(alphas.begin(), alphas.end(), [](int a) { return a > 0 && a < 255; }));
  // Every step asked for a paint; the paints keep the surface whole.
  Pump();
  EXPECT_EQ(kBlue, At(15, 15));

  // Close: the alpha runs back down, then WM_CLOSE comes 300 ms after.
  window_->Close(1);
  std::vector<int> down{window_->GetWindowAlpha()};
  for (int i = 0; i < 18 && !gone_; ++i) {
    timers_.Pass(16);
    down.push_back(window_->GetWindowAlpha());
    Pump();
  }
  EXPECT_EQ(0, down.back());
  EXPECT_TRUE(std::is_sorted(down.rbegin(), down.rend()));
  EXPECT_FALSE(gone_);
  timers_.Pass(40);
  EXPECT_TRUE(ui_test::PumpUntil([this] { return gone_; }));
}

TEST_F(WindowPaintTest, StripBeyondTheScreenEdgeIsRepaintedWhenItComesBack) {
  window_->Show();
  const int screen_left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  ::SetWindowPos(hwnd_, nullptr, screen_left - 50, 100, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ui_test::PaintNow(hwnd_);
  Pump();
  uint32_t* bits = render_->GetBits();
  bits[30 * 228 + 20] = 0x12345678;   // in the strip beyond the edge
  bits[30 * 228 + 150] = 0x12345678;  // right of the update rectangle
  // An update that starts exactly on the screen's edge reaches back to the
  // window's own left edge.
  RECT update{50, 20, 120, 40};
  ::InvalidateRect(hwnd_, &update, FALSE);
  ::SendMessageW(hwnd_, WM_PAINT, 0, 0);
  EXPECT_NE(0x12345678u, At(20, 30));
  EXPECT_EQ(0x12345678u, At(150, 30));
}

TEST(ShadowBoxTest, PaintsItsImageOnlyWhenThePaintReachesTheMargin) {
  ui_test::ScopedTestResources resources;
  resources.resources.colors[L"red"] = kRed;
  RenderFactory_GdiPlus factory;
  auto render = factory.CreateRenderContext();
  render->Resize(40, 40);
  render->Clear();
  WindowShadow shadow;
  auto root = std::make_unique<Control>();
  root->SetFixedWidth(12, true, false);
  std::unique_ptr<Control> owner = shadow.AttachToRoot(std::move(root));
  Box* box = shadow.box;
  ASSERT_EQ(owner.get(), box);
  EXPECT_EQ(40, box->GetFixedWidth());
  box->SetBkColor(L"red");
  box->SetPos(UiRect{0, 0, 40, 40});
  // Wholly inside the content: the margin is left alone.
  box->Paint(render.get(), UiRect{14, 14, 26, 26});
  EXPECT_EQ(0, CountPixels(render.get(), UiRect{0, 0, 40, 40},
                           [](uint32_t p) { return p != 0; }));
  // An opaque background fills the painted rectangle only.
  box->Paint(render.get(), UiRect{10, 14, 26, 26});
  EXPECT_EQ(kRed, PixelAt(render.get(), 10, 14));
}

}  // namespace
}  // namespace ui
