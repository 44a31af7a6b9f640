#include "ui/core/global_resources.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "skin_test_archives.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "ui/core/control.h"
#include "ui/core/image.h"
#include "ui/core/image_header.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/render_context.h"
#include "ui/render/render_factory_gdiplus.h"
#include "ui/render/render_test_support.h"
#include "ui/skin/language_table.h"

namespace {

using ui::GlobalResources;
using ui::ImageAttribute;
using ui::UiRect;

constexpr wchar_t kPublic[] = L"resources\\themes\\default\\public\\";

// Every test starts with empty tables, no archive and a root of its own.
class GlobalResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  void Reset() {
    GlobalResources& r = GlobalResources::Instance();
    r.CloseSkinArchive();
    r.RemoveAllFonts();
    r.colors.clear();
    r.ClearClasses();
    r.SetLanguage(L"zh_CN");
    r.SetResourceRoot(folder_.path());
    ui::LanguageTable::Instance().Clear();
  }
  void OpenTestArchive() {
    GlobalResources::Instance().SetArchive(
        ui::SkinArchive::Open(skin_test::kSkinZip, 0, ui::kArchiveSourceName, ""));
    ASSERT_TRUE(GlobalResources::Instance().archive());
  }
  testing_support::TempFolder folder_;
};

TEST_F(GlobalResourcesTest, RootsAndArchivePaths) {
  GlobalResources& r = GlobalResources::Instance();
  struct {
    const wchar_t* root;
    const wchar_t* expected;
  } roots[] = {{L"resources\\themes\\default", L"resources\\themes\\default\\"},
               {L"a/", L"a/"},
               {L"b\\", L"b\\"},
               {L"", L""}};
  for (const auto& c : roots) {
    r.SetResourceRoot(c.root);
    EXPECT_EQ(c.expected, r.GetResourceRoot()) << c.root;
  }
  struct {
    const wchar_t* path;
    const wchar_t* entry;
  } paths[] = {
      {L"\\a//b\\.\\c", L"a/b/c"},
      {L"resources\\themes\\default\\main\\..\\public\\bk_shadow.png",
       L"resources/themes/default/public/bk_shadow.png"},
      {L"x/../y", L"y"},
      {L"./a/./b", L"a/b"},
      {L"../../a", L"a"},  // never above the start
  };
  for (const auto& c : paths) EXPECT_EQ(c.entry, GlobalResources::ArchivePath(c.path)) << c.path;
}

TEST_F(GlobalResourcesTest, TextFilesComeFromTheArchiveElseFromDisk) {
  GlobalResources& r = GlobalResources::Instance();
  ASSERT_TRUE(testing_support::WriteFileBytes(folder_.Join(L"common_config.json"), "disk"));
  ASSERT_TRUE(testing_support::WriteFileBytes(folder_.Join(L"global.xml"), "disk global"));
  std::string text = "untouched";
  EXPECT_FALSE(r.ReadTextFile(L"missing.json", &text));
  EXPECT_EQ("untouched", text);
  EXPECT_TRUE(r.ReadTextFile(L"common_config.json", &text));
  EXPECT_EQ("disk", text);

  // With the archive open its entry wins; a name it lacks is read from disk.
  OpenTestArchive();
  r.SetResourceRoot(L"resources\\themes\\default");
  ASSERT_TRUE(r.ReadTextFile(L"global.xml", &text));
  EXPECT_NE(std::string::npos, text.find("<Global"));
  EXPECT_TRUE(r.ReadTextFile(folder_.Join(L"common_config.json"), &text));
  EXPECT_EQ("disk", text);

  HGLOBAL block = r.ReadResourceFile(L"resources\\themes\\default\\main\\..\\global.xml");
  ASSERT_TRUE(block);
  EXPECT_EQ(text.size() > 0, GlobalSize(block) > 0);
  GlobalFree(block);
  EXPECT_FALSE(r.ReadResourceFile(L"resources\\nothing.xml"));
  EXPECT_EQ(ui::kArchiveNotFound, r.GetArchiveError());
}

