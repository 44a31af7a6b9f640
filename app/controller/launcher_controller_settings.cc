// The controller's settings, statistics, overrides and identity files.

#include <mutex>
#include <string>

#include "app/config/json_fields.h"
#include "app/config/languages.h"
#include "app/config/save_files.h"
#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_services.h"
#include "app/util/file_util.h"
#include "base/thread/thread_checker.h"
#include "base/thread/thread_registry.h"

namespace {

constexpr char kSettingsFile[] = "EnvConfig.json";
constexpr char kDownloadRecordFile[] = "Log.json";
constexpr char kServerOverridesFile[] = "setting.json";
constexpr char kExtraConfigFile[] = "extra_config.txt";
constexpr wchar_t kGidFile[] = L"gid.txt";

}  // namespace

bool LauncherController::LoadSettings() {
  Json::Value root;
  if (!ReadSaveFileJson(kSettingsFile, &root)) return false;
  ReadLauncherSettings(root, &settings);
  return true;
}

void LauncherController::SaveSettings() {
  Json::Value root = LauncherSettingsToJson(settings);
  if (commandLineLanguageInForce_) root["languageType"] = playerLanguageType_;
  WriteSaveFileJson(kSettingsFile, root);
}

bool LauncherController::LoadDownloadRecord() {
  Json::Value root;
  if (!ReadSaveFileJson(kDownloadRecordFile, &root)) return false;
  std::lock_guard<std::mutex> hold(recordLock_);
  ReadDownloadRecord(root, &downloadRecord);
  return true;
}

void LauncherController::SaveDownloadRecord() {
  WriteSaveFileJson(kDownloadRecordFile, DownloadRecordToJson(GetDownloadRecord()));
}

void LauncherController::LoadServerOverrides() {
  Json::Value root;
  if (ReadSaveFileJson(kServerOverridesFile, &root)) ReadServerOverrides(root, &serverOverrides);
}

bool LauncherController::LoadExtraConfig() {
  Json::Value root;
  if (!ReadSaveFileJson(kExtraConfigFile, &root)) return false;
  ReadJsonString(root, "install_package_type", &installPackageType);
  return true;
}

void LauncherController::LoadGid() {
  gid.clear();
  std::wstring path = NormalizePathW(GetSaveFolderW(), true) + kGidFile;
  if (!FileOpensForReading(path)) {
    // Without a game folder there is no second place: its "save" would
    // resolve against the drive's root.
    std::wstring game_path = settings.gamePath.Get();
    if (game_path.empty()) return;
    path = NormalizePathW(game_path, true) + L"save\\" + kGidFile;
    if (!FileOpensForReading(path)) return;
  }
  ReadFileTextW(path, &gid);
}

void LauncherController::ApplySettings(const LauncherSettings& changed) {
  CHECK_CALLED_ON_THREAD_ID(base::kUiThreadId);
  LauncherServices* services = LauncherServices::Get();
  bool language_changed = false;
  bool game_limit_changed = false;
  bool predownload_limit_changed = false;
  bool anything_changed = false;
  std::string start_text;
  std::string close_text;

  // Other threads read the settings whole, through GetSettings.
  std::unique_lock<std::mutex> hold(settingsLock_);
  if (changed.languageType != settings.languageType) {
    settings.languageType = changed.languageType;
    settings.languageCode = LanguageCodeOfIndex(changed.languageType);
    // From now on the language in force is the player's choice.
    commandLineLanguageInForce_ = false;
    language_changed = anything_changed = true;
  }
  std::wstring game_path = changed.gamePath.Get();
  if (game_path != settings.gamePath.Get()) {
    settings.gamePath = game_path;
    anything_changed = true;
  }
  if (changed.closeToHide != settings.closeToHide) {
    settings.closeToHide = changed.closeToHide;
    close_text = settings.closeToHide ? "1" : "2";
    anything_changed = true;
  }
  if (changed.downloadSpeed != settings.downloadSpeed ||
      changed.downloadLimit != settings.downloadLimit) {
    settings.downloadSpeed = changed.downloadSpeed;
    settings.downloadLimit = changed.downloadLimit;
    game_limit_changed = anything_changed = true;
  }
  if (changed.predlcSpeed != settings.predlcSpeed || changed.predlcLimit != settings.predlcLimit) {
    settings.predlcSpeed = changed.predlcSpeed;
    settings.predlcLimit = changed.predlcLimit;
    predownload_limit_changed = anything_changed = true;
  }
  if (changed.automaticStart != settings.automaticStart) {
    if (changed.automaticStart) {
      // Stays off when the value could not be written.
      settings.automaticStart = services->WriteRunValue() >= 0;
    } else {
      settings.automaticStart = false;
      services->DeleteRunValue();
    }
    start_text = settings.automaticStart ? "1" : "0";
    anything_changed = true;
  }
  if (changed.autoUpdate != settings.autoUpdate) {
    settings.autoUpdate = changed.autoUpdate;
    anything_changed = true;
  }

  hold.unlock();

  if (anything_changed) SaveSettings();
  // The engine's thread gets the new limits themselves, never these fields.
  if (game_limit_changed) services->ApplySpeedLimit(0, SpeedSettingOf(settings, 0));
  if (predownload_limit_changed) services->ApplySpeedLimit(1, SpeedSettingOf(settings, 1));
  if (language_changed) languageChangePending = true;
  if (anything_changed) {
    services->TrackSettingChange(this, start_text, close_text,
                                 settings.downloadLimit ? settings.downloadSpeed : 0,
                                 settings.predlcLimit ? settings.predlcSpeed : 0);
  }
}
