// The controller's side of the game against the stand-in game TOLM.exe, a
// process of its own: how it is started, its single instance, a hung game
// window, and the balloon records it sends the launcher.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/config/command_line_overrides.h"
#include "app/controller/game_process.h"
#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "app/util/string_util.h"
#include "test_support/pump_until.h"
#include "test_support/standin_game.h"
#include "test_support/temp_folder.h"
#include "test_support/test_window.h"

namespace {

using testing_support::PumpUntil;
using testing_support::StandinGame;
using testing_support::TempFolder;

std::string ToUtf8(const std::wstring& text) {
  std::string utf8;
  WideToUtf8(text, &utf8);
  return utf8;
}

std::wstring EnvironmentValue(const wchar_t* name) {
  wchar_t value[32768] = {};
  DWORD length = GetEnvironmentVariableW(name, value, 32768);
  return std::wstring(value, length < 32768 ? length : 0);
}

// Sets an environment variable for the test's life.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const std::wstring& value)
      : name_(name), old_(EnvironmentValue(name)) {
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(name_, old_.empty() ? nullptr : old_.c_str()); }

 private:
  const wchar_t* name_;
  std::wstring old_;
};

TEST(StandinGameTest, RunGameStartsTheGameInItsFolderWithTheLaunchersEnvironment) {
  TempFolder root;
  const std::wstring game = root.Join(L"Quorvel Game \u00fc\uac8c\uc784");
  ASSERT_TRUE(CreateDirectoriesW(game + L"\\save"));
  StandinGame standin(game);
  ASSERT_TRUE(standin.copied());
  // Were the path not quoted, the system would start this program instead:
  // "<root>\Quorvel.exe" with "Game ...\TOLM.exe" as its argument.
  StandinGame decoy(root.path());
  ASSERT_TRUE(CopyFileW(decoy.exe().c_str(), root.Join(L"Quorvel.exe").c_str(), FALSE));
  ASSERT_TRUE(WriteFileTextW(game + L"\\version_map.txt", "{\"version\":\"10077_1_2\"}"));
  ASSERT_TRUE(WriteFileTextW(game + L"\\save\\gid.txt", "gid-42"));
  ASSERT_TRUE(WriteFileTextW(game + L"\\save\\TransToGame", "trans"));

  // The launcher's environment as its start-up leaves it: the browser
  // runtime's folder in front of PATH and ComSpec pointing into it.
  const std::wstring path = L"C:\\Quorvel\\cef;" + EnvironmentValue(L"PATH");
  ScopedEnvironment path_variable(L"PATH", path);
  ScopedEnvironment comspec(L"ComSpec", L"C:\\Quorvel\\cef\\dummy_cmd.exe");
  CommandLineOverrides::Get() = CommandLineOverrides();
  ASSERT_TRUE(CommandLineOverrides::Store(&CommandLineOverrides::Get().platformWord, L"win64"));

  LauncherController controller;
  controller.settings.gamePath = game;
  controller.localGameVersion = "10077_1_2";
  controller.RunGame("0123456789abcdef0123456789abcdef", 0);
  CommandLineOverrides::Get() = CommandLineOverrides();

  Json::Value start = standin.WaitForEvent("start");
  ASSERT_FALSE(start.isNull()) << "the game did not start";
  EXPECT_EQ(ToUtf8(L"\"" + game + L"\\TOLM.exe\" 0123456789abcdef0123456789abcdef win64 0|1"),
            start["command_line"].asString());
  EXPECT_EQ(ToUtf8(game), start["working_folder"].asString());
  EXPECT_EQ(ToUtf8(path), start["path"].asString());
  EXPECT_EQ("C:\\Quorvel\\cef\\dummy_cmd.exe", start["comspec"].asString());
  const Json::Value& files = start["files"];
  EXPECT_EQ("{\"version\":\"10077_1_2\"}", files["version_map.txt"]["text"].asString());
  EXPECT_EQ("gid-42", files["save\\gid.txt"]["text"].asString());
  EXPECT_EQ("trans", files["save\\TransToGame"]["text"].asString());
  EXPECT_TRUE(decoy.Log().empty());
}

TEST(StandinGameTest, WhileTheGameRunsItsWindowIsActivatedAndNoSecondCopyRuns) {
  TempFolder root;
  StandinGame standin(root.path());
  ASSERT_TRUE(standin.Start());
  HWND window = standin.WaitForWindow();
  ASSERT_NE(nullptr, window);

  std::vector<int32_t> free_slots;
  EXPECT_TRUE(IsGameRunning());
  EXPECT_EQ(1, CountRunningGameInstances(&free_slots));
  EXPECT_TRUE(free_slots.empty());  // so the launcher starts nothing

  // Behind everything, as far as this desktop can show it.
  ShowWindow(window, SW_HIDE);
  ASSERT_FALSE(IsWindowVisible(window));
  LauncherController controller;
  EXPECT_TRUE(controller.ActivateGameWindow());
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));
  EXPECT_EQ(std::vector<HWND>{window}, controller.GetGameWindows());

  // The game itself allows one copy.
  ASSERT_TRUE(standin.Start());
  EXPECT_FALSE(standin.WaitForEvent("second_instance").isNull());

  // It ends on WM_CLOSE and frees its slot.
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(standin.WaitForEvent("exit").isNull());
  EXPECT_TRUE(PumpUntil([] { return !IsGameRunning(); }));
  free_slots.clear();
  EXPECT_EQ(0, CountRunningGameInstances(&free_slots));
  EXPECT_EQ(std::vector<int32_t>{0}, free_slots);
}

