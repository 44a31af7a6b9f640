// Speed limits against the sample publisher, paced through the engine's
// clock: the test moves the clock, so what is measured is the budget the
// engine hands out, not how fast a loaded machine happens to be. A change
// made on another thread (the settings dialog runs on the UI thread) takes
// effect on the transfers already running. Throughput itself is left to the
// download benchmark.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
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

  // Pumps until every running transfer has spent its budget and is held.
  bool PumpUntilAllHeld() {
    manager_.Pump();
    return PumpUntil(&manager_, [this] {
      return manager_.running_task_count() == 5 && manager_.throttled_task_count() == 5;
    }, 30000);
  }
  // Moves the engine's clock on by `ms` in small steps, letting the held
  // transfers spend what each step gives; the bytes taken meanwhile.
  int64_t Advance(uint32_t ms) {
    const int64_t before = manager_.done_bytes();
    for (uint32_t t = 0; t < ms; t += 50) {
      now_ms += 50;
      if (!PumpUntilAllHeld()) return -1;
    }
    return manager_.done_bytes() - before;
  }

  static std::atomic<uint32_t> now_ms;
  static uint32_t Now() { return now_ms.load(); }
  RecordingDelegate delegate_;
  DownloadManager manager_;
};

std::atomic<uint32_t> DownloadSpeedTest::now_ms{100000};

TEST_F(DownloadSpeedTest, BudgetPacesTransfersAndFollowsChanges) {
  manager_.SetTickSourceForTesting(&DownloadSpeedTest::Now);
  // Transfers wait for a connection that can multiplex until the server has
  // once answered in HTTP/1.1; a small file first shows it that, as the
  // launcher's first download does.
  const std::string first = MakeBytes(1000, 4);
  ASSERT_TRUE(publisher_.PutFile("limit/first.bin", first));
  manager_.DownloadFile("limit/first.bin", "limit\\first.bin", Md5Hex(first), 1000,
                        &Completions::OnDone, nullptr, 5, 0, 0);
  ASSERT_TRUE(PumpUntil(&manager_, [] { return Completions::Get().Count() == 1; }, 30000));
  Completions::Get().Clear();

  // Five pieces, so five transfers share the limit as in the launcher.
  const int64_t piece = 2 * 1024 * 1024;
  const std::string bytes = MakeBytes(5 * piece, 3);
  ASSERT_TRUE(publisher_.PutFile("limit/a.bin", bytes));
  manager_.SetPieceSizeForTesting(piece);
  // KB/s: 200 x 204 bytes per second per transfer
  manager_.ApplySpeedLimit(kDownloadModeGame, SpeedSetting{true, 200});
  manager_.DownloadFile("limit/a.bin", "limit\\a.bin", Md5Hex(bytes), 5 * piece,
                        &Completions::OnDone, nullptr, 5, 0, 0);

  // While the clock stands still, a spent budget holds every transfer
  // however long the engine pumps.
  ASSERT_TRUE(PumpUntilAllHeld()) << manager_.throttled_task_count() << " of "
                                  << manager_.running_task_count() << " held, "
                                  << manager_.done_bytes() << " bytes";
  const int64_t held = manager_.done_bytes();
  PumpUntil(&manager_, [] { return false; }, 300);
  EXPECT_EQ(manager_.done_bytes(), held);

  // Each transfer takes what the clock gives it, give or take the one read
  // that spends its budget (reads are a quarter second's worth at most, or
  // what the library held back while the transfer was paused).
  const int64_t slack = 5 * 32 * 1024;
  const int64_t fast = 5 * 200 * 204;
  int64_t taken = Advance(3000);
  EXPECT_NEAR(static_cast<double>(taken), 3.0 * fast, static_cast<double>(slack));

  // The player lowers the limit; the dialog's thread asks, the engine's
  // thread carries it out on its next tick.
  std::thread ui(
      [this] { manager_.ApplySpeedLimit(kDownloadModeGame, SpeedSetting{true, 100}); });
  ui.join();
  // A change for the other mode is not this engine's business.
  manager_.ApplySpeedLimit(kDownloadModePreDownload, SpeedSetting{true, 1});
  ASSERT_TRUE(PumpUntilAllHeld());
  const int64_t slow = 5 * 100 * 204;
  taken = Advance(3000);
  EXPECT_NEAR(static_cast<double>(taken), 3.0 * slow, static_cast<double>(slack));
  EXPECT_EQ(Completions::Get().Count(), 0u);
  manager_.SetTickSourceForTesting(nullptr);
}

}  // namespace
