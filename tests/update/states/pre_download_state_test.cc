// The pre-download of the next game version against the sample release,
// through the real download engine: version 3 fetched beside an installed
// version 2, pause, a launcher that ends half way and a new one that goes
// on, the ways a run ends early, and the update to version 3 that then
// fetches nothing the pre-download has.
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
#include "app/util/md5_context.h"
#include "test_support/engine/engine_harness.h"
#include "update/download/download_manager.h"
#include "update/states/pre_download_fixture.h"

namespace road_testing {
namespace {

using engine_testing::WindowMessage;

WindowMessage Page(WPARAM page, LPARAM refresh) { return {MsgPreDlcPage, page, refresh}; }

const char kVersionFolder[] = "update\\predownload\\3_3_0\\";

class PreDownloadTest : public PreDownloadFixture {
 protected:
  void SetUp() override {
    PreDownloadFixture::SetUp();
    if (HasFatalFailure()) return;
    InstallGame("game-2");
    ServeGameAndNext("", "release-3");
  }

  // The player asks for the pre-download (or the idle probe starts it).
  void StartPreDownload(bool wanted) {
    controller_->resumeRequested = wanted;
    controller_->StartPreDownload();
    harness_->Settle();
  }
  void RunPreDownload(bool wanted) {
    StartPreDownload(wanted);
    RunPreDownloadUntil([] { return false; });
  }

