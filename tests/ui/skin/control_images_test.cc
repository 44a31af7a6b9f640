// A control's images painted from the test skin archive: paths under the
// resource root and the window's folder, language variants, image
// attributes and modifiers, the state images of buttons, check boxes and
// options, and the animated background paced by a test clock.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "skin_test_archives.h"
#include "ui/animation/fake_timing.h"
#include "ui/controls/check_box.h"
#include "ui/controls/label.h"
#include "ui/controls/progress.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"

namespace ui {
namespace {

// Pixels of public/opaque.png: (x, y) is (200, 40x, 40y).
uint32_t Opaque(int x, int y) { return 0xC80000u | (40u * x) << 8 | 40u * y; }

class ControlImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalResources& r = GlobalResources::Instance();
    r.SetArchive(SkinArchive::Open(skin_test::kSkinZip, 0, kArchiveSourceName, ""));
    ASSERT_TRUE(r.archive());
    r.SetResourceRoot(L"resources\\themes\\default");
    r.SetLanguage(L"en");
    render_ = factory_.CreateRenderContext();
    render_->Resize(12, 12);
  }
  void TearDown() override {
    GlobalResources& r = GlobalResources::Instance();
    r.CloseSkinArchive();
    r.SetLanguage(L"zh_CN");
  }
  // Paints the control alone into a cleared surface.
  void PaintAlone(Control* control) {
    render_->Clear();
    control->Paint(render_.get(), UiRect{0, 0, 12, 12});
  }
  uint32_t Rgb(int x, int y) { return ui_test::PixelAt(render_.get(), x, y) & 0xFFFFFF; }

  RenderFactory_GdiPlus factory_;
  std::unique_ptr<IRenderContext> render_;
};

TEST_F(ControlImagesTest, BackgroundPathsLanguagesAndAttributes) {
  struct {
    const wchar_t* folder;    // the window's skin folder
    const wchar_t* language;
    bool adapt;
    const wchar_t* image;
    int x, y;
    uint32_t rgb;  // 0: nothing drawn there
  } cases[] = {
      // dest is moved by the control's top left (2, 2).
      {L"", L"en", false, L"file='public/opaque.png' source='1,2,2,3' dest='1,1,2,2'", 3, 3,
       Opaque(1, 2)},
      {L"", L"en", false, L"file='public/opaque.png' source='1,2,2,3' dest='1,1,2,2'", 1, 1, 0},
      {L"", L"en", false, L"file='public/opaque.png' source='1,2,2,3' fade='0'", 5, 5, 0},
      {L"", L"en", false, L"file='public/none.png'", 5, 5, 0},
      // Relative to the window's folder; the language variant only when
      // asked for and present.
      {L"main", L"en", false, L"bk.png", 5, 5, 0x0A141E},
      {L"main", L"ko", true, L"bk.png", 5, 5, 0x1E140A},
      {L"main", L"ko", false, L"bk.png", 5, 5, 0x0A141E},
      {L"main", L"en", true, L"bk.png", 5, 5, 0x0A141E},
  };
  for (const auto& c : cases) {
    GlobalResources::Instance().SetLanguage(c.language);
    Window window;
    window.SetResourcePath(c.folder);
    Control* control = new Control;
    window.SetRoot(control);
    control->SetPos(UiRect{2, 2, 10, 10});
    control->SetAttribute(L"bkimageadaptlanguage", c.adapt ? L"true" : L"false");
    control->SetBkImage(c.image);
    PaintAlone(control);
    EXPECT_EQ(c.rgb, Rgb(c.x, c.y)) << c.image << " " << c.language;
  }
}

TEST_F(ControlImagesTest, CachedAndTranslucentControlsKeepTheirImagesOpaque) {
  // An opaque picture stretched into the control's own buffer must not come
  // out transparent, whatever mode the window's surface is in.
  for (const wchar_t* attributes : {L"cache=\"true\"", L"alpha=\"128\""}) {
    Control control;
    control.ApplyAttributeList(attributes);
    control.SetPos(UiRect{0, 0, 12, 12});
    control.SetBkImage(L"file='public/opaque.png'");
    render_->Clear();
    control.PaintBlended(render_.get(), UiRect{0, 0, 12, 12});
    const uint8_t alpha = control.GetAlpha() == 255 ? 255 : 128;
    EXPECT_EQ(alpha, ui_test::AlphaAt(render_.get(), 1, 1)) << attributes;
    EXPECT_EQ(alpha, ui_test::AlphaAt(render_.get(), 10, 10)) << attributes;
  }
}

TEST_F(ControlImagesTest, MissingImageIsForgotten) {
  Control control;
  control.SetPos(UiRect{0, 0, 8, 8});
  control.SetBkImage(L"file='public/none.png'");
  PaintAlone(&control);
  EXPECT_FALSE(control.GetBkImage().HasFile());
}

