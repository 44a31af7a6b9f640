// Tracking senders against the sample publisher: what reaches the tracking
// and attribution endpoints, how (POST or GET, at once or queued), and the
// posting operations that carry a report to the engine's thread.
#include "app/tracking/tracking_senders.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <json/json.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/controller/launcher_controller.h"
#include "app/util/machine_id.h"
#include "app/util/registry_util.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"
#include "test_support/publisher_client.h"
#include "test_support/publisher_folder_test.h"
#include "test_support/temp_folder.h"
#include "update/download/download_manager.h"

namespace {

using testing_support::PublisherClient;

const char kToken[] = "9f4d1a7c03be58e6d2a1f0c4";

Json::Value Parse(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  std::string errors;
  reader->parse(text.data(), text.data() + text.size(), &value, &errors);
  return value;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> SplitQuery(const std::string& query) {
  std::vector<std::pair<std::string, std::string>> pairs;
  size_t start = 0;
  while (start <= query.size()) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    std::string part = query.substr(start, end - start);
    size_t eq = part.find('=');
    pairs.push_back({part.substr(0, eq), PercentDecode(part.substr(eq + 1))});
    start = end + 1;
  }
  return pairs;
}

bool WaitFor(const std::function<bool()>& condition) {
  const ULONGLONG deadline = GetTickCount64() + 10000;
  while (!condition()) {
    if (GetTickCount64() > deadline) return false;
    Sleep(10);
  }
  return true;
}

class TrackingSendersTest : public testing_support::PublisherFolderTest {
 protected:
  void SetUp() override {
    PublisherFolderTest::SetUp();
    if (HasFatalFailure()) return;
    overrides_.track_url = publisher_.Url("gate") + "/track/json_track?token=" + kToken;
    engine_.Init(overrides_);
    engine_.set_attribution_url_for_testing(publisher_.Url("gate") + "/v1/adjust");

    controller_.installPackageType = "steam";
    controller_.gid = "gid7";
    controller_.settings.languageCode = "ko";
    controller_.settings.downloadSpeed = 2048;
    controller_.settings.gamePath = folder_.path();
    controller_.localGameVersion = "10077_1_2";
    controller_.remoteGameVersion = "10077_1_3";
    controller_.downloadingVersion = "10077_1_3";
    controller_.publicAddress = "203.0.113.9";
  }
  void TearDown() override { PublisherFolderTest::TearDown(); }

  DownloadManager::ServerOverrides overrides_;
  DownloadManager engine_;
  LauncherController controller_;
};

TEST_F(TrackingSendersTest, DetailRecordIsPostedAtOnce) {
  SendLauncherDetailRecord(&controller_, &engine_, "17", "1.500", "0.250", "30");
  Json::Value log = publisher_.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0]["method"].asString(), "POST");
  EXPECT_EQ(log[0]["path"].asString(), "/track/json_track");
  EXPECT_EQ(log[0]["query"].asString(), std::string("token=") + kToken);
  EXPECT_EQ(log[0]["content_type"].asString(), "application/json; charset=UTF-8");
  EXPECT_EQ(log[0]["status"].asInt(), 200);
  Json::Value record = Parse(log[0]["body"].asString());
  const std::vector<std::string> names = {
      "action_id", "channel", "country", "cpu", "download_game_version", "download_time",
      "event_date", "event_time", "game_id", "game_version", "highest_speed", "idfa", "install_package_type",
      "ip", "language", "log_type", "lowest_speed", "lowest_speed_location", "machine_guid",
      "pkg", "size", "speed", "system_type", "system_ver"};
  std::vector<std::string> actual = record.getMemberNames();
  // "country" only when the locale could tell.
  if (!record.isMember("country")) actual.insert(actual.begin() + 2, "country");
  EXPECT_EQ(actual, names);
  EXPECT_EQ(record["log_type"].asString(), "cvrolepclauncherdetail");
  EXPECT_EQ(record["game_id"].asString(), "10043");
  EXPECT_EQ(record["install_package_type"].asString(), "steam");
  EXPECT_EQ(record["channel"].asString(), "gid7");
  EXPECT_EQ(record["language"].asString(), "ko");
  EXPECT_EQ(record["game_version"].asString(), "10077_1_2");
  EXPECT_EQ(record["download_game_version"].asString(), "10077_1_3");
  EXPECT_EQ(record["ip"].asString(), "203.0.113.9");
  EXPECT_EQ(record["cpu"].asString(), GetCpuName());
  EXPECT_EQ(record["system_ver"].asString(), GetWindowsVersion());
  const std::string guid = ReadRegistryString(L"SOFTWARE\\Microsoft\\Cryptography\\", "MachineGuid");
  EXPECT_EQ(record["machine_guid"].asString(), guid);
  EXPECT_EQ(record["idfa"].asString(), guid);
  EXPECT_EQ(record["speed"].asString(), "1.500");
  EXPECT_EQ(record["download_time"].asString(), "30");
  // Nothing measured yet: the engine's extremes as they stand.
  EXPECT_EQ(record["highest_speed"].asString(), "0.000");
  EXPECT_EQ(record["lowest_speed"].asString(), "95367.430");
  EXPECT_EQ(record["event_time"].asString().substr(0, 11), record["event_date"].asString() + " ");
}

