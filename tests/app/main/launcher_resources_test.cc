#include "app/main/launcher_resources.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <zlib.h>

#include "app/controller/launcher_controller.h"
#include "app/main/default_launcher_services.h"
#include "app/util/file_util.h"
#include "app/util/fonts.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "ui/core/global_resources.h"
#include "ui/skin/language_table.h"

namespace {

// A zip archive of stored entries (name, bytes).
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  auto u16 = [](uint32_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; };
  auto u32 = [&u16](uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); };
  std::string local, central;
  for (const auto& entry : entries) {
    const std::string& name = entry.first;
    const std::string& data = entry.second;
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const uint32_t size = static_cast<uint32_t>(data.size());
    const uint32_t at = static_cast<uint32_t>(local.size());
    local += std::string("PK\x03\x04", 4) + u16(10) + u16(0) + u16(0) + u16(0) + u16(0x21) +
             u32(crc) + u32(size) + u32(size) + u16(static_cast<uint32_t>(name.size())) + u16(0) +
             name + data;
    central += std::string("PK\x01\x02", 4) + u16(20) + u16(10) + u16(0) + u16(0) + u16(0) +
               u16(0x21) + u32(crc) + u32(size) + u32(size) +
               u16(static_cast<uint32_t>(name.size())) + u16(0) + u16(0) + u16(0) + u16(0) +
               u32(0) + u32(at) + name;
  }
  const uint32_t count = static_cast<uint32_t>(entries.size());
  return local + central + std::string("PK\x05\x06", 4) + u16(0) + u16(0) + u16(count) +
         u16(count) + u32(static_cast<uint32_t>(central.size())) +
         u32(static_cast<uint32_t>(local.size())) + u16(0);
}

const char kGlobal[] = "resources/themes/default/global.xml";
const char kMainSkin[] = "resources/themes/default/main/skin.xml";
const std::string kWholeZip =
    StoredZip({{kGlobal, "<Global/>"}, {kMainSkin, "<Window><Box/></Window>"}});

bool HasProblem(const std::vector<std::wstring>& problems, const std::wstring& text) {
  for (const std::wstring& problem : problems) {
    if (problem.find(text) != std::wstring::npos) return true;
  }
  return false;
}

TEST(LauncherResourcesTest, ReplacementArchiveIsCopiedIntoAFolderMadeFirst) {
  testing_support::TempFolder folder;
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  resources.TakeSkinProblems();
  const std::wstring update = folder.Join(L"update");  // not there yet
  ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"resources.zip"), kWholeZip));
  LoadSkinArchive(folder.path(), update);
  EXPECT_TRUE(resources.archive());
  EXPECT_EQ(kWholeZip, testing_support::ReadFileBytes(update + L"\\tmp_resources.zip"));
  EXPECT_TRUE(resources.TakeSkinProblems().empty());

  // Without a replacement the executable's own archive is used; this test
  // program carries none, so no archive stays open.
  resources.CloseSkinArchive();
  testing_support::TempFolder empty;
  LoadSkinArchive(empty.path(), empty.Join(L"update"));
  EXPECT_FALSE(resources.archive());
  resources.TakeSkinProblems();
}

// An archive that cannot make a skin gives way to whole loose files, else
// to the executable's own archive (none in this program), and says why.
TEST(LauncherResourcesTest, ArchivesThatCannotMakeASkinFallBack) {
  struct {
    const char* what;
    std::string zip;
    bool loose_whole;
    bool archive_kept;
    const wchar_t* problem;  // null: none
  } cases[] = {
      {"whole", kWholeZip, false, true, nullptr},
      {"not a zip, loose files whole", "not a zip", true, false, L"the loose files are used"},
      {"not a zip, no loose files", "not a zip", false, false, L"loose files incomplete"},
      {"main window file missing", StoredZip({{kGlobal, "<Global/>"}}), false, false,
       L"main/skin.xml is missing"},
      {"global markup broken", StoredZip({{kGlobal, "<Global><Font"}, {kMainSkin, "<Window/>"}}),
       true, false, L"global.xml does not parse"},
  };
  ui::GlobalResources& resources = ui::GlobalResources::Instance();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing_support::TempFolder folder;
    resources.TakeSkinProblems();
    ASSERT_TRUE(testing_support::WriteFileBytes(folder.Join(L"resources.zip"), c.zip));
    if (c.loose_whole) {
      const std::wstring skin = folder.Join(L"resources\\themes\\default");
      ASSERT_TRUE(CreateDirectoriesW(skin + L"\\main"));
      ASSERT_TRUE(testing_support::WriteFileBytes(skin + L"\\global.xml", "<Global/>"));
      ASSERT_TRUE(testing_support::WriteFileBytes(skin + L"\\main\\skin.xml", "<Window/>"));
    }
    LoadSkinArchive(folder.path(), folder.Join(L"update"));
    EXPECT_EQ(c.archive_kept, resources.archive() != nullptr);
    const std::vector<std::wstring> problems = resources.TakeSkinProblems();
    if (c.problem) {
      EXPECT_TRUE(HasProblem(problems, c.problem));
      EXPECT_TRUE(HasProblem(problems, L"resources.zip refused"));
    } else {
      EXPECT_TRUE(problems.empty());
    }
    resources.CloseSkinArchive();
  }
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
