// The settings, statistics, extra configuration and gid files: defaults when
// they are missing, round trips, and files that are broken or partly wrong.

#include <gtest/gtest.h>

#include <json/json.h>

#include <string>

#include "app/config/save_files.h"
#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "app/app_test_support.h"
#include "base/file/path_util.h"

namespace {

using app_testing::RecordingServices;
using app_testing::ScopedWorkingFolder;

void WriteSaveFile(const char* name, const std::string& text) {
  CreateDirectoriesA("save");
  ASSERT_TRUE(WriteFileTextA(SaveFilePath(name), text));
}

std::string ReadSaveFile(const char* name) {
  std::string text;
  ReadFileTextA(SaveFilePath(name), &text);
  return text;
}

Json::Value ReadSaveJson(const char* name) {
  Json::Value root;
  EXPECT_TRUE(ParseJson(ReadSaveFile(name), &root, nullptr)) << name;
  return root;
}

void ExpectDefaultSettings(const LauncherSettings& s) {
  EXPECT_EQ(0, s.languageType);
  EXPECT_FALSE(s.closeToHide);
  EXPECT_TRUE(s.autoUpdate);
  EXPECT_FALSE(s.downloadLimit);
  EXPECT_EQ(4096, s.downloadSpeed);
  EXPECT_FALSE(s.predlcLimit);
  EXPECT_EQ(4096, s.predlcSpeed);
  EXPECT_FALSE(s.automaticStart);
}

class SettingsFilesTest : public ::testing::Test {
 protected:
  ScopedWorkingFolder working_;
  RecordingServices services_;
  LauncherController controller_;
};

TEST_F(SettingsFilesTest, FirstRunTakesEveryDefaultAndWritesTheFiles) {
  controller_.Init();

  EXPECT_TRUE(IsDirectoryW(L"save"));
  EXPECT_TRUE(controller_.firstRun);
  EXPECT_TRUE(controller_.closeQuestionPending);
  ExpectDefaultSettings(controller_.settings);
  EXPECT_EQ("en", controller_.settings.languageCode.Get());
  EXPECT_EQ(std::wstring(GetDefaultGamePath()), controller_.settings.gamePath.Get());

  EXPECT_TRUE(controller_.downloadRecord.firstInstall);
  EXPECT_EQ(0, controller_.downloadRecord.downloadSize);
  EXPECT_EQ(0, controller_.downloadRecord.downloadSpeed);
  EXPECT_EQ(0, controller_.downloadRecord.downloadTime);
  EXPECT_TRUE(controller_.downloadRecord.downloadVersion.empty());

  EXPECT_TRUE(controller_.gid.empty());
  EXPECT_TRUE(controller_.installPackageType.empty());
  const ServerOverrides& o = controller_.serverOverrides;
  EXPECT_TRUE(o.GateKey.empty() && o.GateURLs.empty() && o.DlcURLs.empty());
  EXPECT_TRUE(o.ActivityURL.empty() && o.TrackURL.empty());
  EXPECT_FALSE(o.QaGate || o.DisableAutoEnterGame);
  EXPECT_EQ(0, o.RefreshInterval);
  EXPECT_EQ(0, o.UpdateInterval);

  EXPECT_EQ(L"KR", services_.channel);
  EXPECT_EQ(1, services_.font_installs);
  ASSERT_EQ(2u, controller_.fileAliases.size());
  EXPECT_EQ(L"TOLM_Data/Resources/unity default resources",
            controller_.GetFileAliases()[L"TOLM_Data/Resources/unity_default_resources"]);

  // Both files hold every key, tab-indented.
  std::string settings_text = ReadSaveFile("EnvConfig.json");
  EXPECT_NE(std::string::npos, settings_text.find("\n\t\"autoUpdate\" : true"));
  Json::Value settings = ReadSaveJson("EnvConfig.json");
  EXPECT_EQ(9u, settings.size());
  for (const char* key : {"languageType", "gamePath", "closeToHide", "downloadLimit",
                          "downloadSpeed", "predlcLimit", "predlcSpeed", "automaticStart",
                          "autoUpdate"}) {
    EXPECT_TRUE(settings.isMember(key)) << key;
  }
  Json::Value record = ReadSaveJson("Log.json");
  EXPECT_EQ(5u, record.size());
  EXPECT_TRUE(record["firstInstall"].asBool());
  EXPECT_EQ("", record["downloadVersion"].asString());
}

TEST_F(SettingsFilesTest, FirstRunWithTheGameBesideTheLauncherUsesTheLauncherFolder) {
  std::wstring folder = base::GetModuleDirectory();
  std::wstring game = folder + L"TOLM.exe";
  ASSERT_TRUE(WriteFileTextW(game, "MZ"));
  controller_.Init();
  DeleteFileW(game.c_str());
  EXPECT_EQ(folder.substr(0, folder.size() - 1), controller_.settings.gamePath.Get());
}

TEST_F(SettingsFilesTest, EveryFieldSurvivesARoundTrip) {
  LauncherSettings& s = controller_.settings;
  s.languageType = 15;
  s.gamePath = L"D:\\Spiele\\Quorvel \u00dcberall \uac8c\uc784";
  s.closeToHide = true;
  s.autoUpdate = false;
  s.downloadLimit = true;
  s.downloadSpeed = 123;
  s.predlcLimit = true;
  s.predlcSpeed = 2147483647;
  s.automaticStart = true;
  DownloadRecord& r = controller_.downloadRecord;
  r.firstInstall = false;
  r.downloadSize = 9000000000000LL;
  r.downloadSpeed = 1048576;
  r.downloadTime = 3601;
  r.downloadVersion = "10077_3_15";
  CreateDirectoriesA("save");
  controller_.SaveSettings();
  controller_.SaveDownloadRecord();

  LauncherController reloaded;
  ASSERT_TRUE(reloaded.LoadSettings());
  ASSERT_TRUE(reloaded.LoadDownloadRecord());
  const LauncherSettings& t = reloaded.settings;
  EXPECT_EQ(15, t.languageType);
  EXPECT_EQ(s.gamePath.Get(), t.gamePath.Get());
  EXPECT_TRUE(t.closeToHide);
  EXPECT_FALSE(t.autoUpdate);
  EXPECT_TRUE(t.downloadLimit);
  EXPECT_EQ(123, t.downloadSpeed);
  EXPECT_TRUE(t.predlcLimit);
  EXPECT_EQ(2147483647, t.predlcSpeed);
  EXPECT_TRUE(t.automaticStart);
  const DownloadRecord& u = reloaded.downloadRecord;
  EXPECT_FALSE(u.firstInstall);
  EXPECT_EQ(9000000000000LL, u.downloadSize);
  EXPECT_EQ(1048576, u.downloadSpeed);
  EXPECT_EQ(3601, u.downloadTime);
  EXPECT_EQ("10077_3_15", u.downloadVersion.Get());
}

TEST_F(SettingsFilesTest, UnreadableFilesLeaveEveryDefault) {
  for (const char* text : {"", "{ \"languageType\": 3", "not json", "\xff\xfe{}"}) {
    SCOPED_TRACE(text);
    WriteSaveFile("EnvConfig.json", text);
    WriteSaveFile("Log.json", text);
    LauncherController fresh;
    EXPECT_FALSE(fresh.LoadSettings());
    EXPECT_FALSE(fresh.LoadDownloadRecord());
    ExpectDefaultSettings(fresh.settings);
    EXPECT_TRUE(fresh.downloadRecord.firstInstall);
  }
  LauncherController missing;
  DeleteFileA(SaveFilePath("EnvConfig.json").c_str());
  EXPECT_FALSE(missing.LoadSettings());
}

TEST_F(SettingsFilesTest, WrongKeysKeepTheirDefaultsAndGoodKeysAreTaken) {
  WriteSaveFile("EnvConfig.json", R"({
      "languageType": "3", "gamePath": 5, "closeToHide": "yes",
      "downloadLimit": 1, "downloadSpeed": 3.0, "predlcLimit": true,
      "predlcSpeed": 3.5, "automaticStart": null, "autoUpdate": false,
      "unknown": [1, 2]})");
  ASSERT_TRUE(controller_.LoadSettings());
  const LauncherSettings& s = controller_.settings;
  EXPECT_EQ(0, s.languageType);
  EXPECT_TRUE(s.gamePath.empty());
  EXPECT_FALSE(s.closeToHide);
  EXPECT_FALSE(s.downloadLimit);
  EXPECT_EQ(3, s.downloadSpeed);
  EXPECT_TRUE(s.predlcLimit);
  EXPECT_EQ(4096, s.predlcSpeed);
  EXPECT_FALSE(s.automaticStart);
  EXPECT_FALSE(s.autoUpdate);

