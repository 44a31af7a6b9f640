// The fetching half of the update road against the sample release, through
// the real download engine: the comparison, the patch list, the suffix
// probe, queuing and counting, for first installs, updates by patches and by
// whole files, and the launcher's own files.
#include <gtest/gtest.h>
#include <json/json.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "update/states/check_version_state.h"
#include "update/states/patch_suffix_mode.h"
#include "update/states/road_fixture.h"
#include "update/states/successor_states.h"

namespace {

using road_testing::ReadJson;
using road_testing::RoadTest;
using Digests = std::map<std::string, std::string>;

// What going from tree `from` to tree `to` fetches: a file that is new or
// changed comes as its patch (name plus `suffix`) when `patches` has one,
// else whole.
Digests ExpectedFetch(const Digests& from, const Digests& to, const Digests& patches,
                      const std::string& suffix) {
  Digests fetched;
  for (const auto& file : to) {
    auto old = from.find(file.first);
    if (old != from.end() && old->second == file.second) continue;
    auto patch = patches.find(file.first);
    if (patch != patches.end()) {
      fetched[file.first + suffix] = patch->second;
    } else {
      fetched[file.first] = file.second;
    }
  }
  return fetched;
}

// Requests of files below `prefix`, by path, with their count and bytes.
struct FileRequests {
  std::map<std::string, int> count;
  int64_t bytes = 0;
  int requests = 0;
};

FileRequests RequestsOf(const Json::Value& log) {
  FileRequests requests;
  for (const Json::Value& entry : log) {
    ++requests.requests;
    requests.bytes += entry["bytes_sent"].asInt64();
    ++requests.count[entry["path"].asString()];
  }
  return requests;
}

// The file `name` is the patch of, or "" when it is no patch name.
std::string PatchedFile(const std::string& name, const std::string& suffix,
                        const Digests& patches) {
  if (suffix.empty() || name.size() <= suffix.size() ||
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return "";
  }
  const std::string base = name.substr(0, name.size() - suffix.size());
  return patches.count(base) ? base : "";
}

TEST_F(RoadTest, FirstInstallFetchesEveryFileOnceAndNothingElse) {
  ServeFrom("release-1");
  EXPECT_EQ(kApplyUpdateState, RunPass(1));
  EXPECT_EQ(1, Current().pass);
  const Digests expected = TreeOf("game-1");
  EXPECT_EQ(expected, StagedFiles());

  const FileRequests requests = RequestsOf(publisher_.Log());
  std::map<std::string, int> wanted = {{"/get/urls", 1},
                                       {"/release-1/version_map.txt", 1},
                                       {"/release-1/patchs//TOLM.exe.patch", 1}};
  for (const auto& file : expected) wanted["/release-1/" + file.first] = 1;
  EXPECT_EQ(wanted, requests.count);
  // The request log figures.
  int64_t needed = 0;
  for (const auto& file : expected) needed += summary_["trees"]["game-1"][file.first]["size"].asInt64();
  std::printf("first install: %d requests, %lld bytes sent, %lld bytes needed, ratio %.4f\n",
              requests.requests, static_cast<long long>(requests.bytes),
              static_cast<long long>(needed),
              static_cast<double>(requests.bytes) / static_cast<double>(needed));
}

struct UpdateCase {
  const char* name;
  const char* installed;
  const char* served;    // below the publisher's root
  const char* target;    // the tree it updates to
  const char* patches;   // the release's patch tree, or ""
  const char* suffix;    // the patches' suffix
  int suffix_mode;
};

class UpdateRoadTest : public RoadTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateRoadTest, FetchesEachChangedFileOnceAsPatchOrWhole) {
  const UpdateCase& c = GetParam();
  InstallGame(c.installed);
  ServeFrom(c.served);
  EXPECT_EQ(kApplyUpdateState, RunPass(1)) << CurrentErrorMessage();
  const Digests patches = *c.patches ? TreeOf(c.patches) : Digests();
  const Digests expected = ExpectedFetch(TreeOf(c.installed), TreeOf(c.target), patches, c.suffix);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(expected, StagedFiles());
  EXPECT_EQ(c.suffix_mode, PatchSuffixMode.load());

  const std::string prefix = *c.served ? std::string("/") + c.served + "/" : "/";
  const std::string from = summary_["game_versions"][c.installed[5] - '1'].asString();
  const FileRequests requests = RequestsOf(publisher_.Log());
  // The probe asks for TOLM.exe's patch: once more when it is fetched.
  std::map<std::string, int> wanted = {{"/get/urls", 1},
                                       {prefix + "version_map.txt", 1},
                                       {prefix + "patchs/" + from + "/patch_list.txt", 1},
                                       {prefix + "patchs/" + from + "/TOLM.exe.patch", 1}};
  // A missing list is asked of every server, each as often as the engine
  // tries one.
  std::map<std::string, int> asked = requests.count;
  if (patches.empty()) {
    EXPECT_GE(asked[prefix + "patchs/" + from + "/patch_list.txt"], 1);
    asked[prefix + "patchs/" + from + "/patch_list.txt"] = 1;
  }
  int64_t needed = 0;
  for (const auto& file : expected) {
    const std::string base = PatchedFile(file.first, c.suffix, patches);
    ++wanted[prefix + (base.empty() ? file.first : "patchs/" + from + "/" + file.first)];
    needed += base.empty() ? summary_["trees"][c.target][file.first]["size"].asInt64()
                           : summary_["trees"][c.patches][base]["size"].asInt64();
  }
  EXPECT_EQ(wanted, asked);
  std::printf("%s: %d requests, %lld bytes sent, %lld bytes needed, ratio %.4f\n", c.name,
              requests.requests, static_cast<long long>(requests.bytes),
              static_cast<long long>(needed),
              static_cast<double>(requests.bytes) / static_cast<double>(needed));
}

INSTANTIATE_TEST_SUITE_P(
    Releases, UpdateRoadTest,
    ::testing::Values(
        UpdateCase{"patches", "game-1", "", "game-2", "patches-3_1_0", ".patch", 0},
        UpdateCase{"cvdiff", "game-1", "cvdiff", "game-2", "patches-3_1_0", ".cvdiff", 1},
        UpdateCase{"whole", "game-2", "release-3", "game-3", "", "", 1}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

}  // namespace
