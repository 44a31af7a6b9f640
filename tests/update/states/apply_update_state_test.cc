// ApplyUpdateState on hand-made update folders from the sample release: the
// game pass by patches and whole files, a patch that yields wrong bytes, a
// pass cut short and taken up again, and the launcher pass's staging.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/controller/launcher_messages.h"
#include "app/util/self_replacement.h"
#include "app/util/file_util.h"
#include "app/util/md5_context.h"
#include "update/download/download_manager.h"
#include "update/states/road_fixture.h"
#include "update/states/apply_update_state.h"
#include "update/states/state_clock.h"
#include "update/versions/file_list.h"
#include "update/versions/version_keys.h"

namespace {

using road_testing::CopyTree;
using road_testing::TreeDigests;

void CopyFileMakingFolders(const std::string& from, const std::string& to) {
  CreateParentFoldersA(to);
  ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << from << " -> " << to;
}

// Every call moves the states' clock on by 600 ms: one file per batch.
int64_t g_clock = 0;
int64_t SteppingClock() { return g_clock += 600; }

class ApplyUpdateTest : public road_testing::RoadTest {
 protected:
  void SetUp() override {
    RoadTest::SetUp();
    // The servers a pass would have learnt from the directory.
    harness_->OnWorker([this] {
      DownloadManager::GetInstance()->SetDownloadUrls({publisher_.Url("dl0") + "/"});
    });
  }
  void TearDown() override {
    SetStateClockForTesting(nullptr);
    RoadTest::TearDown();
  }

  // The release summary's tree `name` as a version map.
  VersionMap Entries(const std::string& name) const {
    VersionMap map;
    const Json::Value& files = summary_["trees"][name];
    for (const std::string& path : files.getMemberNames()) {
      map[path] = {files[path]["md5"].asString(), files[path]["size"].asInt64()};
    }
    return map;
  }

  // Ticks, pumping the download engine, while the current state is `type`.
  void TickWhile(int32_t type, int limit = 20000) {
    harness_->pump_engine = true;
    for (int i = 0; i < limit && Current().type == type; ++i) harness_->Tick();
    harness_->Settle();
    ASSERT_NE(type, Current().type);
  }

  std::string Release2(const std::string& path) const { return release_ + "\\release-2\\" + path; }

  // Game 1 installed, the update to game 2 downloaded: patches where the
  // release has them (when `with_patches`), whole files otherwise.
  void StageGameUpdate(bool with_patches, int patch_option) {
    CopyTree(release_ + "\\installed\\game-1", game_);
    const VersionMap old_tree = Entries("game-1");
    update_.clear();
    for (const auto& entry : Entries("game-2")) {
      auto old = old_tree.find(entry.first);
      if (old == old_tree.end() || old->second.md5 != entry.second.md5) update_.insert(entry);
    }
    VersionMap patches;
    if (with_patches) {
      std::string text, error;
      ASSERT_TRUE(ReadFileTextA(Release2("patchs\\3_1_0\\patch_list.txt"), &text));
      ASSERT_TRUE(ParseVersionMap(text, &patches, &error)) << error;
    }
    for (const auto& entry : update_) {
      if (patches.count(entry.first)) {
        CopyFileMakingFolders(Release2("patchs\\3_1_0\\" + entry.first + ".patch"),
                              ".\\update\\" + entry.first + ".patch");
      } else {
        CopyFileMakingFolders(Release2(entry.first), ".\\update\\" + entry.first);
      }
    }
    CopyFileMakingFolders(Release2("version_map.txt"), game_ + "\\tmp_version_map.txt");
    harness_->OnWorker([&] {
      controller_->versionMaps[kUpdateGameVersionKey] = update_;
      controller_->versionMaps[kGamePatchVersionKey] = patches;
      controller_->remoteGameVersion.Set("3_2_0");
      controller_->patchOption = patch_option;
    });
  }

  void ExpectGame2Installed() {
    // The file that left the release is the version check's to delete.
    std::map<std::string, std::string> installed = TreeDigests(game_);
    installed.erase("version_map.txt");
    installed.erase("Tolm_Data/old_only_in_1.bin");
    EXPECT_EQ(TreeOf("game-2"), installed);
    std::string promoted, served;
    EXPECT_TRUE(ReadFileTextA(game_ + "\\version_map.txt", &promoted));
    EXPECT_TRUE(ReadFileTextA(Release2("version_map.txt"), &served));
    EXPECT_EQ(served, promoted);
    EXPECT_EQ("3_2_0", controller_->localGameVersion.Get());
    // Nothing left behind: staged files, patches, the apply list, the tmp map.
    EXPECT_EQ((std::map<std::string, std::string>{}), StagedFiles());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA((game_ + "\\tmp_version_map.txt").c_str()));
  }

