// The launcher's process entry: the working folder, the command-line modes,
// the single instance, the browser runtime, then MainThread on this thread.
// Every path returns 0.

#include <windows.h>

#include <ole2.h>

#include <string>
#include <vector>

#include "app/config/command_line_overrides.h"
#include "app/controller/launcher_services.h"
#include "app/main/default_launcher_services.h"
#include "app/main/launch_mode.h"
#include "app/main/main_thread.h"
#include "app/main/single_instance.h"
#include "app/util/process_util.h"
#include "app/util/version_map_tool.h"
#include "base/file/path_util.h"
#include "base/message_loop/message_loop.h"
#include "browser/cef_manager.h"
#include "browser/runtime/cef_runtime.h"

namespace {

constexpr int kReplaceCopyAttempts = 20;
constexpr DWORD kReplaceCopyRetryMs = 500;

// Finishes a self-replacement that the previous launcher started before it
// ended. Ends the process.
void FinishReplacement(const std::vector<std::wstring>& arguments) {
  LauncherServices* services = LauncherServices::Get();
  const std::wstring& source = arguments[0];
  const std::wstring& target = arguments[1];
  const std::wstring& command = arguments[2];
  // Gives the launcher that started us time to end.
  Sleep(4000);
  if (!source.empty() && !target.empty()) {
    // A launcher slow to end still holds its executable: try a while longer
    // rather than leave the old one in place.
    bool copied = false;
    for (int attempt = 0; attempt < kReplaceCopyAttempts && !copied; ++attempt) {
      if (attempt > 0) Sleep(kReplaceCopyRetryMs);
      copied = CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
    }
    // The staged executable has done its work.
    if (copied) DeleteFileW(source.c_str());
  }
  services->ApplyStagedCefUpdate();
  services->ApplyStagedFontUpdate();
  if (!command.empty()) RunProgram(command, L"", L"");
  services->DeleteSelfAndExit();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  static DefaultLauncherServices default_services;
  LauncherServices::SetDefault(&default_services);
  SetCurrentDirectoryW(base::GetModuleDirectory().c_str());

  LaunchMode mode = LaunchMode::Read(LaunchMode::ProcessArguments(), &CommandLineOverrides::Get());
  switch (mode.kind) {
    case LaunchMode::kReplace:
      FinishReplacement(mode.arguments);
      return 0;
    case LaunchMode::kMakeVersion:
      MakeVersionMap(mode.arguments[0]);
      return 0;
    case LaunchMode::kMakeDependenceVersion:
      MakeDependenceVersionMap(mode.arguments[0]);
      return 0;
    case LaunchMode::kStart:
      break;
  }

  if (!SingleInstance::Claim()) {
    SingleInstance::WakeFirstInstance();
    return 0;
  }

  // The browser runtime starts only when its folder is there; the launcher
  // runs on without it (and without the browser) when it fails.
  comp::CefManager* cef_manager = comp::CefManager::GetInstance();
  bool browser_runtime = comp::PrependCefFolderToPath();
  if (browser_runtime) {
    OleInitialize(nullptr);
    CefSettings settings;
    cef_manager->Initialize(base::GetModuleDirectory() + L"cef_temp\\", settings);
  }

  {
    MainThread main_thread;
    main_thread.RunOnCurrentThreadWithLoop(base::MessageLoop::kUILoop);
  }

  if (browser_runtime) {
    cef_shutdown();
    cef_manager->initialized = false;
    OleUninitialize();
  }
  return 0;
}
