#include "app/main/default_launcher_services.h"

#include <windows.h>

#include "app/controller/message_box_request.h"
#include "app/controller/state.h"
#include "app/util/file_util.h"
#include "base/file/path_util.h"
#include "base/thread/thread_registry.h"
#include "update/states/prepare_state.h"

std::unique_ptr<State> DefaultLauncherServices::MakePrepareState(int32_t pass) {
  return std::make_unique<PrepareState>(pass);
}

// PROVISIONAL: std::make_unique<PreDownloadState>() once the pre-download
// state lands; until then the pre-download does not start.
std::unique_ptr<State> DefaultLauncherServices::MakePreDownloadState() { return nullptr; }

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

// PROVISIONAL: the UI framework's list of open windows once it lands; until
// then any live window (the provisional main window) counts.
bool DefaultLauncherServices::IsOpenWindow(HWND window) { return IsWindow(window) != FALSE; }

// PROVISIONAL: a new MsgBox and its ShowModal once the launcher windows land.
// Until then no box can be seen or answered: it closes at once as its close
// button would, so that nothing waits for it.
void DefaultLauncherServices::ShowMsgBox(HWND, const MsgBoxContent&, MessageBoxCallback closed) {
  closed(0);
}

// PROVISIONAL: RelaunchForSelfUpdate once the self-replacement lands.
void DefaultLauncherServices::RelaunchForSelfUpdate(const std::wstring&, bool) {}

// PROVISIONAL: ApplyStagedCefUpdate once the self-replacement lands.
void DefaultLauncherServices::ApplyStagedCefUpdate() {}

// PROVISIONAL: ApplyStagedFontUpdate once the fonts land.
void DefaultLauncherServices::ApplyStagedFontUpdate() {}

// PROVISIONAL: DeleteSelfAndExit once the self-replacement lands; until then
// the copy ends without deleting itself.
void DefaultLauncherServices::DeleteSelfAndExit() { ExitProcess(0); }

// PROVISIONAL: ui::LanguageTable::GetText once the UI framework's language
// table lands; until then every text is empty.
std::wstring DefaultLauncherServices::GetLanguageText(const std::wstring&) {
  return std::wstring();
}
