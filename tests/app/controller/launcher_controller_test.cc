// The controller's life on the worker thread (version state, state switching,
// shut-down) and what the UI thread may read of it while the worker works.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/util/file_util.h"
#include "update/versions/version_keys.h"
#include "app/app_test_support.h"

namespace {

using app_testing::RecordingServices;
using app_testing::ScopedWorkingFolder;

// Writes what happens to it into a shared log, as "<name>:<event>".
class LoggingState : public State {
 public:
  LoggingState(std::vector<std::string>* log, const char* name, int32_t type, int32_t pass,
               LauncherController* controller = nullptr)
      : State(pass), log_(log), name_(name), type_(type), controller_(controller) {}
  ~LoggingState() override { log_->push_back(name_ + ":deleted"); }

  int32_t GetType() const override { return type_; }
  void Enter(State* previous) override {
    log_->push_back(name_ + ":enter(" + NameOf(previous) + ")");
    if (controller_) {
      // What thread 0 sees while this state's Enter runs.
      LauncherController::StateInfo info = controller_->GetCurrentStateInfo();
      seen_type_on_enter = info.type;
      seen_pass_on_enter = info.pass;
    }
  }
  void Update() override { log_->push_back(name_ + ":update"); }
  void Exit(State* next) override { log_->push_back(name_ + ":exit(" + NameOf(next) + ")"); }

  int32_t seen_type_on_enter = -2;
  int32_t seen_pass_on_enter = -2;

 private:
  static std::string NameOf(State* state) {
    return state ? static_cast<LoggingState*>(state)->name_ : "none";
  }

