#include "app/main/misc_thread.h"

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_services.h"
#include "base/thread/thread_registry.h"

MiscThread::MiscThread() : base::FrameworkThread("MiscThread") {}

MiscThread::~MiscThread() = default;

void MiscThread::Init() {
  base::ThreadRegistry::Enroll(base::kMiscThreadId);
  LauncherController* controller = LauncherController::GetInstance();
  controller->InitVersionState();
  controller->engineStarted = false;
  base::ThreadRegistry::PostRepeating(base::kMiscThreadId,
                                      ToWeakCallback([this] { EngineTick(); }),
                                      base::TimeDelta(kEngineTickMicroseconds), -1);
}

void MiscThread::Cleanup() {
  LauncherController::GetInstance()->Shutdown();
  base::ThreadRegistry::Withdraw();
}

void MiscThread::EngineTick() {
  LauncherController* controller = LauncherController::GetInstance();
  LauncherServices* services = LauncherServices::Get();
  // The first tick starts the launcher's own pass.
  if (!controller->engineStarted) {
    controller->engineStarted = true;
    controller->SetState(services->MakePrepareState(0));
  }
  controller->Tick();
}