TEST_F(ControlImagesTest, StateImagesOfButtonsCheckBoxesAndOptions) {
  // One source pixel per look: normal (0,0), hot (1,0), pushed (2,0),
  // disabled (3,0), selected normal (0,1), selected hot (1,1).
  const wchar_t* const kAttributes[][2] = {
      {L"normalimage", L"file='public/opaque.png' source='0,0,1,1'"},
      {L"hotimage", L"file='public/opaque.png' source='1,0,2,1'"},
      {L"pushedimage", L"file='public/opaque.png' source='2,0,3,1'"},
      {L"disabledimage", L"file='public/opaque.png' source='3,0,4,1'"},
      {L"selectednormalimage", L"file='public/opaque.png' source='0,1,1,2'"},
      {L"selectedhotimage", L"file='public/opaque.png' source='1,1,2,2'"},
  };
  struct {
    int state;
    bool selected;
    uint32_t rgb;
  } looks[] = {
      {kControlStateNormal, false, Opaque(0, 0)},   {kControlStateHot, false, Opaque(1, 0)},
      {kControlStatePushed, false, Opaque(2, 0)},   {kControlStateDisabled, false, Opaque(3, 0)},
      {kControlStateNormal, true, Opaque(0, 1)},    {kControlStateHot, true, Opaque(1, 1)},
      // Selected without a selected pushed image: the selected hot one.
      {kControlStatePushed, true, Opaque(1, 1)},
  };
  Button button;
  CheckBox check_box;
  Option option;
  for (Control* control : {static_cast<Control*>(&button), static_cast<Control*>(&check_box),
                           static_cast<Control*>(&option)}) {
    control->SetPos(UiRect{0, 0, 8, 8});
    for (const auto& a : kAttributes) control->SetAttribute(a[0], a[1]);
  }
  for (const auto& look : looks) {
    if (!look.selected) {
      button.SetState(look.state);
      PaintAlone(&button);
      EXPECT_EQ(look.rgb, Rgb(4, 4)) << "button " << look.state;
    }
    for (CheckBox* box : {&check_box, static_cast<CheckBox*>(&option)}) {
      box->SetSelected(look.selected, false);
      box->SetState(look.state);
      PaintAlone(box);
      EXPECT_EQ(look.rgb, Rgb(4, 4)) << "selected " << look.selected << " " << look.state;
    }
  }
  // A selected check box without selected images paints no state image.
  CheckBox plain;
  plain.SetPos(UiRect{0, 0, 8, 8});
  plain.SetAttribute(L"normalimage", kAttributes[0][1]);
  plain.SetSelected(true, false);
  PaintAlone(&plain);
  EXPECT_EQ(0u, ui_test::PixelAt(render_.get(), 4, 4));
}

TEST_F(ControlImagesTest, ProgressImageIsStretchedOrCut) {
  // Half of a 4-pixel bar: the picture squeezed into two columns, or its
  // own first two columns.
  std::map<std::wstring, uint32_t> second_column;
  for (const wchar_t* stretch : {L"true", L"false"}) {
    Progress progress;
    progress.SetPos(UiRect{0, 0, 4, 4});
    progress.SetAttribute(L"progressimage", L"file='public/opaque.png'");
    progress.SetAttribute(L"isstretchfore", stretch);
    progress.SetValue(50);
    PaintAlone(&progress);
    EXPECT_EQ(Opaque(0, 0), Rgb(0, 0)) << stretch;
    EXPECT_EQ(0u, ui_test::PixelAt(render_.get(), 2, 0)) << stretch;  // unfilled part
    second_column[stretch] = Rgb(1, 0);
  }
  EXPECT_EQ(Opaque(1, 0), second_column[L"false"]);
  EXPECT_GT(second_column[L"true"] & 0xFF00, Opaque(1, 0) & 0xFF00);
}

TEST_F(ControlImagesTest, AnimatedBackgroundPlaysItsFramesAndStopsOnTheLast) {
  ui_test::ManualTimers timers;
  Control control;
  control.SetTimerManager(&timers.manager);
  control.SetPos(UiRect{0, 0, 4, 4});
  control.SetBkImage(L"file='public/spinner.gif' playcount='1'");
  int ends = 0;
  control.AttachAnimationEnd(1, [&ends](EventArgs* args) {
    ++ends;
    return true;
  });
  // The first paint starts the animation; frames are red, green, blue, each
  // shown 100 ms.
  PaintAlone(&control);
  const uint32_t expected[] = {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00, 0x0000FF, 0x0000FF,
                               0x0000FF, 0x0000FF};
  for (uint32_t rgb : expected) {
    PaintAlone(&control);
    EXPECT_EQ(rgb, Rgb(1, 1)) << control.GetBkImage().GetCurrentFrame();
    timers.Pass(50);
  }
  // One loop played: the last frame stays, never past it, and the end
  // listeners ran once.
  timers.Pass(1000);
  PaintAlone(&control);
  EXPECT_EQ(0x0000FFu, Rgb(1, 1));
  EXPECT_EQ(2, control.GetBkImage().GetCurrentFrame());
  EXPECT_FALSE(control.GetBkImage().IsPlaying());
  EXPECT_EQ(1, ends);
}

TEST_F(ControlImagesTest, ShortFrameDelaysAreSlowedDown) {
  struct {
    const wchar_t* file;
    int shown_ms;
  } cases[] = {{L"file='public/fast.gif'", 100},    // 20 ms
               {L"file='public/quick.gif'", 50},    // 40 ms
               {L"file='public/spinner.gif'", 100}};  // 100 ms as given
  for (const auto& c : cases) {
    ui_test::ManualTimers timers;
    Control control;
    control.SetTimerManager(&timers.manager);
    control.SetPos(UiRect{0, 0, 4, 4});
    control.SetBkImage(c.file);
    PaintAlone(&control);
    ASSERT_TRUE(control.GetBkImage().IsPlaying()) << c.file;
    timers.Pass(c.shown_ms - 1);
    EXPECT_EQ(0, control.GetBkImage().GetCurrentFrame()) << c.file;
    timers.Pass(1);
    EXPECT_EQ(1, control.GetBkImage().GetCurrentFrame()) << c.file;
  }
}

}  // namespace
}  // namespace ui