TEST_F(GlobalResourcesTest, StartupLoadsGlobalMarkupAndLanguageAndSwitchesLanguage) {
  GlobalResources& r = GlobalResources::Instance();
  OpenTestArchive();
  // The disk holds a Korean file too: with an archive the disk is not read.
  CreateDirectoryW(folder_.Join(L"lang").c_str(), nullptr);
  ASSERT_TRUE(testing_support::WriteFileBytes(folder_.Join(L"lang\\xx.ini"), "STRING_TITLE=disk\n"));
  r.Startup(folder_.path() + L"\\", nullptr, L"themes\\default", L"xx");
  EXPECT_EQ(L"", r.GetText(L"STRING_TITLE"));
  r.Shutdown();
  OpenTestArchive();

  r.Startup(L"resources\\", nullptr, L"themes\\default", L"en");
  EXPECT_EQ(L"resources\\themes\\default\\", r.GetResourceRoot());
  EXPECT_EQ(L"Quorvel Launcher", r.GetText(L"STRING_TITLE"));
  EXPECT_EQ(3u, r.GetFontCount());
  EXPECT_EQ(L"system_12", r.GetDefaultFontId());
  EXPECT_EQ(0xFF1E90FFu, r.GetColor(L"link"));
  // A misspelt font id draws with the default font, not with nothing.
  ASSERT_TRUE(r.GetGdiplusFont(L""));
  EXPECT_EQ(r.GetGdiplusFont(L""), r.GetGdiplusFont(L"system_12 "));
  EXPECT_NE(r.GetGdiplusFont(L""), r.GetGdiplusFont(L"caption_16"));

  r.AddClass(L"stale", L"width=\"1\"");
  r.colors[L"stale"] = 1;
  bool done = false;
  r.SetLanguage(L"ko");
  r.SwitchLanguage(L"", [&done] { done = true; });
  EXPECT_TRUE(done);
  EXPECT_EQ(L"\ucffc\ubca8 \ub7f0\ucc98", r.GetText(L"STRING_TITLE"));
  EXPECT_EQ(L"", r.GetClassAttributes(L"stale"));
  EXPECT_EQ(0u, r.colors.count(L"stale"));
  EXPECT_EQ(3u, r.GetFontCount());
  r.Shutdown();
}

TEST_F(GlobalResourcesTest, FontTable) {
  GlobalResources& r = GlobalResources::Instance();
  HFONT first = r.AddFont(L"", ui_test::kFace, 12, false, false, false, false);
  ASSERT_TRUE(first);
  ASSERT_TRUE(r.GetFont(L"0"));
  // An id already present keeps its first font.
  EXPECT_EQ(first, r.AddFont(L"0", ui_test::kFace, 30, true, false, false, true));
  EXPECT_EQ(12, r.GetFont(L"0")->size);
  EXPECT_EQ(r.GetFont(L"0"), r.GetFont(L""));
  EXPECT_EQ(nullptr, r.GetFont(L"nope"));
  // "system" without an available bold face uses the fallback face.
  r.SetDefaultFace(ui::kSystemBoldFace, L"No Such Face Anywhere");
  r.CheckDefaultFaces();
  r.SetDefaultFace(ui::kSystemRegularFace, ui_test::kFace);
  r.CheckDefaultFaces();
  EXPECT_TRUE(r.IsDefaultFaceAvailable(ui::kSystemRegularFace));
  r.AddFont(L"sys", L"system", 12, false, false, false, false);
  r.AddFont(L"sysb", L"system", 12, true, false, false, false);
  EXPECT_EQ(ui_test::kFace, r.GetFont(L"sys")->face);
  EXPECT_EQ(L"\u5fae\u8f6f\u96c5\u9ed1", r.GetFont(L"sysb")->face);
  r.SetDefaultFace(ui::kSystemRegularFace, L"");
  r.SetDefaultFace(ui::kSystemBoldFace, L"");
}

bool HasProblem(const std::vector<std::wstring>& problems, const std::wstring& text) {
  for (const std::wstring& problem : problems) {
    if (problem.find(text) != std::wstring::npos) return true;
  }
  return false;
}

