// The controller's side of the game in this process: the game's arguments,
// the disk-space questions through a free-space seam, the repair, the mutex
// probes, window activation and the messages to game windows (test windows
// that carry the game's property stand for the game's).

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_test_support.h"
#include "app/controller/game_process.h"
#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/message_box_request.h"
#include "app/util/file_util.h"
#include "app/util/system_util.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"
#include "test_support/engine/engine_harness.h"
#include "test_support/file_bytes.h"
#include "test_support/standin_game.h"
#include "test_support/test_window.h"
#include "update/download/download_manager.h"

namespace {

using app_testing::MiscThread;
using app_testing::RecordingServices;
using app_testing::ScopedWorkingFolder;
using testing_support::PumpUntil;

constexpr uint64_t kGiB = 1ull << 30;

TEST(GameArgumentsTest, PlatformPartFollowsTheGameVersion) {
  struct Case {
    const char* arguments;
    const char* version;
    const wchar_t* platform;
    int32_t slot;
    const wchar_t* expected;
  } cases[] = {
      {"d41d8cd9", "10077_1_2", L"win", 0, L"d41d8cd9 win 0|1"},
      {"d41d8cd9", "10076_9_9", L"win", 0, L"d41d8cd9"},
      {"d41d8cd9", "1.0.0", L"win", 0, L"d41d8cd9"},
      {"d41d8cd9", "", L"win", 0, L"d41d8cd9 win 0|1"},
      {"d41d8cd9", "20000_1", L"win", 0, L"d41d8cd9"},
      {"d41d8cd9", "20000_1_2_3", L"win", 0, L"d41d8cd9"},
      {"d41d8cd9", "x_1_2", L"win", 0, L"d41d8cd9"},
      {"d41d8cd9", "99999999999_1_2", L"win", 0, L"d41d8cd9"},
      {"", "10076_9_9", L"win", 0, L"empty"},
      {"", "", L"win", 0, L"empty win 0|1"},
      {"d41d8cd9", "10077_0_0", L"win64", 0, L"d41d8cd9 win64 0|1"},
      {"\xc3\xa9t\xc3\xa9", "10076_0_0", L"win", 0, L"\u00e9t\u00e9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.arguments) + " / " + c.version);
    EXPECT_EQ(c.expected, BuildGameArguments(c.arguments, c.version, c.platform, c.slot));
  }
}

TEST(GameArgumentsTest, SizePlaceholderIsReplacedAsText) {
  struct Case {
    const wchar_t* text;
    const wchar_t* expected;
  } cases[] = {
      {L"Need %ls free.", L"Need  4.00G free."},
      {L"%ls%ls", L" 4.00G 4.00G"},
      // Nothing else is a format: a printf would read the stack for these.
      {L"100%% sure %n %s %d %x %l", L"100% sure %n %s %d %x %l"},
      {L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, FillSizePlaceholder(c.text, kNeededDiskSpaceText)) << c.text;
  }
  // Cut as a 260-unit buffer would have cut it.
  EXPECT_EQ(259u, FillSizePlaceholder(std::wstring(300, L'a'), L"").size());
  EXPECT_EQ(259u, FillSizePlaceholder(std::wstring(258, L'a') + L"%ls", L" 4.00G").size());
}

// Answers the free-space questions from a table; the language table and the
// boxes are the harness's.
class DiskHarness : public engine_testing::EngineHarness {
 public:
  bool GetDriveSpace(const std::wstring& path, uint64_t* total, uint64_t* available) override {
    std::wstring drive = GetDriveLetter(path);
    asked_drives.push_back(drive);
    auto found = free_space.find(drive);
    if (found == free_space.end()) return false;
    *total = 1000 * kGiB;
    *available = found->second;
    return true;
  }

  std::map<std::wstring, uint64_t> free_space;  // by drive letter
  std::vector<std::wstring> asked_drives;
};

class DiskSpaceTest : public ::testing::Test {
 protected:
  DiskSpaceTest() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    launcher_drive_ = GetDriveLetter(path);
    // A game drive other than the launcher's.
    game_drive_ = launcher_drive_ == L"Q" ? L"R" : L"Q";
    controller_->settings.gamePath = game_drive_ + L":\\Games\\Quorvel Game";
    harness_.texts[L"STRING_ERROR_NEED_DISKSPACE_R"] = L"Drive {p1}: needs {p2}; {p1}!";
    harness_.texts[L"STRING_ERROR_NEED_DISKSPACE"] = L"Needs %ls.";
  }

  // The boxes thread 0 showed since the last call.
  std::vector<engine_testing::ShownMsgBox> NewBoxes() {
    harness_.Settle();
    std::vector<engine_testing::ShownMsgBox> all = harness_.MsgBoxes();
    std::vector<engine_testing::ShownMsgBox> fresh(all.begin() + seen_, all.end());
    seen_ = all.size();
    return fresh;
  }

  DiskHarness harness_;
  LauncherController* controller_ = harness_.controller();
  std::wstring launcher_drive_;
  std::wstring game_drive_;
  size_t seen_ = 0;
};

TEST_F(DiskSpaceTest, FourGibibytesIsTheLine) {
  struct Case {
    uint64_t available;
    bool passes;
  } cases[] = {
      {(1ull << 32) - 1, false},
      {1ull << 32, true},
      {(1ull << 32) + 1, true},
      {static_cast<uint64_t>(3.9 * kGiB), false},
      {0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.available);
    harness_.free_space[L"Q"] = c.available;
    std::atomic<int> answered{-1};
    bool result = controller_->CheckDiskSpace(L"Q:\\Games", L"short", L"STRING_CANCEL",
                                              L"STRING_DOWNLOAD_CONTINUE",
                                              [&](int answer) { answered = answer; });
    EXPECT_EQ(c.passes, result);
    std::vector<engine_testing::ShownMsgBox> boxes = NewBoxes();
    ASSERT_EQ(c.passes ? 0u : 1u, boxes.size());
    if (c.passes) continue;
    const MsgBoxContent& box = boxes[0].box;
    EXPECT_EQ((BoxText{L"STRING_ERROR_NOTICE", true}), box.title);
    EXPECT_EQ((BoxText{L"short", false}), box.content);
    EXPECT_TRUE(box.buttonIds);
    EXPECT_EQ(L"STRING_CANCEL", box.noButton);
    EXPECT_EQ(L"STRING_DOWNLOAD_CONTINUE", box.yesButton);
    EXPECT_EQ(harness_.main_window(), boxes[0].owner);
    EXPECT_FALSE(box.swapButtonStyles);
    ASSERT_TRUE(harness_.AnswerOpenBox(1));
    EXPECT_EQ(1, answered.load());
  }
  // The question marks no box as open or shown.
  EXPECT_FALSE(controller_->messageBoxOpen);
  EXPECT_FALSE(controller_->messageBoxShown);
}

TEST_F(DiskSpaceTest, UnreadableDriveGivesANoticeAndPasses) {
  // Neither drive is in the table.
  EXPECT_TRUE(controller_->CheckInstallDiskSpace(nullptr));
  std::vector<engine_testing::ShownMsgBox> boxes = NewBoxes();
  ASSERT_EQ(2u, boxes.size());
  for (const engine_testing::ShownMsgBox& shown : boxes) {
    EXPECT_EQ((BoxText{L"STRING_ERROR_NOTICE", true}), shown.box.title);
    EXPECT_EQ((BoxText{L"STRING_ERROR_INVALID_DISKSPACE", true}), shown.box.content);
    EXPECT_EQ(L"", shown.box.noButton);
    EXPECT_EQ(L"STRING_CONFIRM", shown.box.yesButton);
  }
  EXPECT_TRUE(controller_->messageBoxOpen);
  EXPECT_TRUE(controller_->messageBoxShown);
}

TEST_F(DiskSpaceTest, UpdateAsksAboutTheFirstShortDriveOnly) {
  // The game's drive falls short: the launcher's is not looked at.
  harness_.free_space[game_drive_] = static_cast<uint64_t>(3.9 * kGiB);
  harness_.free_space[launcher_drive_] = 100 * kGiB;
  EXPECT_FALSE(controller_->CheckUpdateDiskSpace(nullptr));
  EXPECT_EQ(std::vector<std::wstring>{game_drive_}, harness_.asked_drives);
  std::vector<engine_testing::ShownMsgBox> boxes = NewBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"Drive " + game_drive_ + L": needs  4.00G; " + game_drive_ + L"!",
            boxes[0].box.content.value);

