#include "app/main/default_launcher_services.h"

#include <windows.h>

#include "app/controller/message_box_request.h"
#include "app/controller/provisional_state.h"
#include "app/util/file_util.h"
#include "base/file/path_util.h"
#include "base/thread/thread_registry.h"

// PROVISIONAL: std::make_unique<PrepareState>(pass) once the update states
// land; until then no pass runs.
std::unique_ptr<State> DefaultLauncherServices::MakePrepareState(int32_t) { return nullptr; }

// PROVISIONAL: InstallFonts once the fonts land.
bool DefaultLauncherServices::InstallFonts() { return true; }

// PROVISIONAL: RemoveFonts (with a failures map it discards) once the fonts land.
void DefaultLauncherServices::RemoveFonts() {}

// PROVISIONAL: sets ui::GlobalResources' channel once the UI framework lands.
void DefaultLauncherServices::SetUiChannel(const std::wstring&) {}

// PROVISIONAL: LoadSkinArchive once the skin configuration lands.
void DefaultLauncherServices::LoadSkinArchive() {}

// PROVISIONAL: ui::GlobalResources::Startup (no control factory) once the UI
// framework lands.
void DefaultLauncherServices::StartUi(const std::wstring&, const std::wstring&,
                                      const std::wstring&) {}

// PROVISIONAL: LauncherController::LoadCommonConfig once the skin
// configuration lands.
bool DefaultLauncherServices::LoadCommonConfig() { return false; }

// PROVISIONAL: ui::GlobalResources::Shutdown once the UI framework lands.
void DefaultLauncherServices::StopUi() {}

// PROVISIONAL: RelaunchForSelfUpdate once the self-replacement lands.
void DefaultLauncherServices::RelaunchForSelfUpdate(const std::wstring&, bool) {}

// PROVISIONAL: ApplyStagedCefUpdate once the self-replacement lands.
void DefaultLauncherServices::ApplyStagedCefUpdate() {}

// PROVISIONAL: ApplyStagedFontUpdate once the fonts land.
void DefaultLauncherServices::ApplyStagedFontUpdate() {}

// PROVISIONAL: DeleteSelfAndExit once the self-replacement lands; until then
// the copy ends without deleting itself.
void DefaultLauncherServices::DeleteSelfAndExit() { ExitProcess(0); }

bool DefaultLauncherServices::PrependCefFolderToPath() {
  std::wstring folder = base::GetModuleDirectory() + L"cef";
  if (!IsDirectoryW(folder)) return false;
  std::wstring path = folder;
  DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (size > 0) {
    std::wstring old_path(size, L'\0');
    DWORD length = GetEnvironmentVariableW(L"PATH", &old_path[0], size);
    old_path.resize(length);
    path += L";" + old_path;
  }
  SetEnvironmentVariableW(L"PATH", path.c_str());
  SetEnvironmentVariableW(L"ComSpec", (folder + L"\\dummy_cmd.exe").c_str());
  return true;
}

// PROVISIONAL: CefManager::GetInstance and CefManager::Initialize once the
// browser embedding lands.
void DefaultLauncherServices::StartBrowserRuntime(const std::wstring&) {}

// PROVISIONAL: cef_shutdown and the manager's initialised flag once the
// browser embedding lands.
void DefaultLauncherServices::StopBrowserRuntime() {}

// PROVISIONAL: MessageBoxRequest::Show on thread 0 once the message box
// lands; until then the request is released there unshown and its callback
// is never called, as when no main window exists.
void DefaultLauncherServices::PostMessageBox(const MessageBoxRequest& request) {
  base::ThreadRegistry::Post(base::kUiThreadId, [request] {});
}

// PROVISIONAL: ui::LanguageTable::GetText once the UI framework's language
// table lands; until then every text is empty.
std::wstring DefaultLauncherServices::GetLanguageText(const std::wstring&) {
  return std::wstring();
}
