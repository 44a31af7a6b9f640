// Speed limits against the sample publisher: the measured speed follows the
// player's limit, and a change made on another thread (the settings dialog
// runs on the UI thread) takes effect on the transfers already running.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "test_support/publisher_client.h"
#include "test_support/publisher_folder_test.h"
#include "test_support/temp_folder.h"
#include "update/download/download_manager.h"
#include "update/download/download_test_support.h"

namespace {

using namespace download_testing;
using testing_support::PublisherClient;

class DownloadSpeedTest : public testing_support::PublisherFolderTest {
 protected:
  void SetUp() override {
    PublisherFolderTest::SetUp();
    if (HasFatalFailure()) return;
    manager_.Init(DownloadManager::ServerOverrides());
    manager_.set_delegate(&delegate_);
    manager_.set_active_servers({publisher_.Url("dl0")});
    Completions::Get().Clear();
  }
  void TearDown() override {
    manager_.CancelAll(kDownloadModeGame);
    PublisherFolderTest::TearDown();
  }

  // Bytes per second over `ms` milliseconds of pumping.
  double Measure(DWORD ms) {
    const int64_t start_bytes = manager_.done_bytes();
    const ULONGLONG start = GetTickCount64();
    PumpUntil(&manager_, [] { return false; }, ms);
    const double seconds = (GetTickCount64() - start) / 1000.0;
    return (manager_.done_bytes() - start_bytes) / seconds;
  }

  RecordingDelegate delegate_;
  DownloadManager manager_;
};

TEST_F(DownloadSpeedTest, LimitHoldsAndFollowsChanges) {
  // Five pieces, so five transfers share the limit as in the launcher.
  const int64_t piece = 2 * 1024 * 1024;
  const std::string bytes = MakeBytes(5 * piece, 3);
  ASSERT_TRUE(publisher_.PutFile("limit/a.bin", bytes));
  manager_.SetPieceSizeForTesting(piece);
  // KB/s: 200 x 204 bytes per second per transfer
  manager_.ApplySpeedLimit(kDownloadModeGame, SpeedSetting{true, 200});
  manager_.DownloadFile("limit/a.bin", "limit\\a.bin", Md5Hex(bytes), 5 * piece,
                        &Completions::OnDone, nullptr, 5, 0, 0);
  // The first moments hold what the sockets had buffered; measure after.
  Measure(1500);
  EXPECT_EQ(manager_.running_task_count(), 5u);
  const double limit = 5 * 200 * 204.0;
  double measured = Measure(3000);
  printf("limit %.0f B/s, measured %.0f B/s\n", limit, measured);
  EXPECT_GT(measured, limit * 0.85);
  EXPECT_LT(measured, limit * 1.15);

  // The player lowers the limit; the dialog's thread asks, the engine's
  // thread carries it out on its next tick.
  std::thread ui(
      [this] { manager_.ApplySpeedLimit(kDownloadModeGame, SpeedSetting{true, 100}); });
  ui.join();
  // A change for the other mode is not this engine's business.
  manager_.ApplySpeedLimit(kDownloadModePreDownload, SpeedSetting{true, 1});
  Measure(1500);
  const double lower = 5 * 100 * 204.0;
  measured = Measure(3000);
  printf("limit %.0f B/s, measured %.0f B/s\n", lower, measured);
  EXPECT_GT(measured, lower * 0.85);
  EXPECT_LT(measured, lower * 1.15);
  EXPECT_EQ(Completions::Get().Count(), 0u);
}

}  // namespace
