#include "app/controller/launcher_controller.h"

#include <utility>

#include "app/config/command_line_overrides.h"
#include "app/config/languages.h"
#include "app/config/save_files.h"
#include "app/controller/launcher_download_delegate.h"
#include "app/controller/launcher_services.h"
#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "base/file/path_util.h"
#include "base/thread/thread_checker.h"
#include "base/thread/thread_registry.h"
#include "update/versions/pre_download_folders.h"
#include "update/versions/version_keys.h"

namespace {

constexpr wchar_t kGameExecutable[] = L"TOLM.exe";

}  // namespace

LauncherController* LauncherController::GetInstance() {
  static LauncherController controller;
  return &controller;
}

LauncherController::LauncherController()
    : snapshot_(std::make_shared<const Snapshot>()),
      downloadDelegate_(std::make_unique<LauncherDownloadDelegate>(this)) {}

LauncherController::~LauncherController() = default;

void LauncherController::Init() {
  LauncherServices* services = LauncherServices::Get();

  if (!IsDirectoryW(GetSaveFolderW())) CreateDirectoriesW(GetSaveFolderW());
  firstRun = false;
  closeQuestionPending = false;

  if (!LoadExtraConfig()) installPackageType.clear();

  if (!LoadSettings()) {
    firstRun = true;
    closeQuestionPending = true;
    settings.languageType = LanguageIndexOfLocale(services->GetUserLocale());
    std::wstring launcher_folder = base::GetModuleDirectory();
    if (FileOpensForReading(launcher_folder + kGameExecutable)) {
      settings.gamePath = NormalizePathW(launcher_folder, false);
    } else {
      settings.gamePath = GetDefaultGamePath();
    }
    SaveSettings();
  }

  if (!LoadDownloadRecord()) {
    downloadRecord.firstInstall = true;
    downloadRecord.downloadSize = 0;
    downloadRecord.downloadSpeed = 0;
    downloadRecord.downloadTime = 0;
    downloadRecord.downloadVersion = "";
    SaveDownloadRecord();
  }

  LoadGid();

  if (settings.gamePath.empty()) settings.gamePath = GetDefaultGamePath();

  // A language given on the command line is in force for this run only.
  const CommandLineOverrides::Text& language = CommandLineOverrides::Get().languageCode;
  if (language.set) {
    std::string code;
    WideToUtf8(language.value, &code);
    int32_t index = FindLanguageCode(code);
    if (index >= 0) {
      playerLanguageType_ = settings.languageType;
      commandLineLanguageInForce_ = true;
      settings.languageType = index;
    }
  }

  services->SetUiChannel(L"KR");

  // Japanese is never in force, wherever it came from.
  if (settings.languageType == kJapaneseLanguageIndex) settings.languageType = kKoreanLanguageIndex;
  settings.languageCode = LanguageCodeOfIndex(settings.languageType);

  LoadServerOverrides();
  services->InstallFonts();

  fileAliases.clear();
  fileAliases[L"TOLM_Data/Resources/unity_default_resources"] =
      L"TOLM_Data/Resources/unity default resources";
  fileAliases[L"TOLM_Data/Plugins/x86_64/VuplexWebViewChromium/Vuplex_WebView.vuplex"] =
      L"TOLM_Data/Plugins/x86_64/VuplexWebViewChromium/Vuplex WebView.vuplex";
}

void LauncherController::InitVersionState() {
  CHECK_CALLED_ON_THREAD_ID(base::kMiscThreadId);
  LauncherServices* services = LauncherServices::Get();
  services->InitDownloadEngine(serverOverrides, downloadDelegate_.get());
  // Thread 0 waits for this start-up, so the settings hold still here; later
  // changes come with their values from ApplySettings.
  services->ApplySpeedLimit(0, SpeedSettingOf(settings, 0));
  services->ApplySpeedLimit(1, SpeedSettingOf(settings, 1));

  launcherReplaced = false;
  cefFilesStaged = false;
  fontsStaged = false;
  replacementStarted = false;
  restartPromptArmed = true;
  resourceReload = 0;
  languageChangePending = false;
  autoEnterGame = false;

  for (const char* key : kVersionKeys) ResetVersionMap(key);

  preDownloadFolders = ListPreDownloadFolders(PreDownloadRoot());

  LoadLauncherVersion();
  LoadGameVersion();
}

void LauncherController::Shutdown() {
  LauncherServices::Get()->StopDownloadEngine();

  if (currentState) {
    currentState->Exit(nullptr);
    currentState.reset();
    PublishCurrentState();
  }
  if (preDownloadState) {
    preDownloadState.reset();
    PublishPreDownloadStep(-1);
  }
  for (const char* key : kVersionKeys) versionMaps.erase(key);
}

std::map<std::wstring, std::wstring> LauncherController::GetFileAliases() const {
  return fileAliases;
}

