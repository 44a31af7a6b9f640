// MainThread and MiscThread in this process: the start-up order across the
// two threads, both ticks, and a clean shut-down when the main window closes.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/app_test_support.h"
#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/main/main_thread.h"
#include "app/main/provisional_main_window.h"
#include "app/main/launcher_window_of.h"
#include "base/thread/thread_registry.h"

namespace {

class ThreadServices;

// Stands for the launcher pass the first engine tick installs.
class TickState : public State {
 public:
  explicit TickState(ThreadServices* services) : State(0), services_(services) {}
  int32_t GetType() const override { return 1; }
  void Enter(State*) override;
  void Update() override;
  void Exit(State*) override;

 private:
  ThreadServices* services_;
};

// Records each call as "<name>@<thread id>", in order, from both threads.
class ThreadServices : public app_testing::RecordingServices {
 public:
  void Log(const std::string& event) {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(event + "@" + std::to_string(base::ThreadRegistry::CurrentId()));
  }
  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
  }
  // Position of the event in the log, or -1.
  int IndexOf(const std::string& event) {
    std::vector<std::string> events = Events();
    auto found = std::find(events.begin(), events.end(), event);
    return found == events.end() ? -1 : static_cast<int>(found - events.begin());
  }

  bool InstallFonts() override {
    Log("InstallFonts");
    return true;
  }
  void InitDownloadEngine(const ServerOverrides&, DownloadDelegate*) override {
    Log("InitDownloadEngine");
  }
  void StopDownloadEngine() override { Log("StopDownloadEngine"); }
  void ClearDownloadEngineRunning() override { Log("ClearDownloadEngineRunning"); }
  void PumpDownloadEngine() override {
    if (base::ThreadRegistry::CurrentId() == base::kMiscThreadId) ++pumps;
  }
  std::unique_ptr<State> MakePrepareState(int32_t pass) override {
    Log("MakePrepareState" + std::to_string(pass));
    return std::make_unique<TickState>(this);
  }
  void LoadSkinArchive() override {
    worker_enrolled_before_ui = base::ThreadRegistry::Find(base::kMiscThreadId) != nullptr;
    Log("LoadSkinArchive");
  }
  void StartUi(const std::wstring& root, const std::wstring& theme,
               const std::wstring& language) override {
    ui_arguments = root + L"|" + theme + L"|" + language;
    Log("StartUi");
  }
  bool LoadCommonConfig() override {
    Log("LoadCommonConfig");
    return true;
  }
  void StopUi() override { Log("StopUi"); }
  void RemoveFonts() override { Log("RemoveFonts"); }
  void RelaunchForSelfUpdate(const std::wstring& command, bool replaced) override {
    Log("Relaunch(" + std::string(command.empty() ? "" : "command") + "," +
        (replaced ? "1" : "0") + ")");
  }

  std::atomic<int> updates{0};
  std::atomic<int> pumps{0};
  std::atomic<bool> worker_enrolled_before_ui{false};
  std::atomic<bool> stage_fonts{false};
  std::wstring ui_arguments;

 private:
  std::mutex lock_;
  std::vector<std::string> events_;
};

void TickState::Enter(State*) { services_->Log("StateEnter"); }
void TickState::Update() {
  if (base::ThreadRegistry::CurrentId() != base::kMiscThreadId) return;
  if (services_->stage_fonts) LauncherController::GetInstance()->fontsStaged = true;
  ++services_->updates;
}
void TickState::Exit(State*) { services_->Log("StateExit"); }

int CountReceived(uint32_t message) {
  int count = 0;
  for (const ProvisionalMainWindow::Received& r : ProvisionalMainWindow::History()) {
    if (r.message == message) ++count;
  }
  return count;
}

HWND OwnMainWindow() { return app_testing::LauncherWindowOf(GetCurrentProcessId()); }

// Runs MainThread on this thread until a helper closes the main window once
// `ready` holds (or after a bound, so that a fault cannot hang the test).
template <typename Ready>
void RunMainThreadUntil(Ready ready, std::atomic<bool>* was_ready) {
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    DWORD start = GetTickCount();
    HWND window = nullptr;
    while (GetTickCount() - start < 20000) {
      window = OwnMainWindow();
      if (window && ready()) {
        *was_ready = true;
        break;
      }
      Sleep(10);
    }
    if (!window) window = OwnMainWindow();
    PostMessageW(window, WM_CLOSE, 0, 0);
    closed = true;
  });
  {
    MainThread main_thread;
    main_thread.RunOnCurrentThreadWithLoop(base::MessageLoop::kUILoop);
    EXPECT_EQ(nullptr, main_thread.misc_thread());
  }
  closer.join();
  EXPECT_TRUE(closed);
}

