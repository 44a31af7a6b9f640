#include "app/controller/launcher_controller.h"

#include <utility>

#include "app/config/command_line_overrides.h"
#include "app/config/languages.h"
#include "app/config/save_files.h"
#include "app/controller/launcher_services.h"
#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "base/file/path_util.h"
#include "update/versions/pre_download_folders.h"
#include "update/versions/version_keys.h"

namespace {

constexpr wchar_t kGameExecutable[] = L"TOLM.exe";

}  // namespace

LauncherController* LauncherController::GetInstance() {
  static LauncherController controller;
  return &controller;
}

LauncherController::LauncherController() = default;

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
  LauncherServices::Get()->InitDownloadEngine(serverOverrides);

  launcherReplaced = false;
  cefFilesStaged = false;
  fontsStaged = false;
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

void LauncherController::PublishPreDownloadStep(int32_t step) { preDownloadStep = step; }

void LauncherController::PublishCurrentState() {
  if (currentState) {
    currentStateInfo = StateInfo{currentState->GetType(), currentState->pass};
  } else {
    currentStateInfo = StateInfo{-1, -1};
  }
}

VersionMap& LauncherController::ResetVersionMap(const std::string& key) {
  return ::ResetVersionMap(&versionMaps, key);
}

void LauncherController::LoadLauncherVersion() { launcherVersion = ::LoadLauncherVersion(); }

void LauncherController::LoadGameVersion() {
  GameVersions versions = ::LoadGameVersion(settings.gamePath.Get());
  localGameVersion = versions.local;
  remoteGameVersion = versions.remote;
  displayGameVersion = versions.display;
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
  return ::PrunePreDownloads(PreDownloadRoot(), localGameVersion.Get(), &preDownloadFolders);
}

bool LauncherController::HasUnfinishedPreDownload() const {
  return ::HasUnfinishedPreDownload(PreDownloadRoot(), preDownloadVersion.Get());
}
