#include "app/config/common_config.h"

#include <gtest/gtest.h>

#include <string>

#include "app/controller/launcher_controller.h"

namespace {

const char kConfig[] = R"({
  "OverwriteStrings": [{"key": "STRING_GAME_TITLE", "value": "\uac8c\uc784"},
                       {"key": "STRING_NUMBER", "value": 3}, "not an object"],
  "Titles": {"en": {"title_main": "Main", "title_sub": "Sub"},
             "ko": {"title_main": "\uba54\uc778", "title_sub": 7}},
  "Privacy": {"en": "https://example.com/privacy"},
  "Service": {"ko": "https://example.com/service-ko", "en": "https://example.com/service"},
  "Forum": {
    "en": [{"name": "first", "NormalImage": "n1.png", "url": "https://forum/1"},
           {"name": "second", "HotImage": "h2.png", "url": "https://forum/2"},
           {"name": "third", "NormalImage": "n3.png", "Tooltips": "TIP_3"}],
    "ko": [{"name": "ko", "NormalImage": "kn.png", "HotImage": "kh.png", "url": "https://ko"}]
  },
  "FAQ": {"NormalImage": "faq_n.png", "HotImage": "faq_h.png",
          "en": {"url": "https://faq", "Tooltips": "TIP_FAQ"}}
})";

TEST(CommonConfigTest, LanguageEntriesFallBackToEnglishAndButtonsCarryValues) {
  CommonConfig config;
  ASSERT_TRUE(ParseCommonConfig(kConfig, "ms", &config));
  EXPECT_EQ(L"Main", config.titles["title_main"]);
  EXPECT_EQ("https://example.com/privacy", config.links["Privacy"]);
  EXPECT_EQ("https://example.com/service", config.links["Service"]);
  // The first forum element has no hot image yet: no button. The second
  // takes the first's normal image; the third the second's hot image.
  ASSERT_EQ(3u, config.jumpLinks.size());
  EXPECT_EQ("n1.png", config.jumpLinks[0].normalImage);
  EXPECT_EQ("h2.png", config.jumpLinks[0].hotImage);
  EXPECT_EQ("Forum_second", config.jumpLinks[0].linkKey);
  EXPECT_EQ("Forum_third", config.jumpLinks[1].linkKey);
  EXPECT_EQ("TIP_3", config.jumpLinks[1].tooltipId);
  EXPECT_EQ("https://forum/2", config.links["Forum_third"]);  // no url of its own
  EXPECT_EQ(0u, config.links.count("Forum_first"));
  EXPECT_EQ("FAQ", config.jumpLinks[2].linkKey);
  EXPECT_EQ("faq_n.png", config.jumpLinks[2].normalImage);
  EXPECT_EQ("https://faq", config.links["FAQ"]);
  ASSERT_EQ(1u, config.overrides.size());
  EXPECT_EQ(L"STRING_GAME_TITLE", config.overrides[0].first);
  EXPECT_EQ(L"\uac8c\uc784", config.overrides[0].second);
}

TEST(CommonConfigTest, OwnLanguageWinsAndWrongKindsAreSkipped) {
  CommonConfig config;
  ASSERT_TRUE(ParseCommonConfig(kConfig, "ko", &config));
  EXPECT_EQ(L"\uba54\uc778", config.titles["title_main"]);
  EXPECT_EQ(0u, config.titles.count("title_sub"));  // a number
  EXPECT_EQ("https://example.com/privacy", config.links["Privacy"]);  // "en" only
  EXPECT_EQ("https://example.com/service-ko", config.links["Service"]);
  ASSERT_EQ(2u, config.jumpLinks.size());
  EXPECT_EQ("Forum_ko", config.jumpLinks[0].linkKey);
  // FAQ has no "ko" nor... it has "en": its url; images of FAQ itself.
  EXPECT_EQ("FAQ", config.jumpLinks[1].linkKey);
}

TEST(CommonConfigTest, Variants) {
  struct {
    const char* text;
    bool parses;
    size_t buttons;
  } cases[] = {
      {"", false, 0},
      {"{\"Titles\": ", false, 0},
      {"{}", true, 0},
      {"[1, 2]", true, 0},
      // FAQ without images: no button.
      {R"({"FAQ": {"en": {"url": "https://faq"}}})", true, 0},
      // ... unless a forum element gave both images.
      {R"({"Forum": {"en": [{"name": "f", "NormalImage": "n", "HotImage": "h"}]},
          "FAQ": {"en": {"url": "https://faq"}}})",
       true, 2},
      {R"({"Forum": {"en": {"name": "not an array"}}})", true, 0},
  };
  for (const auto& c : cases) {
    CommonConfig config;
    config.links["kept"] = "x";
    EXPECT_EQ(c.parses, ParseCommonConfig(c.text, "en", &config)) << c.text;
    EXPECT_EQ(c.buttons, config.jumpLinks.size()) << c.text;
    // A failed parse leaves the previous content; a good one replaces it.
    EXPECT_EQ(c.parses ? 0u : 1u, config.links.count("kept")) << c.text;
  }
}

TEST(CommonConfigTest, OnlyWebAddressesAreLinks) {
  struct {
    const char* url;
    bool web;
  } cases[] = {
      {"https://example.com/a?b=c", true},
      {"HTTP://EXAMPLE.COM", true},
      {"http://", false},
      {"https:///etc", false},
      {"file:///C:/Windows/system32/calc.exe", false},
      {"\\\\server\\share\\run.exe", false},
      {"//server/share", false},
      {"C:\\Windows\\notepad.exe", false},
      {"notepad.exe", false},
      {"javascript:alert(1)", false},
      {"steam://run/1", false},
      {"mailto:a@b.c", false},
      {"https://a.com\" /c calc", false},
      {" https://a.com", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.web, IsWebLink(c.url)) << c.url;
}

TEST(CommonConfigTest, OpenLinkRefusesWhatIsNotAWebAddress) {
  LauncherController* controller = LauncherController::GetInstance();
  HWND saved = controller->mainWindow;
  controller->mainWindow = GetDesktopWindow();
  controller->links["file"] = "file:///C:/Windows/notepad.exe";
  controller->links["unc"] = "\\\\server\\share\\a.exe";
  controller->links["custom"] = "quorvel://launch";
  for (const char* key : {"file", "unc", "custom", "missing", ""}) {
    EXPECT_FALSE(controller->OpenLink(key, true)) << key;
  }
  controller->mainWindow = nullptr;
  controller->links["web"] = "https://example.com";
  EXPECT_FALSE(controller->OpenLink("web", true));  // no main window
  controller->mainWindow = saved;
  controller->links.clear();
}

}  // namespace
