// Tracking records: the four single-line JSON records and the attribution
// query the launcher reports, built from a snapshot of the values they carry.
//
// The builders are pure: the senders (tracking_senders.h) gather a
// TrackingInputs on the update engine's thread and hand it here, so what a
// record holds can be checked without a machine, a controller or a server.
// Any thread may call them.
#ifndef APP_TRACKING_TRACKING_RECORDS_H_
#define APP_TRACKING_TRACKING_RECORDS_H_

#include <cstdint>
#include <string>

// Everything a record may carry, as narrow UTF-8 texts unless said otherwise.
struct TrackingInputs {
  std::string install_package_type;
  std::string machine_id;    // pc_id
  std::string machine_guid;  // machine_guid, idfa, uuid
  std::string gid;           // channel, gid
  std::string language;      // the settings' language code
  std::string local_game_version;
  std::string remote_game_version;
  std::string downloading_version;
  std::string pre_download_version;
  std::string public_address;
  std::string cpu;
  std::string windows_version;
  bool country_known = false;
  std::string country;
  std::string event_date;  // UTC "yyyy-mm-dd"
  std::string event_time;  // UTC "hh:mm:ss"
  int64_t created_at = 0;  // seconds since 1970-01-01 UTC
  int64_t lowest_speed = 0;   // bytes per second
  int64_t highest_speed = 0;  // bytes per second
  std::string lowest_speed_location;
  std::string game_path;        // the settings' game folder
  std::string launcher_folder;  // the launcher's own folder
  int32_t download_speed_setting = 0;  // the settings' downloadSpeed, KB/s
  std::string system_language;  // the UI's current language code
  std::string product_name;     // the Windows product name
  uint64_t left_capacity = 0;   // bytes free on the game folder's drive
  bool game_running = false;
};

// The event names of the records.
extern const char kUiClickLog[];         // "cvrolepcstarteruiclick"
extern const char kLauncherDetailLog[];  // "cvrolepclauncherdetail"
extern const char kLauncherStepLog[];    // "cvrolepclauncher"
extern const char kSettingChangeLog[];   // "cvrolepcstartersetting"

// A to Z become a to z; every other byte stays.
std::string TrackingLowerCase(const std::string& text);
// Every byte but A-Z, a-z, 0-9, "-", ".", "_" and "~" as "%XX".
std::string PercentEncode(const std::string& text);

std::string BuildUiClickRecord(const TrackingInputs& in, const std::string& uitype,
                               const std::string& action);
std::string BuildLauncherDetailRecord(const TrackingInputs& in, const std::string& action_id,
                                      const std::string& speed, const std::string& size,
                                      const std::string& download_time);
std::string BuildLauncherStepRecord(const TrackingInputs& in, const std::string& print_info,
                                    const std::string& speed, const std::string& size,
                                    const std::string& action_type, const std::string& step);
std::string BuildSettingChangeRecord(const TrackingInputs& in, const std::string& autostart,
                                     const std::string& close, int32_t install_speed_limit,
                                     int32_t pre_install_speed_limit);
// The query string (without "?") for the attribution endpoint; every value
// percent-encoded.
std::string BuildActivityQuery(const TrackingInputs& in, const std::string& event_name,
                               const std::string& value1, const std::string& value2,
                               const std::string& value3);

#endif  // APP_TRACKING_TRACKING_RECORDS_H_