TEST(StandinGameTest, AWindowKnownByClassOnlyIsActivatedButNeverListed) {
  TempFolder root;
  StandinGame standin(root.path(), "classonly");
  ASSERT_TRUE(standin.Start());
  HWND window = standin.WaitForWindow();
  ASSERT_NE(nullptr, window);
  ShowWindow(window, SW_HIDE);
  LauncherController controller;
  EXPECT_TRUE(controller.ActivateGameWindow());
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));
  EXPECT_TRUE(controller.GetGameWindows().empty());
}

TEST(StandinGameTest, AHungGameWindowDoesNotHoldTheSender) {
  TempFolder root;
  StandinGame standin(root.path(), "hung");
  ASSERT_TRUE(standin.Start());
  HWND live = standin.WaitForWindow("main");
  HWND hung = standin.WaitForWindow("hung");
  ASSERT_NE(nullptr, live);
  ASSERT_NE(nullptr, hung);

  LauncherController controller;
  controller.FindGameWindows();
  ASSERT_EQ(2u, controller.GetGameWindows().size());
  // Sent from a thread of its own, so that a send that waits for the hung
  // window fails this test instead of hanging it.
  std::atomic<bool> done{false};
  std::thread sender([&] {
    controller.SendToGameWindows(MsgGamePreDlcNotify, 0, 0);
    done = true;
  });
  bool returned = PumpUntil([&] { return done.load(); }, 60000);
  if (!returned) standin.Stop();  // ends the wait, whatever it was
  sender.join();
  EXPECT_TRUE(returned) << "the send waited for the hung window";
  if (returned) {
    EXPECT_FALSE(standin.WaitForReceived(MsgGamePreDlcNotify).isNull());
  }
}

// Stands for the launcher's main window and keeps the balloon records the
// game sends it.
class FakeLauncherWindow {
 public:
  struct Copy {
    ULONG_PTR data;
    std::vector<BYTE> bytes;
    HWND sender;
  };

  FakeLauncherWindow() {
    window_ = testing_support::CreateTestWindow(L"QuorvelFakeLauncherMain",
                                                &FakeLauncherWindow::WindowProc);
    SetPropW(window_, kLauncherInstanceName, window_);
    Copies().clear();
    Registered().clear();
  }
  ~FakeLauncherWindow() {
    RemovePropW(window_, kLauncherInstanceName);
    DestroyWindow(window_);
  }

  static std::vector<Copy>& Copies() {
    static std::vector<Copy> copies;
    return copies;
  }
  static std::vector<HWND>& Registered() {
    static std::vector<HWND> registered;
    return registered;
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA) {
      auto* copy = reinterpret_cast<COPYDATASTRUCT*>(lparam);
      const BYTE* bytes = static_cast<const BYTE*>(copy->lpData);
      Copies().push_back({copy->dwData, std::vector<BYTE>(bytes, bytes + copy->cbData),
                          reinterpret_cast<HWND>(wparam)});
      return 0;
    }
    if (message == MsgGameRegister) {
      Registered().push_back(reinterpret_cast<HWND>(lparam));
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  HWND window_ = nullptr;
};

std::wstring Field(const std::vector<BYTE>& record, size_t offset, size_t units) {
  std::wstring text(units, L'\0');
  std::memcpy(&text[0], record.data() + offset, units * 2);
  size_t end = text.find(L'\0');
  return end == std::wstring::npos ? text : text.substr(0, end);
}

TEST(StandinGameTest, BalloonRecordsWholeAndMalformed) {
  FakeLauncherWindow launcher;
  TempFolder root;
  StandinGame standin(root.path());
  ASSERT_TRUE(standin.Start());
  HWND window = standin.WaitForWindow();
  ASSERT_NE(nullptr, window);
  ASSERT_TRUE(PumpUntil([] { return !FakeLauncherWindow::Registered().empty(); }));
  EXPECT_EQ(window, FakeLauncherWindow::Registered()[0]);

  standin.Command("balloon Title \xc3\xbc|Text|C:\\sounds\\ding.wav");
  standin.Command("bad_balloon data");
  standin.Command("bad_balloon short");
  standin.Command("bad_balloon unterminated");
  ASSERT_TRUE(PumpUntil([] { return FakeLauncherWindow::Copies().size() == 4; }));
  const std::vector<FakeLauncherWindow::Copy>& copies = FakeLauncherWindow::Copies();

  const std::vector<BYTE>& whole = copies[0].bytes;
  EXPECT_EQ(0u, copies[0].data);
  ASSERT_EQ(2696u, whole.size());
  EXPECT_EQ(L"Title \u00fc", Field(whole, 0, 64));
  EXPECT_EQ(L"Text", Field(whole, 128, 256));
  EXPECT_EQ(L"C:\\sounds\\ding.wav", Field(whole, 640, 1024));
  uint64_t flash = 0;
  std::memcpy(&flash, whole.data() + 2688, 8);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(window), flash);
  EXPECT_EQ(window, copies[0].sender);

  EXPECT_EQ(1u, copies[1].data);
  EXPECT_EQ(2696u, copies[1].bytes.size());
  EXPECT_EQ(0u, copies[2].data);
  EXPECT_EQ(100u, copies[2].bytes.size());
  ASSERT_EQ(2696u, copies[3].bytes.size());
  EXPECT_EQ(std::wstring(64, L'T'), Field(copies[3].bytes, 0, 64));
  EXPECT_EQ(std::wstring(256, L'X'), Field(copies[3].bytes, 128, 256));
}

}  // namespace