void LauncherController::SetState(std::unique_ptr<State> next) {
  CHECK_CALLED_ON_THREAD_ID(base::kMiscThreadId);
  State* current = currentState.get();
  int32_t current_type = current ? current->GetType() : -1;
  int32_t next_type = next ? next->GetType() : -1;
  if (current_type == next_type &&
      (!current || !next || (current->pass == 0) == (next->pass == 0))) {
    return;  // `next` is dropped unentered
  }
  if (current) current->Exit(next.get());
  std::unique_ptr<State> old = std::move(currentState);
  currentState = std::move(next);
  // Published before Enter, which may block on a request for a long while.
  PublishCurrentState();
  if (currentState) currentState->Enter(old.get());
}

void LauncherController::PublishPreDownloadStep(int32_t step) {
  CHECK_CALLED_ON_THREAD_ID(base::kMiscThreadId);
  PublishSnapshot([step](Snapshot* next) { next->preDownloadStep = step; });
}

void LauncherController::PublishCurrentState() {
  StateInfo info{-1, -1};
  if (currentState) info = StateInfo{currentState->GetType(), currentState->pass};
  PublishSnapshot([info](Snapshot* next) { next->state = info; });
}

std::shared_ptr<const LauncherController::Snapshot> LauncherController::GetSnapshot() const {
  std::lock_guard<std::mutex> hold(snapshotLock_);
  return snapshot_;
}

void LauncherController::PublishVersions() {
  std::string launcher = launcherVersion.Get();
  std::string local = localGameVersion.Get();
  std::string remote = remoteGameVersion.Get();
  std::string display = displayGameVersion.Get();
  std::string downloading = downloadingVersion.Get();
  std::string pre_download = preDownloadVersion.Get();
  PublishSnapshot([&](Snapshot* next) {
    next->launcherVersion = std::move(launcher);
    next->localGameVersion = std::move(local);
    next->remoteGameVersion = std::move(remote);
    next->displayGameVersion = std::move(display);
    next->downloadingVersion = std::move(downloading);
    next->preDownloadVersion = std::move(pre_download);
  });
}

LauncherSettings LauncherController::GetSettings() const {
  std::lock_guard<std::mutex> hold(settingsLock_);
  return settings;
}

SpeedSetting LauncherController::SpeedSettingOf(const LauncherSettings& settings, int32_t mode) {
  SpeedSetting setting;
  setting.limited = mode == 1 ? settings.predlcLimit : settings.downloadLimit;
  setting.speed = mode == 1 ? settings.predlcSpeed : settings.downloadSpeed;
  return setting;
}

DownloadRecord LauncherController::GetDownloadRecord() const {
  std::lock_guard<std::mutex> hold(recordLock_);
  return downloadRecord;
}

bool LauncherController::ClearFirstInstall() {
  std::lock_guard<std::mutex> hold(recordLock_);
  const bool was = downloadRecord.firstInstall;
  downloadRecord.firstInstall = false;
  return was;
}

void LauncherController::SetDownloadStatistics(int64_t size, int64_t speed, int64_t time) {
  std::lock_guard<std::mutex> hold(recordLock_);
  downloadRecord.downloadSize = size;
  downloadRecord.downloadSpeed = speed;
  downloadRecord.downloadTime = time;
}

VersionMap& LauncherController::ResetVersionMap(const std::string& key) {
  CHECK_CALLED_ON_THREAD_ID(base::kMiscThreadId);
  return ::ResetVersionMap(&versionMaps, key);
}

void LauncherController::LoadLauncherVersion() {
  launcherVersion = ::LoadLauncherVersion();
  PublishVersions();
}

void LauncherController::LoadGameVersion() {
  GameVersions versions = ::LoadGameVersion(settings.gamePath.Get());
  localGameVersion = versions.local;
  remoteGameVersion = versions.remote;
  displayGameVersion = versions.display;
  PublishVersions();
}

bool LauncherController::GameVersionChanged() const {
  return ::GameVersionChanged(localGameVersion.Get(), remoteGameVersion.Get());
}

bool LauncherController::LoadLocalGameVersionMap() {
  return ::LoadLocalGameVersionMap(settings.gamePath.Get(), &versionMaps[kLocalGameVersionKey],
                                   nullptr);
}

int LauncherController::GetPreDownloadStatus() {
  return ::GetPreDownloadStatus(PreDownloadRoot(), preDownloadVersion.Get(), preDownloadFolders,
                                &versionMaps[kLocalPreDownloadVersionKey]);
}

int LauncherController::PrunePreDownloads() {
  CHECK_CALLED_ON_THREAD_ID(base::kMiscThreadId);
  return ::PrunePreDownloads(PreDownloadRoot(), localGameVersion.Get(), &preDownloadFolders);
}

bool LauncherController::HasUnfinishedPreDownload() const {
  return ::HasUnfinishedPreDownload(PreDownloadRoot(), preDownloadVersion.Get());
}
