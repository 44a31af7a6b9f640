// Speed statistics on a clock the test moves, the statistics reports, and the
// report queue against the sample publisher.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"
#include "update/download/download_manager.h"
#include "update/download/download_test_support.h"

namespace {

using namespace download_testing;
using testing_support::PublisherClient;

uint32_t g_tick = 100000;
uint32_t FakeTick() { return g_tick; }

class DownloadStatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, previous_);
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
    CreateDirectoryW(L"save", nullptr);
    g_tick = 100000;
    manager_.SetTickSourceForTesting(&FakeTick);
    manager_.Init(DownloadManager::ServerOverrides());
    manager_.set_delegate(&delegate_);
    manager_.set_active_servers({"http://127.0.0.1:1"});
    manager_.CancelAll(kDownloadModeGame);
    Completions::Get().Clear();
  }
  void TearDown() override { SetCurrentDirectoryW(previous_); }

  // Moves the clock; the engine reads it on its next tick.
  void Advance(uint32_t ms) {
    g_tick += ms;
    manager_.Pump();
  }

  // Counts `size` bytes as done, the way a file found whole does.
  void CountWholeFile(const std::string& name, size_t size) {
    const std::string bytes = MakeBytes(size, static_cast<uint32_t>(size));
    ASSERT_TRUE(WriteBytes(name, bytes));
    manager_.DownloadFile(name, name, Md5Hex(bytes), static_cast<int64_t>(size),
                          &Completions::OnDone, nullptr, 5, 0, 0);
    ASSERT_EQ(Completions::Get().Of(name).code, kDownloadDone);
  }

  testing_support::TempFolder folder_;
  wchar_t previous_[MAX_PATH] = {};
  RecordingDelegate delegate_;
  DownloadManager manager_;
};

TEST_F(DownloadStatsTest, SpeedEstimate) {
  manager_.set_total_bytes(50000);
  Advance(0);
  for (int i = 0; i < 60; ++i) manager_.AddSpeedSample(1000.9);
  // The first sample was measured at once; the rest wait for the second.
  std::vector<DownloadSpeedEvent> speed = delegate_.Of<DownloadSpeedEvent>();
  ASSERT_EQ(speed.size(), 1u);
  Advance(999);
  manager_.AddSpeedSample(1000.9);
  EXPECT_EQ(delegate_.Of<DownloadSpeedEvent>().size(), 1u);
  Advance(1);
  manager_.AddSpeedSample(1000.9);
  speed = delegate_.Of<DownloadSpeedEvent>();
  ASSERT_EQ(speed.size(), 2u);
  EXPECT_EQ(manager_.speed_sample_count(), 60u);
  // Each sample cut to 1000, times one transfer (none is running).
  EXPECT_EQ(speed[1].bytes_per_second, 1000);
  EXPECT_EQ(speed[1].seconds_left, 50);
  EXPECT_EQ(manager_.current_speed(), 1000);
  EXPECT_EQ(manager_.highest_speed(), 1000);
  // More than 30 samples were held: the lowest speed counts.
  EXPECT_EQ(manager_.lowest_speed(), 1000);

  // More done than the total: no estimate of the time left.
  CountWholeFile("whole.bin", 60000);
  Advance(1000);
  manager_.AddSpeedSample(1000.9);
  EXPECT_EQ(delegate_.Of<DownloadSpeedEvent>().back().seconds_left, 0);

  // Paused: samples are kept, nothing is sent.
  manager_.Pause();
  Advance(1000);
  manager_.AddSpeedSample(500);
  EXPECT_EQ(delegate_.Of<DownloadSpeedEvent>().size(), 3u);
}

TEST_F(DownloadStatsTest, LowestSpeedIgnoresTheFirstThirtyReadings) {
  for (int i = 0; i < 30; ++i) {
    Advance(1000);
    manager_.AddSpeedSample(5000);
  }
  EXPECT_EQ(manager_.lowest_speed(), 100000000000LL);
  EXPECT_EQ(manager_.highest_speed(), 5000);
  Advance(1000);
  manager_.AddSpeedSample(5000);
  EXPECT_EQ(manager_.lowest_speed(), 5000);
}

TEST_F(DownloadStatsTest, SlowSpeedAfterTenSecondsWithoutAFastReading) {
  struct Case {
    double sample;
    uint32_t after_ms;  // since the statistics were reset
    int64_t slow;
  };
  const Case cases[] = {
      {20480, 9999, 0},       // not ten seconds yet
      {20480, 10000, 20480},  // 20480 is not fast
      {20481, 10000, 0},      // fast: the clock starts again
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sample);
    manager_.CancelAll(kDownloadModeGame);  // resets the statistics and samples
    Advance(c.after_ms);
    manager_.AddSpeedSample(c.sample);
    EXPECT_EQ(manager_.slow_speed(), c.slow);
  }
  // A fast reading starts the ten seconds again.
  manager_.CancelAll(kDownloadModeGame);
  Advance(10000);
  manager_.AddSpeedSample(1000000);
  Advance(5000);
  manager_.AddSpeedSample(0);  // the mean of both is still fast
  Advance(5000);
  for (int i = 0; i < 60; ++i) manager_.AddSpeedSample(100);
  EXPECT_EQ(manager_.slow_speed(), 0);
  Advance(5000);  // slow now, but the last fast reading is 5 s old
  manager_.AddSpeedSample(100);
  EXPECT_EQ(manager_.slow_speed(), 0);
  Advance(5000);
  manager_.AddSpeedSample(100);
  EXPECT_EQ(manager_.slow_speed(), 100);
}