  std::vector<std::string>* log_;
  std::string name_;
  int32_t type_;
  LauncherController* controller_;
};

TEST(SetStateTest, SwitchingRules) {
  struct Case {
    const char* name;
    int32_t current_type, current_pass, next_type, next_pass;
    std::vector<std::string> log;
    bool replaced;
  } cases[] = {
      {"same type, same pass", 1, 1, 1, 1, {"new:deleted"}, false},
      {"same type, both launcher passes", 1, 0, 1, 0, {"new:deleted"}, false},
      {"same type, pass 1 and pass 2 count alike", 1, 1, 1, 2, {"new:deleted"}, false},
      {"same type, other pass",
       1, 1, 1, 0,
       {"old:exit(new)", "new:enter(old)", "old:deleted"},
       true},
      {"another type",
       7, 1, 1, 0,
       {"old:exit(new)", "new:enter(old)", "old:deleted"},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> log;
    LauncherController controller;
    controller.currentState =
        std::make_unique<LoggingState>(&log, "old", c.current_type, c.current_pass);
    auto next = std::make_unique<LoggingState>(&log, "new", c.next_type, c.next_pass, &controller);
    LoggingState* next_raw = next.get();
    controller.SetState(std::move(next));
    EXPECT_EQ(c.log, log);
    if (c.replaced) {
      EXPECT_EQ(next_raw, controller.currentState.get());
      // Published before Enter ran.
      EXPECT_EQ(c.next_type, next_raw->seen_type_on_enter);
      EXPECT_EQ(c.next_pass, next_raw->seen_pass_on_enter);
    }
    controller.currentState.reset();
  }
}

TEST(SetStateTest, EmptySlotsAndEmptyRequests) {
  std::vector<std::string> log;
  LauncherController controller;
  controller.SetState(nullptr);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(-1, controller.GetCurrentStateInfo().type);

  controller.SetState(std::make_unique<LoggingState>(&log, "first", 1, 0));
  EXPECT_EQ((std::vector<std::string>{"first:enter(none)"}), log);
  EXPECT_EQ(1, controller.GetCurrentStateInfo().type);
  EXPECT_EQ(0, controller.GetCurrentStateInfo().pass);

  log.clear();
  controller.SetState(nullptr);
  EXPECT_EQ((std::vector<std::string>{"first:exit(none)", "first:deleted"}), log);
  EXPECT_EQ(nullptr, controller.currentState.get());
  EXPECT_EQ(-1, controller.GetCurrentStateInfo().type);
  EXPECT_EQ(-1, controller.GetCurrentStateInfo().pass);
}

TEST(SetStateTest, MakingAStateClearsTheErrorShownFlag) {
  std::vector<std::string> log;
  LauncherController::GetInstance()->errorShown = true;
  LoggingState state(&log, "s", 8, 1);
  EXPECT_FALSE(LauncherController::GetInstance()->errorShown);
}

// The UI thread reads only the published snapshot; it must always be a pair
// that some installed state had, never half of one and half of another.
TEST(SetStateTest, TheUiThreadSeesWholeSnapshotsWhileTheWorkerSwitches) {
  std::vector<std::string> log;
  log.reserve(1 << 20);
  LauncherController controller;
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::thread reader([&] {
    while (!done) {
      LauncherController::StateInfo info = controller.GetCurrentStateInfo();
      bool known = (info.type == -1 && info.pass == -1) || (info.type == 1 && info.pass == 0) ||
                   (info.type == 5 && info.pass == 1);
      if (!known) ++bad;
    }
  });
  for (int i = 0; i < 20000; ++i) {
    log.clear();
    if (i % 2) {
      controller.SetState(std::make_unique<LoggingState>(&log, "a", 1, 0));
    } else {
      controller.SetState(std::make_unique<LoggingState>(&log, "b", 5, 1));
    }
  }
  done = true;
  reader.join();
  EXPECT_EQ(0, bad);
  controller.SetState(nullptr);
}

TEST(LauncherControllerTest, OneInstanceForEveryThread) {
  LauncherController* here = LauncherController::GetInstance();
  LauncherController* there = nullptr;
  std::thread other([&] { there = LauncherController::GetInstance(); });
  other.join();
  EXPECT_EQ(here, there);
}

TEST(LauncherControllerTest, DefaultsOfANewController) {
  LauncherController c;
  EXPECT_TRUE(c.downloadRecord.firstInstall);
  EXPECT_TRUE(c.restartPromptArmed);
  EXPECT_EQ("1.0.0", c.launcherVersion.Get());
  EXPECT_EQ(2, c.patchOption);
  EXPECT_EQ("en", c.settings.languageCode.Get());
  EXPECT_TRUE(c.settings.autoUpdate);
  EXPECT_FALSE(c.launcherReplaced || c.engineStarted || c.errorShown || c.messageBoxShown);
  EXPECT_EQ(nullptr, c.mainWindow);
  EXPECT_EQ(-1, c.GetCurrentStateInfo().type);
  EXPECT_EQ(-1, c.GetPreDownloadStep());
}

TEST(LauncherControllerTest, VersionStateStartsTheEngineAndResetsTheFlags) {
  ScopedWorkingFolder working;
  RecordingServices services;
  CreateDirectoriesA("update\\predownload\\10077_3_16");
  CreateDirectoriesA("update\\predownload\\temp");
  ASSERT_TRUE(WriteFileTextA("update\\predownload\\not_a_folder", "x"));

  LauncherController c;
  c.launcherReplaced = true;
  c.cefFilesStaged = true;
  c.fontsStaged = true;
  c.restartPromptArmed = false;
  c.resourceReload = -1;
  c.languageChangePending = true;
  c.autoEnterGame = true;
  c.forceUpdateLauncher = true;
  c.preDownloadFolders = {"stale"};
  c.versionMaps["_local_game_version_"]["a.dat"] = VersionMapEntry{"0123", 4};
  ASSERT_TRUE(WriteFileTextA("launcher_version_map.txt", R"({"version": "2_0_1", "list": {}})"));
  CreateDirectoriesA("game");
  ASSERT_TRUE(WriteFileTextA("game\\version_map.txt", R"({"version": "10077_3_15", "list": {}})"));
  c.settings.gamePath = L"game";
  c.InitVersionState();

  EXPECT_EQ(1, services.engine_inits);
  // The engine starts with the player's limits, handed over with their values.
  EXPECT_EQ((std::vector<int32_t>{0, 1}), services.speed_limit_modes);
  EXPECT_FALSE(c.launcherReplaced || c.cefFilesStaged || c.fontsStaged);
  EXPECT_TRUE(c.restartPromptArmed);
  EXPECT_EQ(0, c.resourceReload);
  EXPECT_FALSE(c.languageChangePending || c.autoEnterGame);
  EXPECT_TRUE(c.forceUpdateLauncher);
  EXPECT_EQ(12u, c.versionMaps.size());
  for (const char* key : kVersionKeys) {
    ASSERT_EQ(1u, c.versionMaps.count(key)) << key;
    EXPECT_TRUE(c.versionMaps[key].empty()) << key;
  }
  EXPECT_EQ("2_0_1", c.launcherVersion.Get());
  EXPECT_EQ("10077_3_15", c.localGameVersion.Get());
  EXPECT_EQ("10077_3_15", c.remoteGameVersion.Get());
  EXPECT_EQ("1.0.77.15.3", c.displayGameVersion.Get());
  std::shared_ptr<const LauncherController::Snapshot> published = c.GetSnapshot();
  EXPECT_EQ("2_0_1", published->launcherVersion);
  EXPECT_EQ("10077_3_15", published->localGameVersion);
  EXPECT_EQ("1.0.77.15.3", published->displayGameVersion);
  EXPECT_FALSE(c.GameVersionChanged());
  std::vector<std::string> folders = c.preDownloadFolders;
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ((std::vector<std::string>{"10077_3_16", "temp"}), folders);

  // Without a pre-download folder the list is empty.
  LauncherController other;
  other.preDownloadFolders = {"stale"};
  RemoveDirectoryA("update\\predownload\\temp");
  RemoveDirectoryA("update\\predownload\\10077_3_16");
  DeleteFileA("update\\predownload\\not_a_folder");
  RemoveDirectoryA("update\\predownload");
  DeleteFileA("launcher_version_map.txt");
  other.InitVersionState();
  EXPECT_TRUE(other.preDownloadFolders.empty());
  EXPECT_EQ("1.0.0", other.launcherVersion.Get());
  EXPECT_TRUE(other.localGameVersion.empty());
}

TEST(LauncherControllerTest, ShutdownStopsTheEngineAndEmptiesBothSlots) {
  RecordingServices services;
  std::vector<std::string> log;
  LauncherController c;
  c.InitVersionState();
  c.SetState(std::make_unique<LoggingState>(&log, "current", 7, 1));
  c.preDownloadState = std::make_unique<LoggingState>(&log, "predownload", 9, 1);
  c.PublishPreDownloadStep(2);
  c.versionMaps["other"];
  log.clear();

  c.Shutdown();
  EXPECT_EQ(1, services.engine_stops);
  EXPECT_EQ((std::vector<std::string>{"current:exit(none)", "current:deleted",
                                      "predownload:deleted"}),
            log);
  EXPECT_EQ(nullptr, c.currentState.get());
  EXPECT_EQ(nullptr, c.preDownloadState.get());
  EXPECT_EQ(-1, c.GetCurrentStateInfo().type);
  EXPECT_EQ(-1, c.GetPreDownloadStep());
  // Only the twelve keys go.
  EXPECT_EQ(1u, c.versionMaps.size());
  EXPECT_EQ(1u, c.versionMaps.count("other"));
}

}  // namespace
