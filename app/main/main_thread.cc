#include "app/main/main_thread.h"

#include <string>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/launcher_services.h"
#include "app/main/provisional_main_window.h"
#include "app/util/string_util.h"
#include "base/thread/thread_registry.h"

MainThread::MainThread() : base::FrameworkThread("MainThread") {}

MainThread::~MainThread() {
  // Normally Cleanup has stopped and deleted the worker already.
  misc_thread_.reset();
}

void MainThread::Init() {
  LauncherController* controller = LauncherController::GetInstance();
  LauncherServices* services = LauncherServices::Get();

  controller->Init();
  base::ThreadRegistry::Enroll(base::kUiThreadId);

  // Returns once the worker is enrolled and its version state exists.
  misc_thread_ = std::make_unique<MiscThread>();
  misc_thread_->StartWithLoop(base::MessageLoop::kDefaultLoop);

  std::wstring language;
  MultiByteToWide(controller->settings.languageCode.Get(), &language, 0);
  services->LoadSkinArchive();
  services->StartUi(L"resources\\", L"themes\\default", language);
  services->LoadCommonConfig();

  base::ThreadRegistry::PostRepeating(base::kUiThreadId, ToWeakCallback([this] { UiTick(); }),
                                      base::TimeDelta(kUiTickMicroseconds), -1);

  ProvisionalMainWindow::Open();
}

void MainThread::Cleanup() {
  LauncherController* controller = LauncherController::GetInstance();
  LauncherServices* services = LauncherServices::Get();

  services->StopUi();
  controller->SaveDownloadRecord();
  // Blocking requests end after their current attempt.
  services->ClearDownloadEngineRunning();
  if (misc_thread_) misc_thread_->Stop();
  misc_thread_.reset();
  base::ThreadRegistry::Withdraw();

  if (controller->launcherReplaced || controller->cefFilesStaged || controller->fontsStaged) {
    // The replacement copies the new fonts over the installed ones.
    if (controller->fontsStaged) services->RemoveFonts();
    if (!controller->replacementStarted) {
      services->RelaunchForSelfUpdate(L"", controller->launcherReplaced);
    }
  }
}

void MainThread::UiTick() {
  LauncherController::GetInstance()->NotifyMainWindow(MsgPreDlcTick, 0, 0);
}
