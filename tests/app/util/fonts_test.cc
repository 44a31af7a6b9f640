#include "app/util/fonts.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/util/file_util.h"
#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"

namespace {

using testing_support::TempFolder;

std::wstring BuiltFont(int id) {
  for (int i = 0; i < kFontCount; ++i) {
    if (kFontResourceIds[i] == id) return std::wstring(QUORVEL_FONT_DIR) + L"\\" + kFontFileNames[i];
  }
  return std::wstring();
}

std::wstring ReadValue(const std::wstring& key, const wchar_t* name) {
  wchar_t data[260] = {};
  DWORD size = sizeof(data);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) !=
      ERROR_SUCCESS) {
    return L"<none>";
  }
  return data;
}

// Fonts go into the test's own folders and registry key; the resources are
// the fonts the build made for the launcher.
class FontsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = L"SOFTWARE\\QuorvelTests\\Fonts" + std::to_wstring(GetCurrentProcessId());
    HKEY made = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &made, nullptr));
    RegCloseKey(made);
    fonts_ = folder_.Join(L"Fonts");
    update_ = folder_.Join(L"update");
    launcher_ = folder_.Join(L"launcher");
    for (const auto& f : {fonts_, update_, launcher_}) CreateDirectoryW(f.c_str(), nullptr);
    saved_ = GetFontPlaces();
    FontPlaces& places = GetFontPlaces();
    places.font_folder = fonts_;
    places.registry_key = key_;
    places.update_folder = update_;
    places.launcher_folder = launcher_;
    places.read_resource = [this](int id, std::string* bytes) {
      ++resource_reads_[id];
      return ReadFileTextW(BuiltFont(id), bytes);
    };
  }
  void TearDown() override {
    std::map<std::wstring, uint32_t> failures;
    RemoveFonts(&failures);
    GetFontPlaces() = saved_;
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_.c_str());
  }

  TempFolder folder_;
  std::wstring key_, fonts_, update_, launcher_;
  FontPlaces saved_;
  std::map<int, int> resource_reads_;
};

TEST_F(FontsTest, InstallsMissingFontsRegistersThemAndDrawsWithTheFace) {
  ASSERT_TRUE(InstallFontFiles());
  for (int i = 0; i < kFontCount; ++i) {
    EXPECT_EQ(1, resource_reads_[kFontResourceIds[i]]);
    std::string written, built;
    ASSERT_TRUE(ReadFileTextW(fonts_ + L"\\" + kFontFileNames[i], &written));
    ASSERT_TRUE(ReadFileTextW(BuiltFont(kFontResourceIds[i]), &built));
    EXPECT_EQ(built, written) << i;
    EXPECT_EQ(kFontFileNames[i], ReadValue(key_, kFontRegistryNames[i]));
  }

  // Registered with this process at once: GDI hands out the face itself
  // (Wine has no fallback, so a missing face would draw Hangul as nothing).
  for (int i = 0; i < kFontCount; ++i) {
    HFONT font = CreateFontW(-20, 0, 0, 0, i % 2 ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                             0, 0, 0, 0, kFontFaceNames[i]);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    // "Loma Bold" is the bold face's full name; GDI reports its family.
    EXPECT_STREQ(i == 1 ? kFontFaceNames[0] : kFontFaceNames[i], face);
    if (i >= 2) {
      WORD glyph = 0xFFFF;
      EXPECT_EQ(1u, GetGlyphIndicesW(dc, L"\ud55c", 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS));
      EXPECT_NE(0xFFFF, glyph) << "no Hangul in " << i;
      EXPECT_EQ(1u, GetGlyphIndicesW(dc, L"\u542f", 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS));
      EXPECT_NE(0xFFFF, glyph) << "no hanzi in " << i;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
  }

  // A second start writes nothing: the files are there.
  resource_reads_.clear();
  ASSERT_TRUE(InstallFontFiles());
  EXPECT_TRUE(resource_reads_.empty());
}

TEST_F(FontsTest, OneMissingFontIsWrittenAloneAndFailuresStopTheInstall) {
  ASSERT_TRUE(InstallFontFiles());
  std::map<std::wstring, uint32_t> failures;
  RemoveFonts(&failures);
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(L"<none>", ReadValue(key_, kFontRegistryNames[0]));
  ASSERT_TRUE(InstallFontFiles());
  resource_reads_.clear();
  ASSERT_TRUE(DeleteFileW((fonts_ + L"\\LomaB.ttf").c_str()) ||
              (RemoveFontResourceExW((fonts_ + L"\\LomaB.ttf").c_str(), FR_PRIVATE, nullptr),
               DeleteFileW((fonts_ + L"\\LomaB.ttf").c_str())));
  ASSERT_TRUE(InstallFontFiles());
  EXPECT_EQ((std::map<int, int>{{139, 1}}), resource_reads_);

  // A missing resource, a missing font folder, a key that cannot be opened.
  RemoveFonts(&failures);
  GetFontPlaces().read_resource = [](int, std::string*) { return false; };
  EXPECT_FALSE(InstallFontFiles());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((fonts_ + L"\\LomaN.ttf").c_str()));
  GetFontPlaces().read_resource = saved_.read_resource;
  GetFontPlaces().font_folder = folder_.Join(L"no such folder");
  EXPECT_FALSE(InstallFontFiles());
  GetFontPlaces().font_folder = fonts_;
  GetFontPlaces().registry_key = key_ + L"\\missing";
  GetFontPlaces().read_resource = [](int id, std::string* bytes) {
    return ReadFileTextW(BuiltFont(id), bytes);
  };
  EXPECT_FALSE(InstallFontFiles());
}

