// EnterGameState and ExceptionState through the engine harness: the idle
// clocks on the states' clock seam, the restart question after a launcher
// update, the game start and its refusals, and the retry.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/controller/game_process.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/engine/test_state.h"
#include "test_support/temp_folder.h"
#include "update/states/enter_game_state.h"
#include "update/states/state_clock.h"

namespace {

using engine_testing::EngineHarness;
using engine_testing::EventLog;
using engine_testing::TestState;

int64_t g_now = 0;
int64_t TestClock() { return g_now; }

class IdleStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    old_cwd_ = cwd;
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.path().c_str()));
    CreateDirectoriesW(GetSaveFolderW());
    game_ = folder_.Join(L"game");
    CreateDirectoriesW(game_);
    g_now = 100000;
    SetStateClockForTesting(&TestClock);
    ResetIdleClocksForTesting();
    harness_ = std::make_unique<EngineHarness>();
    controller_ = harness_->controller();
    harness_->make_prepare_state = [this](int32_t pass) {
      return std::make_unique<TestState>(&log_, "prepare", kPrepareState, pass);
    };
    controller_->settings.gamePath.Set(game_);
    controller_->serverOverrides = ServerOverrides();
    for (auto* flag : {&controller_->launcherReplaced, &controller_->cefFilesStaged,
                       &controller_->fontsStaged, &controller_->forceUpdateLauncher,
                       &controller_->autoEnterGame, &controller_->errorShown}) {
      *flag = false;
    }
    controller_->restartPromptArmed = true;
    controller_->localGameVersion.Set("3_1_0");
  }

  void TearDown() override {
    harness_.reset();
    SetStateClockForTesting(nullptr);
    SetCurrentDirectoryW(old_cwd_.c_str());
  }

  bool Called(const std::string& call) const {
    const std::vector<std::string> calls = harness_->Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

  EventLog log_;  // outlives the harness
  testing_support::TempFolder folder_;
  std::wstring old_cwd_;
  std::wstring game_;
  std::unique_ptr<EngineHarness> harness_;
  LauncherController* controller_ = nullptr;
};

TEST_F(IdleStateTest, PeriodsFollowTheServerOverrides) {
  const struct {
    int32_t refresh_minutes, update_minutes;
    int32_t refresh, update, probe;
  } cases[] = {
      {0, 0, 28800000, 43200000, 1860000},
      {100, 5, 28800000, 300000, 360000},
      {1, 99, 60000, 5940000, 6000000},
      {-1, 100, 28800000, 43200000, 1860000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refresh_minutes);
    controller_->serverOverrides.RefreshInterval = c.refresh_minutes;
    controller_->serverOverrides.UpdateInterval = c.update_minutes;
    harness_->Install(std::make_unique<TestState>(&log_, "other", kPrepareState, 1));
    harness_->Install(std::make_unique<EnterGameState>());
    harness_->OnWorker([&] {
      auto* state = static_cast<EnterGameState*>(controller_->currentState.get());
      EXPECT_EQ(c.refresh, state->refreshPeriod);
      EXPECT_EQ(c.update, state->updatePeriod);
      EXPECT_EQ(c.probe, state->probePeriod);
    });
  }
}

TEST_F(IdleStateTest, ClocksReloadTheNewsAndRecheckTheLauncher) {
  controller_->serverOverrides.RefreshInterval = 1;
  controller_->serverOverrides.UpdateInterval = 5;
  g_now = 10000;  // the refresh clock starts at 0 with the process
  harness_->Install(std::make_unique<EnterGameState>());
  harness_->ClearMessages();
  harness_->Tick();
  harness_->Settle();
  EXPECT_TRUE(harness_->MessagesOf(MsgReloadNews).empty());

  g_now = 60000;
  harness_->Tick(2);  // due on the first of the two ticks only
  harness_->Settle();
  EXPECT_EQ(1u, harness_->MessagesOf(MsgReloadNews).size());
  EXPECT_FALSE(Called("MakePrepareState(0)@1"));

  // Five minutes after the state began: a launcher pass replaces it.
  g_now = 10000 + 300000;
  harness_->Tick();
  harness_->Settle();
  EXPECT_TRUE(Called("MakePrepareState(0)@1"));
  EXPECT_EQ(kPrepareState, controller_->GetSnapshot()->state.type);
  EXPECT_EQ(0, controller_->GetSnapshot()->state.pass);
  EXPECT_EQ(2u, harness_->MessagesOf(MsgReloadNews).size());
}