  std::vector<LPARAM> Progress() const {
    std::vector<LPARAM> values;
    for (const auto& message : harness_->MessagesOf(MsgCheckProgress)) {
      values.push_back(message.lparam);
    }
    return values;
  }

  VersionMap update_;
};

TEST_F(ApplyUpdateTest, GamePassAppliesPatchesInMemoryOrStreamedAndWholeFiles) {
  for (int patch_option : {1, 2}) {
    SCOPED_TRACE(patch_option);
    testing_support::TempFolder::RemoveTree(std::wstring(game_.begin(), game_.end()));
    CreateDirectoriesA(game_);
    StageGameUpdate(true, patch_option);
    harness_->ClearMessages();

    harness_->Install(std::make_unique<ApplyUpdateState>(1));
    TickWhile(kApplyUpdateState);

    EXPECT_EQ(kEnterGameState, Current().type);
    ExpectGame2Installed();
    ASSERT_FALSE(Progress().empty());
    EXPECT_EQ(0, Progress().front());
    EXPECT_EQ(100, Progress().back());
    // Everything came from the update folder.
    EXPECT_EQ(std::vector<std::string>{}, RequestedPaths());
  }
}

TEST_F(ApplyUpdateTest, WrongPatchBytesAreFetchedWholeAndAMovedTargetIsLeftAlone) {
  StageGameUpdate(true, 2);
  // level0's patch is another file's: a sound patch that gives wrong bytes.
  CopyFileMakingFolders(Release2("patchs\\3_1_0\\UnityPlayer.dll.patch"),
                        ".\\update\\Tolm_Data\\level0.patch");
  // The assembly was moved into place before an earlier pass was cut short;
  // its patch no longer fits it.
  CopyFileMakingFolders(Release2("Tolm_Data\\Managed\\Assembly-CSharp.dll"),
                        game_ + "\\Tolm_Data\\Managed\\Assembly-CSharp.dll");

  harness_->Install(std::make_unique<ApplyUpdateState>(1));
  TickWhile(kApplyUpdateState);

  EXPECT_EQ(kEnterGameState, Current().type);
  ExpectGame2Installed();
  for (const std::string& path : RequestedPaths()) EXPECT_EQ("/Tolm_Data/level0", path);
  EXPECT_FALSE(RequestedPaths().empty());
}

TEST_F(ApplyUpdateTest, PassCutShortGoesOnFromItsApplyList) {
  StageGameUpdate(true, 2);
  SetStateClockForTesting(&SteppingClock);
  harness_->Install(std::make_unique<ApplyUpdateState>(1));
  harness_->Tick(2);

  // Two batches of one file each are recorded; then the launcher dies.
  FileList list;
  ASSERT_TRUE(ReadFileList(".\\update\\apply_list.txt", &list));
  EXPECT_EQ("3_2_0", list.version);
  ASSERT_EQ(2u, list.files.size());
  harness_->OnWorker([this] { controller_->currentState.reset(); });
  // One more file was moved, but the list never heard of it.
  const std::string moved = "Tolm_Data/new_in_2.bin";
  ASSERT_TRUE(MoveFileExA(".\\update\\Tolm_Data\\new_in_2.bin",
                          (game_ + "\\Tolm_Data\\new_in_2.bin").c_str(),
                          MOVEFILE_REPLACE_EXISTING));

  // The next pass leaves out what the list names, as the version check does.
  for (const std::string& done : list.files) update_.erase(done);
  ASSERT_EQ(4u, update_.size());
  harness_->OnWorker([&] { controller_->versionMaps[kUpdateGameVersionKey] = update_; });
  harness_->ClearMessages();
  harness_->Install(std::make_unique<ApplyUpdateState>(1));
  TickWhile(kApplyUpdateState);

  EXPECT_EQ(kEnterGameState, Current().type);
  ExpectGame2Installed();
  EXPECT_EQ((std::vector<LPARAM>{0, 25, 50, 75, 100}), Progress());
}

class LauncherApplyTest : public ApplyUpdateTest {
 protected:
  // Launcher 1.0.0 installed in the working folder; the update to 1.0.1
  // staged, with a new skin archive and a file whose ".ttf" is not its end.
  void StageLauncherUpdate() {
    CopyTree(release_ + "\\installed\\launcher-1.0.0", base_);
    const VersionMap old_tree = Entries("launcher-1.0.0");
    VersionMap update;
    for (const auto& entry : Entries("launcher-1.0.1")) {
      if (old_tree.at(entry.first).md5 == entry.second.md5) continue;
      update.insert(entry);
      CopyFileMakingFolders(Release2(entry.first), ".\\update\\" + entry.first);
    }
    ASSERT_EQ(3u, update.size());  // launcher.exe, a browser file, a font
    for (const char* name : {"resources.zip", "fonts/a.ttf.bak"}) {
      const std::string bytes = std::string("new ") + name;
      ASSERT_TRUE(CreateDirectoriesA(".\\update\\fonts"));
      ASSERT_TRUE(WriteFileTextA(std::string(".\\update\\") + name, bytes));
      std::string digest;
      int64_t size = 0;
      FileMatchesMd5(std::string(".\\update\\") + name, "", &digest, &size);
      update[name] = {digest, size};
    }
    CopyFileMakingFolders(Release2("launcher_version_map.txt"), ".\\tmp_launcher_version_map.txt");
    harness_->OnWorker([&] {
      controller_->versionMaps[kUpdateLauncherVersionKey] = update;
      controller_->versionMaps[kLauncherPatchVersionKey].clear();
      controller_->restartPromptArmed = false;
    });
  }