TEST_F(FontsTest, StagedListKeepsOnlyTheFailedEntries) {
  ASSERT_TRUE(testing_support::WriteFileBytes(update_ + L"\\a.ttf", "new a"));
  ASSERT_TRUE(testing_support::WriteFileBytes(update_ + L"\\sub.ttf", "new sub"));
  // "missing.ttf" has no staged copy: its copy into the font folder fails.
  ASSERT_TRUE(testing_support::WriteFileBytes(update_ + L"\\font_update.txt",
                                              "[\"a.ttf\", \"missing.ttf\", \"sub.ttf\"]"));
  ApplyStagedFontUpdate();
  std::string text;
  EXPECT_TRUE(ReadFileTextW(fonts_ + L"\\a.ttf", &text));
  EXPECT_EQ("new a", text);
  EXPECT_TRUE(ReadFileTextW(launcher_ + L"\\sub.ttf", &text));
  EXPECT_EQ("new sub", text);
  EXPECT_FALSE(ReadFileTextW(update_ + L"\\a.ttf", &text));  // moved
  ASSERT_TRUE(ReadFileTextW(update_ + L"\\font_update.txt", &text));
  EXPECT_EQ(std::string::npos, text.find("a.ttf\""));
  EXPECT_NE(std::string::npos, text.find("missing.ttf"));

  // Once the staged file is there the list goes.
  ASSERT_TRUE(testing_support::WriteFileBytes(update_ + L"\\missing.ttf", "late"));
  ApplyStagedFontUpdate();
  EXPECT_FALSE(ReadFileTextW(update_ + L"\\font_update.txt", &text));
  EXPECT_TRUE(ReadFileTextW(fonts_ + L"\\missing.ttf", &text));
}

TEST(FontsAntiAliasTest, ThirdArgumentIsComparedExactly) {
  const std::wstring taa = L"taa", full = L"text_anti_alias", caps = L"TAA", other = L"x";
  EXPECT_TRUE(TextAntiAliasFromArgument(nullptr));
  EXPECT_TRUE(TextAntiAliasFromArgument(&taa));
  EXPECT_TRUE(TextAntiAliasFromArgument(&full));
  EXPECT_FALSE(TextAntiAliasFromArgument(&caps));
  EXPECT_FALSE(TextAntiAliasFromArgument(&other));
}

}  // namespace
