#include "app/tracking/tracking_records.h"

#include <json/json.h>

#include "base/util/string_format.h"
#include "update/versions/version_text.h"

const char kUiClickLog[] = "cvrolepcstarteruiclick";
const char kLauncherDetailLog[] = "cvrolepclauncherdetail";
const char kLauncherStepLog[] = "cvrolepclauncher";
const char kSettingChangeLog[] = "cvrolepcstartersetting";

namespace {

const char kGameId[] = "10043";
const char kPackage[] = "com.calvessa.zqv.pc.kr";
const char kSystemType[] = "win";
const char kAttributionGameId[] = "_ZQV_GAME_KOREA";
const char kRunGame[] = "rungame";
const char kPreInstallStep[] = "pre_install";

// One line, keys in byte order (jsoncpp's object order), UTF-8 as it is.
std::string WriteRecord(const Json::Value& record) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  return Json::writeString(builder, record);
}

std::string MegabytesText(int64_t bytes_per_second) {
  return base::StringFormat("%.3f", static_cast<float>(bytes_per_second) * (1.0f / 1048576.0f));
}

void AddDates(const TrackingInputs& in, Json::Value* record) {
  (*record)["event_date"] = in.event_date;
  (*record)["event_time"] = in.event_date + " " + in.event_time;
}

void AddSpeedExtremes(const TrackingInputs& in, Json::Value* record) {
  (*record)["lowest_speed"] = MegabytesText(in.lowest_speed);
  (*record)["highest_speed"] = MegabytesText(in.highest_speed);
  (*record)["lowest_speed_location"] = in.lowest_speed_location;
}

}  // namespace

std::string TrackingLowerCase(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string PercentEncode(const std::string& text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string encoded;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      encoded.push_back(static_cast<char>(c));
    } else {
      encoded.push_back('%');
      encoded.push_back(kDigits[c >> 4]);
      encoded.push_back(kDigits[c & 15]);
    }
  }
  return encoded;
}

std::string BuildUiClickRecord(const TrackingInputs& in, const std::string& uitype,
                               const std::string& action) {
  Json::Value record(Json::objectValue);
  record["log_type"] = kUiClickLog;
  record["game_id"] = kGameId;
  record["install_package_type"] = in.install_package_type;
  record["pc_id"] = in.machine_id;
  record["uitype"] = uitype;
  record["action"] = TrackingLowerCase(action);
  AddDates(in, &record);
  return WriteRecord(record);
}

std::string BuildLauncherDetailRecord(const TrackingInputs& in, const std::string& action_id,
                                      const std::string& speed, const std::string& size,
                                      const std::string& download_time) {
  Json::Value record(Json::objectValue);
  record["log_type"] = kLauncherDetailLog;
  record["game_id"] = kGameId;
  record["idfa"] = in.machine_guid;
  record["machine_guid"] = in.machine_guid;
  record["install_package_type"] = in.install_package_type;
  record["channel"] = in.gid;
  record["game_version"] = in.local_game_version;
  record["download_game_version"] = in.remote_game_version;
  record["language"] = in.language;
  record["cpu"] = in.cpu;
  record["system_type"] = kSystemType;
  record["system_ver"] = in.windows_version;
  record["action_id"] = action_id;
  record["pkg"] = kPackage;
  record["ip"] = in.public_address;
  if (in.country_known) record["country"] = in.country;
  // Pause, first download finished, update downloaded.
  if (action_id == "15" || action_id == "17" || action_id == "22") {
    record["speed"] = speed;
    record["size"] = size;
    record["download_time"] = download_time;
    AddSpeedExtremes(in, &record);
  }
  AddDates(in, &record);
  return WriteRecord(record);
}

std::string BuildLauncherStepRecord(const TrackingInputs& in, const std::string& print_info,
                                    const std::string& speed, const std::string& size,
                                    const std::string& action_type, const std::string& step) {
  Json::Value record(Json::objectValue);
  const std::string lower_step = TrackingLowerCase(step);
  record["log_type"] = kLauncherStepLog;
  record["game_id"] = kGameId;
  record["machine_guid"] = in.machine_guid;
  record["pc_id"] = in.machine_id;
  record["install_package_type"] = in.install_package_type;
  record["action_type"] = TrackingLowerCase(action_type);
  record["step"] = lower_step;
  AddDates(in, &record);
  record["language"] = in.language;
  record["install_game_path"] = in.game_path;
  record["install_launcher_path"] = in.launcher_folder;
  record["speed"] = speed;
  record["limit_speed"] = base::StringFormat("%d", in.download_speed_setting);
  record["size"] = size;
  record["ip"] = in.public_address;
  record["system_language"] = in.system_language;
  record["system"] = in.product_name;
  AddSpeedExtremes(in, &record);
  record["game_version"] = in.local_game_version;
  record["download_game_version"] = in.downloading_version;
  record["left_capacity"] = base::StringFormat(
      "%.3f", static_cast<float>(in.left_capacity) * (1.0f / 1073741824.0f));
  if (lower_step == kPreInstallStep) {
    const bool starting_game = print_info == kRunGame;
    record["print_info"] = starting_game ? std::string() : print_info;
    // Whether the pre-downloaded version is the next one and the game is
    // (being) started.
    std::string play = "-1";
    if (!in.pre_download_version.empty() &&
        CompareVersions(in.pre_download_version, in.local_game_version,
                        in.remote_game_version) == 1) {
      play = starting_game || in.game_running ? "1" : "0";
    }
    record["if_install_play"] = play;
  } else {
    record["print_info"] = print_info;
  }
  return WriteRecord(record);
}

std::string BuildSettingChangeRecord(const TrackingInputs& in, const std::string& autostart,
                                     const std::string& close, int32_t install_speed_limit,
                                     int32_t pre_install_speed_limit) {
  Json::Value record(Json::objectValue);
  record["log_type"] = kSettingChangeLog;
  record["game_id"] = kGameId;
  record["pc_id"] = in.machine_id;
  record["language"] = in.language;
  record["machine_guid"] = in.machine_guid;
  record["install_package_type"] = in.install_package_type;
  if (!autostart.empty()) record["if_autostart"] = autostart;
  if (!close.empty()) record["close_set"] = close;
  record["install_speed_limit"] = base::StringFormat("%d", install_speed_limit);
  record["pre_install_speed_limit"] = base::StringFormat("%d", pre_install_speed_limit);
  AddDates(in, &record);
  return WriteRecord(record);
}

std::string BuildActivityQuery(const TrackingInputs& in, const std::string& event_name,
                               const std::string& value1, const std::string& value2,
                               const std::string& value3) {
  std::string query;
  auto add = [&query](const char* name, const std::string& value) {
    if (!query.empty()) query += "&";
    query += name;
    query += "=";
    query += PercentEncode(value);
  };
  add("activity_kind", "pc_starter");
  add("install_package_type", in.install_package_type);
  add("uuid", in.machine_guid);
  add("gid", in.gid);
  add("app_version", in.local_game_version);
  add("app_id", kPackage);
  add("app_name", kPackage);
  add("package_name", kPackage);
  add("created_at", base::StringFormat("%d", static_cast<int>(in.created_at)));
  add("store", "pc");
  add("game_id", kAttributionGameId);
  add("ip_address", in.public_address);
  add("language", in.language);
  add("os_version", in.windows_version);
  add("event_name", event_name);
  if (event_name == "click_launch_pause_game" || event_name == "download_game_finish" ||
      event_name == "update_game_finish") {
    add("event_value1", value1);
    add("event_value2", value2);
    add("event_value3", value3);
  }
  add("cpu_type", in.cpu);
  return query;
}