// What a hostile skin asks for beyond the limits is refused, and said once.
TEST_F(GlobalResourcesTest, SkinLimitsAreKeptAndSaid) {
  GlobalResources& r = GlobalResources::Instance();
  r.TakeSkinProblems();
  for (size_t i = 0; i < GlobalResources::kMaxFonts + 20; ++i) {
    r.AddFont(L"f" + std::to_wstring(i), ui_test::kFace, 12, false, false, false, false);
  }
  EXPECT_EQ(GlobalResources::kMaxFonts, r.GetFontCount());
  // Text files beyond the size asked for are neither read nor taken.
  ASSERT_TRUE(testing_support::WriteFileBytes(folder_.Join(L"big.json"), std::string(2000, ' ')));
  std::string text = "kept";
  EXPECT_FALSE(r.ReadTextFile(L"big.json", &text, 1000));
  EXPECT_EQ("kept", text);
  EXPECT_TRUE(r.ReadTextFile(L"big.json", &text, 2000));
  // A picture whose header declares too many pixels is not decoded: a
  // 20000 x 20000 PNG header with nothing behind it.
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x4e\x20\0\0\x4e\x20\x08\x06\0\0\0", 29);
  ASSERT_TRUE(testing_support::WriteFileBytes(folder_.Join(L"huge.png"), png + std::string(64, '\0')));
  EXPECT_FALSE(r.GetImage(folder_.Join(L"huge.png")));
  EXPECT_FALSE(r.GetImage(folder_.Join(L"huge.png")));

  const std::vector<std::wstring> problems = r.TakeSkinProblems();
  EXPECT_TRUE(HasProblem(problems, L"Fonts stopped after 256"));
  EXPECT_TRUE(HasProblem(problems, L"big.json: larger than the 1000 bytes allowed"));
  EXPECT_TRUE(HasProblem(problems, L"20000x20000 pixels, larger than allowed"));
  EXPECT_EQ(3u, problems.size());
  EXPECT_TRUE(r.TakeSkinProblems().empty());
}

TEST(ImageHeaderTest, SizesOfTheFourKinds) {
  struct {
    const char* what;
    std::string bytes;
    bool known;
    uint32_t width, height;
  } cases[] = {
      {"png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\x02\0\0\0\x03", 24), true, 258, 3},
      {"gif", std::string("GIF89a\x05\x01\x07\x00", 10), true, 261, 7},
      {"bmp top-down", "BM" + std::string(12, '\0') + std::string("\x28\0\0\0\x10\0\0\0\xf0\xff\xff\xff", 12),
       true, 16, 16},
      {"jpeg after an app segment",
       std::string("\xff\xd8\xff\xe0\x00\x04\x00\x00\xff\xc0\x00\x11\x08\x00\x20\x00\x40", 17), true, 64, 32},
      {"png cut short", std::string("\x89PNG\r\n\x1a\n", 8), false, 0, 0},
      {"jpeg without a frame", std::string("\xff\xd8\xff\xe0\x00\x04\x00\x00", 8), false, 0, 0},
      {"text", "<Window/>", false, 0, 0},
  };
  for (const auto& c : cases) {
    uint32_t width = 0, height = 0;
    EXPECT_EQ(c.known, ui::ReadImageSize(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                         c.bytes.size(), &width, &height))
        << c.what;
    EXPECT_EQ(c.width, width) << c.what;
    EXPECT_EQ(c.height, height) << c.what;
  }
}

TEST(ImageAttributeTest, ParseTable) {
  struct {
    const wchar_t* text;
    const wchar_t* file;
    UiRect dest, source, corner;
    int fade;
    bool x_tiled;
    int play_count;
  } cases[] = {
      {L"bare.png", L"bare.png", {-1, -1, -1, -1}, {-1, -1, -1, -1}, {0, 0, 0, 0}, 255, false, -1},
      {L"file='a.png' source='1,2,3,4' corner='5 6 7 8'", L"a.png", {-1, -1, -1, -1},
       {1, 2, 3, 4}, {5, 6, 7, 8}, 255, false, -1},
      {L"file='a.png'  fade='300'", L"a.png", {-1, -1, -1, -1}, {-1, -1, -1, -1}, {0, 0, 0, 0},
       44, false, -1},
      // A comma right after a quote ends the parse.
      {L"file='a.png',fade='10'", L"a.png", {-1, -1, -1, -1}, {-1, -1, -1, -1}, {0, 0, 0, 0}, 255,
       false, -1},
      {L"res='r.png' xtiled='true' playcount='3' dest='1,2'", L"r.png", {1, 2, 0, 0},
       {-1, -1, -1, -1}, {0, 0, 0, 0}, 255, true, 3},
      {L"file = 'b.png' xtiled='TRUE' fade=''", L"b.png", {-1, -1, -1, -1}, {-1, -1, -1, -1},
       {0, 0, 0, 0}, 255, false, -1},
      {L"file='c.png' fade='7", L"c.png", {-1, -1, -1, -1}, {-1, -1, -1, -1}, {0, 0, 0, 0}, 255,
       false, -1},
      {L"File='x.png'", L"File='x.png'", {-1, -1, -1, -1}, {-1, -1, -1, -1}, {0, 0, 0, 0}, 255,
       false, -1},
  };
  for (const auto& c : cases) {
    ui::Image image;
    image.SetImageString(c.text);
    const ImageAttribute& a = image.GetAttribute();
    EXPECT_EQ(c.file, a.file) << c.text;
    EXPECT_EQ(c.dest, a.dest) << c.text;
    EXPECT_EQ(c.source, a.source) << c.text;
    EXPECT_EQ(c.corner, a.corner) << c.text;
    EXPECT_EQ(c.fade, a.fade) << c.text;
    EXPECT_EQ(c.x_tiled, a.x_tiled) << c.text;
    EXPECT_EQ(c.play_count, a.play_count) << c.text;
  }
}