  std::vector<WindowMessage> Pages() { return harness_->MessagesOf(MsgPreDlcPage); }
  std::string Md5Of(const std::string& name) { return TreeOf("game-3")[name]; }
  std::string Served(const std::string& name) {
    return release_ + "\\release-3\\" + WindowsPath(name);
  }
};

TEST_F(PreDownloadTest, FetchesTheNextVersionBesideTheInstalledOne) {
  RunPreDownload(true);
  ASSERT_FALSE(PreDownloadRunning());

  // Each changed file under its digest, the map marking the folder complete.
  const std::vector<std::string> changed = ChangedFiles("game-2", "game-3");
  ASSERT_EQ(4u, changed.size());
  std::vector<std::string> expected_names = {"predownload_version_map.txt"};
  for (const std::string& name : changed) {
    expected_names.push_back(Md5Of(name));
    EXPECT_TRUE(SameBytes(Served(name), kVersionFolder + Md5Of(name))) << name;
  }
  std::sort(expected_names.begin(), expected_names.end());
  EXPECT_EQ(expected_names, FileNames(kVersionFolder));
  EXPECT_TRUE(SameBytes(Served("version_map.txt"),
                        std::string(kVersionFolder) + "predownload_version_map.txt"));

  std::map<std::string, std::string> installed = TreeDigests(game_);
  installed.erase("version_map.txt");
  EXPECT_EQ(TreeOf("game-2"), installed) << "the installed game is untouched";
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
    if (path != "/release-3/patchs/3_2_0/patch_list.txt" || paths.size() != 3) {
      paths.push_back(path);
    }
  }
  const std::vector<std::string> expected = {"/pre_download", "/release-3/version_map.txt",
                                             "/release-3/patchs/3_2_0/patch_list.txt",
                                             "/release-3/patchs/3_2_0/TOLM.exe.patch"};
  ASSERT_GE(paths.size(), expected.size());
  EXPECT_EQ(expected, std::vector<std::string>(paths.begin(), paths.begin() + 4));
  std::vector<std::string> files(paths.begin() + 4, paths.end());
  std::sort(files.begin(), files.end());
  std::vector<std::string> wanted;
  for (const std::string& name : changed) wanted.push_back("/release-3/" + name);
  std::sort(wanted.begin(), wanted.end());
  EXPECT_EQ(wanted, files);
}

TEST_F(PreDownloadTest, PausedStoppedAndStartedAgainThenTheUpdateTakesItAllOver) {
  // One file trickles, so the others finish while it is under way.
  Json::Value slow;
  slow["server"] = "dl2";
  slow["path"] = "/release-3/Tolm_Data/level0";
  slow["trickle_bytes"] = 8192;
  slow["trickle_ms"] = 100;
  ASSERT_TRUE(publisher_.AddFault(slow));
  const std::vector<std::string> changed = ChangedFiles("game-2", "game-3");
  const std::string slow_md5 = Md5Of("Tolm_Data/level0");
  auto others_done = [&] {
    for (const std::string& name : changed) {
      if (Md5Of(name) != slow_md5 && !FileExistsA(kVersionFolder + Md5Of(name))) return false;
    }
    return true;
  };
  StartPreDownload(true);
  RunPreDownloadUntil(others_done);
  ASSERT_TRUE(others_done());
  ASSERT_TRUE(PreDownloadRunning());
  EXPECT_TRUE(FileExistsA(std::string(kVersionFolder) + "tmp_predownload_version_map.txt"));

  // Paused: ticks move nothing.
  int64_t done_before = 0, done_after = 0;
  harness_->OnWorker([&] {
    DownloadManager::GetInstance()->Pause();
    done_before = DownloadManager::GetInstance()->done_bytes();
  });
  harness_->Tick(50);
  harness_->OnWorker([&] { done_after = DownloadManager::GetInstance()->done_bytes(); });
  EXPECT_EQ(done_before, done_after);
  EXPECT_TRUE(PreDownloadRunning());

  // The launcher ends half way; a new one starts the pre-download again.
  publisher_.Log();  // the cut transfer logged before the log is cleared
  Restart();
  ASSERT_FALSE(FileExistsA(kVersionFolder + slow_md5));
  RunPreDownload(true);
  ASSERT_FALSE(PreDownloadRunning());

  // Only the unfinished file was fetched again; the folder is complete.
  std::vector<std::string> files;
  for (const std::string& path : RequestedPaths()) {
    if (path.find("/release-3/") == 0 && path.find("/release-3/patchs/") != 0 &&
        path != "/release-3/version_map.txt") {
      files.push_back(path);
    }
  }
  EXPECT_EQ(std::vector<std::string>{"/release-3/Tolm_Data/level0"}, files);
  for (const std::string& name : changed) {
    EXPECT_TRUE(SameBytes(Served(name), kVersionFolder + Md5Of(name))) << name;
  }
  EXPECT_TRUE(FileExistsA(std::string(kVersionFolder) + "predownload_version_map.txt"));
  EXPECT_FALSE(FileExistsA(std::string(kVersionFolder) + "tmp_predownload_version_map.txt"));
  EXPECT_EQ(Page(3, 0), Pages().back());

  // Release day: the game's servers serve version 3. The game pass takes
  // every changed file over from the pre-download, but one whose bytes went
  // bad since is fetched again.
  ASSERT_TRUE(WriteFileTextA(kVersionFolder + Md5Of("config.ini"), "[game]\r\nbroken\r\n"));
  Restart();
  ServeGameAndNext("release-3", "release-3");
  const int32_t stopped = RunPass(1);
  std::vector<std::string> fetched;
  for (const std::string& path : RequestedPaths()) {
    if (path.find("/release-3/") == 0) fetched.push_back(path);
  }
  std::vector<std::string> asked(fetched);
  asked.erase(std::unique(asked.begin(), asked.end()), asked.end());
  EXPECT_EQ((std::vector<std::string>{"/release-3/version_map.txt",
                                      "/release-3/patchs/3_2_0/patch_list.txt",
                                      "/release-3/patchs/3_2_0/TOLM.exe.patch",
                                      "/release-3/config.ini"}),
            asked);
  // The pass goes on to apply and ends with version 3 installed.
  for (int i = 0; i < 4000 && Current().type == kApplyUpdateState; ++i) harness_->Tick();
  harness_->Settle();
  EXPECT_NE(kExceptionState, stopped);
  EXPECT_EQ(kEnterGameState, Current().type) << CurrentErrorMessage();
  std::map<std::string, std::string> installed = TreeDigests(game_);
  installed.erase("version_map.txt");
  EXPECT_EQ(TreeOf("game-3"), installed);
  EXPECT_EQ("3_3_0", controller_->localGameVersion.Get());
}

// Two files of one content are one download into one file named by it.
TEST_F(PreDownloadTest, FilesOfOneContentShareOneDownload) {
  const std::string bytes(300000, 'q');
  ASSERT_TRUE(publisher_.PutFile("twins/a.bin", bytes));
  ASSERT_TRUE(publisher_.PutFile("twins/b.bin", bytes));
  std::string digest;
  int64_t size = 0;
  const std::string local = base_ + "\\twin.bin";
  ASSERT_TRUE(WriteFileTextA(local, bytes));
  FileMatchesMd5(local, "", &digest, &size);
  const std::string entry = "{\"md5\": \"" + digest + "\", \"size\": 300000}";
  ASSERT_TRUE(publisher_.PutFile("twins/version_map.txt", "{\"version\": {\"md5\": \"3_4_0\"}, "
                                 "\"a.bin\": " + entry + ", \"b.bin\": " + entry + "}"));
  ServeGameAndNext("", "twins");
  RunPreDownload(true);
  EXPECT_EQ(Page(3, 0), Pages().back());
  EXPECT_EQ((std::vector<std::string>{digest, "predownload_version_map.txt"}),
            FileNames("update\\predownload\\3_4_0"));
  EXPECT_TRUE(SameBytes(local, "update\\predownload\\3_4_0\\" + digest));
  int fetched = 0;
  for (const std::string& path : RequestedPaths()) {
    fetched += path == "/twins/a.bin" || path == "/twins/b.bin";
  }
  EXPECT_EQ(1, fetched);
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
         ServeGameAndNext("", "");
         Json::Value down;
         down["path"] = "/pre_download";
         down["status"] = 503;
         ASSERT_TRUE(publisher_.AddFault(down));
       },
       {Page(2, 0), Page(0, 0)}, L""},
      // The pre-download servers offer the installed version.
      {"nothing newer", true, [this] { ServeGameAndNext("", "release-2"); },
       {Page(2, 0), Page(0, 0)}, L"already the newest"},
      // A file the servers do not have ends the run with the engine's text.
      {"file missing", true,
       [this] {
         Json::Value gone;
         gone["path"] = "/release-3/config.ini";
         gone["status"] = 404;
         ASSERT_TRUE(publisher_.AddFault(gone));
       },
       {Page(2, 0), Page(2, 1), Page(0, 0)}, L"(config.ini)"},
      // Names made from what a server says: a version that is not three
      // parts of digits names no folder, an entry without a digest no file.
      {"two-part version", true,
       [this] {
         ASSERT_TRUE(publisher_.PutFile("hostile-version/version_map.txt",
                                        "{\"version\": {\"md5\": \"3_3\"}}"));
         ServeGameAndNext("", "hostile-version");
       },
       {Page(2, 0), Page(0, 0)}, L"PreDlc check failed:-2"},
      {"entry without digest", true,
       [this] {
         ASSERT_TRUE(publisher_.PutFile(
             "hostile-digest/version_map.txt",
             "{\"version\": {\"md5\": \"3_4_0\"}, \"config.ini\": {\"md5\": \"\", \"size\": 4}}"));
         ServeGameAndNext("", "hostile-digest");
       },
       {Page(2, 0), Page(0, 0)}, L"PreDlc bad md5 of config.ini"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(publisher_.Reset());
    ServeGameAndNext("", "release-3");
    c.arrange();
    if (HasFatalFailure()) return;
    harness_->ClearMessages();
    const size_t boxes = harness_->MsgBoxes().size();
    StartPreDownload(c.wanted);
    RunPreDownloadUntil([&] { return harness_->MsgBoxes().size() > boxes; });
    EXPECT_EQ(c.pages, Pages());
    EXPECT_FALSE(controller_->resumeRequested);
    if (c.box.empty()) {
      EXPECT_EQ(boxes, harness_->MsgBoxes().size());
      EXPECT_FALSE(PreDownloadRunning());
    } else {
      // The report keeps the state in its slot until the player answers;
      // its transfers are gone already.
      ASSERT_EQ(boxes + 1, harness_->MsgBoxes().size());
      const std::wstring detail = harness_->MsgBoxes().back().box.detail.value;
      EXPECT_NE(std::wstring::npos, detail.find(c.box)) << std::string(detail.begin(), detail.end());
      EXPECT_TRUE(PreDownloadRunning());
      size_t transfers = 1;
      harness_->OnWorker([&] {
        DownloadManager* engine = DownloadManager::GetInstance();
        transfers = engine->waiting_task_count() + engine->running_task_count();
      });
      EXPECT_EQ(0u, transfers);
      ASSERT_TRUE(harness_->AnswerOpenBox(1));
      harness_->Settle();
      EXPECT_FALSE(PreDownloadRunning());
    }
    EXPECT_FALSE(IsDirectoryA("update\\predownload\\3_3"));
    for (const std::string& name : FileNames("update\\predownload\\3_4_0")) {
      EXPECT_EQ("tmp_predownload_version_map.txt", name);
    }
    if (std::string(c.name) == "check only") {
      for (const std::string& path : RequestedPaths()) {
        EXPECT_EQ(std::string::npos, path.find("/release-3/Tolm")) << path;
      }
      EXPECT_FALSE(FileExistsA(std::string(kVersionFolder) + "tmp_predownload_version_map.txt"));
    }
  }
}

}  // namespace
}  // namespace road_testing
