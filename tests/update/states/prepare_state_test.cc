// The first states of a game pass against the sample release served by the
// sample publisher, through the real download engine: hashing the installed
// files, the directory request and its failures, and the remote map.
#include <gtest/gtest.h>
#include <json/json.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/publisher_client.h"
#include "test_support/temp_folder.h"
#include "update/download/download_manager.h"
#include "update/states/prepare_state.h"
#include "update/states/successor_states.h"

namespace {

using engine_testing::EngineHarness;
using engine_testing::WindowMessage;
using testing_support::PublisherClient;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

Json::Value ReadJson(const std::string& path) {
  std::string text, error;
  Json::Value root;
  EXPECT_TRUE(ReadFileTextA(path, &text)) << path;
  EXPECT_TRUE(ParseJson(text, &root, &error)) << path << error;
  return root;
}

// Copies a folder tree (the installed game of the release).
void CopyTree(const std::string& from, const std::string& to) {
  std::vector<std::string> files;
  ASSERT_GE(ListFiles(from, &files, {}), 0) << from;
  for (const std::string& file : files) {
    const std::string target = to + file.substr(from.size());
    CreateParentFoldersA(target);
    ASSERT_TRUE(CopyFileA(file.c_str(), target.c_str(), FALSE)) << file;
  }
}

class RoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(publisher_.Connect(&error)) << error;
    ASSERT_TRUE(publisher_.Reset());
    release_ = NormalizePathA(Env("QUORVEL_SAMPLE_RELEASE"), false);
    ASSERT_FALSE(release_.empty());
    // The launcher's own folder is the working folder: a fresh one per test,
    // with the folders the launcher pass would have made.
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    old_cwd_ = cwd;
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
    CreateDirectoriesW(GetExceptionFolder());
    CreateDirectoriesW(GetUpdateFolder());
    summary_ = ReadJson(release_ + "\\release.json");
    game_ = std::string(folder_.path().begin(), folder_.path().end()) + "\\game";
    harness_ = std::make_unique<EngineHarness>();
    controller_ = harness_->controller();
    controller_->settings.gamePath.Set(std::wstring(game_.begin(), game_.end()));
    controller_->publicAddress = "127.0.0.1";  // no echo request to the real endpoint
    harness_->OnWorker([this] {
      DownloadManager::ServerOverrides overrides;
      overrides.gate_urls = {publisher_.Url("gate") + "/"};
      DownloadManager::GetInstance()->Init(overrides);
    });
  }

  void TearDown() override {
    if (harness_) harness_->OnWorker([] { DownloadManager::GetInstance()->Shutdown(); });
    harness_.reset();
    if (!old_cwd_.empty()) SetCurrentDirectoryW(old_cwd_.c_str());
  }

  // Installs a game-pass PrepareState and runs `ticks` ticks of the worker.
  void RunGamePass(int ticks) {
    harness_->Install(std::make_unique<PrepareState>(1));
    harness_->Tick(ticks);
  }

  LauncherController::StateInfo Current() const { return controller_->GetSnapshot()->state; }

  std::vector<std::string> RequestedPaths() const {
    std::vector<std::string> paths;
    for (const Json::Value& entry : publisher_.Log()) paths.push_back(entry["path"].asString());
    return paths;
  }

  PublisherClient publisher_;
  std::string release_;
  Json::Value summary_;
  testing_support::TempFolder folder_;
  std::string game_;
  std::wstring old_cwd_;
  std::unique_ptr<EngineHarness> harness_;
  LauncherController* controller_ = nullptr;
};

TEST_F(RoadTest, GamePassWithoutMapHashesTheGameAndFetchesTheRemoteMap) {
  CopyTree(release_ + "\\installed\\game-1", game_);
  DeleteFileA((game_ + "\\version_map.txt").c_str());
  // Files under a folder named "save" at any depth are the player's, not the game's.
  CreateDirectoriesA(game_ + "\\Tolm_Data\\save");
  WriteFileTextA(game_ + "\\Tolm_Data\\save\\slot.dat", "mine");
  CreateDirectoriesA(game_ + "\\Save");
  WriteFileTextA(game_ + "\\Save\\kept.dat", "hashed");

  RunGamePass(2);

  // The local map is what is on disk, the "Save" file included.
  std::map<std::string, std::pair<std::string, int64_t>> expected;
  for (const auto& name : summary_["trees"]["game-1"].getMemberNames()) {
    const Json::Value& entry = summary_["trees"]["game-1"][name];
    expected[name] = {entry["md5"].asString(), entry["size"].asInt64()};
  }
  expected["Save/kept.dat"] = {"", 6};
  std::map<std::string, std::pair<std::string, int64_t>> local;
  harness_->OnWorker([&] {
    for (const auto& entry : controller_->versionMaps["_local_game_version_"]) {
      local[entry.first] = {entry.first == "Save/kept.dat" ? "" : entry.second.md5,
                            entry.second.size};
    }
  });
  EXPECT_EQ(expected, local);

  // One progress message per hashed file, ending at 90, then 95 for the map.
  std::vector<LPARAM> progress;
  for (const WindowMessage& m : harness_->MessagesOf(MsgCheckProgress)) progress.push_back(m.lparam);
  std::string shown;
  for (LPARAM value : progress) shown += std::to_string(value) + " ";
  ASSERT_EQ(expected.size() + 1, progress.size()) << shown;
  EXPECT_EQ(90, progress[progress.size() - 2]);
  EXPECT_EQ(95, progress.back());

  // The remote map is kept as served, its version noted; the pass goes on
  // to the comparison.
  std::string served, kept;
  ASSERT_TRUE(ReadFileTextA(release_ + "\\release-2\\version_map.txt", &served));
  ASSERT_TRUE(ReadFileTextA(game_ + "\\tmp_version_map.txt", &kept));
  EXPECT_EQ(served, kept);
  EXPECT_EQ("3_2_0", controller_->remoteGameVersion.Get());
  EXPECT_EQ("3_2_0", controller_->downloadingVersion.Get());
  EXPECT_EQ(kCheckVersionState, Current().type);
  EXPECT_EQ(1, Current().pass);

  const std::vector<std::string> paths = RequestedPaths();
  ASSERT_EQ(2u, paths.size());
  EXPECT_EQ("/get/urls", paths[0]);
  EXPECT_EQ("/version_map.txt", paths[1]);
}