TEST(ImageAttributeTest, DestScaleAppliesToALaterDest) {
  ui::DpiScale* dpi = ui::DpiScale::Instance();
  const bool adapt = dpi->IsAdaptDpi();
  const int percent = dpi->GetScale();
  dpi->SetAdaptDpi(true);
  dpi->SetScale(125);
  ImageAttribute before, after;
  before.Parse(L"destscale='no' dest='0,0,40,40'");
  after.Parse(L"dest='0,0,40,40' destscale='no'");
  EXPECT_EQ((UiRect{0, 0, 40, 40}), before.dest);
  EXPECT_EQ((UiRect{0, 0, 50, 50}), after.dest);
  dpi->SetScale(percent);
  dpi->SetAdaptDpi(adapt);
}

TEST_F(GlobalResourcesTest, ImagesAreSharedWhileHeldAndDecodedAgainAfter) {
  GlobalResources& r = GlobalResources::Instance();
  OpenTestArchive();
  const std::wstring opaque = std::wstring(kPublic) + L"opaque.png";
  std::shared_ptr<ui::ImageInfo> one = r.GetImage(opaque);
  ASSERT_TRUE(one);
  std::shared_ptr<ui::ImageInfo> two = r.GetImage(L"resources/themes/default/main/../public/opaque.png");
  EXPECT_EQ(one, two);
  EXPECT_EQ(L"resources/themes/default/public/opaque.png", one->key);
  EXPECT_EQ(4, one->width);
  EXPECT_FALSE(one->alpha);  // 32-bit ARGB, every pixel opaque
  EXPECT_EQ(1u, r.GetImageCacheSize());
  ui::ImageInfo* first = one.get();
  one.reset();
  EXPECT_EQ(1u, r.GetImageCacheSize());
  two.reset();
  EXPECT_EQ(0u, r.GetImageCacheSize());  // nobody holds it: gone
  std::shared_ptr<ui::ImageInfo> again = r.GetImage(opaque);
  ASSERT_TRUE(again);
  (void)first;

  std::shared_ptr<ui::ImageInfo> translucent = r.GetImage(std::wstring(kPublic) + L"translucent.png");
  ASSERT_TRUE(translucent);
  EXPECT_TRUE(translucent->alpha);
  EXPECT_FALSE(r.GetImage(std::wstring(kPublic) + L"missing.png"));
  EXPECT_FALSE(r.GetImage(L"resources\\themes\\default\\global.xml"));  // not a picture
}

TEST_F(GlobalResourcesTest, GifFramesAdvanceAndClampAtTheLast) {
  GlobalResources& r = GlobalResources::Instance();
  OpenTestArchive();
  ui::Image image;
  image.SetImageString(L"file='spinner.gif' playcount='2'");
  image.SetInfo(r.GetImage(std::wstring(kPublic) + L"spinner.gif"));
  ASSERT_TRUE(image.IsLoaded());
  const ui::ImageInfo& info = *image.GetInfo();
  ASSERT_EQ(3, info.FrameCount());
  EXPECT_EQ(100, info.GetFrameDelayMs(0));
  EXPECT_NE(info.GetFrameBitmap(0), info.GetFrameBitmap(1));
  EXPECT_NE(info.GetFrameBitmap(1), info.GetFrameBitmap(2));
  EXPECT_EQ(info.GetFrameBitmap(2), info.GetFrameBitmap(7));
  EXPECT_EQ(info.GetFrameBitmap(0), info.GetFrameBitmap(-1));
  EXPECT_TRUE(image.AdvanceFrame());
  EXPECT_TRUE(image.AdvanceFrame());
  EXPECT_FALSE(image.AdvanceFrame());
  EXPECT_EQ(2, image.GetCurrentFrame());
  image.SetCurrentFrame(40);
  EXPECT_EQ(2, image.GetCurrentFrame());
  EXPECT_EQ(info.GetFrameBitmap(2), image.GetCurrentBitmap());
  image.Unload();
  EXPECT_EQ(0, image.GetCurrentFrame());
  EXPECT_EQ(0u, r.GetImageCacheSize());
}

