#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_loop_proxy.h"
#include "base/message_loop/win_io_message_pump.h"
#include "base/message_loop/win_ui_message_pump.h"
#include "loop_test_util.h"

namespace {

using base::MessageLoop;
using base::TimeDelta;
using base::UIMessageLoop;
using base::WinUIMessagePump;
using loop_test::RunUntilIdle;
using loop_test::ScopedFakeLoopClock;
using loop_test::WaitUntil;

constexpr UINT kTestMessage = WM_APP + 10;
constexpr UINT kEatenMessage = WM_APP + 11;
constexpr UINT kKeptMessage = WM_APP + 12;

using MessageHandler = std::function<void(UINT message)>;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* handler = reinterpret_cast<MessageHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (handler && message >= WM_APP) (*handler)(message);
  return DefWindowProcW(window, message, wparam, lparam);
}

// A UI loop on the test thread with a message-only window whose messages go
// to `handler_`.
class UIPumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    loop_ = std::make_unique<UIMessageLoop>();
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &TestWindowProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"QuorvelPumpTestWindow";
    RegisterClassExW(&window_class);
    window_ = CreateWindowExW(0, window_class.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                              nullptr, window_class.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handler_));
  }
  void TearDown() override {
    DestroyWindow(window_);
    loop_.reset();
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  ScopedFakeLoopClock clock_;
  std::unique_ptr<UIMessageLoop> loop_;
  HWND window_ = nullptr;
  MessageHandler handler_;
};

TEST_F(UIPumpTest, WmQuitEndsTheRunAndIsPostedAgain) {
  for (int exit_code : {0, 42}) {
    bool far_task_run = false;
    loop_->PostDelayedTask([&] { far_task_run = true; }, TimeDelta::FromMilliseconds(60000));
    PostQuitMessage(exit_code);
    loop_->Run();  // ends without waiting for the delayed task
    EXPECT_FALSE(far_task_run);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, static_cast<WPARAM>(exit_code));
  }
}