TEST_F(IdleStateTest, RestartQuestionOncePerArmedPromptAndItsAnswers) {
  const struct {
    bool force;
    bool replaced;
    int answer;
    bool restarts;
  } cases[] = {
      {false, false, 0, false},  // only fonts staged: still asked
      {false, false, 1, true},
      {false, true, 1, true},
      {true, true, 0, true},     // the forced notice restarts whatever the answer
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.force) + std::to_string(c.replaced) + std::to_string(c.answer));
    harness_->Install(std::make_unique<TestState>(&log_, "pass", kApplyUpdateState, 0));
    harness_->ClearCalls();
    harness_->ClearMessages();
    const size_t boxes = harness_->MsgBoxes().size();
    controller_->fontsStaged = true;
    controller_->launcherReplaced = c.replaced;
    controller_->forceUpdateLauncher = c.force;
    controller_->restartPromptArmed = true;
    controller_->replacementStarted = false;
    controller_->autoEnterGame = true;
    harness_->ScriptBoxAnswers({c.answer});
    harness_->Install(std::make_unique<EnterGameState>());
    harness_->Settle();

    ASSERT_EQ(boxes + 1, harness_->MsgBoxes().size());
    const MsgBoxContent box = harness_->MsgBoxes().back().box;
    EXPECT_EQ(L"STRING_UPDATE_LAUNCHER", box.content.value);
    EXPECT_EQ(c.force ? L"" : L"STRING_CANCEL", box.noButton);
    EXPECT_EQ(L"STRING_CONFIRM", box.yesButton);
    EXPECT_EQ(1u, harness_->MessagesOf(MsgShowMainWindow).size());
    // Asked instead of starting the game.
    EXPECT_TRUE(harness_->MessagesOf(MsgHideToTray).empty());
    EXPECT_FALSE(controller_->restartPromptArmed);
    EXPECT_EQ(c.restarts, Called("CloseMainWindow@0"));
    const std::string relaunch =
        std::string("RelaunchForSelfUpdate(.\\launcher.exe,") + (c.replaced ? "1" : "0") + ")@0";
    EXPECT_EQ(c.restarts, Called(relaunch));
    // The exit that follows starts no second replacement.
    EXPECT_EQ(c.restarts, controller_->replacementStarted.load());
    // The restart takes the executable's flag; the lists' flags stay.
    EXPECT_EQ(c.replaced && !c.restarts, controller_->launcherReplaced.load());
    EXPECT_TRUE(controller_->fontsStaged);

    // The next idle state does not ask again (and, to play, tries the game).
    harness_->Install(std::make_unique<TestState>(&log_, "pass", kApplyUpdateState, 0));
    harness_->Install(std::make_unique<EnterGameState>());
    harness_->Settle();
    ASSERT_EQ(boxes + 2, harness_->MsgBoxes().size());
    EXPECT_EQ(L"STRING_ERROR_CHECK_GAME_FAILED", harness_->MsgBoxes().back().box.content.value);
  }
}

