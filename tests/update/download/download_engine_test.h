// Base fixture for whole-file downloads against the sample publisher: an
// engine of the test's own with a recording delegate, 64 KiB pieces (so small
// files have several), short time-outs and the three download servers, in a
// fresh folder. Derived fixtures call SetUp/TearDown of this class first/last.
#ifndef TESTS_UPDATE_DOWNLOAD_DOWNLOAD_ENGINE_TEST_H_
#define TESTS_UPDATE_DOWNLOAD_DOWNLOAD_ENGINE_TEST_H_

#include "test_support/publisher_folder_test.h"
#include "update/download/download_manager.h"
#include "update/download/download_test_support.h"

namespace download_testing {

class DownloadEngineTest : public testing_support::PublisherFolderTest {
 protected:
  void SetUp() override {
    PublisherFolderTest::SetUp();
    if (HasFatalFailure()) return;
    manager_.Init(DownloadManager::ServerOverrides());
    manager_.set_delegate(&delegate_);
    manager_.SetPieceSizeForTesting(64 * 1024);
    DownloadManager::Timeouts timeouts;
    timeouts.connect_ms = 2000;
    timeouts.total_ms = 5000;
    timeouts.piece_connect_ms = 2000;
    timeouts.piece_stall_seconds = 5;
    manager_.SetTimeoutsForTesting(timeouts);
    manager_.set_active_servers(
        {publisher_.Url("dl0"), publisher_.Url("dl1"), publisher_.Url("dl2")});
    Completions::Get().Clear();
    Completions::Get().set_manager(&manager_);
  }

  void TearDown() override {
    manager_.CancelAll(kDownloadModeGame);
    Completions::Get().set_manager(nullptr);
    PublisherFolderTest::TearDown();
  }

  RecordingDelegate delegate_;
  DownloadManager manager_;
};

}  // namespace download_testing

#endif  // TESTS_UPDATE_DOWNLOAD_DOWNLOAD_ENGINE_TEST_H_
