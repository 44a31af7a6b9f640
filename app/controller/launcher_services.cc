#include "app/controller/launcher_services.h"

#include <windows.h>

#include "app/config/server_overrides.h"
#include "app/controller/launcher_controller.h"
#include "app/controller/state.h"
#include "app/util/registry_util.h"
#include "app/util/system_util.h"
#include "update/download/download_manager.h"

namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunFallbackKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValueName[] = L"ZQVLauncher";

LauncherServices* g_default_services = nullptr;
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
  static LauncherServices base_services;
  if (g_testing_services) return g_testing_services;
  return g_default_services ? g_default_services : &base_services;
}

void LauncherServices::SetDefault(LauncherServices* services) { g_default_services = services; }

void LauncherServices::SetForTesting(LauncherServices* services) { g_testing_services = services; }

void LauncherServices::InitDownloadEngine(const ServerOverrides& overrides,
                                          DownloadDelegate* delegate) {
  DownloadManager::ServerOverrides servers;
  servers.gate_urls = overrides.GateURLs;
  servers.dlc_urls = overrides.DlcURLs;
  servers.track_url = overrides.TrackURL;
  DownloadManager::GetInstance()->Init(servers);
  DownloadManager::GetInstance()->set_delegate(delegate);
}

void LauncherServices::StopDownloadEngine() { DownloadManager::GetInstance()->Shutdown(); }

void LauncherServices::ClearDownloadEngineRunning() {
  DownloadManager::GetInstance()->set_running(false);
}

void LauncherServices::PumpDownloadEngine() { DownloadManager::GetInstance()->Pump(); }

void LauncherServices::ApplySpeedLimit(int32_t mode, SpeedSetting setting) {
  DownloadManager::GetInstance()->ApplySpeedLimit(mode, setting);
}

void LauncherServices::TrackSettingChange(LauncherController* controller,
                                          const std::string& start_text,
                                          const std::string& close_text, int32_t game_limit,
                                          int32_t predownload_limit) {
  controller->TrackSettingChange(start_text, close_text, game_limit, predownload_limit);
}

void LauncherServices::PauseOrResumeDownloads() {
  DownloadManager* engine = DownloadManager::GetInstance();
  if (engine->paused()) {
    engine->Resume();
  } else {
    engine->Pause();
  }
}

// The layers above the controller's: nothing of them here (see the header).
std::unique_ptr<State> LauncherServices::MakePrepareState(int32_t) { return nullptr; }
std::unique_ptr<State> LauncherServices::MakePreDownloadState() { return nullptr; }
bool LauncherServices::InstallFonts() { return true; }
void LauncherServices::RemoveFonts() {}
void LauncherServices::SetDefaultFontFaces() {}
std::wstring LauncherServices::GetLanguageText(const std::wstring&) { return std::wstring(); }
std::wstring LauncherServices::GetUiLanguage() { return std::wstring(); }
void LauncherServices::SetUiLanguage(const std::wstring&) {}
void LauncherServices::SwitchUiLanguage() {}
bool LauncherServices::IsOpenWindow(HWND) { return false; }
void LauncherServices::ShowMsgBox(HWND, const MsgBoxContent&, MessageBoxCallback) {}
bool LauncherServices::ShowOptionsBox(HWND, const OptionsBoxRequest&) { return false; }
void LauncherServices::SetUiChannel(const std::wstring&) {}
void LauncherServices::LoadSkinArchive() {}
void LauncherServices::StartUi(const std::wstring&, const std::wstring&, const std::wstring&) {}
bool LauncherServices::LoadCommonConfig() { return false; }
void LauncherServices::StopUi() {}
void LauncherServices::CloseMainWindow(HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }

void LauncherServices::RelaunchForSelfUpdate(const std::wstring&, bool) {}
void LauncherServices::ApplyStagedCefUpdate() {}
void LauncherServices::ApplyStagedFontUpdate() {}
void LauncherServices::DeleteSelfAndExit() { ExitProcess(0); }

bool LauncherServices::GetDriveSpace(const std::wstring& path, uint64_t* total,
                                     uint64_t* available) {
  return GetDriveSpaceW(path, total, available);
}

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