TEST_F(TrackingSendersTest, QueuedRecordsWaitForTheIdleTick) {
  SendUiClickRecord(&controller_, &engine_, "click_button", "Update");
  SendSettingChangeRecord(&controller_, &engine_, "", "2", 2048, 0);
  SendLauncherStepRecord(&controller_, &engine_, "", "", "", "", "install", false);
  EXPECT_EQ(publisher_.Log().size(), 0u);
  EXPECT_EQ(engine_.queued_report_count(), 3u);
  for (int i = 0; i < 3; ++i) engine_.FlushReports();
  Json::Value log = publisher_.Log();
  ASSERT_EQ(log.size(), 3u);
  Json::Value click = Parse(log[0]["body"].asString());
  EXPECT_EQ(click["log_type"].asString(), "cvrolepcstarteruiclick");
  EXPECT_EQ(click["action"].asString(), "update");
  EXPECT_EQ(click["pc_id"].asString(), GetMachineId());
  Json::Value setting = Parse(log[1]["body"].asString());
  EXPECT_EQ(setting["log_type"].asString(), "cvrolepcstartersetting");
  EXPECT_FALSE(setting.isMember("if_autostart"));
  EXPECT_EQ(setting["close_set"].asString(), "2");
  EXPECT_EQ(setting["install_speed_limit"].asString(), "2048");
  Json::Value step = Parse(log[2]["body"].asString());
  EXPECT_EQ(step["log_type"].asString(), "cvrolepclauncher");
  EXPECT_EQ(step["step"].asString(), "install");
  EXPECT_FALSE(step.isMember("if_install_play"));
  EXPECT_EQ(step["limit_speed"].asString(), "2048");
  // The launcher's own folder, absolute, with its separator.
  EXPECT_EQ(step["install_launcher_path"].asString().back(), '\\');

  // At once when asked.
  ASSERT_TRUE(publisher_.Reset());
  SendLauncherStepRecord(&controller_, &engine_, "detail", "", "", "exception", "", true);
  EXPECT_EQ(publisher_.Log().size(), 1u);
  EXPECT_EQ(engine_.queued_report_count(), 0u);
}

// The attribution query reaches the server although the processor's name
// has blanks in it: every value is encoded.
TEST_F(TrackingSendersTest, AttributionQueryReachesTheServer) {
  SendActivityQuery(&controller_, &engine_, "update_game_finish", "1.500", "0.250", "30 s");
  Json::Value log = publisher_.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0]["method"].asString(), "GET");
  EXPECT_EQ(log[0]["path"].asString(), "/v1/adjust");
  EXPECT_EQ(log[0]["status"].asInt(), 200);
  auto pairs = SplitQuery(log[0]["query"].asString());
  std::vector<std::string> names;
  for (const auto& pair : pairs) names.push_back(pair.first);
  EXPECT_EQ(names, (std::vector<std::string>{
                       "activity_kind", "install_package_type", "uuid", "gid", "app_version",
                       "app_id", "app_name", "package_name", "created_at", "store", "game_id",
                       "ip_address", "language", "os_version", "event_name", "event_value1",
                       "event_value2", "event_value3", "cpu_type"}));
  EXPECT_EQ(pairs[1].second, "steam");
  EXPECT_EQ(pairs[10].second, "_ZQV_GAME_KOREA");
  EXPECT_EQ(pairs[17].second, "30 s");
  EXPECT_EQ(pairs[18].second, GetCpuName());
  EXPECT_EQ(log[0]["query"].asString().find(' '), std::string::npos);
}

// The posting operations run the senders on thread 1, and only there.
TEST_F(TrackingSendersTest, PostedToTheEngineThread) {
  DownloadManager* engine = DownloadManager::GetInstance();
  engine->Init(overrides_);
  // No thread 1: dropped.
  controller_.TrackLauncherDetail("13", "0", "0", "0");
  controller_.TrackUiClick("click_button", "install");
  Sleep(50);
  EXPECT_EQ(publisher_.Log().size(), 0u);
  EXPECT_EQ(engine->queued_report_count(), 0u);

  app_testing::MiscThread thread;
  ASSERT_TRUE(thread.StartWithLoop(base::MessageLoop::kDefaultLoop));
  controller_.TrackLauncherDetail("13", "0", "0", "0");
  controller_.TrackLauncherStep("", "", "", "", "play", false);
  ASSERT_TRUE(WaitFor([&] { return publisher_.Log().size() == 1; }));
  Json::Value record = Parse(publisher_.Log()[0]["body"].asString());
  EXPECT_EQ(record["action_id"].asString(), "13");
  EXPECT_EQ(record["channel"].asString(), "gid7");  // this controller's
  thread.Stop();
  EXPECT_EQ(engine->queued_report_count(), 1u);
  engine->Shutdown();
}

}  // namespace
