// The update states' common ground: routing the engine's answers, the
// request paths, and the error report as the player and tracking see it.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/state.h"
#include "app/util/machine_id.h"
#include "base/thread/thread_registry.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/engine/test_state.h"
#include "update/download/download_manager.h"
#include "update/states/state_routing.h"

namespace {

using engine_testing::EngineHarness;
using engine_testing::EventLog;
using engine_testing::TestState;

// Each router, called with a user value while a state of some type and pass
// is current (or none), reaches that state or drops the answer.
TEST(StateRoutingTest, AnswersReachOnlyAStateOfTheTypeThatAsked) {
  EventLog log;  // outlives the harness, whose end still logs
  struct Case {
    const char* name;
    int current_type;  // -1: empty slot
    int current_pass;
    int user_value;
    bool delivered;
  } cases[] = {
      {"the state that asked", kPrepareState, 1, kPrepareState, true},
      {"the other pass of the same step", kPrepareState, 0, kPrepareState, true},
      {"replaced by another type", kDownloadFilesState, 1, kRequestPatchState, false},
      {"empty slot", -1, 0, kPrepareState, false},
  };
  EngineHarness harness;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    harness.OnWorker([&] { harness.controller()->SetState(nullptr); });
    if (c.current_type >= 0) {
      harness.Install(std::make_unique<TestState>(&log, "s", c.current_type, c.current_pass));
    }
    log.Clear();
    harness.OnWorker([&] {
      std::string data = "body";
      OnRequestDone(c.user_value, 0, "get/urls", data.c_str(), 4, "");
      data = "gone";  // the body is the engine's: the state got its own copy
      OnProbeDone(c.user_value, -2, "a.pak", true, "Request Failed:x");
      OnDownloadFileDone(c.user_value, -4, "b.pak", "check md5 error");
    });
    std::vector<std::string> expected;
    if (c.delivered) {
      expected = {"s:request(0,get/urls,body,)", "s:probe(-2,a.pak,1,Request Failed:x)",
                  "s:download(-4,b.pak,check md5 error)"};
    }
    EXPECT_EQ(expected, log.Events());
  }
}

TEST(StateRoutingTest, SpeedSamplesCountOnlyForACurrentDownloadFilesState) {
  EventLog log;  // outlives the harness, whose end still logs
  EngineHarness harness;
  struct Case {
    int current_type;
    int user_value;
    bool counted;
  } cases[] = {
      {kDownloadFilesState, kDownloadFilesState, true},
      {kDownloadFilesState, kRequestPatchState, false},
      {kPreDownloadState, kPreDownloadState, false},
      {kApplyUpdateState, kDownloadFilesState, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current_type * 100 + c.user_value);
    harness.Install(std::make_unique<TestState>(&log, "s", c.current_type, 1));
    log.Clear();
    size_t before = 0, after = 0;
    harness.OnWorker([&] {
      before = DownloadManager::GetInstance()->speed_sample_count();
      OnDownloadSpeed(c.user_value, 1024.0);
      after = DownloadManager::GetInstance()->speed_sample_count();
    });
    EXPECT_EQ(c.counted ? before + 1 : before, after);
    // The state's own speed handler is never the router's way.
    EXPECT_TRUE(log.Events().empty());
  }
  harness.OnWorker([] { DownloadManager::GetInstance()->ResetStats(); });
}

TEST(StateRoutingTest, AnAnswerAfterItsStateReplacedItselfIsDropped) {
  EventLog log;  // outlives the harness, whose end still logs
  EngineHarness harness;
  auto first = std::make_unique<TestState>(&log, "prepare", kPrepareState, 0);
  // The state's Update hands over to its successor, which deletes it.
  first->on_update = [&](TestState*) {
    harness.controller()->SetState(
        std::make_unique<TestState>(&log, "remote", kRequestRemoteState, 0));
  };
  harness.Install(std::move(first));
  harness.Tick();
  log.Clear();
  harness.OnWorker([] { OnRequestDone(kPrepareState, 0, "get/urls", "{}", 2, ""); });
  EXPECT_TRUE(log.Events().empty());
  harness.OnWorker([] { OnRequestDone(kRequestRemoteState, 0, "v.txt", "{}", 2, ""); });
  EXPECT_EQ((std::vector<std::string>{"remote:request(0,v.txt,{},)"}), log.Events());
}

