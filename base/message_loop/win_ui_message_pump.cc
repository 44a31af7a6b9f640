#include "base/message_loop/win_ui_message_pump.h"

namespace base {
namespace {

HWND CreatePumpWindow(HINSTANCE instance) {
  return CreateWindowExW(0, WinUIMessagePump::kWindowClassName, nullptr, 0, 0, 0, 0, 0,
                         HWND_MESSAGE, nullptr, instance, nullptr);
}

}  // namespace

WinUIMessagePump::WinUIMessagePump() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &WinUIMessagePump::WndProc;
  window_class.hInstance = instance;
  window_class.lpszClassName = kWindowClassName;
  // Fails harmlessly when another pump registered the class already.
  RegisterClassExW(&window_class);
  window_ = CreatePumpWindow(instance);
  if (!window_) {
    // Another pump may have unregistered the class between our registration
    // and the creation: register again and retry once.
    RegisterClassExW(&window_class);
    window_ = CreatePumpWindow(instance);
  }
  if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WinUIMessagePump::~WinUIMessagePump() {
  if (window_) {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
  }
  // Fails while other pumps still have windows of the class; that is fine.
  UnregisterClassW(kWindowClassName, GetModuleHandleW(nullptr));
}

void WinUIMessagePump::SignalWork() {
  if (InterlockedExchange(&have_work_, 1) != 0) return;
  if (!PostMessageW(window_, kWmPumpWork, reinterpret_cast<WPARAM>(this), 0)) {
    // The queue is full: let a later signal try again instead of leaving the
    // flag set with no work message on its way.
    InterlockedExchange(&have_work_, 0);
  }
}

UINT WinUIMessagePump::TimerDelayFor(int64_t wait_ms) {
  if (wait_ms < kMinTimerDelayMs) return kMinTimerDelayMs;
  if (wait_ms >= 0xFFFFFFFFll) return kMaxDelayMs;
  return static_cast<UINT>(wait_ms);
}

void WinUIMessagePump::SignalDelayedWork(int64_t run_time) {
  delayed_work_time_ = run_time;
  // Setting the timer again replaces the previous one.
  SetTimer(window_, reinterpret_cast<UINT_PTR>(this), TimerDelayFor(GetWaitMilliseconds()),
           nullptr);
}

void WinUIMessagePump::NotifyBeforeMessage(const MSG& message) {
  observers_.Notify([&message](UIObserver* o) { o->WillProcessMessage(message); });
}

void WinUIMessagePump::NotifyAfterMessage(const MSG& message) {
  observers_.Notify([&message](UIObserver* o) { o->DidProcessMessage(message); });
}

void WinUIMessagePump::RunMessageLoop() {
  PumpRunState* state = state_;
  Delegate* delegate = state->delegate;
  for (;;) {
    // Messages sent from other threads are handled inside PeekMessage, which
    // then returns nothing: peek again rather than sleep.
    bool more_work = (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
    MSG message;
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == kWmPumpWork && message.hwnd == window_) {
        // Our own wake-up: the burst below runs the work. Posts from here
        // on send one new wake-up, however many there are.
        InterlockedExchange(&have_work_, 0);
        more_work = true;
      } else {
        // A message that enters a modal loop must find a wake-up queued
        // when tasks are left over, or they would wait for the next post.
        if (work_left_) SignalWork();
        more_work = HandleMessage(message);
      }
      if (state->should_quit) break;
    }
    more_work |= RunWorkBurst(delegate);
    if (state->should_quit) break;
    more_work |= delegate->ProcessDelayedWork(&delayed_work_time_);
    if (state->should_quit) break;
    if (more_work && delayed_work_time_ == 0)
      KillTimer(window_, reinterpret_cast<UINT_PTR>(this));  // no delayed task left
    if (more_work) continue;
    more_work = delegate->ProcessIdleWork();
    if (state->should_quit) break;
    if (more_work) continue;
    WaitForWork();
  }
}

