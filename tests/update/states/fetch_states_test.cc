// The fetching half of the update road against the sample release, through
// the real download engine: the comparison, the patch list, the suffix
// probe, queuing and counting, for first installs, updates by patches and by
// whole files, and the launcher's own files.
#include <gtest/gtest.h>
#include <json/json.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "update/download/download_manager.h"
#include "update/states/check_version_state.h"
#include "update/states/enter_game_state.h"
#include "update/states/patch_suffix_mode.h"
#include "update/states/road_fixture.h"
#include "update/states/successor_states.h"

namespace {

using road_testing::CopyTree;
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
  int64_t file_bytes = 0;  // bytes of files and patches (the probe's included)
  int requests = 0;
};

FileRequests RequestsOf(const Json::Value& log) {
  FileRequests requests;
  for (const Json::Value& entry : log) {
    ++requests.requests;
    const std::string path = entry["path"].asString();
    requests.bytes += entry["bytes_sent"].asInt64();
    if (path != "/get/urls" && path.find("version_map.txt") == std::string::npos &&
        path.find("patch_list.txt") == std::string::npos) {
      requests.file_bytes += entry["bytes_sent"].asInt64();
    }
    ++requests.count[path];
  }
  return requests;
}

// The request log's figures, for the record.
void PrintFigures(const char* name, const FileRequests& requests, int64_t needed) {
  std::printf("%s: %d requests, %lld bytes in all, %lld bytes of files, %lld bytes needed, "
              "fetched/needed %.4f (files) %.4f (all)\n",
              name, requests.requests, static_cast<long long>(requests.bytes),
              static_cast<long long>(requests.file_bytes), static_cast<long long>(needed),
              static_cast<double>(requests.file_bytes) / static_cast<double>(needed),
              static_cast<double>(requests.bytes) / static_cast<double>(needed));
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
  // Not even the game folder exists yet: the remote map's copy makes it.
  ASSERT_TRUE(RemoveDirectoryA(game_.c_str()));
  EXPECT_EQ(kApplyUpdateState, RunPass(1));
  EXPECT_EQ(1, Current().pass);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((game_ + "\\tmp_version_map.txt").c_str()));
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
  PrintFigures("first install", requests, needed);
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
  PrintFigures(c.name, requests, needed);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, UpdateRoadTest,
    ::testing::Values(
        UpdateCase{"patches", "game-1", "", "game-2", "patches-3_1_0", ".patch", 0},
        UpdateCase{"cvdiff", "game-1", "cvdiff", "game-2", "patches-3_1_0", ".cvdiff", 1},
        UpdateCase{"whole", "game-2", "release-3", "game-3", "", "", 1}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

// A map text: the tree's files as the servers list them.
std::string MapText(const Json::Value& tree, const std::string& version,
                    const std::vector<std::string>& left_out) {
  Json::Value map;
  for (const std::string& name : tree.getMemberNames()) {
    if (std::find(left_out.begin(), left_out.end(), name) != left_out.end()) continue;
    map[name] = tree[name];
  }
  map["version"]["md5"] = version;
  return map.toStyledString();
}

std::set<std::string> FilesRequested(const std::vector<std::string>& paths) {
  std::set<std::string> files;
  for (const std::string& path : paths) {
    if (path != "/get/urls" && path.find("version_map.txt") == std::string::npos &&
        path.find("patch_list.txt") == std::string::npos) {
      files.insert(path);
    }
  }
  return files;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST_F(RoadTest, LauncherPassFetchesItsChangedFilesWhole) {
  const struct {
    const char* name;
    bool new_exe_on_disk;  // replaced already, its map not yet
    bool map_lost;         // the launcher's files are hashed instead
    std::set<std::string> fetched;
  } cases[] = {
      {"as installed", false, false,
       {"SourceHanSansCNRegular.ttf", "cef/locales/en-US.pak", "launcher.exe"}},
      {"executable already new", true, false,
       {"SourceHanSansCNRegular.ttf", "cef/locales/en-US.pak"}},
      {"map lost", false, true,
       {"SourceHanSansCNRegular.ttf", "cef/locales/en-US.pak", "launcher.exe"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(publisher_.Reset());
    DeleteDirectory(base_ + "\\update");
    CopyTree(release_ + "\\installed\\launcher-1.0.0", base_);
    if (c.new_exe_on_disk) {
      ASSERT_TRUE(CopyFileA((release_ + "\\release-2\\launcher.exe").c_str(),
                            (base_ + "\\launcher.exe").c_str(), FALSE));
    }
    if (c.map_lost) DeleteFileA((base_ + "\\launcher_version_map.txt").c_str());
    ServeFrom("");
    EXPECT_EQ(kApplyUpdateState, RunPass(0));
    EXPECT_EQ(0, Current().pass);
    // No launcher patches are published: the list is missing, whole files come.
    Digests expected;
    const Digests next = TreeOf("launcher-1.0.1");
    std::set<std::string> requested;
    for (const std::string& name : c.fetched) {
      expected[name] = next.at(name);
      requested.insert("/" + name);
    }
    // The apply step that follows within the same tick lists what it leaves
    // staged for the self-replacement.
    Digests staged = StagedFiles();
    staged.erase("cef_update.txt");
    staged.erase("font_update.txt");
    EXPECT_EQ(expected, staged);
    EXPECT_EQ(requested, FilesRequested(RequestedPaths()));
  }
}

TEST_F(RoadTest, LauncherWithoutSkinArchiveDropsOursAndReloadsBeforeIdling) {
  CopyTree(release_ + "\\installed\\launcher-1.0.0", base_);
  ServeFrom("");
  const std::string served =
      MapText(summary_["trees"]["launcher-1.0.0"], "1_0_0", {"resources.zip"});
  Json::Value fault;
  fault["path"] = "/launcher_version_map.txt";
  fault["body"] = served;
  ASSERT_TRUE(publisher_.AddFault(fault));
  EXPECT_EQ(kEnterGameState, RunPass(0));
  harness_->Settle();
  EXPECT_FALSE(Exists(base_ + "\\resources.zip"));
  EXPECT_TRUE(Exists(base_ + "\\launcher.exe"));  // other files are not acted on
  EXPECT_EQ(0, controller_->resourceReload.load());
  const std::vector<std::string> calls = harness_->Calls();
  EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(), "LoadSkinArchive@0"));
  std::string kept;
  ASSERT_TRUE(ReadFileTextA(base_ + "\\launcher_version_map.txt", &kept));
  EXPECT_EQ(served, kept);
  EXPECT_FALSE(Exists(base_ + "\\tmp_launcher_version_map.txt"));
  EXPECT_TRUE(FilesRequested(RequestedPaths()).empty());
}

TEST_F(RoadTest, NothingChangedPromotesTheMapAndGoesIdle) {
  InstallGame("game-2");
  ServeFrom("");
  WriteFileTextA(ApplyListPath(), "{\"version\":\"3_2_0\",\"fileList\":[\"config.ini\"]}");
  EXPECT_EQ(kEnterGameState, RunPass(1));
  std::string served, kept;
  ASSERT_TRUE(ReadFileTextA(release_ + "\\release-2\\version_map.txt", &served));
  ASSERT_TRUE(ReadFileTextA(game_ + "\\version_map.txt", &kept));
  EXPECT_EQ(served, kept);
  EXPECT_FALSE(Exists(game_ + "\\tmp_version_map.txt"));
  EXPECT_FALSE(Exists(ApplyListPath()));
  EXPECT_EQ("3_2_0", controller_->localGameVersion.Get());
  EXPECT_TRUE(FilesRequested(RequestedPaths()).empty());
}

TEST_F(RoadTest, ApplyListOfTheSameVersionLeavesItsFilesOut) {
  const struct {
    const char* version;
    bool left_out;
  } cases[] = {{"3_2_0", true}, {"3_1_9", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    InstallGame("game-1");
    ServeFrom("");
    DeleteDirectory(base_ + "\\update");
    CreateDirectoriesA(base_ + "\\update");
    const std::string list = std::string("{\"version\":\"") + c.version +
                             "\",\"fileList\":[\"Tolm_Data/new_in_2.bin\",\"UnityPlayer.dll\"]}";
    WriteFileTextA(ApplyListPath(), list);
    EXPECT_EQ(kApplyUpdateState, RunPass(1));
    const Digests staged = StagedFiles();
    EXPECT_EQ(c.left_out, staged.count("Tolm_Data/new_in_2.bin") == 0);
    EXPECT_EQ(c.left_out, staged.count("UnityPlayer.dll.patch") == 0);
    EXPECT_EQ(1u, staged.count("Tolm_Data/level0.patch"));
    // A list of another version goes; the one in force stays for the apply.
    EXPECT_EQ(c.left_out, Exists(ApplyListPath()));
  }
}

TEST_F(RoadTest, TooLittleRoomAsksAndOnlyAYesFetches) {
  InstallGame("game-1");
  ServeFrom("");
  harness_->free_bytes = 3ULL << 30;
  const Digests installed = road_testing::TreeDigests(game_);
  // The game folder as it was, beside the stored remote map that marks the
  // update as pending.
  auto game_files = [this] {
    Digests files = road_testing::TreeDigests(game_);
    files.erase("tmp_version_map.txt");
    return files;
  };
  EXPECT_EQ(kExceptionState, RunPass(1));
  harness_->Settle();
  ASSERT_EQ(1u, harness_->MsgBoxes().size());
  bool retry = true;
  harness_->OnWorker([&] {
    retry = static_cast<ExceptionState*>(controller_->currentState.get())->retryable;
  });
  EXPECT_FALSE(retry);

  // "No": the pass stays stopped; nothing was fetched or changed.
  ASSERT_TRUE(harness_->AnswerOpenBox(0));
  EXPECT_EQ(kExceptionState, RunUntilSettled(10));
  EXPECT_TRUE(FilesRequested(RequestedPaths()).empty());
  EXPECT_TRUE(StagedFiles().empty());
  EXPECT_EQ(installed, game_files());

  // Asked again, "yes" goes on with the fetching.
  EXPECT_EQ(kExceptionState, RunPass(1));
  harness_->Settle();  // the box is shown on thread 0
  ASSERT_TRUE(harness_->AnswerOpenBox(1));
  EXPECT_EQ(kApplyUpdateState, RunUntilSettled());
  EXPECT_FALSE(controller_->errorShown.load());
  EXPECT_EQ(ExpectedFetch(TreeOf("game-1"), TreeOf("game-2"), TreeOf("patches-3_1_0"), ".patch"),
            StagedFiles());
}

TEST_F(RoadTest, FailedSuffixProbeEndsThePassWithNothingQueued) {
  const struct {
    const char* name;
    bool cdn_without_servers;
    int32_t code;
  } cases[] = {{"refused", false, -2}, {"no servers", true, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(publisher_.Reset());
    InstallGame("game-1");
    ServeFrom("", c.cdn_without_servers);
    if (c.cdn_without_servers) {
      Json::Value config = ReadJson(release_ + "\\release-2\\directory-cdn.json");
      config["directory"]["DlcAddr"] = Json::Value(Json::arrayValue);
      ASSERT_TRUE(publisher_.SetConfig(config));
    } else {
      Json::Value fault;
      fault["path"] = "*/TOLM.exe.patch";
      fault["status"] = 503;
      ASSERT_TRUE(publisher_.AddFault(fault));
    }
    EXPECT_EQ(kExceptionState, RunPass(1));
    int32_t code = 0;
    std::string url, message;
    harness_->OnWorker([&] {
      code = controller_->currentState->errorCode;
      url = controller_->currentState->errorUrl;
      message = controller_->currentState->errorMessage;
    });
    EXPECT_EQ(c.code, code);
    EXPECT_FALSE(message.empty());
    EXPECT_NE(std::string::npos, url.find("patchs/3_1_0/TOLM.exe.patch")) << url;
    for (const std::string& path : FilesRequested(RequestedPaths())) {
      EXPECT_NE(std::string::npos, path.find("TOLM.exe.patch")) << path;
    }
    EXPECT_TRUE(StagedFiles().empty());
  }
}

TEST_F(RoadTest, DirectoryDownFailsOverThenFailsClearly) {
  const struct {
    const char* name;
    std::vector<std::string> down;
    int32_t stopped_in;
  } cases[] = {{"first down", {"gate"}, kApplyUpdateState},
               {"all down", {"gate", "dl2"}, kExceptionState}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(publisher_.Reset());
    InstallGame("game-2");
    ServeFrom("release-3");
    harness_->OnWorker([this] {
      DownloadManager* engine = DownloadManager::GetInstance();
      engine->Shutdown();
      DownloadManager::ServerOverrides overrides;
      overrides.gate_urls = {publisher_.Url("gate") + "/", publisher_.Url("dl2") + "/"};
      engine->Init(overrides);
    });
    for (const std::string& server : c.down) {
      Json::Value fault;
      fault["server"] = server;
      fault["path"] = "/get/urls";
      fault["status"] = 503;
      ASSERT_TRUE(publisher_.AddFault(fault));
    }
    EXPECT_EQ(c.stopped_in, RunPass(1));
    if (c.stopped_in == kExceptionState) {
      EXPECT_EQ(0u, CurrentErrorMessage().rfind("Request Failed:", 0)) << CurrentErrorMessage();
      EXPECT_TRUE(FilesRequested(RequestedPaths()).empty());
    }
  }
}

TEST_F(RoadTest, AFileThatFailsForGoodEndsThePass) {
  const struct {
    int32_t pass;
    const char* installed;
    const char* file;
    int32_t stopped_in;
  } cases[] = {{1, "game-2", "/release-3/Tolm_Data/level0", kExceptionState},
               {0, "launcher-1.0.0", "/release-3/launcher.exe", kEnterGameState}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pass);
    ASSERT_TRUE(publisher_.Reset());
    if (c.pass == 1) {
      InstallGame(c.installed);
    } else {
      CopyTree(release_ + "\\installed\\" + c.installed, base_);
    }
    ServeFrom("release-3");
    Json::Value fault;
    fault["path"] = c.file;
    fault["status"] = 503;
    ASSERT_TRUE(publisher_.AddFault(fault));
    EXPECT_EQ(c.stopped_in, RunPass(c.pass));
    if (c.pass == 1) {
      std::string url;
      int32_t code = 0;
      bool retry = false;
      harness_->OnWorker([&] {
        code = controller_->currentState->errorCode;
        url = controller_->currentState->errorUrl;
        retry = static_cast<ExceptionState*>(controller_->currentState.get())->retryable;
      });
      EXPECT_LT(code, 0);
      EXPECT_NE(std::string::npos, url.find("Tolm_Data/level0")) << url;
      EXPECT_TRUE(retry);
    }
  }
}

TEST_F(RoadTest, HostilePatchListMeansWholeFiles) {
  InstallGame("game-1");
  ServeFrom("");
  Json::Value fault;
  fault["path"] = "/patchs/3_1_0/patch_list.txt";
  fault["body"] = "{\"version\":\"3_1_0\",\"list\":{\"../UnityPlayer.dll\":{\"md5\":"
                  "\"0123456789abcdef0123456789abcdef\",\"size\":1}}}";
  ASSERT_TRUE(publisher_.AddFault(fault));
  EXPECT_EQ(kApplyUpdateState, RunPass(1));
  EXPECT_EQ(ExpectedFetch(TreeOf("game-1"), TreeOf("game-2"), {}, ""), StagedFiles());
}

TEST_F(RoadTest, PreDownloadedFilesAreTakenOverAndTheUnfinishedOneIsTold) {
  InstallGame("game-1");
  ServeFrom("");
  const Digests patches = TreeOf("patches-3_1_0");
  const Digests game2 = TreeOf("game-2");
  const std::string cache = base_ + "\\update\\predownload\\3_2_0";
  CreateDirectoriesA(cache);
  ASSERT_TRUE(CopyFileA((release_ + "\\release-2\\Tolm_Data\\new_in_2.bin").c_str(),
                        (cache + "\\" + game2.at("Tolm_Data/new_in_2.bin")).c_str(), FALSE));
  ASSERT_TRUE(
      CopyFileA((release_ + "\\release-2\\patchs\\3_1_0\\Tolm_Data\\level0.patch").c_str(),
                (cache + "\\" + patches.at("Tolm_Data/level0")).c_str(), FALSE));
  // A pre-downloaded file whose bytes are wrong is fetched again.
  WriteFileTextA(cache + "\\" + patches.at("UnityPlayer.dll"), "not the patch");
  WriteFileTextA(cache + "\\tmp_predownload_version_map.txt", "{}");
  harness_->ScriptBoxAnswers({1});

  EXPECT_EQ(kApplyUpdateState, RunPass(1));
  harness_->Settle();
  EXPECT_EQ(ExpectedFetch(TreeOf("game-1"), game2, patches, ".patch"), StagedFiles());
  const std::set<std::string> requested = FilesRequested(RequestedPaths());
  EXPECT_EQ(0u, requested.count("/Tolm_Data/new_in_2.bin"));
  EXPECT_EQ(0u, requested.count("/patchs/3_1_0/Tolm_Data/level0.patch"));
  EXPECT_EQ(1u, requested.count("/patchs/3_1_0/UnityPlayer.dll.patch"));
  const auto boxes = harness_->MsgBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"STRING_ERROR_DLC_CLOSE", boxes[0].box.content.value);
  EXPECT_EQ(1u, harness_->MessagesOf(MsgPreDlcPage).size());
}

TEST_F(RoadTest, EverythingPreDownloadedQueuesNothingAndGoesOnToApply) {
  ServeFrom("release-1");
  const std::string cache = base_ + "\\update\\predownload\\3_1_0";
  CreateDirectoriesA(cache);
  const Digests game1 = TreeOf("game-1");
  for (const auto& file : game1) {
    std::string from = release_ + "\\release-1\\" + file.first;
    std::replace(from.begin(), from.end(), '/', '\\');
    ASSERT_TRUE(CopyFileA(from.c_str(), (cache + "\\" + file.second).c_str(), FALSE)) << from;
  }
  EXPECT_EQ(kApplyUpdateState, RunPass(1));
  harness_->Settle();
  EXPECT_EQ(game1, StagedFiles());
  for (const std::string& path : FilesRequested(RequestedPaths())) {
    EXPECT_NE(std::string::npos, path.find("TOLM.exe.patch")) << path;  // the probe only
  }
  const auto progress = harness_->MessagesOf(MsgDownloadProgress);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(0u, progress.back().wparam);
  EXPECT_TRUE(harness_->MsgBoxes().empty());  // no unfinished pre-download to tell of
}

TEST_F(RoadTest, LauncherPatchesTakeTheSuffixTheLastProbeFound) {
  CopyTree(release_ + "\\installed\\launcher-1.0.0", base_);
  ServeFrom("");
  harness_->OnWorker([] { PatchSuffixMode = 1; });
  Json::Value fault;
  fault["path"] = "/patchs/1_0_0/patch_list.txt";
  fault["body"] = MapText(summary_["trees"]["launcher-1.0.1"], "1_0_0", {});
  ASSERT_TRUE(publisher_.AddFault(fault));
  // No such patch is published: the job fails and the launcher pass idles.
  EXPECT_EQ(kEnterGameState, RunPass(0));
  const std::set<std::string> requested = FilesRequested(RequestedPaths());
  EXPECT_EQ(1u, requested.count("/patchs/1_0_0/launcher.exe.cvdiff"));
  EXPECT_EQ(0u, requested.count("/patchs/1_0_0/launcher.exe.patch"));
}

TEST_F(RoadTest, StagedFilesLongerThanTheirEntryAreCutNotFetchedAgain) {
  ServeFrom("release-1");
  const std::string level0 = release_ + "\\release-1\\Tolm_Data\\level0";
  std::string whole;
  ASSERT_TRUE(ReadFileTextA(level0, &whole));
  // Whole, with a tail an older, longer file left: kept, cut, never fetched.
  CreateDirectoriesA(base_ + "\\update\\Tolm_Data");
  WriteFileTextA(base_ + "\\update\\Tolm_Data\\level0", whole + std::string(5000, 'x'));
  // Half fetched with its record, and a tail: resumed from where it stopped.
  std::string dll;
  ASSERT_TRUE(ReadFileTextA(release_ + "\\release-1\\UnityPlayer.dll", &dll));
  const int64_t half = static_cast<int64_t>(dll.size() / 2);
  WriteFileTextA(base_ + "\\update\\UnityPlayer.dll",
                 dll.substr(0, static_cast<size_t>(half)) + std::string(dll.size(), 'y'));
  WriteFileTextA(base_ + "\\update\\UnityPlayer.dll.cfg",
                 "{\"infoList\":[{\"begin\":" + std::to_string(half) + ",\"end\":" +
                     std::to_string(dll.size() - 1) + ",\"index\":0}],\"md5\":\"" +
                     TreeOf("game-1").at("UnityPlayer.dll") + "\"}");

  EXPECT_EQ(kApplyUpdateState, RunPass(1));
  EXPECT_EQ(TreeOf("game-1"), StagedFiles());
  const Json::Value log = publisher_.Log();
  int dll_requests = 0;
  for (const Json::Value& entry : log) {
    const std::string path = entry["path"].asString();
    EXPECT_NE("/release-1/Tolm_Data/level0", path);
    if (path == "/release-1/UnityPlayer.dll") {
      ++dll_requests;
      EXPECT_EQ("bytes=" + std::to_string(half) + "-" + std::to_string(dll.size() - 1),
                entry["range"].asString());
    }
  }
  EXPECT_EQ(1, dll_requests);
}

}  // namespace