  // The game's passes, the launcher's falls short: named by its own letter.
  harness_.asked_drives.clear();
  harness_.free_space[game_drive_] = 100 * kGiB;
  harness_.free_space[launcher_drive_] = kGiB;
  EXPECT_FALSE(controller_->CheckUpdateDiskSpace(nullptr));
  EXPECT_EQ((std::vector<std::wstring>{game_drive_, launcher_drive_}), harness_.asked_drives);
  boxes = NewBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"Drive " + launcher_drive_ + L": needs  4.00G; " + launcher_drive_ + L"!",
            boxes[0].box.content.value);

  // A text without the drive keeps all but the size.
  harness_.texts[L"STRING_ERROR_NEED_DISKSPACE_R"] = L"Needs {p2} {p3} %ls";
  EXPECT_FALSE(controller_->CheckUpdateDiskSpace(nullptr));
  boxes = NewBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"Needs  4.00G {p3} %ls", boxes[0].box.content.value);

  // Both pass: no question.
  harness_.free_space[launcher_drive_] = 5 * kGiB;
  EXPECT_TRUE(controller_->CheckUpdateDiskSpace(nullptr));
  EXPECT_TRUE(NewBoxes().empty());
}

TEST_F(DiskSpaceTest, InstallAsksWithTheSizeInItsText) {
  harness_.free_space[game_drive_] = kGiB;
  harness_.free_space[launcher_drive_] = kGiB;
  std::vector<int> answers;
  EXPECT_FALSE(
      controller_->CheckInstallDiskSpace([&](int answer) { answers.push_back(answer); }));
  std::vector<engine_testing::ShownMsgBox> boxes = NewBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"Needs  4.00G.", boxes[0].box.content.value);
  EXPECT_EQ(L"", boxes[0].box.noButton);
  EXPECT_EQ(L"STRING_CONFIRM", boxes[0].box.yesButton);
  ASSERT_TRUE(harness_.AnswerOpenBox(0));
  EXPECT_EQ(std::vector<int>{0}, answers);
}