class MainThreadTest : public ::testing::Test {
 protected:
  app_testing::ScopedWorkingFolder working_;
  ThreadServices services_;
};

TEST_F(MainThreadTest, StartsInOrderTicksAndShutsDownCleanly) {
  int ticks_before = CountReceived(MsgPreDlcTick);
  std::atomic<bool> ready{false};
  RunMainThreadUntil(
      [&] { return services_.updates > 50 && CountReceived(MsgPreDlcTick) >= ticks_before + 2; },
      &ready);
  EXPECT_TRUE(ready) << "the worker or the UI did not tick";

  // Start-up: the shared state before the worker, the worker's version state
  // before the UI framework, the first tick's launcher pass on the worker.
  int fonts = services_.IndexOf("InstallFonts@-1");
  int engine = services_.IndexOf("InitDownloadEngine@1");
  int skin = services_.IndexOf("LoadSkinArchive@0");
  int ui = services_.IndexOf("StartUi@0");
  int config = services_.IndexOf("LoadCommonConfig@0");
  int pass = services_.IndexOf("MakePrepareState0@1");
  ASSERT_GE(fonts, 0);
  EXPECT_LT(fonts, engine);
  EXPECT_LT(engine, skin);
  EXPECT_LT(skin, ui);
  EXPECT_LT(ui, config);
  EXPECT_LT(engine, pass);
  EXPECT_TRUE(services_.worker_enrolled_before_ui);
  EXPECT_EQ(L"resources\\|themes\\default|en", services_.ui_arguments);
  EXPECT_LT(pass, services_.IndexOf("StateEnter@1"));
  std::vector<std::string> events = services_.Events();
  EXPECT_EQ(1, std::count_if(events.begin(), events.end(), [](const std::string& e) {
              return e.rfind("MakePrepareState", 0) == 0;
            }));
  EXPECT_GT(services_.pumps, 50);

  // Shut-down: the UI first, then the engine's running flag, then the
  // worker's own shut-down on the worker.
  int stop_ui = services_.IndexOf("StopUi@0");
  int clear = services_.IndexOf("ClearDownloadEngineRunning@0");
  int stop_engine = services_.IndexOf("StopDownloadEngine@1");
  int state_exit = services_.IndexOf("StateExit@1");
  ASSERT_GE(stop_ui, 0);
  EXPECT_LT(stop_ui, clear);
  EXPECT_LT(clear, stop_engine);
  EXPECT_LT(stop_engine, state_exit);
  for (const std::string& event : services_.Events()) {
    EXPECT_NE(0u, event.rfind("RemoveFonts", 0));
    EXPECT_NE(0u, event.rfind("Relaunch", 0));
  }

  // Nothing is left: no thread enrolled, no state, no main window.
  EXPECT_EQ(nullptr, base::ThreadRegistry::Find(base::kUiThreadId));
  EXPECT_EQ(nullptr, base::ThreadRegistry::Find(base::kMiscThreadId));
  LauncherController* controller = LauncherController::GetInstance();
  EXPECT_EQ(nullptr, controller->currentState.get());
  EXPECT_EQ(nullptr, controller->mainWindow);
  EXPECT_EQ(nullptr, OwnMainWindow());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"save\\Log.json"));
}

TEST_F(MainThreadTest, StagedFontsAreRemovedAndTheReplacementStartedAtExit) {
  services_.stage_fonts = true;
  std::atomic<bool> ready{false};
  RunMainThreadUntil([&] { return services_.updates > 5; }, &ready);
  EXPECT_TRUE(ready);
  // After thread 0 withdrew: no identifier any more.
  int remove = services_.IndexOf("RemoveFonts@-1");
  int relaunch = services_.IndexOf("Relaunch(,0)@-1");
  std::string log;
  for (const std::string& e : services_.Events()) log += e + " ";
  ASSERT_GE(remove, 0) << log;
  EXPECT_LT(remove, relaunch);
  EXPECT_LT(services_.IndexOf("StopDownloadEngine@1"), remove);
  LauncherController::GetInstance()->fontsStaged = false;
}

}  // namespace
