// LauncherController::ApplySettings: what a changed record saves, applies,
// writes to the registry and tracks.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/config/save_files.h"
#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/app_test_support.h"

namespace {

using app_testing::RecordingServices;
using app_testing::ScopedWorkingFolder;

class ApplySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoriesA("save");
    controller_.settings.gamePath = L"C:\\Game";
  }
  bool SettingsSaved() {
    return GetFileAttributesA(SaveFilePath("EnvConfig.json").c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  ScopedWorkingFolder working_;
  RecordingServices services_;
  LauncherController controller_;
};

TEST_F(ApplySettingsTest, AnIdenticalRecordChangesNothing) {
  LauncherSettings same = controller_.settings;
  controller_.ApplySettings(same);
  EXPECT_FALSE(SettingsSaved());
  EXPECT_TRUE(services_.speed_limit_modes.empty());
  EXPECT_TRUE(services_.tracked.empty());
  EXPECT_FALSE(controller_.languageChangePending);
  EXPECT_EQ(0, services_.run_writes + services_.run_deletes);
}

TEST_F(ApplySettingsTest, EachChangeAppliesWhatItConcerns) {
  struct Case {
    const char* name;
    void (*change)(LauncherSettings*);
    std::vector<int32_t> limit_modes;
    const char* start_text;
    const char* close_text;
    int32_t game_limit;
    int32_t predownload_limit;
  } cases[] = {
      {"pre-download speed only", [](LauncherSettings* s) { s->predlcSpeed = 100; }, {1}, "", "",
       0, 0},
      {"pre-download limit on", [](LauncherSettings* s) { s->predlcLimit = true; }, {1}, "", "", 0,
       4096},
      {"game limit and speed",
       [](LauncherSettings* s) {
         s->downloadLimit = true;
         s->downloadSpeed = 512;
       },
       {0}, "", "", 512, 0},
      {"both limits",
       [](LauncherSettings* s) {
         s->downloadSpeed = 1;
         s->predlcSpeed = 2;
       },
       {0, 1}, "", "", 0, 0},
      {"close to tray", [](LauncherSettings* s) { s->closeToHide = true; }, {}, "", "1", 0, 0},
      {"game folder", [](LauncherSettings* s) { s->gamePath = L"D:\\Other"; }, {}, "", "", 0, 0},
      {"automatic update", [](LauncherSettings* s) { s->autoUpdate = false; }, {}, "", "", 0, 0},
      {"start with Windows", [](LauncherSettings* s) { s->automaticStart = true; }, {}, "1", "",
       0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingServices services;
    LauncherController controller;
    controller.settings.gamePath = L"C:\\Game";
    DeleteFileA(SaveFilePath("EnvConfig.json").c_str());
    LauncherSettings changed = controller.settings;
    c.change(&changed);
    controller.ApplySettings(changed);

    EXPECT_TRUE(SettingsSaved());
    EXPECT_EQ(c.limit_modes, services.speed_limit_modes);
    // Each change carries the new limit itself to the engine's thread.
    ASSERT_EQ(services.speed_limit_modes.size(), services.speed_limits.size());
    for (size_t i = 0; i < services.speed_limits.size(); ++i) {
      const bool pre_download = services.speed_limit_modes[i] == 1;
      EXPECT_EQ(pre_download ? changed.predlcLimit : changed.downloadLimit,
                services.speed_limits[i].limited);
      EXPECT_EQ(pre_download ? changed.predlcSpeed : changed.downloadSpeed,
                services.speed_limits[i].speed);
    }
    ASSERT_EQ(1u, services.tracked.size());
    EXPECT_EQ(c.start_text, services.tracked[0].start_text);
    EXPECT_EQ(c.close_text, services.tracked[0].close_text);
    EXPECT_EQ(c.game_limit, services.tracked[0].game_limit);
    EXPECT_EQ(c.predownload_limit, services.tracked[0].predownload_limit);
    EXPECT_FALSE(controller.languageChangePending);

    LauncherController reloaded;
    ASSERT_TRUE(reloaded.LoadSettings());
    EXPECT_EQ(changed.gamePath.Get(), reloaded.settings.gamePath.Get());
    EXPECT_EQ(changed.closeToHide, reloaded.settings.closeToHide);
    EXPECT_EQ(changed.predlcSpeed, reloaded.settings.predlcSpeed);
    EXPECT_EQ(changed.downloadLimit, reloaded.settings.downloadLimit);
    EXPECT_EQ(changed.autoUpdate, reloaded.settings.autoUpdate);
  }
}

TEST_F(ApplySettingsTest, ALanguageChangeIsMarkedForTheMainWindow) {
  LauncherSettings changed = controller_.settings;
  changed.languageType = 14;
  controller_.ApplySettings(changed);
  EXPECT_TRUE(controller_.languageChangePending);
  EXPECT_EQ("ru", controller_.settings.languageCode.Get());

  changed.languageType = 40;
  controller_.ApplySettings(changed);
  EXPECT_EQ(40, controller_.settings.languageType);
  EXPECT_EQ("en", controller_.settings.languageCode.Get());
}

TEST_F(ApplySettingsTest, StartWithWindowsStaysOffWhenTheValueCannotBeWritten) {
  services_.run_write_result = -1;
  LauncherSettings changed = controller_.settings;
  changed.automaticStart = true;
  controller_.ApplySettings(changed);
  EXPECT_FALSE(controller_.settings.automaticStart);
  ASSERT_EQ(1u, services_.tracked.size());
  EXPECT_EQ("0", services_.tracked[0].start_text);
  LauncherController reloaded;
  ASSERT_TRUE(reloaded.LoadSettings());
  EXPECT_FALSE(reloaded.settings.automaticStart);
}

std::wstring ReadRunValue() {
  for (const wchar_t* key : {L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                             L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"}) {
    wchar_t data[MAX_PATH] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, L"ZQVLauncher", RRF_RT_REG_SZ, nullptr, data,
                     &size) == ERROR_SUCCESS) {
      return data;
    }
  }
  return L"";
}

TEST_F(ApplySettingsTest, StartWithWindowsWritesAndDeletesTheRunValue) {
  services_.real_registry = true;
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);

  LauncherSettings changed = controller_.settings;
  changed.automaticStart = true;
  controller_.ApplySettings(changed);
  EXPECT_TRUE(controller_.settings.automaticStart);
  EXPECT_EQ(std::wstring(exe), ReadRunValue());

  changed.automaticStart = false;
  controller_.ApplySettings(changed);
  EXPECT_FALSE(controller_.settings.automaticStart);
  EXPECT_EQ(L"", ReadRunValue());
  ASSERT_EQ(2u, services_.tracked.size());
  EXPECT_EQ("1", services_.tracked[0].start_text);
  EXPECT_EQ("0", services_.tracked[1].start_text);
}

}  // namespace