// Records the passes asked for, and on which thread.
class PassServices : public RecordingServices {
 public:
  std::unique_ptr<State> MakePrepareState(int32_t pass) override {
    std::lock_guard<std::mutex> hold(lock);
    passes.push_back({pass, base::ThreadRegistry::CurrentId()});
    return nullptr;
  }
  size_t PassCount() {
    std::lock_guard<std::mutex> hold(lock);
    return passes.size();
  }

  std::mutex lock;
  std::vector<std::pair<int32_t, int>> passes;
};

TEST(RunGameTest, EveryBuiltStartIsTrackedAndOtherSlotsDoNothing) {
  testing_support::TempFolder folder;  // no game here: the start fails
  LauncherController controller;
  controller.settings.gamePath = folder.path();
  DownloadManager* engine = DownloadManager::GetInstance();
  DownloadManager::ServerOverrides servers;
  servers.track_url = "http://127.0.0.1:9/track";
  engine->Init(servers);
  MiscThread thread;
  ASSERT_TRUE(thread.StartWithLoop(base::MessageLoop::kDefaultLoop));
  controller.RunGame("abc", 1);
  controller.RunGame("abc", 0);
  thread.Stop();  // after the senders posted to it ran
  EXPECT_EQ(1u, engine->queued_report_count());
  engine->Shutdown();
}