  static std::vector<std::string> List(const char* name) {
    std::vector<std::string> names;
    if (!ReadJsonFileList(std::string(".\\update\\") + name, &names)) names = {"<none>"};
    return names;
  }
};

TEST_F(LauncherApplyTest, OwnFilesStayStagedAndListedTheRestIsCopiedAndTheSkinReloads) {
  StageLauncherUpdate();
  harness_->Install(std::make_unique<ApplyUpdateState>(0));
  TickWhile(kApplyUpdateState);

  EXPECT_EQ(kEnterGameState, Current().type);
  // The skin archive changed: the pass ended through the skin reload.
  const std::vector<std::string> calls = harness_->Calls();
  EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(), "LoadSkinArchive@0"));
  EXPECT_EQ(0, controller_->resourceReload);

  const VersionMap old_tree = Entries("launcher-1.0.0");
  const VersionMap new_tree = Entries("launcher-1.0.1");
  std::string digest;
  int64_t size = 0;
  for (const char* staged : {"launcher.exe", "cef/locales/en-US.pak", "SourceHanSansCNRegular.ttf"}) {
    SCOPED_TRACE(staged);
    EXPECT_TRUE(FileMatchesMd5(staged, old_tree.at(staged).md5, &digest, &size));
    EXPECT_TRUE(FileMatchesMd5(std::string(".\\update\\") + staged, new_tree.at(staged).md5,
                               &digest, &size));
  }
  EXPECT_EQ(std::vector<std::string>{"cef/locales/en-US.pak"}, List(kStagedCefListName));
  EXPECT_EQ(std::vector<std::string>{"SourceHanSansCNRegular.ttf"}, List(kStagedFontListName));
  std::string text;
  EXPECT_TRUE(ReadFileTextA("resources.zip", &text));
  EXPECT_EQ("new resources.zip", text);
  EXPECT_TRUE(ReadFileTextA("fonts\\a.ttf.bak", &text));
  EXPECT_EQ("new fonts/a.ttf.bak", text);
  EXPECT_TRUE(controller_->launcherReplaced);
  EXPECT_TRUE(controller_->cefFilesStaged);
  EXPECT_TRUE(controller_->fontsStaged);
  EXPECT_EQ("1_0_1", controller_->launcherVersion.Get());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("tmp_launcher_version_map.txt"));
  // The restart is asked once, and the game is not started.
  ASSERT_EQ(1u, harness_->MsgBoxes().size());
  EXPECT_FALSE(controller_->restartPromptArmed);
}

TEST_F(LauncherApplyTest, AFailedCopyFailsThePassAndStagesNothing) {
  StageLauncherUpdate();
  // The old skin archive is held open without sharing: it cannot be replaced.
  HANDLE held = CreateFileA("resources.zip", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  harness_->Install(std::make_unique<ApplyUpdateState>(0));
  harness_->OnWorker([this] {
    const State* state = controller_->currentState.get();
    EXPECT_EQ(-1, state->result);
    EXPECT_EQ("Apply Failed", state->errorMessage);
    EXPECT_EQ(" resources.zip", state->errorUrl);
  });
  CloseHandle(held);
  TickWhile(kApplyUpdateState);

  EXPECT_EQ(kEnterGameState, Current().type);
  EXPECT_FALSE(controller_->launcherReplaced);
  EXPECT_FALSE(controller_->cefFilesStaged);
  EXPECT_FALSE(controller_->fontsStaged);
  EXPECT_EQ((std::vector<std::string>{"<none>"}), List(kStagedCefListName));
  std::string kept, installed;
  EXPECT_TRUE(ReadFileTextA("launcher_version_map.txt", &kept));
  EXPECT_TRUE(ReadFileTextA(release_ + "\\installed\\launcher-1.0.0\\launcher_version_map.txt",
                            &installed));
  EXPECT_EQ(installed, kept);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("tmp_launcher_version_map.txt"));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(".\\update\\launcher.exe"));
  EXPECT_TRUE(harness_->MsgBoxes().empty());
}

}  // namespace
