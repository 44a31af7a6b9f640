// The bridges between thread 0 and the worker, through the engine harness:
// what each one posts, where it runs, and what it leaves behind.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_download_delegate.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/launcher_services.h"
#include "base/thread/thread_registry.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/engine/test_state.h"
#include "update/download/download_manager.h"

namespace {

using engine_testing::EngineHarness;
using engine_testing::EventLog;
using engine_testing::TestState;
using engine_testing::WindowMessage;

TEST(BridgesTest, MessagesReachTheMainWindowOnThreadZeroWithTheirParameters) {
  EngineHarness harness;
  LauncherController* controller = harness.controller();
  // From the worker, from thread 0 and from a thread of the test's own.
  harness.OnWorker([&] { controller->NotifyMainWindow(MsgCheckProgress, 0, 95); });
  harness.OnUi([&] { controller->NotifyMainWindow(MsgPreDlcPage, -1, -1); });
  controller->NotifyMainWindow(MsgDownloadProgress, 0x123456789LL, 42);
  harness.Settle();
  EXPECT_EQ((std::vector<WindowMessage>{{MsgCheckProgress, 0, 95},
                                        {MsgPreDlcPage, static_cast<WPARAM>(-1), -1},
                                        {MsgDownloadProgress, 0x123456789LL, 42}}),
            harness.Messages());

  // Without a main window when the message gets there, it is dropped.
  harness.ClearMessages();
  harness.OnUi([&] { controller->SetMainWindow(nullptr); });
  controller->NotifyMainWindow(MsgRefreshVersion, 0, 0);
  harness.Settle();
  harness.OnUi([&] { controller->SetMainWindow(harness.main_window()); });
  EXPECT_TRUE(harness.Messages().empty());
}

TEST(BridgesTest, RestartsStartAPassOnTheWorker) {
  EventLog log;  // outlives the harness, whose end still logs
  EngineHarness harness;
  LauncherController* controller = harness.controller();
  harness.make_prepare_state = [&](int32_t pass) {
    return std::make_unique<TestState>(&log, "prepare" + std::to_string(pass), kPrepareState,
                                       pass);
  };
  controller->autoEnterGame = true;
  controller->RestartLauncherCheck();
  EXPECT_FALSE(controller->autoEnterGame);  // cleared before the post
  harness.Settle();
  EXPECT_EQ((std::vector<std::string>{"MakePrepareState(0)@1"}), harness.Calls());
  EXPECT_EQ((std::vector<std::string>{"prepare0:enter(none)"}), log.Events());

  // A second request while that pass is being prepared changes nothing.
  log.Clear();
  controller->RestartLauncherCheck();
  harness.Settle();
  EXPECT_EQ((std::vector<std::string>{"prepare0:deleted"}), log.Events());

  // The game pass replaces it.
  log.Clear();
  controller->RestartGameCheck(true, true);
  harness.Settle();
  EXPECT_EQ((std::vector<std::string>{"prepare0:exit(prepare1)", "prepare1:enter(prepare0)",
                                      "prepare0:deleted"}),
            log.Events());
  EXPECT_EQ(1, controller->GetCurrentStateInfo().pass);

  // When no state can be made, the current pass goes on.
  log.Clear();
  harness.make_prepare_state = nullptr;
  controller->RestartLauncherCheck();
  harness.Settle();
  EXPECT_TRUE(log.Events().empty());
  EXPECT_EQ(kPrepareState, controller->GetCurrentStateInfo().type);
}

TEST(BridgesTest, GameCheckSetsAutoEnterByTheServersRule) {
  struct Case {
    bool auto_enter, honour_disable, disabled, expected;
  } cases[] = {
      {true, true, true, false},  {true, false, true, true},   {true, true, false, true},
      {false, false, false, false}, {false, true, true, false},
  };
  EngineHarness harness;
  LauncherController* controller = harness.controller();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.auto_enter) + std::to_string(c.honour_disable) +
                 std::to_string(c.disabled));
    controller->serverOverrides.DisableAutoEnterGame = c.disabled;
    controller->RestartGameCheck(c.auto_enter, c.honour_disable);
    EXPECT_EQ(c.expected, controller->autoEnterGame);
  }
  controller->serverOverrides = ServerOverrides();
  harness.Settle();
}

