#include "update/versions/pre_download_folders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "update/versions/version_keys.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void WriteFile(const std::string& path, const std::string& text) {
  ASSERT_TRUE(testing_support::WriteFileBytes(path, text));
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class PreDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override { root_ = Narrow(folder_.path()) + "\\predownload"; }

  void MakeFolder(const std::string& name) {
    CreateDirectoryA(root_.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA((root_ + "\\" + name).c_str(), nullptr)) << name;
    WriteFile(root_ + "\\" + name + "\\data.bin", "x");
  }

  testing_support::TempFolder folder_;
  std::string root_;
};

TEST_F(PreDownloadTest, PruneKeepsOnlyNewerVersions) {
  for (const char* name : {"10_4_3", "10_6_2", "10_5_3", "10_4_4", "temp"}) MakeFolder(name);
  std::vector<std::string> folders = ListPreDownloadFolders(root_);
  std::sort(folders.begin(), folders.end());
  ASSERT_EQ(folders.size(), 5u);

  EXPECT_EQ(PrunePreDownloads(root_, "10_5_3", &folders), 1);
  EXPECT_EQ(folders, std::vector<std::string>{"10_4_4"});
  EXPECT_FALSE(Exists(root_ + "\\10_4_3"));  // C equal, B below
  EXPECT_FALSE(Exists(root_ + "\\10_6_2"));  // C below
  EXPECT_FALSE(Exists(root_ + "\\10_5_3"));  // equal
  EXPECT_TRUE(Exists(root_ + "\\10_4_4\\data.bin"));
  EXPECT_TRUE(Exists(root_ + "\\temp\\data.bin"));  // not a version: left alone

  std::vector<std::string> empty;
  EXPECT_EQ(PrunePreDownloads(root_, "10_5_3", &empty), 0);
  std::vector<std::string> some{"10_4_4"};
  EXPECT_EQ(PrunePreDownloads(root_, "", &some), -1);
  EXPECT_EQ(PrunePreDownloads(root_, "1.0.0", &some), -2);
  EXPECT_EQ(some.size(), 1u);
  EXPECT_TRUE(ListPreDownloadFolders(root_ + "\\missing").empty());
}

TEST_F(PreDownloadTest, Status) {
  MakeFolder("10_1_2");
  MakeFolder("10_1_3");
  MakeFolder("10_1_4");
  WriteFile(root_ + "\\10_1_2\\predownload_version_map.txt",
            R"({"version": {"md5": "10_1_2"}, "a": {"md5": "0123456789abcdef0123456789abcdef"}})");
  WriteFile(root_ + "\\10_1_3\\predownload_version_map.txt", R"({"version": {"md5": "10_1_1"}})");
  WriteFile(root_ + "\\10_1_4\\tmp_predownload_version_map.txt", "{}");
  const std::vector<std::string> folders{"10_1_2", "10_1_3", "10_1_4"};

  VersionMap map{{"stale", {}}};
  EXPECT_EQ(GetPreDownloadStatus(root_, "", folders, &map), -1);
  EXPECT_EQ(GetPreDownloadStatus(root_, "10_1_2", folders, &map), 0);
  EXPECT_EQ(map.size(), 2u);
  EXPECT_EQ(GetPreDownloadStatus(root_, "10_1_3", folders, &map), 1);  // another version
  EXPECT_EQ(GetPreDownloadStatus(root_, "10_1_4", folders, &map), 1);  // unfinished
  // The list is read once at start: a folder made since does not count.
  EXPECT_EQ(GetPreDownloadStatus(root_, "10_1_2", {"10_1_3"}, &map), 1);

  EXPECT_TRUE(HasUnfinishedPreDownload(root_, "10_1_4"));
  EXPECT_FALSE(HasUnfinishedPreDownload(root_, "10_1_2"));
  EXPECT_FALSE(HasUnfinishedPreDownload(root_, "10_1_9"));
  // A hostile version never names a path.
  MakeFolder("x");
  WriteFile(root_ + "\\x\\tmp_predownload_version_map.txt", "{}");
  EXPECT_FALSE(HasUnfinishedPreDownload(root_ + "\\sub", "..\\x"));
}

TEST(VersionKeysTest, ResetAndLoad) {
  VersionMaps maps;
  for (const char* key : kVersionKeys) ResetVersionMap(&maps, key);
  EXPECT_EQ(maps.size(), 12u);
  maps[kLocalGameVersionKey]["a"] = {"x", 1};
  EXPECT_TRUE(ResetVersionMap(&maps, kLocalGameVersionKey).empty());
  EXPECT_TRUE(maps[kLocalGameVersionKey].empty());

  testing_support::TempFolder game;
  GameVersions versions = LoadGameVersion(game.path());
  EXPECT_EQ(versions.local, "");
  EXPECT_EQ(versions.display, "");
  WriteFile(Narrow(game.Join(L"version_map.txt")),
            R"({"version": "101_2_3", "list": {"TOLM.exe": {"md5": "0123456789abcdef0123456789abcdef", "size": 3}}})");
  versions = LoadGameVersion(game.path());
  EXPECT_EQ(versions.local, "101_2_3");
  EXPECT_EQ(versions.remote, "101_2_3");
  EXPECT_EQ(versions.display, "0.1.1.3.2");
  EXPECT_FALSE(GameVersionChanged(versions.local, versions.remote));
  EXPECT_TRUE(GameVersionChanged("101_2_3", "101_2_4"));
  EXPECT_FALSE(GameVersionChanged("", "101_2_4"));

  VersionMap map;
  std::string error;
  ASSERT_TRUE(LoadLocalGameVersionMap(game.path(), &map, &error)) << error;
  EXPECT_EQ(map["TOLM.exe"].size, 3);

  // The launcher's version is read from the working folder.
  wchar_t previous[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, previous);
  testing_support::TempFolder launcher;
  SetCurrentDirectoryW(launcher.path().c_str());
  EXPECT_EQ(LoadLauncherVersion(), "1.0.0");
  WriteFile("launcher_version_map.txt", R"({"version": "3_4_5", "list": null})");
  EXPECT_EQ(LoadLauncherVersion(), "3_4_5");
  SetCurrentDirectoryW(previous);
}

}  // namespace
