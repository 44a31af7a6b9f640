// launcher.exe as a process: its command-line modes and its single instance.
// Each run uses a copy of the executable in a folder of its own, which
// becomes the copy's working folder.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/controller/launcher_messages.h"
#include "app/util/file_util.h"
#include "app/main/launcher_copy.h"
#include "test_support/pump_until.h"
#include "test_support/test_window.h"

namespace {

using app_testing::LauncherCopy;
using testing_support::PumpUntil;

// Holds the single-instance semaphore as a first launcher without a window
// would: a normal start then ends at once without doing anything.
class HeldInstance {
 public:
  HeldInstance() : semaphore_(CreateSemaphoreW(nullptr, 1, 1, kLauncherInstanceName)) {}
  ~HeldInstance() { CloseHandle(semaphore_); }

 private:
  HANDLE semaphore_;
};

TEST(LauncherProcessTest, ToolModesWriteTheirMapAndExit) {
  HeldInstance held;  // the tool modes never look at it

  LauncherCopy launcher;
  ASSERT_EQ(0, launcher.Run({L"make_version", L"1_2_3"}));
  EXPECT_EQ("1_2_3", launcher.MapVersion(L"launcher_version_map.txt"));
  EXPECT_FALSE(launcher.Exists(L"save"));

  LauncherCopy dependence;
  CreateDirectoryW(dependence.Path(L"dependence").c_str(), nullptr);
  ASSERT_TRUE(WriteFileTextW(dependence.Path(L"dependence\\a.dll"), "abc"));
  ASSERT_EQ(0, dependence.Run({L"make_dependence_version", L"2_0_0"}));
  EXPECT_EQ("2_0_0", dependence.MapVersion(L"dependence_version_map.txt"));
  EXPECT_FALSE(dependence.Exists(L"save"));
}

TEST(LauncherProcessTest, OtherCommandLinesStartNormally) {
  HeldInstance held;
  const std::vector<std::wstring> cases[] = {
      {},
      {L"make_version"},
      {L"make_version", L"1", L"2"},
      {L"Make_version", L"1_2_3"},
      {L"make_dependence_version"},
      {L"set_language", L"ko"},
      {L"set_language", L"ko", L"taa"},
      {L"set_language"},
      {L"set_platform", L"win64"},
      {L"set_platform", L"a", L"b"},
      {L"replace", L"a", L"b"},
      {L"restore", L"a", L"b", L"c"},
  };
  for (const std::vector<std::wstring>& arguments : cases) {
    SCOPED_TRACE(arguments.empty() ? L"(none)" : arguments[0]);
    LauncherCopy launcher;
    // A normal start meets the held instance and ends before its start-up.
    EXPECT_EQ(0, launcher.Run(arguments));
    EXPECT_FALSE(launcher.Exists(L"save"));
    EXPECT_FALSE(launcher.Exists(L"launcher_version_map.txt"));
    EXPECT_FALSE(launcher.Exists(L"dependence_version_map.txt"));
  }
}

// The first instance here is this test: its window carries the property,
// hidden as in the tray.
class FakeFirstInstance {
 public:
  FakeFirstInstance() {
    window_ = testing_support::CreateTestWindow(L"QuorvelFakeLauncher",
                                                &FakeFirstInstance::WindowProc);
    SetPropW(window_, kLauncherInstanceName, window_);
    semaphore_ = CreateSemaphoreW(nullptr, 1, 1, kLauncherInstanceName);
    received().clear();
  }
  ~FakeFirstInstance() {
    RemovePropW(window_, kLauncherInstanceName);
    DestroyWindow(window_);
    CloseHandle(semaphore_);
  }
  HWND window() const { return window_; }

  struct Message {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  };
  static std::vector<Message>& received() {
    static std::vector<Message> messages;
    return messages;
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == MsgShowMainWindow) received().push_back({message, wparam, lparam});
    return DefWindowProcW(window, message, wparam, lparam);
  }

  HWND window_ = nullptr;
  HANDLE semaphore_ = nullptr;
};

TEST(LauncherProcessTest, ASecondStartWakesTheFirstInstanceAndExits) {
  FakeFirstInstance first;
  ASSERT_FALSE(IsWindowVisible(first.window()));
  LauncherCopy second;
  EXPECT_EQ(0, second.Run({}));
  ASSERT_TRUE(PumpUntil([] { return !FakeFirstInstance::received().empty(); }, 5000));
  ASSERT_EQ(1u, FakeFirstInstance::received().size());
  EXPECT_EQ(0u, FakeFirstInstance::received()[0].wparam);
  EXPECT_EQ(0, FakeFirstInstance::received()[0].lparam);
  EXPECT_TRUE(IsWindowVisible(first.window()));
  EXPECT_FALSE(second.Exists(L"save"));
}

TEST(LauncherProcessTest, TwoLaunchersShareOneInstance) {
  LauncherCopy first;
  ASSERT_TRUE(first.Start({}));
  HWND window = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (window = first.MainWindow()) != nullptr; }));
  EXPECT_TRUE(first.Exists(L"save\\EnvConfig.json"));
  EXPECT_TRUE(first.Exists(L"save\\Log.json"));

  // Hidden as in the tray, then woken by a second start.
  PostMessageW(window, MsgHideToTray, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(window); }));
  LauncherCopy second;
  EXPECT_EQ(0, second.Run({}));
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }));
  EXPECT_FALSE(second.Exists(L"save"));
  EXPECT_TRUE(first.Running());

  // Closing the main window ends the first launcher cleanly.
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, first.WaitForExit());
  EXPECT_FALSE(IsWindow(window));
}

TEST(LauncherProcessTest, ExitLauncherMessageClosesIt) {
  LauncherCopy launcher;
  ASSERT_TRUE(launcher.Start({}));
  HWND window = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (window = launcher.MainWindow()) != nullptr; }));
  PostMessageW(window, MsgExitLauncher, 0, 0);
  EXPECT_EQ(0, launcher.WaitForExit());
}

}  // namespace