TEST(BridgesTest, PreDownloadStartsOnceAndStops) {
  EventLog log;  // outlives the harness, whose end still logs
  EngineHarness harness;
  LauncherController* controller = harness.controller();
  harness.make_pre_download_state = [&] {
    return std::make_unique<TestState>(&log, "pre", kPreDownloadState, 1);
  };
  controller->StartPreDownload();
  controller->StartPreDownload();
  harness.Settle();
  EXPECT_EQ((std::vector<std::string>{"MakePreDownloadState@1"}), harness.Calls());
  EXPECT_EQ((std::vector<std::string>{"pre:enter(none)"}), log.Events());

  // The worker's tick updates it beside the current state.
  log.Clear();
  harness.Tick();
  EXPECT_EQ((std::vector<std::string>{"pre:update"}), log.Events());

  log.Clear();
  harness.OnWorker([&] { controller->PublishPreDownloadStep(2); });
  controller->StopPreDownload();
  controller->StopPreDownload();
  harness.Settle();
  EXPECT_EQ((std::vector<std::string>{"pre:exit(none)", "pre:deleted"}), log.Events());
  EXPECT_EQ(-1, controller->GetPreDownloadStep());
}

TEST(BridgesTest, PauseAndResumeRunOnTheWorker) {
  EngineHarness harness;
  harness.controller()->TogglePauseDownloads();
  harness.OnUi([&] { harness.controller()->TogglePauseDownloads(); });
  harness.Settle();
  EXPECT_EQ((std::vector<std::string>{"PauseOrResumeDownloads@1", "PauseOrResumeDownloads@1"}),
            harness.Calls());
}

// The launcher's own toggle, on the process's download engine: the main
// window hears the pause and the resume.
class EnginePauseHarness : public EngineHarness {
 public:
  void PauseOrResumeDownloads() override { LauncherServices::PauseOrResumeDownloads(); }
};

TEST(BridgesTest, TheToggleFirstPausesThenResumesTheEngine) {
  EnginePauseHarness harness;
  LauncherController* controller = harness.controller();
  harness.OnWorker([&] {
    DownloadManager::GetInstance()->set_delegate(controller->download_delegate());
  });
  std::vector<bool> paused;
  for (int i = 0; i < 2; ++i) {
    controller->TogglePauseDownloads();
    harness.Settle();
    harness.OnWorker([&] { paused.push_back(DownloadManager::GetInstance()->paused()); });
  }
  harness.OnWorker([] { DownloadManager::GetInstance()->set_delegate(nullptr); });
  EXPECT_EQ((std::vector<bool>{true, false}), paused);
  EXPECT_EQ((std::vector<WindowMessage>{{MsgDownloadPaused, 0, 1}, {MsgDownloadPaused, 0, 0}}),
            harness.MessagesOf(MsgDownloadPaused));
}

TEST(BridgesTest, ResourceReloadRunsOnThreadZeroThenContinuesOnTheWorker) {
  for (bool changed : {true, false}) {
    SCOPED_TRACE(changed);
    EngineHarness harness;
    harness.common_config_changed = changed;
    LauncherController* controller = harness.controller();
    controller->resourceReload = 1;
    int continued_on = -2;
    harness.OnWorker([&] {
      controller->ReloadResources([&] { continued_on = base::ThreadRegistry::CurrentId(); });
    });
    harness.Settle();
    EXPECT_EQ((std::vector<std::string>{"LoadSkinArchive@0", "SwitchUiLanguage@0",
                                        "LoadCommonConfig@0"}),
              harness.Calls());
    EXPECT_EQ(0, controller->resourceReload);
    EXPECT_EQ(changed ? 1u : 0u, harness.MessagesOf(MsgReloadAll).size());
    EXPECT_EQ(base::kMiscThreadId, continued_on);
  }
}

TEST(BridgesTest, LanguageChangeAppliesOnlyANewCode) {
  EngineHarness harness;
  LauncherController* controller = harness.controller();
  harness.ui_language = L"en";
  controller->settings.languageCode = "en";

  // Nothing pending: the window-list message changes nothing.
  harness.OnUi([&] { controller->ApplyPendingLanguageChange(); });
  harness.Settle();
  EXPECT_TRUE(harness.Calls().empty());

  // Pending, but the code is in force already.
  controller->languageChangePending = true;
  harness.OnUi([&] { controller->ApplyPendingLanguageChange(); });
  harness.Settle();
  EXPECT_FALSE(controller->languageChangePending);
  EXPECT_TRUE(harness.Calls().empty());
  EXPECT_TRUE(harness.Messages().empty());

  controller->settings.languageCode = "ko";
  controller->languageChangePending = true;
  harness.OnUi([&] { controller->ApplyPendingLanguageChange(); });
  harness.Settle();
  EXPECT_EQ(L"ko", harness.ui_language);
  EXPECT_EQ((std::vector<std::string>{"SetUiLanguage@0", "SetDefaultFontFaces@0",
                                      "SwitchUiLanguage@0", "LoadCommonConfig@0"}),
            harness.Calls());
  EXPECT_EQ(1u, harness.MessagesOf(MsgReloadAll).size());
  controller->settings.languageCode = "en";
}

}  // namespace
