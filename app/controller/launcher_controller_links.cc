// The controller's links: opening a configured address.
#include <windows.h>
#include <shellapi.h>

#include "app/config/common_config.h"
#include "app/controller/launcher_controller.h"
#include "base/thread/thread_checker.h"
#include "base/thread/thread_registry.h"

bool LauncherController::OpenLink(const std::string& key, bool lookup) {
  CHECK_CALLED_ON_THREAD_ID(base::kUiThreadId);
  if (!mainWindow || key.empty()) return false;
  std::string url = key;
  if (lookup) {
    auto it = links.find(key);
    if (it == links.end()) return false;
    url = it->second;
  }
  // The address comes from a file anyone can replace beside the launcher:
  // a file, share or program name must never reach the shell.
  if (!IsWebLink(url)) return false;
  ShellExecuteA(mainWindow, "open", url.c_str(), nullptr, nullptr, SW_SHOW);
  return true;
}
