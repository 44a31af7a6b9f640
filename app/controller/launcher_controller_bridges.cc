// The controller's bridges between the main window on thread 0 and the
// update engine on thread 1: each side reaches the other only by posting.

#include <memory>
#include <utility>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/launcher_services.h"
#include "app/util/string_util.h"
#include "base/thread/thread_checker.h"
#include "base/thread/thread_registry.h"

namespace {

// A new pass, unless no state can be made: an empty slot would end the
// current pass for nothing.
void StartPass(LauncherController* controller, int32_t pass) {
  std::unique_ptr<State> state = LauncherServices::Get()->MakePrepareState(pass);
  if (state) controller->SetState(std::move(state));
}

}  // namespace

void LauncherController::SetMainWindow(HWND window) {
  CHECK_CALLED_ON_THREAD_ID(base::kUiThreadId);
  if (window) {
    mainWindow = window;
    SetPropW(window, kLauncherInstanceName, window);
  } else {
    if (mainWindow) RemovePropW(mainWindow, kLauncherInstanceName);
    mainWindow = nullptr;
  }
}

void LauncherController::NotifyMainWindow(uint32_t message, WPARAM wparam, LPARAM lparam) {
  base::ThreadRegistry::Post(base::kUiThreadId, [this, message, wparam, lparam] {
    if (mainWindow) SendMessageW(mainWindow, message, wparam, lparam);
  });
}

void LauncherController::RestartLauncherCheck() {
  autoEnterGame = false;
  base::ThreadRegistry::Post(base::kMiscThreadId, [this] { StartPass(this, 0); });
}

void LauncherController::RestartGameCheck(bool auto_enter, bool honour_disable) {
  autoEnterGame = auto_enter && !(honour_disable && serverOverrides.DisableAutoEnterGame);
  base::ThreadRegistry::Post(base::kMiscThreadId, [this] { StartPass(this, 1); });
}

void LauncherController::StartPreDownload() {
  base::ThreadRegistry::Post(base::kMiscThreadId, [this] {
    if (preDownloadState) return;
    preDownloadState = LauncherServices::Get()->MakePreDownloadState();
    if (preDownloadState) preDownloadState->Enter(nullptr);
  });
}

void LauncherController::StopPreDownload() {
  base::ThreadRegistry::Post(base::kMiscThreadId, [this] {
    if (!preDownloadState) return;
    preDownloadState->Exit(nullptr);
    preDownloadState.reset();
    PublishPreDownloadStep(-1);
  });
}

void LauncherController::TogglePauseDownloads() {
  base::ThreadRegistry::Post(base::kMiscThreadId,
                             [] { LauncherServices::Get()->PauseOrResumeDownloads(); });
}

void LauncherController::ReloadResources(std::function<void()> continuation) {
  base::ThreadRegistry::Post(base::kUiThreadId, [this, continuation] {
    LauncherServices* services = LauncherServices::Get();
    services->LoadSkinArchive();
    services->SwitchUiLanguage();
    resourceReload = 0;
    if (services->LoadCommonConfig()) NotifyMainWindow(MsgReloadAll, 0, 0);
    base::ThreadRegistry::Post(base::kMiscThreadId, continuation);
  });
}

void LauncherController::ApplyPendingLanguageChange() {
  CHECK_CALLED_ON_THREAD_ID(base::kUiThreadId);
  if (!languageChangePending.exchange(false)) return;
  std::wstring code;
  MultiByteToWide(settings.languageCode.Get(), &code, 0);
  base::ThreadRegistry::Post(base::kUiThreadId, [this, code] { ApplyLanguage(code); });
}

void LauncherController::ApplyLanguage(const std::wstring& code) {
  CHECK_CALLED_ON_THREAD_ID(base::kUiThreadId);
  LauncherServices* services = LauncherServices::Get();
  if (code == services->GetUiLanguage()) return;
  services->SetUiLanguage(code);
  services->SetDefaultFontFaces();
  services->SwitchUiLanguage();
  if (services->LoadCommonConfig()) NotifyMainWindow(MsgReloadAll, 0, 0);
}

void LauncherController::Tick() {
  CHECK_CALLED_ON_THREAD_ID(base::kMiscThreadId);
  // Update may replace (and so delete) the state: look each slot up afresh.
  if (currentState) currentState->Update();
  if (preDownloadState) preDownloadState->Update();
  LauncherServices::Get()->PumpDownloadEngine();
}
