#include "app/main/single_instance.h"

#include "app/controller/launcher_messages.h"

bool SingleInstance::Claim() {
  HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 1, kLauncherInstanceName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    if (semaphore) CloseHandle(semaphore);
    return false;
  }
  // Held, deliberately, until the process ends.
  return true;
}

HWND SingleInstance::FindLauncherWindow() {
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); IsWindow(window);
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (GetPropW(window, kLauncherInstanceName) == window) return window;
  }
  return nullptr;
}

bool SingleInstance::WakeFirstInstance() {
  HWND window = FindLauncherWindow();
  if (!window) return false;
  if (!IsWindowVisible(window)) PostMessageW(window, MsgShowMainWindow, 0, 0);
  ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window);
  SetForegroundWindow(GetLastActivePopup(window));
  return true;
}
