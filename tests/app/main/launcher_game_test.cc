// launcher.exe and the stand-in game TOLM.exe as two processes: the game's
// window registers with the launcher's main window, and the launcher answers
// the game's queries to the game's windows.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/controller/launcher_messages.h"
#include "app/main/launcher_copy.h"
#include "test_support/pump_until.h"
#include "test_support/standin_game.h"
#include "test_support/temp_folder.h"

namespace {

using app_testing::LauncherCopy;
using testing_support::PumpUntil;
using testing_support::StandinGame;
using testing_support::TempFolder;

TEST(StandinGameTest, TheGamesQueriesReachTheLauncherAndItsAnswersReachTheGame) {
  LauncherCopy launcher;
  ASSERT_TRUE(launcher.Start({}));
  HWND main_window = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (main_window = launcher.MainWindow()) != nullptr; }));

  // A window made after the start registers when it appears.
  TempFolder root;
  StandinGame standin(root.path(), "late");
  ASSERT_TRUE(standin.Start());
  ASSERT_FALSE(standin.WaitForEvent("start").isNull());
  standin.Command("window");
  Json::Value registered = standin.WaitForEvent("register");
  ASSERT_FALSE(registered.isNull());
  EXPECT_TRUE(registered["sent"].asBool());
  EXPECT_EQ(reinterpret_cast<uintptr_t>(main_window), registered["launcher"].asUInt64());

  // The launcher answers each query to the game's windows; without a
  // pre-download the answers are zeros.
  struct Case {
    const char* query;
    uint32_t answer;
  } cases[] = {
      {"status", MsgGamePreDlcStatus},
      {"progress", MsgGamePreDlcProgress},
      {"speed", MsgGamePreDlcSpeed},
      {"notify", MsgGamePreDlcNotify},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    standin.Command(std::string("query ") + c.query);
    Json::Value answer = standin.WaitForReceived(c.answer);
    ASSERT_FALSE(answer.isNull());
    EXPECT_EQ(0u, answer["wparam"].asUInt64());
    EXPECT_EQ(0, answer["lparam"].asInt64());
  }
}

}  // namespace
