// The language rules: the tables, the first run's locale, Japanese turned
// into Korean, and a command-line language that lasts for one run.

#include <gtest/gtest.h>

#include <json/json.h>

#include <string>

#include "app/config/languages.h"
#include "app/config/save_files.h"
#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/app_test_support.h"

namespace {

using app_testing::RecordingServices;
using app_testing::ScopedWorkingFolder;

TEST(LanguagesTest, CodesAndIndexes) {
  EXPECT_EQ("en", LanguageCodeOfIndex(0));
  EXPECT_EQ("ja", LanguageCodeOfIndex(2));
  EXPECT_EQ("pt_BR", LanguageCodeOfIndex(12));
  EXPECT_EQ("ms", LanguageCodeOfIndex(17));
  EXPECT_EQ("en", LanguageCodeOfIndex(18));
  EXPECT_EQ("en", LanguageCodeOfIndex(-1));
  EXPECT_STREQ("STRING_LANG_SPAISH", kLanguageNameIds[9]);
  EXPECT_EQ(15, FindLanguageCode("de"));
  EXPECT_EQ(-1, FindLanguageCode("DE"));
  EXPECT_EQ(-1, FindLanguageCode("xx"));
}

TEST(LanguagesTest, FirstRunLocales) {
  struct Case {
    uint32_t lcid;
    int32_t index;
  } cases[] = {
      {0x0409, 0},  {0x0804, 1},  {0x20804, 1}, {0x0411, 2},  {0x0412, 3},  {0x0C04, 4},
      {0x30404, 4}, {0x042A, 5},  {0x040C, 6},  {0x080C, 0},  {0x0421, 7},  {0x0810, 8},
      {0x500A, 9},  {0x540A, 0},  {0x041F, 10}, {0x041E, 11}, {0x0416, 12}, {0x0816, 12},
      {0x3C01, 13}, {0x0401, 0},  {0x2801, 0},  {0x0419, 14}, {0x0819, 0},  {0x10407, 15},
      {0x0415, 16}, {0x083E, 17}, {0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.index, LanguageIndexOfLocale(c.lcid)) << std::hex << c.lcid;
  }
}

class LanguageStartTest : public ::testing::Test {
 protected:
  void StoreLanguage(int32_t index) {
    CreateDirectoriesA("save");
    Json::Value root(Json::objectValue);
    root["languageType"] = index;
    ASSERT_TRUE(WriteJsonFile(SaveFilePath("EnvConfig.json"), root));
  }
  int32_t SavedLanguage() {
    std::string text;
    Json::Value root;
    ReadFileTextA(SaveFilePath("EnvConfig.json"), &text);
    EXPECT_TRUE(ParseJson(text, &root, nullptr));
    return root["languageType"].asInt();
  }
  void SetCommandLineLanguage(const wchar_t* code) {
    CommandLineOverrides& overrides = CommandLineOverrides::Get();
    ASSERT_TRUE(CommandLineOverrides::Store(&overrides.languageCode, code));
  }

  ScopedWorkingFolder working_;
  RecordingServices services_;
  LauncherController controller_;
};

TEST_F(LanguageStartTest, AJapaneseFirstRunStartsInKorean) {
  services_.locale = 0x0411;
  controller_.Init();
  EXPECT_EQ(3, controller_.settings.languageType);
  EXPECT_EQ("ko", controller_.settings.languageCode.Get());
}

TEST_F(LanguageStartTest, StoredIndexes) {
  struct Case {
    int32_t stored;
    int32_t index;
    const char* code;
  } cases[] = {{2, 3, "ko"}, {25, 25, "en"}, {-1, -1, "en"}, {13, 13, "ar"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    StoreLanguage(c.stored);
    LauncherController controller;
    controller.Init();
    EXPECT_FALSE(controller.firstRun);
    EXPECT_EQ(c.index, controller.settings.languageType);
    EXPECT_EQ(c.code, controller.settings.languageCode.Get());
  }
}

TEST_F(LanguageStartTest, TheCommandLineLanguageWinsForThisRunOnly) {
  StoreLanguage(0);
  SetCommandLineLanguage(L"de");
  controller_.Init();
  EXPECT_EQ(15, controller_.settings.languageType);
  EXPECT_EQ("de", controller_.settings.languageCode.Get());

  // Another setting saved during the run keeps the player's language.
  LauncherSettings changed = controller_.settings;
  changed.closeToHide = true;
  controller_.ApplySettings(changed);
  EXPECT_EQ(0, SavedLanguage());
  EXPECT_FALSE(controller_.languageChangePending);

  // A language the player picks is theirs and is saved.
  changed.languageType = 6;
  controller_.ApplySettings(changed);
  EXPECT_EQ("fr", controller_.settings.languageCode.Get());
  EXPECT_EQ(6, SavedLanguage());
}

TEST_F(LanguageStartTest, CommandLineLanguagesThatDoNotCount) {
  StoreLanguage(4);
  SetCommandLineLanguage(L"xx");
  controller_.Init();
  EXPECT_EQ(4, controller_.settings.languageType);
  EXPECT_EQ("zh_TW", controller_.settings.languageCode.Get());

  // Japanese from the command line is Korean too.
  SetCommandLineLanguage(L"ja");
  LauncherController second;
  second.Init();
  EXPECT_EQ(3, second.settings.languageType);
  second.SaveSettings();
  EXPECT_EQ(4, SavedLanguage());
}

TEST_F(LanguageStartTest, AFirstRunSavesTheLocaleLanguageNotTheCommandLineOne) {
  services_.locale = 0x040C;
  SetCommandLineLanguage(L"ru");
  controller_.Init();
  EXPECT_TRUE(controller_.firstRun);
  EXPECT_EQ(14, controller_.settings.languageType);
  EXPECT_EQ(6, SavedLanguage());
}

TEST(CommandLineOverridesTest, OnlyValuesThatFitAreStored) {
  CommandLineOverrides::Text text;
  EXPECT_FALSE(CommandLineOverrides::Store(&text, L""));
  EXPECT_FALSE(text.set);
  EXPECT_FALSE(CommandLineOverrides::Store(&text, std::wstring(32, L'a')));
  EXPECT_FALSE(text.set);
  EXPECT_TRUE(CommandLineOverrides::Store(&text, std::wstring(31, L'b')));
  EXPECT_TRUE(text.set);
  EXPECT_EQ(std::wstring(31, L'b'), text.value);
}

}  // namespace
