#include "base/message_loop/default_message_pump.h"

#include "base/time/time.h"

namespace base {
namespace {

// Time left in whole milliseconds, rounded up so that a wait never ends
// before the task is due, and kept below INFINITE.
DWORD WaitMillisecondsFor(int64_t microseconds_left) {
  int64_t ms = (microseconds_left + 999) / 1000;
  if (ms >= 0xFFFFFFFFll) ms = 0xFFFFFFFEll;
  return static_cast<DWORD>(ms);
}

}  // namespace

DefaultMessagePump::DefaultMessagePump()
    : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

DefaultMessagePump::~DefaultMessagePump() {
  if (event_) CloseHandle(event_);
}

void DefaultMessagePump::Run(Delegate* delegate) {
  bool did_work = delegate->ProcessWork();
  while (!should_quit_) {
    did_work |= delegate->ProcessDelayedWork(&delayed_work_time_);
    if (should_quit_) break;
    if (!did_work) {
      bool idle = delegate->ProcessIdleWork();
      if (should_quit_) break;
      if (!idle) WaitForWork();
    }
    did_work = delegate->ProcessWork();
  }
  // Cleared so that the pump can be run again.
  should_quit_ = false;
}

void DefaultMessagePump::WaitForWork() {
  if (delayed_work_time_ == 0) {
    WaitForSingleObject(event_, INFINITE);
    return;
  }
  int64_t left = delayed_work_time_ - LoopClock::Now();
  if (left > 0) {
    WaitForSingleObject(event_, WaitMillisecondsFor(left));
  } else {
    delayed_work_time_ = 0;
  }
}

void DefaultMessagePump::Quit() { should_quit_ = true; }

void DefaultMessagePump::SignalWork() { SetEvent(event_); }

void DefaultMessagePump::SignalDelayedWork(int64_t run_time) { delayed_work_time_ = run_time; }

}  // namespace base
