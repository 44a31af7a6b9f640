// The controller's bridges between the main window on thread 0 and the rest.

#include <memory>
#include <utility>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/launcher_services.h"
#include "base/thread/thread_registry.h"

void LauncherController::SetMainWindow(HWND window) {
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

void LauncherController::RestartGameCheck(bool auto_enter, bool honour_disable) {
  autoEnterGame = auto_enter && !(honour_disable && serverOverrides.DisableAutoEnterGame);
  base::ThreadRegistry::Post(base::kMiscThreadId, [this] {
    // No pass at all rather than an empty slot when none can be made.
    std::unique_ptr<State> pass = LauncherServices::Get()->MakePrepareState(1);
    if (pass) SetState(std::move(pass));
  });
}
