#include "app/main/launcher_resources.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/controller/launcher_controller.h"
#include "app/main/default_launcher_services.h"
#include "app/util/fonts.h"
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
  ui::LanguageTable& table = ui::LanguageTable::Instance();
  const std::string language = "STRING_GAME_TITLE = Original\n";
  table.LoadMemory(language.data(), language.size());
  EXPECT_FALSE(LoadCommonConfig(controller));  // no file at all

  ASSERT_TRUE(testing_support::WriteFileBytes(
      folder.Join(L"common_config.json"), R"({"Titles": {"en": {"title_main": "plain"}}})"));
  ASSERT_TRUE(testing_support::WriteFileBytes(
      folder.Join(L"common_config_CHANNEL_KR.json"),
      R"({"Titles": {"en": {"title_main": "channel"}},
          "OverwriteStrings": [{"key": "STRING_GAME_TITLE", "value": "Replaced"}]})"));
  ASSERT_TRUE(LoadCommonConfig(controller));
  EXPECT_EQ(L"channel", controller->titles["title_main"]);
  EXPECT_EQ(L"Replaced", table.GetText(L"STRING_GAME_TITLE"));

  // A channel file that does not parse fails; the other is not tried and
  // nothing changes.
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"common_config_CHANNEL_KR.json"), "{"));
  EXPECT_FALSE(LoadCommonConfig(controller));
  EXPECT_EQ(L"channel", controller->titles["title_main"]);
  table.Clear();
  controller->titles.clear();
}

// The update engine's worker asks the launcher's services for texts (error
// and disk-space messages) while the UI thread owns the language table and
// may reload it: the worker reads the texts the UI thread last published.
TEST(LauncherResourcesTest, TheWorkerReadsLanguageTextsSafely) {
  DefaultLauncherServices services;
  ui::LanguageTable& table = ui::LanguageTable::Instance();
  const std::string first = "STRING_ERROR_UPDATE = First\n";
  const std::string second = "STRING_ERROR_UPDATE = Second\n";
  table.LoadMemory(first.data(), first.size());
  table.SetOverride(L"STRING_ERROR_UPDATE", L"Over\\nridden");

  std::wstring seen;
  std::thread([&] { seen = services.GetLanguageText(L"STRING_ERROR_UPDATE"); }).join();
  EXPECT_EQ(L"Over\nridden", seen);

  // Reloads on this thread while the worker reads: every read is one whole
  // table's text, never a half-built one.
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread worker([&] {
    while (!done.load()) {
      const std::wstring text = services.GetLanguageText(L"STRING_ERROR_UPDATE");
      if (text != L"First" && text != L"Second") ++bad;
    }
  });
  for (int i = 0; i < 2000; ++i) {
    const std::string& next = i % 2 ? first : second;
    table.LoadMemory(next.data(), next.size());
  }
  done = true;
  worker.join();
  EXPECT_EQ(0, bad.load());
  table.Clear();
}

// A change of the interface language goes through the launcher's services
// into the UI framework: the language code, the "button" default faces and
// the reload; a code already in force changes nothing.
TEST(LauncherResourcesTest, LanguageChangeSetsTheButtonFacesOnce) {
  testing_support::TempFolder folder;
  DefaultLauncherServices services;
  LauncherServices::SetForTesting(&services);
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  resources.CloseSkinArchive();
  resources.SetResourceRoot(folder.path());
  const std::wstring old_language = resources.GetLanguage();
  const ui::DefaultFace button[] = {ui::kButtonRegularFace, ui::kButtonBoldFace,
                                    ui::kButtonItalicFace};
  resources.SetLanguage(L"en");
  for (ui::DefaultFace face : button) resources.SetDefaultFace(face, L"");

  LauncherController* controller = LauncherController::GetInstance();
  controller->ApplyLanguage(L"en");
  EXPECT_EQ(L"", resources.GetDefaultFace(ui::kButtonRegularFace)) << "in force already";

  controller->ApplyLanguage(L"ko");
  EXPECT_EQ(L"ko", resources.GetLanguage());
  EXPECT_EQ(kFontFaceNames[2], resources.GetDefaultFace(ui::kButtonRegularFace));
  EXPECT_EQ(kFontFaceNames[3], resources.GetDefaultFace(ui::kButtonBoldFace));
  EXPECT_EQ(kFontFaceNames[2], resources.GetDefaultFace(ui::kButtonItalicFace));

  for (ui::DefaultFace face : button) resources.SetDefaultFace(face, L"");
  resources.SetLanguage(old_language);
  LauncherServices::SetForTesting(nullptr);
}

}  // namespace