TEST(RestartGameCheckTest, AutoEnterHonoursTheServerOnlyWhenAsked) {
  struct Case {
    bool auto_enter;
    bool honour_disable;
    bool server_disables;
    bool expected;
  } cases[] = {
      {true, true, true, false},   {true, false, true, true},  {true, true, false, true},
      {false, false, false, false}, {false, true, true, false},
  };
  PassServices services;
  LauncherController controller;
  for (const Case& c : cases) {
    controller.serverOverrides.DisableAutoEnterGame = c.server_disables;
    controller.autoEnterGame = !c.expected;
    controller.RestartGameCheck(c.auto_enter, c.honour_disable);
    EXPECT_EQ(c.expected, controller.autoEnterGame.load());
  }
  // Without thread 1 no pass was asked for.
  EXPECT_EQ(0u, services.PassCount());
}

TEST(RepairGameTest, DeletesAliasesAndTheMapInsideTheGameFolderOnly) {
  ScopedWorkingFolder working;
  PassServices services;
  LauncherController controller;
  controller.Init();
  const std::wstring game = working.folder().Join(L"Quorvel Game");
  const std::wstring outside = working.folder().Join(L"outside.txt");
  controller.settings.gamePath = game;
  // A name that leads out of the folder is never followed.
  controller.fileAliases[L"evil"] = L"../outside.txt";

  const wchar_t* deleted[] = {
      L"TOLM_Data\\Resources\\unity default resources",
      L"TOLM_Data\\Plugins\\x86_64\\VuplexWebViewChromium\\Vuplex WebView.vuplex",
      L"version_map.txt",
  };
  const wchar_t* kept[] = {
      L"TOLM.exe",
      L"tmp_version_map.txt",
      L"TOLM_Data\\Resources\\unity_default_resources",
      L"TOLM_Data\\Plugins\\x86_64\\VuplexWebViewChromium\\Vuplex_WebView.vuplex",
      L"save\\gid.txt",
  };
  ASSERT_TRUE(CreateDirectoriesW(game + L"\\TOLM_Data\\Plugins\\x86_64\\VuplexWebViewChromium"));
  ASSERT_TRUE(CreateDirectoriesW(game + L"\\TOLM_Data\\Resources"));
  ASSERT_TRUE(CreateDirectoriesW(game + L"\\save"));
  for (const wchar_t* name : deleted) ASSERT_TRUE(WriteFileTextW(game + L"\\" + name, "x"));
  for (const wchar_t* name : kept) ASSERT_TRUE(WriteFileTextW(game + L"\\" + name, "x"));
  ASSERT_TRUE(WriteFileTextW(outside, "x"));

  MiscThread thread;
  ASSERT_TRUE(thread.StartWithLoop(base::MessageLoop::kDefaultLoop));
  controller.autoEnterGame = true;
  controller.RepairGame();

  for (const wchar_t* name : deleted) {
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((game + L"\\" + name).c_str())) << name;
  }
  for (const wchar_t* name : kept) {
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((game + L"\\" + name).c_str())) << name;
  }
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(outside.c_str()));

  // A game pass that does not enter the game, on thread 1.
  EXPECT_FALSE(controller.autoEnterGame);
  ASSERT_TRUE(PumpUntil([&] { return services.PassCount() == 1; }));
  EXPECT_EQ(1, services.passes[0].first);
  EXPECT_EQ(base::kMiscThreadId, services.passes[0].second);

  // Again, with nothing left to delete: the pass still starts.
  controller.RepairGame();
  EXPECT_TRUE(PumpUntil([&] { return services.PassCount() == 2; }));
}

