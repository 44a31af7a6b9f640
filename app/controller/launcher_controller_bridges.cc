// The controller's bridges between the main window on thread 0 and the rest.

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
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
