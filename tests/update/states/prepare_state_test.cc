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
#include "update/download/download_manager.h"
#include "update/states/road_fixture.h"
#include "update/states/prepare_state.h"
#include "update/states/successor_states.h"

namespace {

using engine_testing::WindowMessage;
using road_testing::CopyTree;
using road_testing::ReadJson;

class FirstStatesTest : public road_testing::RoadTest {
 protected:
  // Installs a game-pass PrepareState and runs `ticks` ticks of the worker.
  void RunGamePass(int ticks) {
    harness_->Install(std::make_unique<PrepareState>(1));
    harness_->Tick(ticks);
  }
};

TEST_F(FirstStatesTest, GamePassWithoutMapHashesTheGameAndFetchesTheRemoteMap) {
  CopyTree(release_ + "\\installed\\game-1", game_);
  DeleteFileA((game_ + "\\version_map.txt").c_str());
  // Files under a folder named "save" at any depth are the player's, not the game's.
  CreateDirectoriesA(game_ + "\\Tolm_Data\\save");
  WriteFileTextA(game_ + "\\Tolm_Data\\save\\slot.dat", "mine");
  CreateDirectoriesA(game_ + "\\Save");
  WriteFileTextA(game_ + "\\Save\\kept.dat", "hashed");

  RunGamePass(1);

  // The local map is what is on disk, the "Save" file included (read before
  // the comparison consumes it).
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
  harness_->Tick();
  harness_->Settle();

  // One progress message per hashed file, ending at 90, then 95 for the map
  // and 100 for the comparison.
  std::vector<LPARAM> progress;
  for (const WindowMessage& m : harness_->MessagesOf(MsgCheckProgress)) progress.push_back(m.lparam);
  std::string shown;
  for (LPARAM value : progress) shown += std::to_string(value) + " ";
  ASSERT_EQ(expected.size() + 2, progress.size()) << shown;
  EXPECT_EQ(90, progress[progress.size() - 3]);
  EXPECT_EQ(95, progress[progress.size() - 2]);
  EXPECT_EQ(100, progress.back());

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

TEST_F(FirstStatesTest, DirectoryFailuresReachTheRetryWithTheirText) {
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

TEST_F(FirstStatesTest, TheDirectorysOwnMapSkipsTheRemoteRequestAndNamesItsVersion) {
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

TEST_F(FirstStatesTest, TheDirectorysOwnMapOnAFirstInstallMakesTheGameFolder) {
  ASSERT_TRUE(RemoveDirectoryA(game_.c_str()));
  ASSERT_TRUE(publisher_.SetConfig(ReadJson(release_ + "\\release-2\\directory-cdn.json")));
  RunGamePass(1);
  EXPECT_EQ(kCheckVersionState, Current().type);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((game_ + "\\tmp_version_map.txt").c_str()));
  EXPECT_EQ(std::vector<std::string>{"/get/urls"}, RequestedPaths());
}

TEST_F(FirstStatesTest, HostileRemoteMapIsRefusedWholeAndNothingIsKept) {
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