TEST_F(DownloadStatsTest, SpeedReports) {
  // Nothing measured: no report at all, and the event only when asked
  // regardless.
  manager_.ReportSpeed("pause");
  manager_.ReportSpeedEvent("17", "download_game_finish", true);
  EXPECT_TRUE(delegate_.reports.empty());

  CountWholeFile("big.bin", 1572864);  // 1.5 MiB done
  manager_.set_stat_start_tick(g_tick);
  Advance(1000);
  manager_.AddSpeedSample(2048.0);
  Advance(1500);  // 2.5 s since the start: 2 whole seconds
  delegate_.record.size = 0;
  delegate_.record.time = 7;

  manager_.ReportSpeed("done");
  ASSERT_EQ(delegate_.reports.size(), 1u);
  EXPECT_EQ(delegate_.reports[0].kind, "step");
  EXPECT_EQ(delegate_.reports[0].values,
            (std::vector<std::string>{"", "0.750", "0.001", "done", ""}));
  EXPECT_TRUE(delegate_.reports[0].immediate);

  manager_.ReportSpeedEvent("22", "update_game_finish", true);
  ASSERT_EQ(delegate_.reports.size(), 3u);
  EXPECT_EQ(delegate_.reports[1].kind, "detail");
  EXPECT_EQ(delegate_.reports[1].values,
            (std::vector<std::string>{"22", "0.750", "0.001", "2"}));
  EXPECT_EQ(delegate_.reports[2].kind, "activity");
  EXPECT_EQ(delegate_.reports[2].values,
            (std::vector<std::string>{"update_game_finish", "0.750", "0.001", "2"}));
  EXPECT_EQ(delegate_.record.speed, 786432);
  EXPECT_EQ(delegate_.record.size, 1572864);
  EXPECT_EQ(delegate_.record.time, 9);

  // Under a second since the start: the current speed stands in.
  manager_.set_stat_start_tick(g_tick);
  delegate_.record.size = 0;
  manager_.ReportSpeedEvent("23", "apply_update_game_success", false);
  EXPECT_EQ(delegate_.reports[3].values,
            (std::vector<std::string>{"23", "0.002", "0.001", "0"}));
}

// The report queue, against the publisher's endpoints.
TEST_F(DownloadStatsTest, ReportQueue) {
  PublisherClient publisher;
  std::string error;
  ASSERT_TRUE(publisher.Connect(&error)) << error;
  ASSERT_TRUE(publisher.Reset());
  const std::string a = publisher.Url("gate") + "/track/json_track?token=a";
  const std::string b = publisher.Url("gate") + "/track/json_track?token=b";
  const std::string attribution = publisher.Url("gate") + "/v1/adjust";
  manager_.set_attribution_url_for_testing(attribution);

  manager_.QueueReport("{\"n\":\"b1\"}", b, false);
  manager_.QueueReport("{\"n\":\"a1\"}", a, false);
  manager_.QueueReport("{\"n\":\"a2\"}", a, false);
  EXPECT_EQ(manager_.queued_report_count(), 3u);
  EXPECT_EQ(publisher.Log().size(), 0u);
  for (int i = 0; i < 4; ++i) manager_.FlushReports();
  EXPECT_EQ(manager_.queued_report_count(), 0u);
  Json::Value log = publisher.Log();
  ASSERT_EQ(log.size(), 3u);
  const char* order[] = {"{\"n\":\"a1\"}", "{\"n\":\"a2\"}", "{\"n\":\"b1\"}"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(log[i]["body"].asString(), order[i]);
    EXPECT_EQ(log[i]["method"].asString(), "POST");
    EXPECT_EQ(log[i]["content_type"].asString(), "application/json; charset=UTF-8");
  }
  EXPECT_EQ(manager_.report_response(), "{\"code\":0}");

  // At once; the attribution endpoint gets a GET with the body as query.
  ASSERT_TRUE(publisher.Reset());
  manager_.QueueReport("activity_kind=pc_starter&store=pc", attribution, true);
  manager_.QueueReport("activity_kind=pc_starter&store=pc", a, true);
  log = publisher.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0]["method"].asString(), "GET");
  EXPECT_EQ(log[0]["path"].asString(), "/v1/adjust");
  EXPECT_EQ(log[0]["query"].asString(), "activity_kind=pc_starter&store=pc");
  EXPECT_EQ(log[1]["method"].asString(), "POST");
  EXPECT_EQ(log[1]["body"].asString(), "activity_kind=pc_starter&store=pc");

  // A report that fails is dropped, not retried.
  ASSERT_TRUE(publisher.Reset());
  Json::Value fault;
  fault["status"] = 500;
  ASSERT_TRUE(publisher.AddFault(fault));
  manager_.QueueReport("{}", a, false);
  manager_.FlushReports();
  manager_.FlushReports();
  EXPECT_EQ(publisher.Log().size(), 1u);
  EXPECT_EQ(manager_.queued_report_count(), 0u);

  // Shutting down drops what is queued.
  manager_.QueueReport("{}", a, false);
  manager_.Shutdown();
  EXPECT_EQ(manager_.queued_report_count(), 0u);
}

}  // namespace