LRESULT CALLBACK EatingHook(int code, WPARAM wparam, LPARAM lparam) {
  auto* message = reinterpret_cast<MSG*>(lparam);
  if (code == WinUIMessagePump::kMessageFilterCode && message->message == kEatenMessage) return 1;
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

TEST_F(UIPumpTest, MessageEatenByAHookIsNeitherDispatchedNorObserved) {
  struct Observer : WinUIMessagePump::UIObserver {
    std::vector<UINT> before, after;
    void WillProcessMessage(const MSG& m) override {
      if (m.message >= WM_APP) before.push_back(m.message);
    }
    void DidProcessMessage(const MSG& m) override {
      if (m.message >= WM_APP) after.push_back(m.message);
    }
  } observer;
  std::vector<UINT> dispatched;
  handler_ = [&](UINT message) { dispatched.push_back(message); };
  HHOOK hook = SetWindowsHookExW(WH_MSGFILTER, &EatingHook, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  loop_->ui_pump()->AddObserver(&observer);

  PostMessageW(window_, kEatenMessage, 0, 0);
  PostMessageW(window_, kKeptMessage, 0, 0);
  RunUntilIdle(loop_.get());

  loop_->ui_pump()->RemoveObserver(&observer);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(dispatched, std::vector<UINT>{kKeptMessage});
  EXPECT_EQ(observer.before, std::vector<UINT>{kKeptMessage});
  EXPECT_EQ(observer.after, std::vector<UINT>{kKeptMessage});
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770") return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

TEST_F(UIPumpTest, TasksKeepRunningInsideAMessageBox) {
  std::atomic<bool> in_box{false};
  std::atomic<int> immediate_in_box{0}, delayed_in_box{0}, outside_box{0};
  handler_ = [&](UINT message) {
    if (message != kTestMessage) return;
    in_box = true;
    MessageBoxW(nullptr, L"Pump test", L"QuorvelPumpTest", MB_OK);
    in_box = false;
    loop_->PostTask(&base::QuitCurrentLoop);
  };
  auto count = [&](std::atomic<int>* in, std::atomic<int>* out) {
    return [&in_box, in, out] { ++(in_box ? *in : *out); };
  };

  DWORD ui_thread = GetCurrentThreadId();
  auto proxy = loop_->proxy();
  std::thread watcher([&] {
    HWND box = nullptr;
    WaitUntil([&] {
      EnumThreadWindows(ui_thread, &FindDialog, reinterpret_cast<LPARAM>(&box));
      return box != nullptr;
    });
    if (!box) return;  // the box never opened; the run has ended by itself
    for (int i = 0; i < 3; ++i) proxy->PostTask(count(&immediate_in_box, &outside_box));
    proxy->PostDelayedTask(count(&delayed_in_box, &outside_box), TimeDelta::FromMilliseconds(20));
    WaitUntil([&] { return immediate_in_box == 3; });
    ScopedFakeLoopClock::Advance(20);  // the delayed task is due: the pump's timer must see it
    WaitUntil([&] { return delayed_in_box == 1; });
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  PostMessageW(window_, kTestMessage, 0, 0);
  loop_->Run();
  watcher.join();

  EXPECT_EQ(immediate_in_box, 3);
  EXPECT_EQ(delayed_in_box, 1);
  EXPECT_EQ(outside_box, 0);
}

TEST_F(UIPumpTest, AFloodOfTasksDoesNotStarveWindowMessages) {
  constexpr int kPingAt = 10;
  int tasks_run = 0;
  int ping_seen_at = -1;
  handler_ = [&](UINT message) {
    if (message == kTestMessage) ping_seen_at = tasks_run;
  };
  // Each task posts the next, so the task queue is never empty while the
  // flood lasts; it stops once the ping got through (or after a bound).
  std::function<void()> flood = [&] {
    ++tasks_run;
    if (tasks_run == kPingAt) PostMessageW(window_, kTestMessage, 0, 0);
    if (ping_seen_at < 0 && tasks_run < 100000) MessageLoop::Current()->PostTask(flood);
  };
  loop_->PostTask(flood);
  RunUntilIdle(loop_.get());
  ASSERT_GE(ping_seen_at, kPingAt);
  // Tasks run in bursts between looks at the message queue: the ping waits
  // for the burst it was posted in and for the one the wake-up queued
  // before it starts, no more.
  EXPECT_LE(ping_seen_at, kPingAt + 2 * base::WinUIMessagePump::kTasksPerBurst);
}

TEST_F(UIPumpTest, NonNestableTasksWaitForTheOuterRun) {
  std::vector<std::string> log;
  handler_ = [&](UINT message) {
    if (message != kTestMessage) return;
    // A nested run of the task loop, opened from a window message.
    loop_->PostNonNestableTask([&] { log.push_back("non-nestable"); });
    loop_->PostNonNestableDelayedTask([&] { log.push_back("non-nestable delayed"); },
                                      TimeDelta(0));
    loop_->PostTask([&] { log.push_back("nestable"); });
    loop_->PostTask(&base::QuitCurrentLoop);
    loop_->Run();
    log.push_back("nested run ended");
    loop_->PostTask(&base::QuitCurrentLoop);
  };
  PostMessageW(window_, kTestMessage, 0, 0);
  loop_->Run();
  EXPECT_EQ(log, (std::vector<std::string>{"nestable", "nested run ended", "non-nestable",
                                           "non-nestable delayed"}));
}

TEST(WinUIMessagePumpTest, WaitsRoundUpAndTheTimerHasAFloor) {
  ScopedFakeLoopClock clock;
  WinUIMessagePump pump;
  EXPECT_EQ(pump.GetWaitMilliseconds(), -1);
  struct Case {
    int64_t due_in_us;
    int64_t wait_ms;
    UINT timer_ms;
  };
  const Case cases[] = {
      {3000, 3, 10}, {5500, 6, 10}, {1, 1, 10}, {0, 0, 10}, {-4000, 0, 10}, {25000, 25, 25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.due_in_us);
    pump.SignalDelayedWork(base::LoopClock::Now() + c.due_in_us);
    EXPECT_EQ(pump.GetWaitMilliseconds(), c.wait_ms);
    EXPECT_EQ(WinUIMessagePump::TimerDelayFor(c.wait_ms), c.timer_ms);
  }
  EXPECT_EQ(WinUIMessagePump::TimerDelayFor(0x100000000ll), WinUIMessagePump::kMaxDelayMs);
}

TEST(WinIOMessagePumpTest, CompletionsReachTheirHandler) {
  struct Handler : base::WinIOMessagePump::IOHandler {
    int calls = 0;
    base::WinIOMessagePump::IOContext* context = nullptr;
    DWORD bytes = 0;
    DWORD error = 1;
    void OnIOCompleted(base::WinIOMessagePump::IOContext* c, DWORD b, DWORD e) override {
      ++calls;
      context = c;
      bytes = b;
      error = e;
    }
  } handler;
  base::IOMessageLoop loop;
  HANDLE port = loop.io_pump()->port();
  auto live = std::make_unique<base::WinIOMessagePump::IOContext>();
  live->handler = &handler;
  // A context whose handler went away: the pump deletes it.
  auto* orphan = new base::WinIOMessagePump::IOContext();
  orphan->handler = nullptr;
  ASSERT_TRUE(PostQueuedCompletionStatus(port, 17, reinterpret_cast<ULONG_PTR>(&handler),
                                         &live->overlapped));
  ASSERT_TRUE(PostQueuedCompletionStatus(port, 0, reinterpret_cast<ULONG_PTR>(&handler),
                                         &orphan->overlapped));
  bool task_run = false;
  loop.PostTask([&] { task_run = true; });
  RunUntilIdle(&loop);
  EXPECT_TRUE(task_run);
  EXPECT_EQ(handler.calls, 1);
  EXPECT_EQ(handler.context, live.get());
  EXPECT_EQ(handler.bytes, 17u);
  EXPECT_EQ(handler.error, 0u);
}

}  // namespace
