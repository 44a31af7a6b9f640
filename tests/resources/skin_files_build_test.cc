// Every skin file of the launcher's archive builds with the framework's skin
// builder, from the archive the build embeds in launcher.exe.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/render/dpi_scale.h"
#include "ui/skin/skin_archive.h"
#include "ui/skin/skin_builder.h"

namespace {

using ui::Control;
using ui::SkinBuilder;
using ui::GlobalResources;

const wchar_t* const kWindowFiles[] = {
    L"main/skin.xml",
    L"main/tab_asset_none.xml",
    L"main/tab_asset_setup.xml",
    L"main/tab_asset_download.xml",
    L"main/tab_asset_check.xml",
    L"main/tab_predlc_none.xml",
    L"main/tab_predlc_before.xml",
    L"main/tab_predlc_download.xml",
    L"main/tab_predlc_finish.xml",
    L"setting/skin.xml",
    L"setting/tab_label.xml",
    L"setting/tab_page0.xml",
    L"setting/tab_page1.xml",
    L"setting/tab_page2.xml",
    L"msgbox/skin.xml",
    L"optionsbox/skin.xml",
    L"predlc/skin.xml",
    L"predlc/popup_skin.xml",
    L"setup/skin.xml",
};

// Elements of the skins that nobody makes a control for yet: "CefControl",
// which the main window's callback answers, and the framework's controls
// still to land. Remove a name when its control lands; the list ends empty
// but for CefControl.
const std::set<std::wstring> kExpectedUnknown = {
    L"CefControl", L"Combo", L"RichEdit",
};

const std::wstring kUnknownPrefix = L"Unknown element: ";

// Names and problems are ASCII: narrowed for the failure messages.
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class LauncherSkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalResources& r = GlobalResources::Instance();
    r.SetResourceRoot(L"resources\\themes\\default\\");
    r.SetArchive(ui::SkinArchive::Open(L"resources.zip", 0, ui::kArchiveSourceName, ""));
    ASSERT_TRUE(r.archive());
  }
  void TearDown() override {
    GlobalResources& r = GlobalResources::Instance();
    r.CloseSkinArchive();
    r.colors.clear();
    r.RemoveAllFonts();
    ui::GlobalResources::Instance().ClearClasses();
  }
};

TEST_F(LauncherSkinTest, GlobalMarkupFillsFontsColoursAndClasses) {
  ui::Window window;
  SkinBuilder builder;
  std::unique_ptr<Control> none(builder.BuildFromMarkup(L"global.xml", nullptr, &window));
  EXPECT_FALSE(none);
  EXPECT_TRUE(builder.GetProblems().empty());
  const GlobalResources& r = GlobalResources::Instance();
  EXPECT_EQ(8u, r.GetFontCount());
  EXPECT_EQ(29u, r.colors.size());
  EXPECT_EQ(0xFFF0B43Cu, r.colors.at(L"accent"));
  EXPECT_EQ(0x1A000000u, r.colors.at(L"transbkblack_p10"));
  EXPECT_EQ(L"textdefaultcolor", r.default_text_color);
}

TEST_F(LauncherSkinTest, EveryWindowFileBuildsWithOnlyTheExpectedUnknownElements) {
  std::set<std::wstring> seen;
  for (const wchar_t* file : kWindowFiles) {
    SkinBuilder builder;
    std::unique_ptr<Control> root(builder.BuildFromMarkup(file, nullptr, nullptr));
    EXPECT_TRUE(root) << Narrow(file);
    for (const std::wstring& problem : builder.GetProblems()) {
      ASSERT_EQ(0u, problem.find(kUnknownPrefix))
          << Narrow(problem);
      const std::wstring element = problem.substr(kUnknownPrefix.size());
      EXPECT_TRUE(kExpectedUnknown.count(element))
          << Narrow(file) << " holds an element nobody builds: " << Narrow(element);
      seen.insert(element);
    }
  }
  // Names that build now are left for the list's owner to drop; say which.
  std::string landed;
  for (const std::wstring& name : kExpectedUnknown) {
    if (!seen.count(name)) landed += Narrow(name) + " ";
  }
  RecordProperty("expected_unknown_now_built", landed);
}

// The pre-download panel's round buttons are sized by their image alone
// (auto width and height, no "dest"): they must take the image's size, not
// shrink to nothing.
TEST_F(LauncherSkinTest, ImageOnlyAutoSizedButtonsTakeTheirImageSize) {
  ui::Window window;
  SkinBuilder global;
  std::unique_ptr<Control> none(global.BuildFromMarkup(L"global.xml", nullptr, &window));
  ASSERT_TRUE(global.GetProblems().empty());
  window.SetResourcePath(L"main\\");
  SkinBuilder builder;
  ASSERT_TRUE(window.SetRoot(builder.BuildFromMarkup(L"main/tab_predlc_before.xml", nullptr,
                                                     &window)));
  Control* button = window.FindControlByName(L"btn_download_ctrl");
  ASSERT_TRUE(button);
  EXPECT_EQ(ui::kSizeAuto, button->GetFixedWidth());
  const ui::UiSize size = button->EstimateSize(ui::UiSize{500, 500});
  EXPECT_EQ(36, size.cx);
  EXPECT_EQ(36, size.cy);

  // At 150 % the picture's size is scaled like any skin length.
  ui::DpiScale* dpi = ui::DpiScale::Instance();
  const int percent = dpi->GetScale();
  const bool adapt = dpi->IsAdaptDpi();
  dpi->SetScale(150);
  dpi->SetAdaptDpi(true);
  button->ArrangeUpward();
  const ui::UiSize scaled = button->EstimateSize(ui::UiSize{500, 500});
  dpi->SetScale(percent);
  dpi->SetAdaptDpi(adapt);
  EXPECT_EQ(54, scaled.cx);
  EXPECT_EQ(54, scaled.cy);
}

}  // namespace
