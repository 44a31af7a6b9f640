// Tracking records: every member and value of the four records and the
// attribution query, from a fixed set of inputs.
#include "app/tracking/tracking_records.h"

#include <gtest/gtest.h>

#include <json/json.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TrackingInputs Inputs() {
  TrackingInputs in;
  in.install_package_type = "steam";
  in.machine_id = "PC-1234";
  in.machine_guid = "6f1c2a9e-guid";
  in.gid = "gid7";
  in.language = "ko";
  in.local_game_version = "10077_1_2";
  in.remote_game_version = "10077_1_3";
  in.downloading_version = "10077_1_3";
  in.pre_download_version = "";
  in.public_address = "203.0.113.9";
  in.cpu = "Intel(R) Core(TM) i7 CPU @ 3.00GHz";
  in.windows_version = "10.0.19045";
  in.country_known = true;
  in.country = "KR";
  in.event_date = "2026-12-10";
  in.event_time = "23:05:01";
  in.created_at = 1765407901;
  in.lowest_speed = 1048576;
  in.highest_speed = 3670016;
  in.lowest_speed_location = "update\\TOLM_Data\\level0";
  in.game_path = "C:\\Games\\\xEA\xB2\x8C\xEC\x9E\x84";  // a Korean folder name
  in.launcher_folder = "C:\\Launcher\\";
  in.download_speed_setting = 4096;
  in.system_language = "ko";
  in.product_name = "Windows 10 Pro";
  in.left_capacity = 5368709120ull;
  in.game_running = false;
  return in;
}

Json::Value Parse(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string errors;
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << errors;
  return value;
}

Json::Value Object(std::initializer_list<std::pair<const char*, std::string>> members) {
  Json::Value object(Json::objectValue);
  for (const auto& m : members) object[m.first] = m.second;
  return object;
}

// One line, every value a string, members in byte order, UTF-8 unescaped.
void ExpectRecord(const std::string& text, const Json::Value& expected) {
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_EQ(text.find("\\u"), std::string::npos);
  Json::Value actual = Parse(text);
  EXPECT_EQ(actual, expected) << text;
  std::vector<std::string> names = actual.getMemberNames();
  size_t last = 0;
  for (const std::string& name : names) {
    EXPECT_TRUE(actual[name].isString()) << name;
    size_t at = text.find("\"" + name + "\":");
    EXPECT_NE(at, std::string::npos) << name;
    EXPECT_GE(at, last) << name << " out of order";
    last = at;
  }
}

TEST(TrackingRecordsTest, UiClick) {
  ExpectRecord(BuildUiClickRecord(Inputs(), "Click_Button", "INSTALL"),
               Object({{"log_type", "cvrolepcstarteruiclick"},
                       {"game_id", "10043"},
                       {"install_package_type", "steam"},
                       {"pc_id", "PC-1234"},
                       {"uitype", "Click_Button"},
                       {"action", "install"},
                       {"event_date", "2026-12-10"},
                       {"event_time", "2026-12-10 23:05:01"}}));
}

TEST(TrackingRecordsTest, LauncherDetail) {
  const Json::Value common = Object({{"log_type", "cvrolepclauncherdetail"},
                                     {"game_id", "10043"},
                                     {"idfa", "6f1c2a9e-guid"},
                                     {"machine_guid", "6f1c2a9e-guid"},
                                     {"install_package_type", "steam"},
                                     {"channel", "gid7"},
                                     {"game_version", "10077_1_2"},
                                     {"download_game_version", "10077_1_3"},
                                     {"language", "ko"},
                                     {"cpu", "Intel(R) Core(TM) i7 CPU @ 3.00GHz"},
                                     {"system_type", "win"},
                                     {"system_ver", "10.0.19045"},
                                     {"pkg", "com.calvessa.zqv.pc.kr"},
                                     {"ip", "203.0.113.9"},
                                     {"country", "KR"},
                                     {"event_date", "2026-12-10"},
                                     {"event_time", "2026-12-10 23:05:01"}});
  // With statistics: the ids of a pause and of finished downloads only.
  for (const char* id : {"15", "17", "22"}) {
    SCOPED_TRACE(id);
    Json::Value expected = common;
    expected["action_id"] = id;
    expected["speed"] = "1.500";
    expected["size"] = "0.250";
    expected["download_time"] = "30";
    expected["lowest_speed"] = "1.000";
    expected["highest_speed"] = "3.500";
    expected["lowest_speed_location"] = "update\\TOLM_Data\\level0";
    ExpectRecord(BuildLauncherDetailRecord(Inputs(), id, "1.500", "0.250", "30"), expected);
  }
  for (const char* id : {"13", "150", "23", "1"}) {
    SCOPED_TRACE(id);
    Json::Value expected = common;
    expected["action_id"] = id;
    ExpectRecord(BuildLauncherDetailRecord(Inputs(), id, "1.500", "0.250", "30"), expected);
  }
  // No country when the locale could not say.
  TrackingInputs in = Inputs();
  in.country_known = false;
  Json::Value expected = common;
  expected.removeMember("country");
  expected["action_id"] = "13";
  ExpectRecord(BuildLauncherDetailRecord(in, "13", "0", "0", "0"), expected);
}

