#include "app/util/process_util.h"

#include <gtest/gtest.h>

#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "base/file/path_util.h"
#include "test_support/temp_folder.h"

namespace {

// Waits, with a bound, for the child to write its record.
bool WaitForFile(const std::wstring& path, std::string* text) {
  for (int i = 0; i < 1500; ++i) {
    if (ReadFileTextW(path, text) && !text->empty()) return true;
    Sleep(10);
  }
  return false;
}

class RunProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The default game folder's name has a blank.
    game_folder_ = temp_.Join(L"Quorvel Game");
    ASSERT_TRUE(CreateDirectoriesW(game_folder_));
    program_ = game_folder_ + L"\\child game.exe";
    ASSERT_TRUE(CopyFileW((base::GetModuleDirectory() + L"app_util_child.exe").c_str(),
                          program_.c_str(), FALSE));
    work_folder_ = temp_.Join(L"work folder");
    ASSERT_TRUE(CreateDirectoriesW(work_folder_));
  }

  std::string Expected(const std::wstring& arguments, const std::wstring& folder) {
    std::string text;
    WideToUtf8(arguments + L"\n" + folder, &text);
    return text;
  }

  testing_support::TempFolder temp_;
  std::wstring game_folder_;
  std::wstring program_;
  std::wstring work_folder_;
};

TEST_F(RunProgramTest, StartsProgramWhosePathHasBlanks) {
  RunProgram(program_, L"record d41d8cd98f00b204e9800998ecf8427e win 0|1", work_folder_);
  std::string text;
  ASSERT_TRUE(WaitForFile(work_folder_ + L"\\child_out.txt", &text));
  EXPECT_EQ(Expected(L"d41d8cd98f00b204e9800998ecf8427e|win|0|1", work_folder_), text);
}

TEST_F(RunProgramTest, LongCommandLineIsNotCut) {
  std::wstring long_argument(1000, L'x');
  RunProgram(program_, L"record " + long_argument + L" end", game_folder_);
  std::string text;
  ASSERT_TRUE(WaitForFile(game_folder_ + L"\\child_out.txt", &text));
  EXPECT_EQ(Expected(long_argument + L"|end", game_folder_), text);
}

TEST_F(RunProgramTest, EmptyWorkingFolderInheritsTheLaunchers) {
  wchar_t old[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, old);
  ASSERT_TRUE(SetCurrentDirectoryW(work_folder_.c_str()));
  RunProgram(program_, L"record", L"");
  SetCurrentDirectoryW(old);
  std::string text;
  ASSERT_TRUE(WaitForFile(work_folder_ + L"\\child_out.txt", &text));
  EXPECT_EQ(Expected(L"", work_folder_), text);
}

TEST_F(RunProgramTest, QuotedOrWholeCommandLineStillRuns) {
  // A caller that hands over a quoted program, or a whole command line as the
  // program, keeps the system's parsing.
  RunProgram(L"\"" + program_ + L"\" record quoted", L"", work_folder_);
  std::string text;
  ASSERT_TRUE(WaitForFile(work_folder_ + L"\\child_out.txt", &text));
  EXPECT_EQ(Expected(L"quoted", work_folder_), text);
}

TEST_F(RunProgramTest, EmptyOrMissingProgramStartsNothing) {
  RunProgram(L"", L"record", work_folder_);
  RunProgram(game_folder_ + L"\\missing.exe", L"record", work_folder_);
  std::string text;
  EXPECT_FALSE(ReadFileTextW(work_folder_ + L"\\child_out.txt", &text));
}

}  // namespace