TEST(GameFilesTest, ExecutableAndUnfinishedUpdateAreSeenInTheGameFolder) {
  testing_support::TempFolder folder;
  const std::wstring game = folder.Join(L"Quorvel Game");
  ASSERT_TRUE(CreateDirectoriesW(game));
  LauncherController controller;
  controller.settings.gamePath = game;
  EXPECT_FALSE(controller.GameExeExists(L""));
  EXPECT_FALSE(controller.HasUnfinishedUpdate());
  ASSERT_TRUE(WriteFileTextW(game + L"\\TOLM.exe", "x"));
  ASSERT_TRUE(WriteFileTextW(game + L"\\tmp_version_map.txt", "{}"));
  EXPECT_TRUE(controller.GameExeExists(L""));
  EXPECT_TRUE(controller.GameExeExists(game + L"\\"));
  EXPECT_FALSE(controller.GameExeExists(folder.path()));
  EXPECT_TRUE(controller.HasUnfinishedUpdate());
}

TEST(GameMutexTest, ProbesSeeTheGamesMutexAndNeverMakeIt) {
  std::vector<int32_t> free_slots;
  EXPECT_FALSE(IsGameRunning());
  EXPECT_EQ(0, CountRunningGameInstances(&free_slots));
  EXPECT_EQ(std::vector<int32_t>{0}, free_slots);

  // The probes left no mutex behind: the game's own create makes it anew.
  HANDLE game = CreateMutexW(nullptr, TRUE, kGameInstanceMutex);
  ASSERT_NE(nullptr, game);
  EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());

  free_slots.clear();
  EXPECT_TRUE(IsGameRunning());
  EXPECT_EQ(1, CountRunningGameInstances(&free_slots));
  EXPECT_TRUE(free_slots.empty());
  CloseHandle(game);
  EXPECT_FALSE(IsGameRunning());
}

// A hidden top-level window of this thread, marked as a game window or not.
class TestWindow {
 public:
  TestWindow(const wchar_t* class_name, bool marked) {
    window_ = testing_support::CreateTestWindow(class_name, &TestWindow::WindowProc);
    if (marked) SetPropW(window_, kGameWindowProperty, window_);
  }
  ~TestWindow() {
    RemovePropW(window_, kGameWindowProperty);
    DestroyWindow(window_);
  }
  HWND get() const { return window_; }

