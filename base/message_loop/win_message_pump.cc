#include "base/message_loop/win_message_pump.h"

#include "base/time/time.h"

namespace base {

void WinMessagePump::Run(Delegate* delegate) { RunWithDispatcher(delegate, nullptr); }

void WinMessagePump::RunWithDispatcher(Delegate* delegate, Dispatcher* dispatcher) {
  PumpRunState state;
  state.run_depth = state_ ? state_->run_depth + 1 : 1;
  state.delegate = delegate;
  state.dispatcher = dispatcher;
  PumpRunState* previous = state_;
  state_ = &state;
  RunMessageLoop();
  state_ = previous;
}

void WinMessagePump::Quit() {
  if (state_) state_->should_quit = true;
}

int64_t WinMessagePump::GetWaitMilliseconds() const {
  if (delayed_work_time_ == 0) return -1;
  int64_t left = delayed_work_time_ - LoopClock::Now();
  if (left <= 0) return 0;
  return (left + 999) / 1000;
}

}  // namespace base
