// The staged lists of a launcher update and the "replace" mode's browser-file
// step, in a launcher folder of the test's own (the working folder).

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/util/file_util.h"
#include "app/util/self_replacement.h"
#include "test_support/temp_folder.h"

namespace {

class InLauncherFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    old_cwd_ = cwd;
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
    CreateDirectoriesW(GetUpdateFolder());
  }
  void TearDown() override { SetCurrentDirectoryW(old_cwd_.c_str()); }

  static std::string Read(const std::string& path) {
    std::string text;
    return ReadFileTextA(path, &text) ? text : "<missing>";
  }

  testing_support::TempFolder folder_;
  std::wstring old_cwd_;
};

TEST(ReplaceArgumentsTest, ThreeQuotedValuesAlwaysThere) {
  EXPECT_EQ(L"replace \"\" \"\" \"\"", BuildReplaceArguments(L"", false));
  EXPECT_EQ(L"replace \".\\update\\launcher.exe\" \".\\launcher.exe\" \".\\launcher.exe\"",
            BuildReplaceArguments(L".\\launcher.exe", true));
  EXPECT_EQ(L"replace \"\" \"\" \".\\launcher.exe\"",
            BuildReplaceArguments(L".\\launcher.exe", false));
}

TEST_F(InLauncherFolder, ListsRoundTripAndRefuseWhatIsNoArray) {
  const std::string path = ".\\update\\cef_update.txt";
  ASSERT_TRUE(WriteJsonFileList(path, {"cef/a.pak", "cef/locales/en-US.pak"}));
  std::vector<std::string> names = {"kept"};
  ASSERT_TRUE(ReadJsonFileList(path, &names));
  EXPECT_EQ((std::vector<std::string>{"kept", "cef/a.pak", "cef/locales/en-US.pak"}), names);

  const struct {
    const char* text;
    bool read;
    size_t count;
  } cases[] = {
      {"[]", true, 0},
      {"[\"a\", 3, {\"x\": 1}, [\"b\"]]", true, 1},  // only texts are names
      {"{\"a\": \"b\"}", false, 0},
      {"null", false, 0},
      {"not json", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(WriteFileTextA(path, c.text));
    names.clear();
    EXPECT_EQ(c.read, ReadJsonFileList(path, &names));
    EXPECT_EQ(c.count, names.size());
  }
  names.clear();
  EXPECT_FALSE(ReadJsonFileList(".\\update\\missing.txt", &names));
}

TEST_F(InLauncherFolder, CefListMovesFilesAndKeepsOnlyTheFailedOnes) {
  ASSERT_TRUE(CreateDirectoriesA(".\\update\\cef\\locales"));
  ASSERT_TRUE(WriteFileTextA(".\\update\\cef\\locales\\en-US.pak", "new pak"));
  ASSERT_TRUE(WriteFileTextA(".\\update\\cef\\libcef.dll", "new dll"));
  // An old file held open without sharing, as a loaded browser file is.
  ASSERT_TRUE(CreateDirectoriesA(".\\cef"));
  ASSERT_TRUE(WriteFileTextA(".\\cef\\libcef.dll", "old dll"));
  HANDLE held = CreateFileA(".\\cef\\libcef.dll", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  ASSERT_TRUE(WriteJsonFileList(".\\update\\cef_update.txt",
                                {"cef/locales/en-US.pak", "cef/libcef.dll", "../outside.dll"}));

  ApplyStagedCefUpdate();

  // The folders below the launcher's are made; the staged copy goes.
  EXPECT_EQ("new pak", Read(".\\cef\\locales\\en-US.pak"));
  EXPECT_EQ("<missing>", Read(".\\update\\cef\\locales\\en-US.pak"));
  // The held file stays staged and listed; a name leaving the folder is dropped.
  EXPECT_EQ("new dll", Read(".\\update\\cef\\libcef.dll"));
  std::vector<std::string> left;
  ASSERT_TRUE(ReadJsonFileList(".\\update\\cef_update.txt", &left));
  EXPECT_EQ(std::vector<std::string>{"cef/libcef.dll"}, left);
  CloseHandle(held);

  // The next replacement finishes the job and the list goes.
  ApplyStagedCefUpdate();
  EXPECT_EQ("new dll", Read(".\\cef\\libcef.dll"));
  EXPECT_EQ("<missing>", Read(".\\update\\cef_update.txt"));
}

TEST_F(InLauncherFolder, CefListThatIsNoArrayIsKeptAndAnEmptyOneGoes) {
  ASSERT_TRUE(WriteFileTextA(".\\update\\cef_update.txt", "{\"cef/a\": 1}"));
  ApplyStagedCefUpdate();
  EXPECT_EQ("{\"cef/a\": 1}", Read(".\\update\\cef_update.txt"));

  ASSERT_TRUE(WriteFileTextA(".\\update\\cef_update.txt", "[]"));
  ApplyStagedCefUpdate();
  EXPECT_EQ("<missing>", Read(".\\update\\cef_update.txt"));
}

}  // namespace
