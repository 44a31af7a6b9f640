#include "app/tracking/tracking_senders.h"

#include <windows.h>

#include <ctime>

#include "app/controller/launcher_controller.h"
#include "app/util/machine_id.h"
#include "app/util/registry_util.h"
#include "app/util/string_util.h"
#include "app/util/system_util.h"
#include "base/file/path_util.h"
#include "update/download/download_manager.h"

namespace {

const wchar_t kCryptographyKey[] = L"SOFTWARE\\Microsoft\\Cryptography\\";
const wchar_t kWindowsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
const wchar_t kGameMutex[] = L"_Tolm_Instance_";

std::string Utf8(const std::wstring& wide) {
  std::string text;
  WideToUtf8(wide, &text);
  return text;
}

// PROVISIONAL: the UI framework's current language code once the framework
// lands; it starts with the settings' code, which stands in until then.
std::string UiLanguageCode(const LauncherSettings& settings) {
  return settings.languageCode.Get();
}

// PROVISIONAL: IsGameRunning once the game control lands: the game holds its
// single-instance mutex while it runs.
bool GameRunning() {
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kGameMutex);
  if (mutex == nullptr) return false;
  CloseHandle(mutex);
  return true;
}

}  // namespace

TrackingInputs GatherTrackingInputs(LauncherController* controller, DownloadManager* engine) {
  // The settings' own thread may be changing them.
  const LauncherSettings settings = controller->GetSettings();
  TrackingInputs in;
  in.install_package_type = controller->installPackageType;
  in.machine_id = GetMachineId();
  in.machine_guid = ReadRegistryString(kCryptographyKey, "MachineGuid");
  in.gid = controller->gid;
  in.language = settings.languageCode.Get();
  in.local_game_version = controller->localGameVersion.Get();
  in.remote_game_version = controller->remoteGameVersion.Get();
  in.downloading_version = controller->downloadingVersion.Get();
  in.pre_download_version = controller->preDownloadVersion.Get();
  in.public_address = controller->publicAddress;
  in.cpu = GetCpuName();
  in.windows_version = GetWindowsVersion();
  wchar_t country[260] = {};
  if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SISO3166CTRYNAME, country, 260) > 0) {
    in.country_known = true;
    in.country = Utf8(country);
  }
  GetUtcDateTime(&in.event_date, &in.event_time);
  in.created_at = static_cast<int64_t>(time(nullptr));
  in.lowest_speed = engine->lowest_speed();
  in.highest_speed = engine->highest_speed();
  in.lowest_speed_location = engine->lowest_speed_location();
  const std::wstring game_path = settings.gamePath.Get();
  in.game_path = Utf8(game_path);
  // The launcher's own folder, absolute, with its trailing separator.
  in.launcher_folder = Utf8(base::GetModuleDirectory());
  in.download_speed_setting = settings.downloadSpeed;
  in.system_language = UiLanguageCode(settings);
  in.product_name = ReadRegistryString(kWindowsKey, "ProductName");
  uint64_t total = 0, available = 0;
  // A drive that cannot be asked reports no free space.
  if (GetDriveSpaceW(game_path, &total, &available)) in.left_capacity = available;
  in.game_running = GameRunning();
  return in;
}

void SendUiClickRecord(LauncherController* controller, DownloadManager* engine,
                       const std::string& uitype, const std::string& action) {
  const TrackingInputs in = GatherTrackingInputs(controller, engine);
  engine->QueueReport(BuildUiClickRecord(in, uitype, action), engine->tracking_url(), false);
}

void SendLauncherDetailRecord(LauncherController* controller, DownloadManager* engine,
                              const std::string& action_id, const std::string& speed,
                              const std::string& size, const std::string& download_time) {
  const TrackingInputs in = GatherTrackingInputs(controller, engine);
  engine->QueueReport(BuildLauncherDetailRecord(in, action_id, speed, size, download_time),
                      engine->tracking_url(), true);
}

void SendActivityQuery(LauncherController* controller, DownloadManager* engine,
                       const std::string& event_name, const std::string& value1,
                       const std::string& value2, const std::string& value3) {
  const TrackingInputs in = GatherTrackingInputs(controller, engine);
  engine->PostReport(BuildActivityQuery(in, event_name, value1, value2, value3),
                     engine->attribution_url());
}

void SendLauncherStepRecord(LauncherController* controller, DownloadManager* engine,
                            const std::string& print_info, const std::string& speed,
                            const std::string& size, const std::string& action_type,
                            const std::string& step, bool immediate) {
  const TrackingInputs in = GatherTrackingInputs(controller, engine);
  engine->QueueReport(BuildLauncherStepRecord(in, print_info, speed, size, action_type, step),
                      engine->tracking_url(), immediate);
}

void SendSettingChangeRecord(LauncherController* controller, DownloadManager* engine,
                             const std::string& autostart, const std::string& close,
                             int32_t install_speed_limit, int32_t pre_install_speed_limit) {
  const TrackingInputs in = GatherTrackingInputs(controller, engine);
  engine->QueueReport(BuildSettingChangeRecord(in, autostart, close, install_speed_limit,
                                               pre_install_speed_limit),
                      engine->tracking_url(), false);
}
