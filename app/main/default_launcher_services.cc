#include "app/main/default_launcher_services.h"

#include <windows.h>

#include <map>

#include "app/controller/launcher_controller.h"
#include "app/controller/message_box_request.h"
#include "app/controller/state.h"
#include "app/main/launcher_resources.h"
#include "app/main/provisional_main_window.h"
#include "app/util/fonts.h"
#include "app/util/file_util.h"
#include "app/util/self_replacement.h"
#include "base/file/path_util.h"
#include "base/thread/thread_registry.h"
#include "ui/core/global_resources.h"
#include "ui/skin/language_table.h"
#include "update/states/pre_download_state.h"
#include "update/states/prepare_state.h"

std::unique_ptr<State> DefaultLauncherServices::MakePrepareState(int32_t pass) {
  return std::make_unique<PrepareState>(pass);
}

std::unique_ptr<State> DefaultLauncherServices::MakePreDownloadState() {
  return std::make_unique<PreDownloadState>();
}

bool DefaultLauncherServices::InstallFonts() { return ::InstallFonts(); }

void DefaultLauncherServices::RemoveFonts() {
  std::map<std::wstring, uint32_t> failures;  // nobody acts on them
  ::RemoveFonts(&failures);
}

void DefaultLauncherServices::SetDefaultFontFaces() { ::SetDefaultFontFaces(); }

void DefaultLauncherServices::SetUiChannel(const std::wstring& channel) {
  ui::GlobalResources::Instance().SetUiChannel(channel);
}

void DefaultLauncherServices::LoadSkinArchive() {
  ::LoadSkinArchive(GetBaseFolderW(), GetUpdateFolder());
}

void DefaultLauncherServices::StartUi(const std::wstring& resource_root, const std::wstring& theme,
                                      const std::wstring& language) {
  ui::GlobalResources::Instance().Startup(resource_root, nullptr, theme, language);
}

bool DefaultLauncherServices::LoadCommonConfig() {
  const bool loaded = ::LoadCommonConfig(LauncherController::GetInstance());
  // The last step of every skin load: what went wrong in it is traced now.
  TraceSkinProblems();
  return loaded;
}

void DefaultLauncherServices::StopUi() { ui::GlobalResources::Instance().Shutdown(); }

std::wstring DefaultLauncherServices::GetUiLanguage() {
  return ui::GlobalResources::Instance().GetLanguage();
}

void DefaultLauncherServices::SetUiLanguage(const std::wstring& code) {
  ui::GlobalResources::Instance().SetLanguage(code);
}

void DefaultLauncherServices::SwitchUiLanguage() {
  ui::GlobalResources::Instance().SwitchLanguage(std::wstring(), nullptr);
}

// PROVISIONAL: the UI framework's list of open windows once it lands; until
// then any live window (the provisional main window) counts.
bool DefaultLauncherServices::IsOpenWindow(HWND window) { return IsWindow(window) != FALSE; }

// PROVISIONAL: a new MsgBox and its ShowModal once the launcher windows land.
// Until then the provisional main window asks the question; without it the
// box closes at once as its close button would, so that nothing waits.
void DefaultLauncherServices::ShowMsgBox(HWND, const MsgBoxContent& box,
                                         MessageBoxCallback closed) {
  if (!ProvisionalMainWindow::Ask(box, closed)) closed(0);
}

void DefaultLauncherServices::RelaunchForSelfUpdate(const std::wstring& command,
                                                    bool launcher_replaced) {
  ::RelaunchForSelfUpdate(command, launcher_replaced);
}

void DefaultLauncherServices::ApplyStagedCefUpdate() { ::ApplyStagedCefUpdate(); }

void DefaultLauncherServices::ApplyStagedFontUpdate() { ::ApplyStagedFontUpdate(); }

void DefaultLauncherServices::DeleteSelfAndExit() { ::DeleteSelfAndExit(); }

// The worker asks too: it reads the texts the UI thread last published.
std::wstring DefaultLauncherServices::GetLanguageText(const std::wstring& id) {
  return ui::LanguageTable::Instance().GetTextAnyThread(id);
}
