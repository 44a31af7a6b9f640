#include "app/main/launcher_resources.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/controller/launcher_controller.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "ui/core/global_resources.h"
#include "ui/skin/language_table.h"

namespace {

// A zip archive holding one empty stored entry "a.txt".
std::string OneEntryZip() {
  auto u16 = [](int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
  auto u32 = [&u16](int v) { return u16(v & 0xFFFF) + u16(v >> 16); };
  const std::string name = "a.txt";
  const std::string local = std::string("PK\x03\x04", 4) + u16(10) + u16(0) + u16(0) + u16(0) +
                            u16(0x21) + u32(0) + u32(0) + u32(0) + u16(5) + u16(0) + name;
  const std::string central = std::string("PK\x01\x02", 4) + u16(20) + u16(10) + u16(0) +
                              u16(0) + u16(0) + u16(0x21) + u32(0) + u32(0) + u32(0) + u16(5) +
                              u16(0) + u16(0) + u16(0) + u16(0) + u32(0) + u32(0) + name;
  const std::string end = std::string("PK\x05\x06", 4) + u16(0) + u16(0) + u16(1) + u16(1) +
                          u32(static_cast<int>(central.size())) +
                          u32(static_cast<int>(local.size())) + u16(0);
  return local + central + end;
}
const std::string kOneEntryZip = OneEntryZip();

TEST(LauncherResourcesTest, ReplacementArchiveIsCopiedIntoAFolderMadeFirst) {
  testing_support::TempFolder folder;
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  const std::wstring update = folder.Join(L"update");  // not there yet
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"resources.zip"), kOneEntryZip));
  LoadSkinArchive(folder.path(), update);
  EXPECT_TRUE(resources.archive());
  EXPECT_EQ(kOneEntryZip, testing_support::ReadFileBytes(update + L"\\tmp_resources.zip"));

  // Without a replacement the executable's own archive is used; this test
  // program carries none, so no archive stays open.
  resources.CloseSkinArchive();
  testing_support::TempFolder empty;
  LoadSkinArchive(empty.path(), empty.Join(L"update"));
  EXPECT_FALSE(resources.archive());
}

TEST(LauncherResourcesTest, CommonConfigPrefersTheChannelFileAndFeedsTheLanguageTable) {
  testing_support::TempFolder folder;
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  resources.CloseSkinArchive();
  resources.SetResourceRoot(folder.path());
  LauncherController* controller = LauncherController::GetInstance();
  controller->titles.clear();
  EXPECT_FALSE(LoadCommonConfig(controller));  // no file at all

  ASSERT_TRUE(testing_support::WriteFileBytes(
      folder.Join(L"common_config.json"), R"({"Titles": {"en": {"title_main": "plain"}}})"));
  ASSERT_TRUE(testing_support::WriteFileBytes(
      folder.Join(L"common_config_CHANNEL_KR.json"),
      R"({"Titles": {"en": {"title_main": "channel"}},
          "OverwriteStrings": [{"key": "STRING_GAME_TITLE", "value": "Replaced"}]})"));
  ASSERT_TRUE(LoadCommonConfig(controller));
  EXPECT_EQ(L"channel", controller->titles["title_main"]);
  EXPECT_EQ(L"Replaced", ui::LanguageTable::Instance().overrides[L"STRING_GAME_TITLE"]);

  // A channel file that does not parse fails; the other is not tried and
  // nothing changes.
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"common_config_CHANNEL_KR.json"), "{"));
  EXPECT_FALSE(LoadCommonConfig(controller));
  EXPECT_EQ(L"channel", controller->titles["title_main"]);
  ui::LanguageTable::Instance().overrides.clear();
  controller->titles.clear();
}

}  // namespace
