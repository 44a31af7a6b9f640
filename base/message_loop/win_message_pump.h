// WinMessagePump: the common base of the two Windows pumps (window messages
// and I/O completions).
//
// It keeps one run record per active run (runs nest when the loop is run
// again from inside a window message), the earliest delayed run time, and
// the have-work flag that lets at most one wake-up be in flight. Owned by its
// MessageLoop; everything runs on the loop's thread except SignalWork.
#ifndef BASE_MESSAGE_LOOP_WIN_MESSAGE_PUMP_H_
#define BASE_MESSAGE_LOOP_WIN_MESSAGE_PUMP_H_

#include <windows.h>

#include <cstdint>

#include "base/message_loop/message_pump.h"

namespace base {

struct PumpRunState;

class WinMessagePump : public MessagePump {
 public:
  // Takes over every retrieved message of a run in place of translating and
  // dispatching it; returning false ends the run.
  class Dispatcher {
   public:
    virtual ~Dispatcher() = default;
    virtual bool Dispatch(const MSG& message) = 0;
  };

  void Run(Delegate* delegate) override;
  // A run whose messages go to `dispatcher` (used by a UI loop whose run
  // carries one).
  void RunWithDispatcher(Delegate* delegate, Dispatcher* dispatcher);
  void Quit() override;

  // -1 when no delayed task is known; else the time left until it in
  // milliseconds, rounded up, and 0 when it is already due.
  int64_t GetWaitMilliseconds() const;

 protected:
  virtual void RunMessageLoop() = 0;

  int64_t delayed_work_time_ = 0;
  // 1 while a wake-up for immediate work is on its way; changed only by
  // interlocked exchange.
  volatile LONG have_work_ = 0;
  PumpRunState* state_ = nullptr;  // innermost active run, null outside runs
};

struct PumpRunState {
  int run_depth = 1;
  bool should_quit = false;
  MessagePump::Delegate* delegate = nullptr;
  WinMessagePump::Dispatcher* dispatcher = nullptr;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_WIN_MESSAGE_PUMP_H_
