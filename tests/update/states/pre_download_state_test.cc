// The pre-download of the next game version against the sample release,
// through the real download engine: version 3 fetched beside an installed
// version 2, pause, an engine stopped half way and a new run that goes on,
// and the ways a run ends early.
//
// The publisher serves release 2 under "/r2" (the game servers) and release
// 3 under "/r3" (the pre-download servers).
#include <gtest/gtest.h>
#include <json/json.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"
#include "update/states/release_fixture.h"
#include "update/download/download_manager.h"
#include "update/states/pre_download_state.h"

namespace {

using engine_testing::EngineHarness;
using engine_testing::WindowMessage;
using release_testing::FileExistsA;
using release_testing::FileNames;
using release_testing::ReleaseFixture;
using release_testing::SameBytes;
using release_testing::WindowsPath;

class PreDownloadTest : public ReleaseFixture {
 protected:
  void SetUp() override {
    ReleaseFixture::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(publisher_.SetConfig(ServerConfig("r2", "r3")));
    InstallGame(2);
    StartLauncher();
  }

  // The launcher's engine thread as it starts: the engine, the folders and
  // the installed version.
  void StartLauncher() {
    ReleaseFixture::StartLauncher();
    harness_->make_pre_download_state = [] { return std::make_unique<PreDownloadState>(); };
    harness_->pump_engine = true;
  }

  // The player asks for the pre-download; the worker runs until the slot is
  // empty (or `stop` holds), at most `max_ticks` ticks.
  void RunPreDownload(bool wanted, std::function<bool()> stop = nullptr, int max_ticks = 40000) {
    controller_->resumeRequested = wanted;
    controller_->StartPreDownload();
    harness_->Settle();
    for (int i = 0; i < max_ticks && SlotFilled(); ++i) {
      if (stop && stop()) break;
      harness_->Tick();
    }
    harness_->Settle();  // the messages the last ticks posted
  }

  bool SlotFilled() {
    bool filled = false;
    harness_->OnWorker([&] { filled = controller_->preDownloadState != nullptr; });
    return filled;
  }

  std::vector<WindowMessage> Pages() { return harness_->MessagesOf(MsgPreDlcPage); }

