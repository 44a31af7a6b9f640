// The download engine's events as the launcher takes them: the one table of
// main-window messages, and the snapshot and record the worker keeps for the
// windows.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_download_delegate.h"
#include "app/controller/launcher_messages.h"

namespace {

TEST(EngineEventsTest, OneTableMapsEventsToMainWindowMessages) {
  struct Case {
    const char* name;
    DownloadEvent event;
    uint32_t message;
    int64_t wparam;
    int64_t lparam;
  } cases[] = {
      {"progress", DownloadProgressEvent{5000000000LL, 1234}, MsgDownloadProgress, 5000000000LL,
       1234},
      {"speed", DownloadSpeedEvent{50, 1000}, MsgDownloadSpeed, 50, 1000},
      {"paused", DownloadPausedEvent{true}, MsgDownloadPaused, 0, 1},
      {"running again", DownloadPausedEvent{false}, MsgDownloadPaused, 0, 0},
      {"step report", DownloadStepReport{"", "1.0", "2.0", "pause", "", true}, 0, 0, 0},
      {"detail report", DownloadDetailReport{"15", "1.0", "2.0", "3"}, 0, 0, 0},
      {"activity report", DownloadActivityReport{"e", "1", "2", "3"}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainWindowMessage m = MainWindowMessageOf(c.event);
    EXPECT_EQ(c.message, m.message);
    EXPECT_EQ(c.wparam, m.wparam);
    EXPECT_EQ(c.lparam, m.lparam);
  }
}

TEST(EngineEventsTest, TheDelegateKeepsTheSnapshotAndTheRecord) {
  LauncherController controller;
  LauncherDownloadDelegate* delegate = controller.download_delegate();
  std::shared_ptr<const LauncherController::Snapshot> before = controller.GetSnapshot();

  delegate->OnDownloadEvent(DownloadProgressEvent{100, 40});
  delegate->OnDownloadEvent(DownloadSpeedEvent{6, 10});
  delegate->OnDownloadEvent(DownloadPausedEvent{true});
  std::shared_ptr<const LauncherController::Snapshot> after = controller.GetSnapshot();
  EXPECT_EQ(100, after->totalBytes);
  EXPECT_EQ(40, after->doneBytes);
  EXPECT_EQ(6, after->secondsLeft);
  EXPECT_EQ(10, after->bytesPerSecond);
  EXPECT_TRUE(after->paused);
  // A snapshot once handed out never changes.
  EXPECT_EQ(0, before->totalBytes);
  EXPECT_FALSE(before->paused);

  controller.downloadRecord.downloadVersion = "10077_1_3";
  DownloadDelegate::RecordValues values;
  values.size = 7;
  values.speed = 8;
  values.time = 9;
  delegate->SetDownloadRecord(values);
  DownloadRecord record = controller.GetDownloadRecord();
  EXPECT_EQ(7, record.downloadSize);
  EXPECT_EQ(8, record.downloadSpeed);
  EXPECT_EQ(9, record.downloadTime);
  EXPECT_EQ("10077_1_3", record.downloadVersion.Get());
  EXPECT_EQ(7, delegate->GetDownloadRecord().size);
}

TEST(EngineEventsTest, ReadersSeeWholeSnapshotsWhileTheWorkerPublishes) {
  LauncherController controller;
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::thread reader([&] {
    while (!done) {
      std::shared_ptr<const LauncherController::Snapshot> s = controller.GetSnapshot();
      if (s->totalBytes != s->doneBytes || s->secondsLeft != s->bytesPerSecond) ++torn;
    }
  });
  for (int64_t i = 1; i <= 20000; ++i) {
    controller.download_delegate()->OnDownloadEvent(DownloadProgressEvent{i, i});
    controller.download_delegate()->OnDownloadEvent(DownloadSpeedEvent{i, i});
  }
  done = true;
  reader.join();
  EXPECT_EQ(0, torn);
  EXPECT_EQ(20000, controller.GetSnapshot()->doneBytes);
}

}  // namespace
