// Message-box and options-box requests: what reaches the windows' boxes,
// when a request is dropped, and how the answers and flags come back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/launcher_services.h"
#include "app/controller/message_box_request.h"
#include "base/thread/thread_registry.h"
#include "test_support/engine/engine_harness.h"

namespace {

using engine_testing::EngineHarness;

TEST(MessageBoxRequestTest, TextIdsWinOverLiteralTexts) {
  struct Case {
    const char* name;
    std::wstring title_id, title_text, content_id, content_text;
    std::wstring no_id, yes_id, no_text, yes_text;
    BoxText title, content;
    bool button_ids;
    std::wstring no_button, yes_button;
  } cases[] = {
      {"ids beat literals", L"STRING_ERROR_NOTICE", L"Notice", L"STRING_X", L"x", L"STRING_CANCEL",
       L"STRING_CONFIRM", L"No", L"Yes", {L"STRING_ERROR_NOTICE", true}, {L"STRING_X", true},
       true, L"STRING_CANCEL", L"STRING_CONFIRM"},
      {"one-button notice", L"STRING_ERROR_NOTICE", L"", L"STRING_X", L"", L"", L"STRING_CONFIRM",
       L"No", L"Yes", {L"STRING_ERROR_NOTICE", true}, {L"STRING_X", true}, true, L"",
       L"STRING_CONFIRM"},
      {"literal texts when both ids are empty", L"", L"Title", L"", L"Body", L"", L"", L"Later",
       L"Now", {L"Title", false}, {L"Body", false}, false, L"Later", L"Now"},
  };
  EngineHarness harness;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    harness.ScriptBoxAnswers({0});
    harness.controller()->PostMessageBox(nullptr, c.title_id, c.title_text, c.content_id,
                                         c.content_text, c.no_id, c.yes_id, c.no_text,
                                         c.yes_text, nullptr, true);
    harness.Settle();
    ASSERT_FALSE(harness.MsgBoxes().empty());
    const engine_testing::ShownMsgBox shown = harness.MsgBoxes().back();
    EXPECT_EQ(harness.main_window(), shown.owner);
    EXPECT_EQ(c.title, shown.box.title);
    EXPECT_EQ(c.content, shown.box.content);
    EXPECT_EQ((BoxText{L"", false}), shown.box.detail);
    EXPECT_EQ(c.button_ids, shown.box.buttonIds);
    EXPECT_EQ(c.no_button, shown.box.noButton);
    EXPECT_EQ(c.yes_button, shown.box.yesButton);
    EXPECT_TRUE(shown.box.swapButtonStyles);
  }
}

TEST(MessageBoxRequestTest, AnswersReachTheCallbackOnceOnThreadZero) {
  EngineHarness harness;
  std::vector<std::string> answers;
  auto record = [&](int answer) {
    answers.push_back(std::to_string(answer) + "@" +
                      std::to_string(base::ThreadRegistry::CurrentId()));
  };
  harness.ScriptBoxAnswers({1, 0});
  harness.OnWorker([&] {
    harness.controller()->ShowMessageBox(nullptr, L"", L"STRING_X", L"", L"STRING_CONFIRM",
                                         record, false);
  });
  harness.controller()->ShowMessageBox(nullptr, L"", L"STRING_X", L"", L"STRING_CONFIRM", record,
                                       false);
  harness.Settle();
  EXPECT_EQ((std::vector<std::string>{"1@0", "0@0"}), answers);
  EXPECT_EQ(2u, harness.MessagesOf(MsgRefreshVersion).size());

}

// A box that reports its close twice.
class TwiceClosingHarness : public EngineHarness {
 public:
  void ShowMsgBox(HWND, const MsgBoxContent&, MessageBoxCallback closed) override {
    closed(1);
    closed(0);
  }
};

TEST(MessageBoxRequestTest, ABoxClosedTwiceAnswersOnce) {
  TwiceClosingHarness harness;
  std::vector<int> answers;
  harness.controller()->ShowMessageBox(nullptr, L"", L"STRING_X", L"", L"STRING_CONFIRM",
                                       [&](int answer) { answers.push_back(answer); }, false);
  harness.Settle();
  EXPECT_EQ(std::vector<int>{1}, answers);
  EXPECT_EQ(1u, harness.MessagesOf(MsgRefreshVersion).size());
  EXPECT_FALSE(harness.controller()->messageBoxOpen);
}

