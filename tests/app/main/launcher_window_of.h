// Finds the launcher main window that one process owns. Other launchers may
// have windows with the same property at the same time (tests share a Wine
// prefix), so the first window with the property is not enough.
#ifndef TESTS_APP_MAIN_LAUNCHER_WINDOW_OF_H_
#define TESTS_APP_MAIN_LAUNCHER_WINDOW_OF_H_

#include <windows.h>

#include "app/controller/launcher_messages.h"

namespace app_testing {

inline HWND LauncherWindowOf(DWORD process_id) {
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); IsWindow(window);
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (GetPropW(window, kLauncherInstanceName) != window) continue;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == process_id) return window;
  }
  return nullptr;
}

}  // namespace app_testing

#endif  // TESTS_APP_MAIN_LAUNCHER_WINDOW_OF_H_
