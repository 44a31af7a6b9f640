#include "app/util/system_util.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "test_support/temp_folder.h"

namespace {

TEST(DriveTest, Letters) {
  EXPECT_EQ(L"C", GetDriveLetter(L"C:\\Games"));
  EXPECT_EQ(L"d", GetDriveLetter(L"d:/x"));
  EXPECT_EQ(L"", GetDriveLetter(L"\\\\server\\share\\game"));
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  EXPECT_EQ(std::wstring(folder, 1), GetDriveLetter(L"save"));
}

TEST(DriveTest, Space) {
  testing_support::TempFolder temp;
  uint64_t total = 0, available = 0;
  ASSERT_TRUE(GetDriveSpaceW(temp.path(), &total, &available));
  EXPECT_GT(total, 0u);
  EXPECT_LE(available, total);

  // A relative path answers for the working folder's drive.
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  ULARGE_INTEGER free_to_caller = {}, total_bytes = {};
  ASSERT_TRUE(GetDiskFreeSpaceExW((std::wstring(folder, 2) + L"\\").c_str(), &free_to_caller,
                                  &total_bytes, nullptr));
  ASSERT_TRUE(GetDriveSpaceA("update\\predownload", &total, &available));
  EXPECT_EQ(total_bytes.QuadPart, total);

  total = available = 7;
  EXPECT_FALSE(GetDriveSpaceW(L"\\\\server\\share\\game", &total, &available));
  EXPECT_EQ(7u, total);
  EXPECT_EQ(7u, available);
}

TEST(UtcDateTimeTest, Format) {
  std::string date, time;
  EXPECT_TRUE(GetUtcDateTime(&date, &time));
  EXPECT_TRUE(std::regex_match(date, std::regex("[0-9]{4}-[01][0-9]-[0-3][0-9]"))) << date;
  EXPECT_TRUE(std::regex_match(time, std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]"))) << time;
}

}  // namespace
