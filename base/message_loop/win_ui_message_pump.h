// WinUIMessagePump: the pump of a UI thread, which is also that thread's
// Windows message loop.
//
// It retrieves and dispatches the thread's window messages, and wakes itself
// for tasks with a private message (kWmPumpWork) and for delayed tasks with a
// window timer, both aimed at a message-only window of its own. Because that
// window's procedure runs tasks too, tasks keep running while another
// message loop owns the thread (a message box, a menu, a window being moved),
// provided that loop was entered from a window message and not from a task.
//
// Constructed by UIMessageLoop on the thread that will run it, and destroyed
// there. SignalWork may be called from any thread; everything else runs on
// the pump's thread.
#ifndef BASE_MESSAGE_LOOP_WIN_UI_MESSAGE_PUMP_H_
#define BASE_MESSAGE_LOOP_WIN_UI_MESSAGE_PUMP_H_

#include <windows.h>

#include "base/message_loop/win_message_pump.h"
#include "base/util/observer_list.h"

namespace base {

class WinUIMessagePump : public WinMessagePump {
 public:
  // Told before and after each message the pump dispatches itself.
  class UIObserver {
   public:
    virtual ~UIObserver() = default;
    virtual void WillProcessMessage(const MSG& message) = 0;
    virtual void DidProcessMessage(const MSG& message) = 0;
  };

  static constexpr UINT kWmPumpWork = WM_USER + 1;
  static constexpr const wchar_t* kWindowClassName = L"ValdrimMessagePumpWindow";
  static constexpr UINT kMinTimerDelayMs = 10;
  static constexpr UINT kMaxDelayMs = 0xFFFFFFFE;  // one below INFINITE
  static constexpr int kMessageFilterCode = 0x5001;
  // How many tasks, and how long, a burst may run before the message queue
  // is looked at again.
  static constexpr int kTasksPerBurst = 512;
  static constexpr int kBurstMicros = 2000;

  WinUIMessagePump();
  ~WinUIMessagePump() override;
  WinUIMessagePump(const WinUIMessagePump&) = delete;
  WinUIMessagePump& operator=(const WinUIMessagePump&) = delete;

  void SignalWork() override;
  void SignalDelayedWork(int64_t run_time) override;

  void AddObserver(UIObserver* observer) { observers_.Add(observer); }
  void RemoveObserver(UIObserver* observer) { observers_.Remove(observer); }

  HWND window() const { return window_; }

  // The window timer's delay for a wait of `wait_ms` (-1: none known).
  static UINT TimerDelayFor(int64_t wait_ms);

 protected:
  void RunMessageLoop() override;
  virtual void NotifyBeforeMessage(const MSG& message);
  virtual void NotifyAfterMessage(const MSG& message);

 private:
  static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  // Returns whether there may be more work.
  bool HandleMessage(const MSG& message);
  // Takes the work message's place with one other message, so that a
  // steady stream of work messages cannot starve the others.
  bool HandleWorkMessage();
  // Runs tasks until none is left or the burst's time is up; whether any
  // ran. Sets work_left_ when it stopped for the time.
  bool RunWorkBurst(Delegate* delegate);
  void WaitForWork();
  void OnTimer();
  void OnWorkMessage();

  HWND window_ = nullptr;
  bool work_left_ = false;
  ObserverList<UIObserver> observers_;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_WIN_UI_MESSAGE_PUMP_H_
