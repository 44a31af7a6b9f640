// The idle probe of EnterGameState against the sample release: what it
// offers, what it prunes, what it does when the servers fail, and its clock.
//
// The road publisher serves release 2 at its root and each release below
// it; the game's servers and the pre-download servers are chosen per case.
#include <gtest/gtest.h>
#include <json/json.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "base/time/time.h"
#include "test_support/engine/engine_harness.h"
#include "update/states/enter_game_state.h"
#include "update/states/pre_download_fixture.h"
#include "update/states/state_clock.h"

namespace road_testing {
namespace {

using engine_testing::WindowMessage;

// The states' clock, moved by the tests.
int64_t g_now = 0;
int64_t TestClock() { return g_now; }

// The tick count the loop clock reads, moved by the clock test.
uint32_t g_tick_count = 0;
uint32_t TestTickCount() { return g_tick_count; }

WindowMessage Page(WPARAM page) { return {MsgPreDlcPage, page, 0}; }

class ProbeTest : public PreDownloadFixture {
 protected:
  void SetUp() override {
    PreDownloadFixture::SetUp();
    if (HasFatalFailure()) return;
    InstallGame("game-2");
    harness_->pump_engine = false;  // the probe's requests block; nothing to pump
    g_now = 10000000;  // the machine has run for hours
    SetStateClockForTesting(TestClock);
    ResetIdleClocksForTesting();
  }

  void TearDown() override {
    PreDownloadFixture::TearDown();
    SetStateClockForTesting(nullptr);
    ResetIdleClocksForTesting();
  }

  // An idle launcher whose first tick probes; returns the probe step after
  // that tick.
  int32_t ProbeOnce() {
    harness_->Install(std::make_unique<EnterGameState>());
    harness_->ClearMessages();
    harness_->Tick();
    harness_->Settle();
    int32_t step = -1;
    harness_->OnWorker([&] {
      auto* state = static_cast<EnterGameState*>(controller_->currentState.get());
      step = state->probeStep;
    });
    return step;
  }

  std::vector<WindowMessage> Pages() { return harness_->MessagesOf(MsgPreDlcPage); }

