#include "app/controller/launcher_services.h"

#include <windows.h>

#include "app/config/server_overrides.h"
#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_download_delegate.h"
#include "app/controller/provisional_state.h"
#include "app/util/registry_util.h"
#include "base/file/path_util.h"
#include "update/download/download_manager.h"

namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunFallbackKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValueName[] = L"ZQVLauncher";

LauncherServices* g_testing_services = nullptr;

bool DeleteValueIn(const wchar_t* key_path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegDeleteValueW(key, kRunValueName);
  RegCloseKey(key);
  return true;
}

}  // namespace

LauncherServices* LauncherServices::Get() {
  static LauncherServices default_services;
  return g_testing_services ? g_testing_services : &default_services;
}

void LauncherServices::SetForTesting(LauncherServices* services) { g_testing_services = services; }

void LauncherServices::InitDownloadEngine(const ServerOverrides& overrides) {
  DownloadManager::ServerOverrides servers;
  servers.gate_urls = overrides.GateURLs;
  servers.dlc_urls = overrides.DlcURLs;
  servers.track_url = overrides.TrackURL;
  DownloadManager::GetInstance()->Init(servers);
  DownloadManager::GetInstance()->set_delegate(LauncherDownloadDelegate::GetInstance());
}

void LauncherServices::StopDownloadEngine() { DownloadManager::GetInstance()->Shutdown(); }

void LauncherServices::ClearDownloadEngineRunning() {
  DownloadManager::GetInstance()->set_running(false);
}

void LauncherServices::PumpDownloadEngine() { DownloadManager::GetInstance()->Pump(); }

void LauncherServices::ApplySpeedLimit(int32_t mode) {
  DownloadManager::GetInstance()->ApplySpeedLimit(mode);
}

// PROVISIONAL: std::make_unique<PrepareState>(pass) once the update states
// land; until then no pass runs.
std::unique_ptr<State> LauncherServices::MakePrepareState(int32_t) { return nullptr; }

// PROVISIONAL: InstallFonts once the fonts land.
bool LauncherServices::InstallFonts() { return true; }

// PROVISIONAL: RemoveFonts (with a failures map it discards) once the fonts land.
void LauncherServices::RemoveFonts() {}

// PROVISIONAL: sets ui::GlobalResources' channel once the UI framework lands.
void LauncherServices::SetUiChannel(const std::wstring&) {}

void LauncherServices::TrackSettingChange(const std::string& start_text,
                                          const std::string& close_text, int32_t game_limit,
                                          int32_t predownload_limit) {
  LauncherController::GetInstance()->TrackSettingChange(start_text, close_text, game_limit,
                                                        predownload_limit);
}

// PROVISIONAL: LoadSkinArchive once the skin configuration lands.
void LauncherServices::LoadSkinArchive() {}

// PROVISIONAL: ui::GlobalResources::Startup (no control factory) once the UI
// framework lands.
void LauncherServices::StartUi(const std::wstring&, const std::wstring&, const std::wstring&) {}

// PROVISIONAL: LauncherController::LoadCommonConfig once the skin
// configuration lands.
bool LauncherServices::LoadCommonConfig() { return false; }

// PROVISIONAL: ui::GlobalResources::Shutdown once the UI framework lands.
void LauncherServices::StopUi() {}

// PROVISIONAL: RelaunchForSelfUpdate once the self-replacement lands.
void LauncherServices::RelaunchForSelfUpdate(const std::wstring&, bool) {}

// PROVISIONAL: ApplyStagedCefUpdate once the self-replacement lands.
void LauncherServices::ApplyStagedCefUpdate() {}

// PROVISIONAL: ApplyStagedFontUpdate once the fonts land.
void LauncherServices::ApplyStagedFontUpdate() {}

// PROVISIONAL: DeleteSelfAndExit once the self-replacement lands; until then
// the copy ends without deleting itself.
void LauncherServices::DeleteSelfAndExit() { ExitProcess(0); }

uint32_t LauncherServices::GetUserLocale() { return GetUserDefaultLCID(); }

int LauncherServices::WriteRunValue() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return SetRegistryString(kRunKey, kRunFallbackKey, kRunValueName, path);
}

void LauncherServices::DeleteRunValue() {
  // The fallback key only when the first cannot be opened.
  if (!DeleteValueIn(kRunKey)) DeleteValueIn(kRunFallbackKey);
}