  // Launcher messages received, as (window, message, wparam); any thread.
  struct Received {
    HWND window;
    UINT message;
    WPARAM wparam;
  };
  static std::vector<Received> All() {
    std::lock_guard<std::mutex> hold(Lock());
    return List();
  }
  static void Clear() {
    std::lock_guard<std::mutex> hold(Lock());
    List().clear();
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static std::vector<Received>& List() {
    static std::vector<Received> list;
    return list;
  }
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message >= MsgGameRegister && message <= MsgGamePreDlcNotify) {
      std::lock_guard<std::mutex> hold(Lock());
      List().push_back({window, message, wparam});
      return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  HWND window_ = nullptr;
};

TEST(ActivateGameWindowTest, MarkedWindowFirstThenTheClassFallback) {
  {
    LauncherController controller;
    EXPECT_FALSE(controller.ActivateGameWindow());
  }
  {
    // Only a window of the game's class: it is the one.
    TestWindow unity(kGameWindowClass, false);
    ASSERT_FALSE(IsWindowVisible(unity.get()));
    LauncherController controller;
    EXPECT_TRUE(controller.ActivateGameWindow());
    EXPECT_TRUE(IsWindowVisible(unity.get()));
  }
  {
    // A marked window wins over the class; a listed window that is gone is
    // passed over.
    TestWindow unity(kGameWindowClass, false);
    TestWindow marked(L"QuorvelTestGame", true);
    HWND gone = CreateWindowExW(0, L"QuorvelTestGame", L"gone", 0, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    DestroyWindow(gone);
    LauncherController controller;
    controller.gameWindows = {gone, marked.get()};
    EXPECT_TRUE(controller.ActivateGameWindow());
    EXPECT_TRUE(IsWindowVisible(marked.get()));
    EXPECT_FALSE(IsWindowVisible(unity.get()));
  }
}

TEST(GameWindowsTest, OnlyWindowsThatCarryThePropertyAreListedAndSentTo) {
  TestWindow::Clear();
  TestWindow unity(kGameWindowClass, false);
  TestWindow first(L"QuorvelTestGame", true);
  TestWindow second(L"QuorvelTestGame", true);
  TestWindow wrong(L"QuorvelTestGame", false);
  SetPropW(wrong.get(), kGameWindowProperty, first.get());  // names another window

  LauncherController controller;
  controller.FindGameWindows();
  std::vector<HWND> found = controller.GetGameWindows();
  ASSERT_EQ(2u, found.size());
  EXPECT_NE(found.end(), std::find(found.begin(), found.end(), first.get()));
  EXPECT_NE(found.end(), std::find(found.begin(), found.end(), second.get()));

  // A listed window that lost its mark (its handle may name another
  // program's window by now) is skipped; the window of the game's class alone
  // never gets anything.
  controller.RegisterGameWindow(unity.get());
  RemovePropW(second.get(), kGameWindowProperty);
  controller.SendToGameWindows(MsgGamePreDlcStatus, 7, 0);
  std::vector<TestWindow::Received> received = TestWindow::All();
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(first.get(), received[0].window);
  EXPECT_EQ(MsgGamePreDlcStatus, received[0].message);
  EXPECT_EQ(7u, received[0].wparam);

  // With no marked window at all, the class window still gets nothing, and
  // the empty list is searched again next time.
  TestWindow::Clear();
  RemovePropW(first.get(), kGameWindowProperty);
  LauncherController empty;
  empty.SendToGameWindows(MsgGamePreDlcNotify, 0, 0);
  EXPECT_TRUE(TestWindow::All().empty());
  EXPECT_TRUE(empty.GetGameWindows().empty());
  SetPropW(first.get(), kGameWindowProperty, first.get());
  empty.SendToGameWindows(MsgGamePreDlcNotify, 0, 0);
  EXPECT_EQ(1u, TestWindow::All().size());
}

TEST(GameWindowsTest, RegisterPrunesGoneWindowsAndAddsOnce) {
  TestWindow a(L"QuorvelTestGame", true);
  TestWindow b(L"QuorvelTestGame", true);
  HWND gone = CreateWindowExW(0, L"QuorvelTestGame", L"gone", 0, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  DestroyWindow(gone);
  LauncherController controller;
  controller.gameWindows = {a.get(), gone};
  controller.RegisterGameWindow(a.get());
  EXPECT_EQ(std::vector<HWND>{a.get()}, controller.GetGameWindows());
  controller.RegisterGameWindow(b.get());
  controller.RegisterGameWindow(gone);
  EXPECT_EQ((std::vector<HWND>{a.get(), b.get()}), controller.GetGameWindows());
}

TEST(GameWindowsTest, NotifyRunsOnThreadOneOnly) {
  TestWindow::Clear();
  TestWindow game(L"QuorvelTestGame", true);
  LauncherController controller;
  // No thread 1: dropped.
  controller.NotifyGameWindows(MsgGamePreDlcProgress, 1, 2);
  MiscThread thread;
  ASSERT_TRUE(thread.StartWithLoop(base::MessageLoop::kDefaultLoop));
  controller.NotifyGameWindows(MsgGamePreDlcSpeed, 3, 4);
  ASSERT_TRUE(PumpUntil([] { return !TestWindow::All().empty(); }));
  thread.Stop();
  std::vector<TestWindow::Received> received = TestWindow::All();
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(MsgGamePreDlcSpeed, received[0].message);
  EXPECT_EQ(3u, received[0].wparam);
}

}  // namespace