TEST_F(IdleStateTest, GameStartCarriesTheIdentityFilesAndClearsFirstInstall) {
  ASSERT_TRUE(WriteFileTextW(game_ + L"\\version_map.txt", "{\"version\": \"3_1_0\"}"));
  ASSERT_TRUE(WriteFileTextA(".\\save\\gid.txt", "gid"));
  ASSERT_TRUE(WriteFileTextA(".\\save\\TransToGame", "trans"));
  controller_->downloadRecord.firstInstall = true;
  controller_->SetDownloadStatistics(5, 6, 7);
  controller_->autoEnterGame = true;

  harness_->Install(std::make_unique<EnterGameState>());
  harness_->Settle();

  EXPECT_EQ(1u, harness_->MessagesOf(MsgHideToTray).size());
  EXPECT_TRUE(harness_->MsgBoxes().empty());
  std::string text;
  EXPECT_TRUE(ReadFileTextW(game_ + L"\\save\\gid.txt", &text));
  EXPECT_EQ("gid", text);
  EXPECT_TRUE(ReadFileTextW(game_ + L"\\save\\TransToGame", &text));
  EXPECT_FALSE(ReadFileTextA(".\\save\\gid.txt", &text));
  EXPECT_FALSE(ReadFileTextA(".\\save\\TransToGame", &text));
  const DownloadRecord record = controller_->GetDownloadRecord();
  EXPECT_FALSE(record.firstInstall);
  EXPECT_EQ(0, record.downloadSize + record.downloadSpeed + record.downloadTime);
}

TEST_F(IdleStateTest, GameIsNotStartedWithoutItsMapOrWhileItRuns) {
  controller_->autoEnterGame = true;
  harness_->Install(std::make_unique<EnterGameState>());
  harness_->Settle();
  ASSERT_EQ(1u, harness_->MsgBoxes().size());
  EXPECT_EQ(L"STRING_ERROR_CHECK_GAME_FAILED", harness_->MsgBoxes()[0].box.content.value);

  ASSERT_TRUE(WriteFileTextW(game_ + L"\\version_map.txt", "{}"));
  HANDLE running = CreateMutexW(nullptr, FALSE, kGameInstanceMutex);
  harness_->Install(std::make_unique<TestState>(&log_, "pass", kApplyUpdateState, 1));
  harness_->Install(std::make_unique<EnterGameState>());
  harness_->Settle();
  CloseHandle(running);
  ASSERT_EQ(2u, harness_->MsgBoxes().size());
  EXPECT_EQ(L"STRING_ERROR_EXCEED_MAX_GAME_INSTANCE", harness_->MsgBoxes()[1].box.content.value);
  EXPECT_TRUE(harness_->MessagesOf(MsgHideToTray).empty());
}

TEST_F(IdleStateTest, ExceptionOffersTheRetryOnlyWhenRetryable) {
  // A refused disk question was the message already: nothing more is shown.
  harness_->Install(std::make_unique<ExceptionState>(0, "disk", "", false));
  harness_->Settle();
  EXPECT_TRUE(controller_->errorShown);
  EXPECT_TRUE(harness_->MsgBoxes().empty());
  EXPECT_EQ(kExceptionState, controller_->GetSnapshot()->state.type);

  controller_->serverOverrides.DisableAutoEnterGame = true;
  harness_->Install(std::make_unique<TestState>(&log_, "pass", kApplyUpdateState, 1));
  harness_->ScriptBoxAnswers({1});
  harness_->Install(std::make_unique<ExceptionState>(-3, "Apply Failed", " a.dll ", true));
  harness_->Settle();
  ASSERT_EQ(1u, harness_->MsgBoxes().size());
  EXPECT_EQ(L"STRING_CANCEL", harness_->MsgBoxes()[0].box.noButton);
  EXPECT_EQ(L"STRING_ERROR_RETRY", harness_->MsgBoxes()[0].box.yesButton);
  // The retry starts the game pass again, to play unless the servers say not.
  EXPECT_TRUE(Called("MakePrepareState(1)@1"));
  EXPECT_FALSE(controller_->autoEnterGame);
  EXPECT_EQ(kPrepareState, controller_->GetSnapshot()->state.type);
}

}  // namespace
