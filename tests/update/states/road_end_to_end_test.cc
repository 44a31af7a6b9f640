// The whole game road through the engine harness against the sample
// publisher: a fresh install of version 1, version 2 by patches, version 3
// by whole files; after each, the game folder is exactly the release's and
// nothing is left in the update folder.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "app/util/json_util.h"
#include "update/states/road_fixture.h"

namespace {

using road_testing::CopyTree;
using road_testing::ReadJson;
using road_testing::RoadTest;
using road_testing::TreeDigests;

class EndToEndTest : public RoadTest {
 protected:
  // A game pass from its first state to the idle state.
  int32_t RunToIdle() {
    const int32_t stopped = RunPass(1);
    for (int i = 0; i < 20000 && Current().type == kApplyUpdateState; ++i) harness_->Tick();
    harness_->Settle();
    return stopped == kApplyUpdateState ? Current().type : stopped;
  }

  // `dropped`: files an earlier release had, which the game pass leaves on
  // disk.
  void ExpectInstalled(const std::string& tree, const std::string& release,
                       const std::string& version, bool dropped = true) {
    std::map<std::string, std::string> installed = TreeDigests(game_);
    if (dropped) installed.erase("Tolm_Data/old_only_in_1.bin");
    std::string map, served;
    EXPECT_TRUE(ReadFileTextA(game_ + "\\version_map.txt", &map));
    EXPECT_TRUE(ReadFileTextA(release_ + "\\" + release + "\\version_map.txt", &served));
    EXPECT_EQ(served, map);
    installed.erase("version_map.txt");
    EXPECT_EQ(TreeOf(tree), installed);
    // Nothing staged, no apply list, no resume record.
    EXPECT_EQ((std::map<std::string, std::string>{}), TreeDigests(base_ + "\\update"));
    EXPECT_EQ(version, controller_->localGameVersion.Get());
  }
};

TEST_F(EndToEndTest, FreshInstallThenPatchesThenWholeFiles) {
  controller_->autoEnterGame = false;  // the game is not started here
  ServeFrom("release-1");
  ASSERT_EQ(kEnterGameState, RunToIdle()) << CurrentErrorMessage();
  ExpectInstalled("game-1", "release-1", "3_1_0", false);

  publisher_.Reset();
  ServeFrom("release-2");
  ASSERT_EQ(kEnterGameState, RunToIdle()) << CurrentErrorMessage();
  ExpectInstalled("game-2", "release-2", "3_2_0");
  // The changed files came as patches, none whole.
  std::set<std::string> asked;
  for (const std::string& path : RequestedPaths()) asked.insert(path);
  for (const auto& patch : TreeOf("patches-3_1_0")) {
    EXPECT_EQ(1u, asked.count("/release-2/patchs/3_1_0/" + patch.first + ".patch")) << patch.first;
    EXPECT_EQ(0u, asked.count("/release-2/" + patch.first)) << patch.first;
  }

  ServeFrom("release-3");
  ASSERT_EQ(kEnterGameState, RunToIdle()) << CurrentErrorMessage();
  ExpectInstalled("game-3", "release-3", "3_3_0");
}

// The publisher serves, for one file, a sound patch (its list names its very
// bytes) that builds the wrong file: that file is fetched whole and the
// update ends right.
TEST_F(EndToEndTest, PatchThatBuildsWrongBytesEndsInTheWholeFile) {
  controller_->autoEnterGame = false;
  InstallGame("game-1");
  const std::string served = publisher_.root() + "\\wrongpatch";
  CopyTree(publisher_.root() + "\\release-2", served);
  const std::string patches = served + "\\patchs\\3_1_0\\";
  ASSERT_TRUE(CopyFileA((patches + "UnityPlayer.dll.patch").c_str(),
                        (patches + "Tolm_Data\\level0.patch").c_str(), FALSE));
  Json::Value list = ReadJson(patches + "patch_list.txt");
  list["Tolm_Data/level0"] = list["UnityPlayer.dll"];
  ASSERT_TRUE(WriteJsonFile(patches + "patch_list.txt", list));
  ServeFrom("wrongpatch");

  ASSERT_EQ(kEnterGameState, RunToIdle()) << CurrentErrorMessage();
  ExpectInstalled("game-2", "release-2", "3_2_0");
  int whole = 0;
  for (const std::string& path : RequestedPaths()) whole += path == "/wrongpatch/Tolm_Data/level0";
  EXPECT_GE(whole, 1);
}

}  // namespace