TEST(StateRequestPathsTest, DirectoryAndRegionPaths) {
  LauncherController* controller = LauncherController::GetInstance();
  const std::string id = GetMachineId();
  struct Case {
    const char* name;
    std::string gate_key;
    bool qa;
    std::string local_version;
    std::string expected;
  } cases[] = {
      {"built-in key, no local version", "", false, "", "get/urls?key=PCX64HANSA_&udid=" + id},
      {"built-in key", "", false, "1_2_3", "get/urls?key=PCX64HANSA_1_2_3&udid=" + id},
      {"configured key, white space dropped", " my key\t\r\n\v\f", true, "1_2_3",
       "get/urls?key=mykey&udid=" + id + "&is_qa=true"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    controller->serverOverrides.GateKey = c.gate_key;
    controller->serverOverrides.QaGate = c.qa;
    controller->localGameVersion = c.local_version;
    EXPECT_EQ(c.expected, BuildGateUrl());
  }
  controller->serverOverrides = ServerOverrides();
  controller->localGameVersion = "";
  EXPECT_EQ("pre_download?channel=KOREA&udid=" + id, BuildPreDownloadUrl());
}

TEST(StateRequestPathsTest, PatchPathFollowsThePass) {
  EventLog log;
  LauncherController* controller = LauncherController::GetInstance();
  controller->launcherVersion = "1.0.0";
  controller->localGameVersion = "1_2_3";
  EXPECT_EQ("patchs/1_0_0/patch_list.txt",
            TestState(&log, "l", kRequestPatchState, 0).BuildPatchUrl("patch_list.txt"));
  EXPECT_EQ("patchs/1_2_3/patch_list.txt",
            TestState(&log, "g", kRequestPatchState, 1).BuildPatchUrl("patch_list.txt"));
  // The path goes as it is: nothing escaped or removed.
  EXPECT_EQ("patchs/1_2_3/a b/c.pak", TestState(&log, "g", 4, 1).BuildPatchUrl("a b/c.pak"));
  controller->localGameVersion = "";
}

TEST(StateErrorReportTest, DetailText) {
  EventLog log;
  struct Case {
    int32_t code;
    std::string message, url;
    std::wstring expected;
  } cases[] = {
      {0, "Request Failed:timeout", "", L"Request Failed:timeout"},
      {-3, "m", "u", L"-3\nm(u)"},
      {404, "", "", L"404\n"},
      {0, "\xED\x95\x9C", "get/urls?key=k", L"\xD55C(get/urls?key=k)"},
  };
  for (const Case& c : cases) {
    TestState state(&log, "e", kExceptionState, 1);
    state.errorCode = c.code;
    state.errorMessage = c.message;
    state.errorUrl = c.url;
    EXPECT_EQ(c.expected, state.ErrorDetail());
  }
}

// How a test drives a state through the harness: the state reports its
// failure in Enter; the box appears over the main window; the scripted
// answer reaches the state's callback on thread 0.
TEST(StateErrorReportTest, TheBoxShowsTheErrorAndTheAnswerComesBack) {
  EventLog log;  // outlives the harness, whose end still logs
  EngineHarness harness;
  harness.texts[L"STRING_ERROR_UPDATE"] = L"Update failed";
  harness.ScriptBoxAnswers({1});
  std::vector<int> answers;
  int answer_thread = -1;
  auto failed = std::make_unique<TestState>(&log, "exception", kExceptionState, 1);
  failed->errorCode = -2;
  failed->errorMessage = "Request Failed:";
  failed->errorUrl = "get/urls";
  failed->on_enter = [&](TestState* self) {
    self->ReportError(L"STRING_CANCEL", L"STRING_ERROR_RETRY", [&](int answer) {
      answers.push_back(answer);
      answer_thread = base::ThreadRegistry::CurrentId();
    });
  };
  harness.Install(std::move(failed));

  EXPECT_TRUE(harness.controller()->errorShown);
  ASSERT_EQ(1u, harness.MsgBoxes().size());
  const engine_testing::ShownMsgBox shown = harness.MsgBoxes()[0];
  EXPECT_EQ(harness.main_window(), shown.owner);
  EXPECT_EQ((BoxText{L"STRING_ERROR_NOTICE", true}), shown.box.title);
  EXPECT_EQ((BoxText{L"Update failed", false}), shown.box.content);
  EXPECT_EQ((BoxText{L"-2\nRequest Failed:(get/urls)", false}), shown.box.detail);
  EXPECT_TRUE(shown.box.buttonIds);
  EXPECT_EQ(L"STRING_CANCEL", shown.box.noButton);
  EXPECT_EQ(L"STRING_ERROR_RETRY", shown.box.yesButton);
  EXPECT_FALSE(shown.box.swapButtonStyles);
  EXPECT_EQ(std::vector<int>{1}, answers);
  EXPECT_EQ(base::kUiThreadId, answer_thread);
  // The box's close refreshes the main window; the error report does not
  // touch the message-box flags.
  EXPECT_EQ(1u, harness.MessagesOf(MsgRefreshVersion).size());
  EXPECT_FALSE(harness.controller()->messageBoxOpen);

  // Making the next state clears the flag.
  harness.Install(std::make_unique<TestState>(&log, "next", kPrepareState, 1));
  EXPECT_FALSE(harness.controller()->errorShown);
}

// The pre-download's report waits in its slot for the answer: with no main
// window to show the box over, it gets the close button's answer.
TEST(StateErrorReportTest, ADroppedReportAnswersAsTheCloseButton) {
  EventLog log;  // outlives the harness, whose end still logs
  EngineHarness harness;
  harness.OnUi([&] { harness.controller()->SetMainWindow(nullptr); });
  std::vector<int> answers;
  harness.OnWorker([&] {
    TestState state(&log, "pre", kPreDownloadState, 1);
    state.errorMessage = "x";
    state.ReportError(L"", L"STRING_CONFIRM", [&](int answer) { answers.push_back(answer); });
  });
  harness.Settle();
  EXPECT_TRUE(harness.MsgBoxes().empty());
  EXPECT_EQ(std::vector<int>{0}, answers);
  EXPECT_TRUE(harness.controller()->errorShown);
}

}  // namespace