TEST_F(GlobalResourcesTest, PaintedImagesAndStateFallbacks) {
  GlobalResources& r = GlobalResources::Instance();
  OpenTestArchive();
  r.SetResourceRoot(L"resources\\themes\\default");
  ui::RenderFactory_GdiPlus factory;
  std::unique_ptr<ui::IRenderContext> render = factory.CreateRenderContext();
  render->Resize(8, 8);
  struct {
    const wchar_t* text;
    int x, y;
    uint32_t rgb;  // 0: left blank
  } cases[] = {
      // Source pixel (2, 3) of opaque.png is (200, 80, 120).
      {L"file='public/opaque.png' source='2,3,3,4' dest='1,1,2,2'", 1, 1, 0xC85078},
      {L"file='public/opaque.png' source='2,3,3,4' dest='1,1,2,2'", 0, 0, 0},
      {L"file='public/opaque.png' source='0,0,1,1'", 5, 5, 0xC80000},
      {L"file='public/opaque.png' source='2,3,3,4' dest='1,1,2,2' fade='0'", 1, 1, 0},
      {L"file='public/none.png'", 3, 3, 0},
  };
  for (const auto& c : cases) {
    render->Clear();
    ui::Control control;
    control.SetPos(UiRect{0, 0, 8, 8});
    control.SetBkImage(c.text);
    control.Paint(render.get(), UiRect{0, 0, 8, 8});
    EXPECT_EQ(c.rgb, ui_test::PixelAt(render.get(), c.x, c.y) & 0xFFFFFF) << c.text;
  }

  // Pushed without a pushed image draws the hot one at full fade; a state
  // without images of its own falls back to normal.
  ui::Control owner;
  owner.SetPos(UiRect{0, 0, 8, 8});
  owner.SetStateImage(ui::kStateImageBk, ui::kControlStateNormal,
                      L"file='public/opaque.png' source='0,0,1,1'");
  owner.SetStateImage(ui::kStateImageBk, ui::kControlStateHot,
                      L"file='public/opaque.png' source='0,3,1,4' fade='10'");
  struct {
    int state;
    uint32_t rgb;
  } picks[] = {{ui::kControlStatePushed, 0xC80078},
               {ui::kControlStateDisabled, 0xC80000},
               {ui::kControlStateNormal, 0xC80000}};
  for (const auto& p : picks) {
    render->Clear();
    owner.SetState(p.state);
    owner.Paint(render.get(), UiRect{0, 0, 8, 8});
    EXPECT_EQ(p.rgb, ui_test::PixelAt(render.get(), 4, 4) & 0xFFFFFF) << p.state;
  }
  EXPECT_EQ(1u, r.GetImageCacheSize());
  owner.GetStateImages().ClearCache(ui::kStateImageBk);
  EXPECT_EQ(0u, r.GetImageCacheSize());
}

TEST_F(GlobalResourcesTest, StateColoursFallBackAndCrossFadeTheHotState) {
  GlobalResources& r = GlobalResources::Instance();
  ui::IRenderResources* previous = ui::SetRenderResources(&r);
  r.colors[L"n"] = 0xFFFF0000;
  r.colors[L"h"] = 0xFF00FF00;
  ui::RenderFactory_GdiPlus factory;
  std::unique_ptr<ui::IRenderContext> render = factory.CreateRenderContext();
  render->Resize(4, 4);
  ui::Control owner;
  owner.SetStateColor(ui::kControlStateNormal, L"n");
  owner.SetStateColor(ui::kControlStateHot, L"h");  // turns the hot fade on
  struct {
    int state;
    int hot_alpha;
    uint32_t rgb;
  } cases[] = {
      {ui::kControlStatePushed, 0, 0x00FF00},    // no pushed colour: hot
      {ui::kControlStateDisabled, 0, 0xFF0000},  // no disabled colour: normal
      {ui::kControlStateHot, 0, 0xFF0000},       // fading in: nothing of hot yet
      {ui::kControlStateHot, 255, 0x00FF00},
      {ui::kControlStateNormal, 255, 0x00FF00},  // fading out from full hot
  };
  for (const auto& c : cases) {
    render->Clear();
    owner.SetHotAlpha(c.hot_alpha);
    ui::StateColorMap colours(&owner);
    colours.SetColor(ui::kControlStateNormal, L"n");
    colours.SetColor(ui::kControlStateHot, L"h");
    colours.Paint(render.get(), UiRect{0, 0, 4, 4}, c.state);
    EXPECT_EQ(c.rgb, ui_test::PixelAt(render.get(), 2, 2) & 0xFFFFFF) << c.state << " " << c.hot_alpha;
  }
  ui::SetRenderResources(previous);
}

}  // namespace