  WriteSaveFile("EnvConfig.json", R"({"languageType": 3.0, "downloadSpeed": 2147483648})");
  ASSERT_TRUE(controller_.LoadSettings());
  EXPECT_EQ(3, s.languageType);
  EXPECT_EQ(3, s.downloadSpeed);  // out of range: kept

  controller_.downloadRecord.downloadSize = 77;
  WriteSaveFile("Log.json", R"({"firstInstall": "false", "downloadSize": -5,
      "downloadSpeed": 1.5, "downloadTime": 7.0, "downloadVersion": 12})");
  ASSERT_TRUE(controller_.LoadDownloadRecord());
  const DownloadRecord& r = controller_.downloadRecord;
  EXPECT_TRUE(r.firstInstall);
  EXPECT_EQ(77, r.downloadSize);
  EXPECT_EQ(0, r.downloadSpeed);
  EXPECT_EQ(7, r.downloadTime);
  EXPECT_TRUE(r.downloadVersion.empty());

  // A top level that is no object parses, so it is no first run, and keeps
  // everything.
  WriteSaveFile("EnvConfig.json", "[1, 2]");
  EXPECT_TRUE(controller_.LoadSettings());
  EXPECT_EQ(3, s.languageType);
}

TEST_F(SettingsFilesTest, ASettingsFileWithOnlyTheGameFolderIsNoFirstRun) {
  WriteSaveFile("EnvConfig.json", R"({"gamePath": "E:\\Games\\Q"})");
  controller_.Init();
  EXPECT_FALSE(controller_.firstRun);
  EXPECT_FALSE(controller_.closeQuestionPending);
  EXPECT_EQ(L"E:\\Games\\Q", controller_.settings.gamePath.Get());
  ExpectDefaultSettings(controller_.settings);

  // An empty stored folder becomes the default one at start-up.
  WriteSaveFile("EnvConfig.json", R"({"gamePath": ""})");
  LauncherController second;
  second.Init();
  EXPECT_EQ(std::wstring(GetDefaultGamePath()), second.settings.gamePath.Get());
}

