// The controller's messages to the game's windows, and the list of them that
// the main window extends when the game registers a window.
#include <windows.h>

#include <utility>

#include "app/controller/game_process.h"
#include "app/controller/launcher_controller.h"
#include "base/thread/thread_registry.h"

namespace {

bool IsGameWindow(HWND window) {
  return IsWindow(window) && GetPropW(window, kGameWindowProperty) == window;
}

// The top-level windows that carry the game's property, in z order.
std::vector<HWND> MarkedTopLevelWindows() {
  std::vector<HWND> found;
  for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window && IsWindow(window);
       window = GetWindow(window, GW_HWNDNEXT)) {
    if (GetPropW(window, kGameWindowProperty) == window) found.push_back(window);
  }
  return found;
}

}  // namespace

void LauncherController::FindGameWindows() {
  std::vector<HWND> found = MarkedTopLevelWindows();
  std::lock_guard<std::mutex> hold(gameWindowsLock);
  gameWindows.swap(found);
}

std::vector<HWND> LauncherController::GetGameWindows() const {
  std::lock_guard<std::mutex> hold(gameWindowsLock);
  return gameWindows;
}

void LauncherController::RegisterGameWindow(HWND window) {
  std::lock_guard<std::mutex> hold(gameWindowsLock);
  std::vector<HWND> kept;
  bool listed = false;
  for (HWND known : gameWindows) {
    if (!IsWindow(known)) continue;
    if (known == window) listed = true;
    kept.push_back(known);
  }
  if (!listed && IsWindow(window)) kept.push_back(window);
  gameWindows.swap(kept);
}

void LauncherController::NotifyGameWindows(uint32_t message, WPARAM wparam, LPARAM lparam) {
  base::ThreadRegistry::Post(base::kMiscThreadId, [this, message, wparam, lparam] {
    SendToGameWindows(message, wparam, lparam);
  });
}

void LauncherController::SendToGameWindows(uint32_t message, WPARAM wparam, LPARAM lparam) {
  if (GetGameWindows().empty()) FindGameWindows();
  // Sent from a copy: the main window may register a window meanwhile, and a
  // slow game must not hold the list.
  for (HWND window : GetGameWindows()) {
    // A handle of a game that ended may name another program's window by now;
    // and no window found by its class alone is sent anything.
    if (!IsGameWindow(window)) continue;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kGameMessageTimeoutMs, &result);
  }
}