TEST(MessageBoxRequestTest, NoWindowToShowOverDropsTheRequest) {
  struct Case {
    const char* name;
    bool main_window, main_window_open, waits, with_owner;
    int expected_answers;
    bool shown;
  } cases[] = {
      {"no main window", false, true, false, false, 0, false},
      {"main window not among the open windows", true, false, false, false, 0, false},
      {"no main window, the caller waits", false, true, true, false, 1, false},
      {"an owner of its own needs no main window", false, true, false, true, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngineHarness harness;
    LauncherController* controller = harness.controller();
    harness.main_window_open = c.main_window_open;
    if (!c.main_window) harness.OnUi([&] { controller->SetMainWindow(nullptr); });
    harness.ScriptBoxAnswers({0});
    std::vector<int> answers;
    HWND owner = c.with_owner ? harness.main_window() : nullptr;
    controller->ShowMessageBox(owner, L"", L"STRING_X", L"", L"STRING_CONFIRM",
                               [&](int answer) { answers.push_back(answer); }, false, c.waits);
    harness.Settle();
    EXPECT_EQ(c.shown, !harness.MsgBoxes().empty());
    EXPECT_EQ(static_cast<size_t>(c.expected_answers), answers.size());
    for (int answer : answers) EXPECT_EQ(0, answer);
    // Whatever happened to it, the box holds the open flag no longer.
    EXPECT_FALSE(controller->messageBoxOpen);
    EXPECT_TRUE(controller->messageBoxShown);
  }
}

TEST(MessageBoxRequestTest, OpenFlagFollowsTheBoxesThatSetIt) {
  EngineHarness harness;
  LauncherController* controller = harness.controller();
  controller->PostMessageBox(nullptr, L"", L"", L"STRING_B", L"", L"", L"STRING_CONFIRM", L"",
                             L"", nullptr, false);
  controller->ShowMessageBox(nullptr, L"", L"STRING_A", L"", L"STRING_CONFIRM", nullptr, false);
  controller->ShowMessageBox(nullptr, L"", L"STRING_C", L"", L"STRING_CONFIRM", nullptr, false);
  harness.Settle();
  EXPECT_TRUE(controller->messageBoxOpen);
  // The unrelated box closes first: the others are still open.
  ASSERT_TRUE(harness.AnswerOpenBox(0));  // B, posted only
  EXPECT_TRUE(controller->messageBoxOpen);
  ASSERT_TRUE(harness.AnswerOpenBox(0));  // A
  EXPECT_TRUE(controller->messageBoxOpen);
  ASSERT_TRUE(harness.AnswerOpenBox(1));  // C
  EXPECT_FALSE(controller->messageBoxOpen);
  EXPECT_TRUE(controller->messageBoxShown);
}

TEST(OptionsBoxRequestTest, FirstOptionPreselectedAndTheChoiceComesBack) {
  EngineHarness harness;
  harness.ScriptOptionsAnswer(1);
  std::vector<int> chosen;
  harness.controller()->ShowOptionsBox(
      L"STRING_SHUT_OPTION_NOTICE", L"shutdown_options",
      {L"STRING_SHUT_OPTION_TRAYICON", L"STRING_SHUT_OPTION_EXIT"}, 1, L"STRING_CONFIRM",
      [&](int index) { chosen.push_back(index); });
  harness.Settle();
  ASSERT_EQ(1u, harness.OptionsBoxes().size());
  const engine_testing::ShownOptionsBox shown = harness.OptionsBoxes()[0];
  EXPECT_EQ(harness.main_window(), shown.owner);
  EXPECT_EQ(0, shown.request.selectedIndex);
  EXPECT_EQ(L"STRING_SHUT_OPTION_NOTICE", shown.request.contentId);
  EXPECT_EQ(L"shutdown_options", shown.request.groupName);
  EXPECT_EQ((std::vector<std::wstring>{L"STRING_SHUT_OPTION_TRAYICON", L"STRING_SHUT_OPTION_EXIT"}),
            shown.request.optionIds);
  EXPECT_EQ(L"STRING_CONFIRM", shown.request.buttonId);
  EXPECT_EQ(std::vector<int>{1}, chosen);

  // Without a main window it is dropped and never answers.
  chosen.clear();
  harness.OnUi([&] { harness.controller()->SetMainWindow(nullptr); });
  harness.controller()->ShowOptionsBox(L"STRING_SHUT_OPTION_NOTICE", L"shutdown_options",
                                       {L"STRING_SHUT_OPTION_EXIT"}, 0, L"STRING_CONFIRM",
                                       [&](int index) { chosen.push_back(index); });
  harness.Settle();
  EXPECT_EQ(1u, harness.OptionsBoxes().size());
  EXPECT_TRUE(chosen.empty());
}

}  // namespace