  // Distinct request paths, in the order first asked.
  std::vector<std::string> DistinctPaths() const {
    std::vector<std::string> paths;
    for (const std::string& path : RequestedPaths()) {
      if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
    }
    return paths;
  }
};

TEST_F(ProbeTest, OffersWhatTheServersHave) {
  int64_t bytes_2_to_3 = 0;
  const Json::Value& tree3 = summary_["trees"]["game-3"];
  for (const std::string& name : ChangedFiles("game-2", "game-3")) {
    bytes_2_to_3 += tree3[name]["size"].asInt64();
  }
  const struct {
    const char* name;
    const char* game_root;  // the game's servers
    const char* pre_root;   // the pre-download servers
    std::string remote;     // remoteGameVersion afterwards
    bool refresh_button;    // MsgRefreshGameButton sent
    std::string pre_version;
    std::vector<WindowMessage> pages;
    std::vector<std::string> paths;
  } cases[] = {
      {"next version offered", "", "release-3", "3_2_0", false, "3_3_0", {Page(1)},
       {"/pre_download", "/get/urls", "/version_map.txt", "/release-3/version_map.txt",
        "/release-3/patchs/3_2_0/patch_list.txt"}},
      {"released and offered", "release-3", "release-3", "3_3_0", true, "3_3_0", {Page(1)},
       {"/pre_download", "/get/urls", "/release-3/version_map.txt",
        "/release-3/patchs/3_2_0/patch_list.txt"}},
      {"nothing newer", "", "release-2", "3_2_0", false, "3_2_0", {Page(0)},
       {"/pre_download", "/get/urls", "/version_map.txt", "/release-2/version_map.txt"}},
      {"no pre-download servers", "", "", "3_2_0", false, "", {Page(0)},
       {"/pre_download", "/get/urls", "/version_map.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    ServeGameAndNext(c.game_root, c.pre_root);
    ResetIdleClocksForTesting();
    EXPECT_EQ(0, ProbeOnce());  // the whole chain ran inside the tick
    EXPECT_EQ(c.remote, controller_->remoteGameVersion.Get());
    EXPECT_EQ(c.refresh_button, !harness_->MessagesOf(MsgRefreshGameButton).empty());
    EXPECT_EQ(c.pre_version, controller_->preDownloadVersion.Get());
    EXPECT_EQ(c.pages, Pages());
    if (c.pages == std::vector<WindowMessage>{Page(1)}) {
      EXPECT_EQ(static_cast<uint64_t>(bytes_2_to_3), controller_->preDownloadBytes.load());
    }
    // At most five requests, each asked once (a missing patch list is asked
    // on each attempt).
    EXPECT_EQ(c.paths, DistinctPaths());
  }
}

TEST_F(ProbeTest, FailingServersEndItSilentlyUntilItIsDueAgain) {
  ServeGameAndNext("", "release-3");
  Json::Value down;
  down["server"] = "gate";
  down["status"] = 503;
  ASSERT_TRUE(publisher_.AddFault(down));
  EXPECT_EQ(0, ProbeOnce());
  EXPECT_TRUE(Pages().empty());
  EXPECT_EQ("", controller_->preDownloadVersion.Get());
  EXPECT_EQ((std::vector<std::string>{"/pre_download", "/get/urls"}), DistinctPaths());

  // Nothing more until the period has passed, then the chain again.
  ASSERT_TRUE(publisher_.Reset());
  ServeGameAndNext("", "release-3");
  g_now += 1860000 - 1;
  harness_->Tick();
  EXPECT_TRUE(RequestedPaths().empty());
  g_now += 1;
  harness_->Tick();
  harness_->Settle();
  EXPECT_EQ(std::vector<WindowMessage>{Page(1)}, Pages());
}

TEST_F(ProbeTest, PrunesOlderFoldersAndKnowsACompleteOne) {
  // Folders of versions at and below the installed one go; a newer one and
  // a folder that is no version stay.
  for (const char* name : {"3_1_0", "3_2_0", "3_3_0", "temp"}) {
    const std::string folder = std::string("update\\predownload\\") + name;
    ASSERT_TRUE(CreateDirectoriesA(folder));
    ASSERT_TRUE(WriteFileTextA(folder + "\\kept.txt", "x"));
  }
  Restart();  // the folders are listed as the engine starts
  ServeGameAndNext("", "release-3");
  harness_->pump_engine = false;
  EXPECT_EQ(0, ProbeOnce());
  EXPECT_FALSE(IsDirectoryA("update\\predownload\\3_1_0"));
  EXPECT_FALSE(IsDirectoryA("update\\predownload\\3_2_0"));
  EXPECT_TRUE(FileExistsA("update\\predownload\\3_3_0\\kept.txt"));
  EXPECT_TRUE(FileExistsA("update\\predownload\\temp\\kept.txt"));
  std::vector<std::string> folders;
  harness_->OnWorker([&] { folders = controller_->preDownloadFolders; });
  EXPECT_EQ(std::vector<std::string>{"3_3_0"}, folders);
  EXPECT_EQ(std::vector<WindowMessage>{Page(1)}, Pages());  // 3_3_0 has no map yet

  // The player asked for it before: the probe starts it instead of offering.
  controller_->resumeRequested = true;
  harness_->ClearCalls();
  ResetIdleClocksForTesting();
  EXPECT_EQ(0, ProbeOnce());
  EXPECT_TRUE(Pages().empty() || Pages().front() == (WindowMessage{MsgPreDlcPage, 2, 0}));
  const std::vector<std::string> calls = harness_->Calls();
  EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(), "MakePreDownloadState@1"));

  // Once that run is complete the probe says so.
  harness_->pump_engine = true;
  RunPreDownloadUntil([] { return false; });
  ASSERT_TRUE(FileExistsA("update\\predownload\\3_3_0\\predownload_version_map.txt"));
  ResetIdleClocksForTesting();
  EXPECT_EQ(0, ProbeOnce());
  EXPECT_EQ(std::vector<WindowMessage>{Page(3)}, Pages());
}

// The idle clocks across the two wraps of the tick count: its 32 bits, and
// its value modulo 2^31 - 1 that the clocks once held. A period is due only
// once it has passed.
TEST(StateClockTest, PeriodsRunOnAcrossTheTickCountsWraps) {
  const struct {
    const char* name;
    uint32_t start;
  } cases[] = {{"32 bits", 0xFFFFFFFFu - 1000}, {"modulo 2^31 - 1", 2147483647u - 1000}};
  SetStateClockForTesting(nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_tick_count = c.start;
    base::LoopClock::SetMillisecondSourceForTesting(TestTickCount);
    const int64_t since = StateClockNow();
    g_tick_count += 2000;  // across the wrap
    EXPECT_EQ(since + 2000, StateClockNow());
    EXPECT_FALSE(StateClockDue(StateClockNow(), since, 1860000));
    g_tick_count += 1860000 - 2000;
    EXPECT_TRUE(StateClockDue(StateClockNow(), since, 1860000));
  }
  base::LoopClock::SetMillisecondSourceForTesting(nullptr);
}

}  // namespace
}  // namespace road_testing