TEST_F(SettingsFilesTest, ExtraConfigGivesTheInstallPackageType) {
  WriteSaveFile("extra_config.txt", R"({"install_package_type": "steam"})");
  controller_.Init();
  EXPECT_EQ("steam", controller_.installPackageType);

  WriteSaveFile("extra_config.txt", R"({"install_package_type": 4})");
  EXPECT_TRUE(controller_.LoadExtraConfig());
  EXPECT_EQ("steam", controller_.installPackageType);

  WriteSaveFile("extra_config.txt", "broken");
  EXPECT_FALSE(controller_.LoadExtraConfig());
  LauncherController fresh;
  fresh.installPackageType = "stale";
  fresh.Init();
  EXPECT_TRUE(fresh.installPackageType.empty());
}

TEST_F(SettingsFilesTest, GidComesFromTheSaveFolderThenFromTheGameFolder) {
  CreateDirectoriesA("game\\save");
  ASSERT_TRUE(WriteFileTextA("game\\save\\gid.txt", "from-game"));
  WriteSaveFile("EnvConfig.json", R"({"gamePath": "game"})");
  controller_.Init();
  EXPECT_EQ("from-game", controller_.gid);

  // Byte for byte, line break included.
  WriteSaveFile("gid.txt", "g-123\r\n");
  controller_.LoadGid();
  EXPECT_EQ("g-123\r\n", controller_.gid);

  DeleteFileA(SaveFilePath("gid.txt").c_str());
  DeleteFileA("game\\save\\gid.txt");
  controller_.LoadGid();
  EXPECT_TRUE(controller_.gid.empty());
}

}  // namespace
