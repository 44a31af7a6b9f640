#include "app/util/version_map_tool.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "test_support/file_bytes.h"
#include "test_support/temp_folder.h"
#include "update/versions/version_map.h"

namespace {

void WriteFile(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes));
}

std::string ReadFile(const std::string& path) { return testing_support::ReadFileBytes(path); }

// Runs each test in a fresh launcher folder.
class VersionMapToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
  }
  void TearDown() override { SetCurrentDirectoryW(previous_); }

  // Reads a written map back through the engine's reader.
  void ReadBack(const char* file, VersionMap* map, std::string* version) {
    std::string error;
    ASSERT_TRUE(ParseVersionMap(ReadFile(file), map, &error)) << error << ReadFile(file);
    std::wstring wide(file, file + strlen(file));
    ReadVersionFromFile(wide, version, "none");
  }

  testing_support::TempFolder folder_;
  wchar_t previous_[MAX_PATH] = {};
};

TEST_F(VersionMapToolTest, LauncherMapHoldsTheLauncherFiles) {
  WriteFile("launcher.exe", "abc");
  CreateDirectoryA("cef", nullptr);
  WriteFile("cef\\a.dll", "");
  WriteFile("unrelated.txt", "not listed");
  ASSERT_TRUE(MakeVersionMap(L"1_2_3"));

  const std::string text = ReadFile("launcher_version_map.txt");
  EXPECT_EQ(text,
            "{\n"
            "\t\"list\" : \n"
            "\t{\n"
            "\t\t\"cef/a.dll\" : \n"
            "\t\t{\n"
            "\t\t\t\"md5\" : \"d41d8cd98f00b204e9800998ecf8427e\",\n"
            "\t\t\t\"size\" : 0\n"
            "\t\t},\n"
            "\t\t\"launcher.exe\" : \n"
            "\t\t{\n"
            "\t\t\t\"md5\" : \"900150983cd24fb0d6963f7d28e17f72\",\n"
            "\t\t\t\"size\" : 3\n"
            "\t\t}\n"
            "\t},\n"
            "\t\"version\" : \"1_2_3\"\n"
            "}");
  VersionMap map;
  std::string version;
  ReadBack("launcher_version_map.txt", &map, &version);
  EXPECT_EQ(map.size(), 2u);
  EXPECT_EQ(version, "1_2_3");
}

TEST_F(VersionMapToolTest, DigestsSurviveTheRoundTrip) {
  struct File {
    const char* path;
    std::string bytes;
    const char* md5;
  };
  const File files[] = {
      {"resources.zip", std::string(55, 'q'), "c932e1b1a97de537d13e0dddd96da42b"},
      {"LomaN.ttf", std::string(56, 'q'), "266ea7b18061f04ebe140d63ce648567"},
      {"LomaB.ttf", std::string(63, 'q'), "7b7cb022759a9f373ef24bf92c05204f"},
      {"SourceHanSansCNRegular.ttf", std::string(64, 'q'), "40bfc24c764552cb38083a62855664aa"},
      {"SourceHanSansCNBold.ttf", std::string(65, 'q'), "4f8d62f3cf50e436dfe277c67b321fbc"},
      {"cef/locales/ko.pak", std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  CreateDirectoryA("cef", nullptr);
  CreateDirectoryA("cef\\locales", nullptr);
  for (const File& file : files) {
    std::string path = file.path;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    WriteFile(path, file.bytes);
  }
  WriteFile("launcher_version_map.txt", "old map");
  ASSERT_TRUE(MakeVersionMap(L""));

  VersionMap map;
  std::string version;
  ReadBack("launcher_version_map.txt", &map, &version);
  EXPECT_EQ(version, "1.0.0");
  ASSERT_EQ(map.size(), 6u);
  for (const File& file : files) {
    EXPECT_EQ(map[file.path].md5, file.md5) << file.path;
    EXPECT_EQ(map[file.path].size, static_cast<int64_t>(file.bytes.size())) << file.path;
  }
  EXPECT_EQ(GetFileAttributesA("launcher_version_map.txt.writing"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(VersionMapToolTest, LockedAndMissingFilesAreLeftOut) {
  ASSERT_TRUE(MakeVersionMap(L"2_0_0"));
  EXPECT_NE(ReadFile("launcher_version_map.txt").find("\"list\" : null"), std::string::npos);
  VersionMap map;
  std::string version;
  ReadBack("launcher_version_map.txt", &map, &version);
  EXPECT_TRUE(map.empty());
  EXPECT_EQ(version, "2_0_0");

  WriteFile("launcher.exe", "abc");
  WriteFile("resources.zip", "zip");
  HANDLE locked = CreateFileW(L"resources.zip", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(locked, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(MakeVersionMap(L"2_0_0"));
  CloseHandle(locked);
  ReadBack("launcher_version_map.txt", &map, &version);
  EXPECT_EQ(map.size(), 1u);
  EXPECT_EQ(map.count("launcher.exe"), 1u);
}

TEST_F(VersionMapToolTest, DependenceMap) {
  ASSERT_TRUE(MakeDependenceVersionMap(L"5_6_7"));
  EXPECT_NE(ReadFile("dependence_version_map.txt").find("\"list\" : null"), std::string::npos);

  WriteFile("launcher.exe", "not in this map");
  CreateDirectoryA("dependence", nullptr);
  CreateDirectoryA("dependence\\x", nullptr);
  WriteFile("dependence\\top.bin", "abc");
  WriteFile("dependence\\x\\y.bin", "");
  ASSERT_TRUE(MakeDependenceVersionMap(L"5_6_7"));
  VersionMap map;
  std::string version;
  ReadBack("dependence_version_map.txt", &map, &version);
  EXPECT_EQ(version, "5_6_7");
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map["dependence/top.bin"].md5, "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(map["dependence/x/y.bin"].size, 0);
  EXPECT_EQ(GetFileAttributesA("launcher_version_map.txt"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