bool WinUIMessagePump::RunWorkBurst(Delegate* delegate) {
  // Each look at the message queue is a round trip to Wine's server (tens of
  // microseconds), so tasks run in bursts between looks; a burst is short in
  // count and in time so input and paints stay prompt.
  LARGE_INTEGER start, now, frequency;
  QueryPerformanceCounter(&start);
  QueryPerformanceFrequency(&frequency);
  const LONGLONG budget = frequency.QuadPart * kBurstMicros / 1000000;
  bool ran = false;
  work_left_ = true;
  for (int n = 0; n < kTasksPerBurst; ++n) {
    if (state_->should_quit) break;
    if (!delegate->ProcessWork()) {
      work_left_ = false;
      break;
    }
    ran = true;
    QueryPerformanceCounter(&now);
    if (now.QuadPart - start.QuadPart >= budget) break;
  }
  return ran;
}

void WinUIMessagePump::WaitForWork() {
  int64_t wait_ms = GetWaitMilliseconds();
  DWORD timeout = wait_ms < 0 ? INFINITE
                              : (wait_ms >= 0xFFFFFFFFll ? kMaxDelayMs : static_cast<DWORD>(wait_ms));
  DWORD result = MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (result == WAIT_OBJECT_0) {
    // Mouse input of a window of another thread whose input is attached to
    // ours wakes us but cannot be retrieved here; wait for real input instead
    // of spinning.
    MSG message;
    if ((HIWORD(GetQueueStatus(QS_MOUSE)) & QS_MOUSE) &&
        !PeekMessageW(&message, nullptr, WM_MOUSEFIRST, 0x20D, PM_NOREMOVE)) {
      WaitMessage();
    }
  }
}

bool WinUIMessagePump::HandleMessage(const MSG& message) {
  if (message.message == WM_QUIT) {
    state_->should_quit = true;
    // Posted again so that an enclosing loop sees it too.
    PostQuitMessage(static_cast<int>(message.wParam));
    return false;
  }
  if (message.message == kWmPumpWork && message.hwnd == window_) return HandleWorkMessage();
  // Consumed by a message hook.
  if (CallMsgFilterW(const_cast<MSG*>(&message), kMessageFilterCode)) return true;

  NotifyBeforeMessage(message);
  if (state_->dispatcher) {
    if (!state_->dispatcher->Dispatch(message)) state_->should_quit = true;
  } else {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  NotifyAfterMessage(message);
  return true;
}

bool WinUIMessagePump::HandleWorkMessage() {
  MSG message;
  bool have_message = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE;
  // A new work message may be posted from here on.
  InterlockedExchange(&have_work_, 0);
  if (!have_message) return false;
  // Look at work again even if the message just retrieved enters a modal
  // loop of the system.
  SignalWork();
  return HandleMessage(message);
}

void WinUIMessagePump::OnTimer() {
  KillTimer(window_, reinterpret_cast<UINT_PTR>(this));
  // Outside any run (a modal loop of the system owns the thread before the
  // loop runs) there is no delegate to ask.
  if (!state_) return;
  state_->delegate->ProcessDelayedWork(&delayed_work_time_);
  if (delayed_work_time_ != 0) SignalDelayedWork(delayed_work_time_);
}

void WinUIMessagePump::OnWorkMessage() {
  if (!state_) {
    InterlockedExchange(&have_work_, 0);
    return;
  }
  HandleWorkMessage();
  if (state_ && state_->delegate->ProcessWork()) SignalWork();
}

LRESULT CALLBACK WinUIMessagePump::WndProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  auto* pump = reinterpret_cast<WinUIMessagePump*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (pump && wparam == reinterpret_cast<WPARAM>(pump)) {
    if (message == WM_TIMER) {
      pump->OnTimer();
    } else if (message == kWmPumpWork) {
      pump->OnWorkMessage();
    }
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace base