TEST(HashProgressTest, SinglePrecisionTruncates) {
  const struct {
    int32_t total;
    std::vector<int32_t> values;
  } cases[] = {{5, {17, 35, 54, 72, 90}}, {4, {22, 45, 67, 90}}, {1, {90}}};
  for (const auto& c : cases) {
    std::vector<int32_t> values;
    for (int32_t left = c.total - 1; left >= 0; --left) values.push_back(HashProgress(left, c.total));
    EXPECT_EQ(c.values, values) << c.total;
  }
}

TEST_F(RoadTest, DirectoryFailuresReachTheRetryWithTheirText) {
  CopyTree(release_ + "\\installed\\game-1", game_);
  const std::string long_reply(200, 'x');
  const struct {
    const char* name;
    Json::Value fault;
    int32_t code;
    std::string message_prefix;
    std::string url;
  } cases[] = {
      {"down", [] { Json::Value f; f["server"] = "gate"; f["status"] = 503; return f; }(), -2,
       "Request Failed:", ""},
      {"long non-JSON", [&] { Json::Value f; f["server"] = "gate"; f["body"] = long_reply; return f; }(),
       0, "Parse Failed:", "The information has been saved to file:exception/response.txt"},
      {"no DlcAddr", [] { Json::Value f; f["server"] = "gate"; f["body"] = "{\"Others\":\"{}\"}"; return f; }(),
       0, "Invalid DlcAddr", "{\"Others\":\"{}\"}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(publisher_.Reset());
    ASSERT_TRUE(publisher_.AddFault(c.fault));
    RunGamePass(1);
    EXPECT_EQ(kExceptionState, Current().type);
    std::string message, url;
    int32_t code = 1;
    harness_->OnWorker([&] {
      message = controller_->currentState->errorMessage;
      url = controller_->currentState->errorUrl;
      code = controller_->currentState->errorCode;
    });
    EXPECT_EQ(0u, message.rfind(c.message_prefix, 0)) << message;
    if (c.code == 0) {
      EXPECT_EQ(0, code);
    } else {
      EXPECT_LT(code, 0);
    }
    if (!c.url.empty()) {
      EXPECT_EQ(c.url, url);
    }
    // Nothing but the directory was asked.
    for (const std::string& path : RequestedPaths()) EXPECT_EQ("/get/urls", path);
  }
  std::string saved;
  ASSERT_TRUE(ReadFileTextW(std::wstring(GetExceptionFolder()) + L"\\response.txt", &saved));
  EXPECT_EQ(long_reply, saved);
}

TEST_F(RoadTest, TheDirectorysOwnMapSkipsTheRemoteRequestAndNamesItsVersion) {
  CopyTree(release_ + "\\installed\\game-1", game_);
  Json::Value config = ReadJson(release_ + "\\release-2\\directory-cdn.json");
  ASSERT_TRUE(publisher_.SetConfig(config));
  RunGamePass(1);
  EXPECT_EQ(kCheckVersionState, Current().type);
  EXPECT_EQ("3_2_0", controller_->remoteGameVersion.Get());
  EXPECT_EQ("3_2_0", controller_->downloadingVersion.Get());
  const std::vector<std::string> paths = RequestedPaths();
  EXPECT_EQ(std::vector<std::string>{"/get/urls"}, paths);
}

TEST_F(RoadTest, HostileRemoteMapIsRefusedWholeAndNothingIsKept) {
  CopyTree(release_ + "\\installed\\game-1", game_);
  Json::Value fault;
  fault["path"] = "/version_map.txt";
  fault["body"] = "{\"version\":\"3_2_0\",\"list\":{\"../evil.dll\":{\"md5\":"
                  "\"0123456789abcdef0123456789abcdef\",\"size\":1}}}";
  ASSERT_TRUE(publisher_.AddFault(fault));
  RunGamePass(2);
  EXPECT_EQ(kExceptionState, Current().type);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((game_ + "\\tmp_version_map.txt").c_str()));
  std::string message;
  harness_->OnWorker([&] { message = controller_->currentState->errorMessage; });
  EXPECT_EQ(0u, message.rfind("Load Failed:", 0)) << message;
}

}  // namespace