  std::string VersionFolder() const { return "update\\predownload\\3_3_0\\"; }
};

WindowMessage Page(WPARAM page, LPARAM refresh) { return {MsgPreDlcPage, page, refresh}; }

TEST_F(PreDownloadTest, FetchesTheNextVersionBesideTheInstalledOne) {
  RunPreDownload(true);
  ASSERT_FALSE(SlotFilled());

  // Each changed file under its digest, the map marking the folder complete.
  const std::vector<std::string> changed = ChangedFiles(2, 3);
  ASSERT_EQ(4u, changed.size());
  std::vector<std::string> expected_names = {"predownload_version_map.txt"};
  for (const std::string& name : changed) {
    const std::string md5 = summary_["trees"]["game-3"][name]["md5"].asString();
    expected_names.push_back(md5);
    EXPECT_TRUE(SameBytes(release_ + "\\release-3\\" + WindowsPath(name), VersionFolder() + md5))
        << name;
  }
  std::sort(expected_names.begin(), expected_names.end());
  EXPECT_EQ(expected_names, FileNames(VersionFolder()));
  EXPECT_TRUE(SameBytes(release_ + "\\release-3\\version_map.txt",
                        VersionFolder() + "predownload_version_map.txt"));

  // The installed game is untouched.
  EXPECT_TRUE(TreeMatches(game_, "game-2"));

  EXPECT_EQ("3_3_0", controller_->preDownloadVersion.Get());
  EXPECT_FALSE(controller_->resumeRequested);
  std::vector<std::string> folders;
  harness_->OnWorker([&] { folders = controller_->preDownloadFolders; });
  EXPECT_EQ(std::vector<std::string>{"3_3_0"}, folders);
  EXPECT_EQ((std::vector<WindowMessage>{Page(2, 0), Page(2, 1), Page(3, 0)}), Pages());

  // The region named the servers; release 3 has no patches from 3_2_0, so
  // the list is missing (asked on each attempt) and every file comes whole
  // from the pre-download servers, each once.
  std::vector<std::string> paths;
  for (const std::string& path : RequestedPaths()) {
    if (path != "/r3/patchs/3_2_0/patch_list.txt" || paths.size() != 3) paths.push_back(path);
  }
  std::vector<std::string> expected = {"/pre_download", "/r3/version_map.txt",
                                       "/r3/patchs/3_2_0/patch_list.txt",
                                       "/r3/patchs/3_2_0/TOLM.exe.patch"};
  ASSERT_GE(paths.size(), expected.size());
  EXPECT_EQ(expected, std::vector<std::string>(paths.begin(), paths.begin() + 4));
  std::vector<std::string> files(paths.begin() + 4, paths.end());
  std::sort(files.begin(), files.end());
  std::vector<std::string> wanted;
  for (const std::string& name : changed) wanted.push_back("/r3/" + name);
  std::sort(wanted.begin(), wanted.end());
  EXPECT_EQ(wanted, files);
}

TEST_F(PreDownloadTest, PausedThenStoppedHalfWayGoesOnFromWhatItHas) {
  // One large file trickles, so the others finish while it is under way.
  Json::Value slow;
  slow["server"] = "dl2";
  slow["path"] = "/r3/Tolm_Data/level0";
  slow["trickle_bytes"] = 16384;
  slow["trickle_ms"] = 50;
  ASSERT_TRUE(publisher_.AddFault(slow));
  const std::vector<std::string> changed = ChangedFiles(2, 3);
  const std::string slow_md5 = summary_["trees"]["game-3"]["Tolm_Data/level0"]["md5"].asString();
  auto others_done = [&] {
    for (const std::string& name : changed) {
      const std::string md5 = summary_["trees"]["game-3"][name]["md5"].asString();
      if (md5 != slow_md5 && !FileExistsA(VersionFolder() + md5)) return false;
    }
    return true;
  };
  RunPreDownload(true, others_done);
  ASSERT_TRUE(others_done());
  ASSERT_TRUE(SlotFilled());
  EXPECT_TRUE(FileExistsA(VersionFolder() + "tmp_predownload_version_map.txt"));

  // Paused: ticks move nothing.
  harness_->OnWorker([] { DownloadManager::GetInstance()->Pause(); });
  int64_t done_before = 0, done_after = 0;
  harness_->OnWorker([&] { done_before = DownloadManager::GetInstance()->done_bytes(); });
  harness_->Tick(50);
  harness_->OnWorker([&] { done_after = DownloadManager::GetInstance()->done_bytes(); });
  EXPECT_EQ(done_before, done_after);
  EXPECT_TRUE(SlotFilled());

  // The launcher goes away half way; a new one starts the pre-download again.
  StopLauncher();
  ASSERT_FALSE(FileExistsA(VersionFolder() + slow_md5));
  ASSERT_TRUE(publisher_.Reset());
  ASSERT_TRUE(publisher_.SetConfig(ServerConfig("r2", "r3")));
  StartLauncher();
  RunPreDownload(true);
  ASSERT_FALSE(SlotFilled());

  // Only the unfinished file was fetched again; the folder is complete.
  std::vector<std::string> files;
  for (const std::string& path : RequestedPaths()) {
    if (path.find("/r3/Tolm_Data/") == 0 || path.find("/r3/config") == 0 ||
        path == "/r3/TOLM.exe") {
      files.push_back(path);
    }
  }
  EXPECT_EQ(std::vector<std::string>{"/r3/Tolm_Data/level0"}, files);
  for (const std::string& name : changed) {
    const std::string md5 = summary_["trees"]["game-3"][name]["md5"].asString();
    EXPECT_TRUE(SameBytes(release_ + "\\release-3\\" + WindowsPath(name), VersionFolder() + md5))
        << name;
  }
  EXPECT_TRUE(FileExistsA(VersionFolder() + "predownload_version_map.txt"));
  EXPECT_FALSE(FileExistsA(VersionFolder() + "tmp_predownload_version_map.txt"));
  EXPECT_EQ(Page(3, 0), Pages().back());
}

TEST_F(PreDownloadTest, RunsThatEndEarly) {
  harness_->texts[L"STRING_ERROR_DLC_LAST"] = L"already the newest";
  const struct {
    const char* name;
    bool wanted;
    std::function<void()> arrange;
    std::vector<WindowMessage> pages;
    std::wstring box;  // part of the report's detail; empty: no report
  } cases[] = {
      // Only a check: the files are there to fetch, nothing is fetched.
      {"check only", false, [] {}, {Page(2, 0), Page(1, 0)}, L""},
      // No region servers and a directory without pre-download servers:
      // nothing to offer, nothing said.
      {"no servers", true,
       [this] {
         Json::Value down;
         down["path"] = "/pre_download";
         down["status"] = 503;
         ASSERT_TRUE(publisher_.AddFault(down));
         ASSERT_TRUE(publisher_.SetConfig(ServerConfig("r2", "")));
       },
       {Page(2, 0), Page(0, 0)}, L""},
      // The pre-download servers offer the installed version.
      {"nothing newer", true,
       [this] { ASSERT_TRUE(publisher_.SetConfig(ServerConfig("r2", "r2"))); },
       {Page(2, 0), Page(0, 0)}, L"already the newest"},
      // A file the servers do not have ends the run with the engine's text.
      {"file missing", true,
       [this] {
         Json::Value gone;
         gone["path"] = "/r3/config.ini";
         gone["status"] = 404;
         ASSERT_TRUE(publisher_.AddFault(gone));
       },
       {Page(2, 0), Page(2, 1), Page(0, 0)}, L"(config.ini)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(publisher_.Reset());
    ASSERT_TRUE(publisher_.SetConfig(ServerConfig("r2", "r3")));
    c.arrange();
    if (HasFatalFailure()) return;
    harness_->ClearMessages();
    const size_t boxes = harness_->MsgBoxes().size();
    RunPreDownload(c.wanted, [&] { return harness_->MsgBoxes().size() > boxes; });
    EXPECT_EQ(c.pages, Pages());
    EXPECT_FALSE(controller_->resumeRequested);
    if (c.box.empty()) {
      EXPECT_EQ(boxes, harness_->MsgBoxes().size());
      EXPECT_FALSE(SlotFilled());
    } else {
      // The report keeps the state in its slot until the player answers;
      // its transfers are gone already.
      ASSERT_EQ(boxes + 1, harness_->MsgBoxes().size());
      const std::wstring detail = harness_->MsgBoxes().back().box.detail.value;
      EXPECT_NE(std::wstring::npos, detail.find(c.box)) << std::string(detail.begin(), detail.end());
      EXPECT_TRUE(SlotFilled());
      size_t transfers = 1;
      harness_->OnWorker([&] {
        DownloadManager* engine = DownloadManager::GetInstance();
        transfers = engine->waiting_task_count() + engine->running_task_count();
      });
      EXPECT_EQ(0u, transfers);
      ASSERT_TRUE(harness_->AnswerOpenBox(1));
      harness_->Settle();
      EXPECT_FALSE(SlotFilled());
    }
    if (std::string(c.name) == "check only") {
      for (const std::string& path : RequestedPaths()) EXPECT_EQ(std::string::npos, path.find("/r3/Tolm"));
      EXPECT_FALSE(FileExistsA(VersionFolder() + "tmp_predownload_version_map.txt"));
    }
  }
}

}  // namespace