TEST(TrackingRecordsTest, LauncherStep) {
  const Json::Value common =
      Object({{"log_type", "cvrolepclauncher"},
              {"game_id", "10043"},
              {"machine_guid", "6f1c2a9e-guid"},
              {"pc_id", "PC-1234"},
              {"install_package_type", "steam"},
              {"event_date", "2026-12-10"},
              {"event_time", "2026-12-10 23:05:01"},
              {"language", "ko"},
              {"install_game_path", "C:\\Games\\\xEA\xB2\x8C\xEC\x9E\x84"},
              {"install_launcher_path", "C:\\Launcher\\"},
              {"limit_speed", "4096"},
              {"ip", "203.0.113.9"},
              {"system_language", "ko"},
              {"system", "Windows 10 Pro"},
              {"lowest_speed", "1.000"},
              {"highest_speed", "3.500"},
              {"lowest_speed_location", "update\\TOLM_Data\\level0"},
              {"game_version", "10077_1_2"},
              {"download_game_version", "10077_1_3"},
              {"left_capacity", "5.000"}});
  struct Case {
    const char* name;
    std::string pre_download_version;
    bool game_running;
    std::string print_info, speed, size, action_type, step;
    std::string expected_print_info;
    const char* if_install_play;  // null: absent
  };
  const std::vector<Case> cases = {
      {"install", "", false, "", "", "", "", "INSTALL", "", nullptr},
      {"exception", "", false, "Disk full", "", "", "Exception", "", "Disk full", nullptr},
      {"pause", "", false, "", "1.250", "0.500", "pause", "", "", nullptr},
      {"run game, no pre-download", "", false, "rungame", "", "", "", "pre_install", "", "-1"},
      {"pre-download not the next version", "10077_1_2", false, "", "", "", "", "PRE_INSTALL",
       "", "-1"},
      {"next version, game idle", "10077_1_3", false, "", "", "", "", "pre_install", "", "0"},
      {"next version, game running", "10077_1_3", true, "x", "", "", "", "pre_install", "x",
       "1"},
      {"next version, game being started", "10077_1_3", false, "rungame", "", "", "",
       "pre_install", "", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TrackingInputs in = Inputs();
    in.pre_download_version = c.pre_download_version;
    in.game_running = c.game_running;
    Json::Value expected = common;
    expected["print_info"] = c.expected_print_info;
    expected["speed"] = c.speed;
    expected["size"] = c.size;
    expected["action_type"] = TrackingLowerCase(c.action_type);
    expected["step"] = TrackingLowerCase(c.step);
    if (c.if_install_play != nullptr) expected["if_install_play"] = c.if_install_play;
    ExpectRecord(
        BuildLauncherStepRecord(in, c.print_info, c.speed, c.size, c.action_type, c.step),
        expected);
  }
}

TEST(TrackingRecordsTest, SettingChange) {
  const Json::Value common = Object({{"log_type", "cvrolepcstartersetting"},
                                     {"game_id", "10043"},
                                     {"pc_id", "PC-1234"},
                                     {"language", "ko"},
                                     {"machine_guid", "6f1c2a9e-guid"},
                                     {"install_package_type", "steam"},
                                     {"event_date", "2026-12-10"},
                                     {"event_time", "2026-12-10 23:05:01"}});
  Json::Value expected = common;
  expected["if_autostart"] = "1";
  expected["close_set"] = "2";
  expected["install_speed_limit"] = "0";
  expected["pre_install_speed_limit"] = "512";
  ExpectRecord(BuildSettingChangeRecord(Inputs(), "1", "2", 0, 512), expected);
  // Only the download limit changed.
  expected = common;
  expected["install_speed_limit"] = "2048";
  expected["pre_install_speed_limit"] = "0";
  ExpectRecord(BuildSettingChangeRecord(Inputs(), "", "", 2048, 0), expected);
}

TEST(TrackingRecordsTest, ActivityQuery) {
  const std::string head =
      "activity_kind=pc_starter&install_package_type=steam&uuid=6f1c2a9e-guid&gid=gid7"
      "&app_version=10077_1_2&app_id=com.calvessa.zqv.pc.kr&app_name=com.calvessa.zqv.pc.kr"
      "&package_name=com.calvessa.zqv.pc.kr&created_at=1765407901&store=pc"
      "&game_id=_ZQV_GAME_KOREA&ip_address=203.0.113.9&language=ko&os_version=10.0.19045";
  const std::string cpu = "&cpu_type=Intel%28R%29%20Core%28TM%29%20i7%20CPU%20%40%203.00GHz";
  EXPECT_EQ(BuildActivityQuery(Inputs(), "download_game_finish", "1.500", "0.250", "30"),
            head + "&event_name=download_game_finish&event_value1=1.500&event_value2=0.250"
                   "&event_value3=30" + cpu);
  EXPECT_EQ(BuildActivityQuery(Inputs(), "click_launch_start_open", "0", "0", "0"),
            head + "&event_name=click_launch_start_open" + cpu);
  // The event name decides exactly (case counts).
  EXPECT_EQ(BuildActivityQuery(Inputs(), "Update_Game_Finish", "a", "b", "c"),
            head + "&event_name=Update_Game_Finish" + cpu);
  // Values that would break the query are encoded.
  TrackingInputs in = Inputs();
  in.gid = "a&b=c d";
  EXPECT_NE(BuildActivityQuery(in, "x", "", "", "").find("&gid=a%26b%3Dc%20d&"),
            std::string::npos);
}

}  // namespace
