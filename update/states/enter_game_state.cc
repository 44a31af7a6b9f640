#include "update/states/enter_game_state.h"

#include <windows.h>

#include <fstream>

#include "app/controller/game_process.h"
#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/launcher_services.h"
#include "app/util/file_util.h"
#include "app/util/md5_context.h"
#include "update/download/download_manager.h"
#include "update/states/state_clock.h"

namespace {

// Process-wide: a new EnterGameState keeps the refresh clock, sets the update
// clock to its start and the probe clock to 0.
int64_t g_refresh_clock = 0;
int64_t g_update_clock = 0;
int64_t g_probe_clock = 0;

const wchar_t* const kGameStartFiles[] = {L"gid.txt", L"TransToGame"};

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RestartLauncher() {
  LauncherController* controller = LauncherController::GetInstance();
  LauncherServices* services = LauncherServices::Get();
  HWND window = controller->mainWindow;
  if (!window || !services->IsOpenWindow(window)) return;
  const bool replaced = controller->launcherReplaced.exchange(false);
  controller->replacementStarted = true;
  services->CloseMainWindow(window);
  services->RelaunchForSelfUpdate(L".\\launcher.exe", replaced);
}

}  // namespace

void ResetIdleClocksForTesting() {
  g_refresh_clock = 0;
  g_update_clock = 0;
  g_probe_clock = 0;
}

void EnterGameState::Enter(State*) {
  LauncherController* controller = LauncherController::GetInstance();
  controller->NotifyMainWindow(MsgRefreshVersion, 0, 0);
  result = 0;
  probeStep = 0;
  dlcAddresses.clear();
  preDlcAddresses.clear();

  const ServerOverrides& overrides = controller->serverOverrides;
  refreshPeriod = overrides.RefreshPeriodMs();
  updatePeriod = overrides.UpdatePeriodMs();
  probePeriod = overrides.ProbePeriodMs();
  g_update_clock = StateClockNow();
  g_probe_clock = 0;

  if ((controller->launcherReplaced || controller->cefFilesStaged || controller->fontsStaged) &&
      controller->restartPromptArmed) {
    controller->restartPromptArmed = false;
    controller->NotifyMainWindow(MsgShowMainWindow, 0, 0);
    if (controller->forceUpdateLauncher) {
      controller->ShowMessageBox(nullptr, L"STRING_UPDATE_NOTICE", L"STRING_UPDATE_LAUNCHER", L"",
                                 L"STRING_CONFIRM", &EnterGameState::OnForcedRestartAnswer, false);
    } else {
      controller->ShowMessageBox(nullptr, L"STRING_UPDATE_NOTICE", L"STRING_UPDATE_LAUNCHER",
                                 L"STRING_CANCEL", L"STRING_CONFIRM",
                                 &EnterGameState::OnRestartAnswer, false);
    }
    return;
  }
  if (controller->autoEnterGame) EnterGame();
}

void EnterGameState::EnterGame() {
  LauncherController* controller = LauncherController::GetInstance();
  const std::wstring game = NormalizePathW(controller->GetSettings().gamePath.Get(), true);
  std::string digest;
  {
    std::ifstream map((game + kGameVersionMapFile).c_str(), std::ios::in | std::ios::binary);
    int64_t size = 0;
    if (!map.is_open() || !GetStreamMd5(map, &digest, &size) || digest.empty()) {
      controller->ShowMessageBox(nullptr, L"STRING_ERROR_NOTICE",
                                 L"STRING_ERROR_CHECK_GAME_FAILED", L"", L"STRING_CONFIRM",
                                 nullptr, false);
      return;
    }
  }
  controller->SetDownloadStatistics(0, 0, 0);

  // The player's identity files travel into the game's own save folder.
  const std::wstring game_save = game + L"save";
  if (!IsDirectoryW(game_save)) CreateDirectoriesW(game_save);
  for (const wchar_t* name : kGameStartFiles) {
    const std::wstring source = std::wstring(GetSaveFolderW()) + L"\\" + name;
    if (!Exists(source)) continue;
    if (CopyFileW(source.c_str(), (game_save + L"\\" + name).c_str(), FALSE)) {
      DeleteFileW(source.c_str());
    }
  }

  std::vector<int32_t> free_slots;
  CountRunningGameInstances(&free_slots);
  if (free_slots.empty()) {
    controller->ShowMessageBox(nullptr, L"STRING_ERROR_NOTICE",
                               L"STRING_ERROR_EXCEED_MAX_GAME_INSTANCE", L"", L"STRING_CONFIRM",
                               nullptr, false);
    return;
  }
  controller->NotifyMainWindow(MsgHideToTray, 0, 0);
  controller->RunGame(digest, free_slots[0]);
  if (controller->ClearFirstInstall()) controller->SaveDownloadRecord();
}

void EnterGameState::OnRestartAnswer(int answer) {
  if (answer == 1) RestartLauncher();
}

void EnterGameState::OnForcedRestartAnswer(int) { RestartLauncher(); }

void EnterGameState::Update() {
  LauncherController* controller = LauncherController::GetInstance();
  const int64_t now = StateClockNow();
  if (StateClockDue(now, g_refresh_clock, refreshPeriod)) {
    g_refresh_clock = now;
    controller->NotifyMainWindow(MsgReloadNews, 0, 0);
  }
  if (probeStep != 0) return;
  DownloadManager::GetInstance()->FlushReports();
  if (StateClockDue(now, g_update_clock, updatePeriod)) {
    g_update_clock = now;
    // Replaces this state (on the worker, after this tick).
    controller->RestartLauncherCheck();
    return;
  }
  if (StateClockDue(now, g_probe_clock, probePeriod) &&
      !controller->localGameVersion.Get().empty()) {
    g_probe_clock = now;
    probeStep = 1;
    StartProbe();
  }
}

ExceptionState::ExceptionState(int32_t error_code, const std::string& message,
                               const std::string& url, bool retryable)
    : State(), retryable(retryable) {
  errorCode = error_code;
  errorMessage = message;
  errorUrl = url;
}

void ExceptionState::Enter(State*) {
  LauncherController* controller = LauncherController::GetInstance();
  controller->NotifyMainWindow(MsgRefreshVersion, 0, 0);
  controller->errorShown = true;
  if (!retryable) return;
  ReportError(L"STRING_CANCEL", L"STRING_ERROR_RETRY", [](int answer) {
    if (answer == 1) LauncherController::GetInstance()->RestartGameCheck(true, true);
  });
}
