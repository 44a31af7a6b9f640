// DefaultMessagePump: a pump that waits on an event; it drives a worker
// thread that has no windows.
//
// Owned by its MessageLoop and run on the loop's thread. SignalWork may be
// called from any thread; everything else runs on the loop's thread.
#ifndef BASE_MESSAGE_LOOP_DEFAULT_MESSAGE_PUMP_H_
#define BASE_MESSAGE_LOOP_DEFAULT_MESSAGE_PUMP_H_

#include <windows.h>

#include "base/message_loop/message_pump.h"

namespace base {

class DefaultMessagePump : public MessagePump {
 public:
  DefaultMessagePump();
  ~DefaultMessagePump() override;
  DefaultMessagePump(const DefaultMessagePump&) = delete;
  DefaultMessagePump& operator=(const DefaultMessagePump&) = delete;

  void Run(Delegate* delegate) override;
  void Quit() override;
  void SignalWork() override;
  void SignalDelayedWork(int64_t run_time) override;

 private:
  // Sleeps until signalled or until the earliest delayed task is due; does
  // not sleep at all when it is already due.
  void WaitForWork();

  HANDLE event_;  // auto-reset
  bool should_quit_ = false;
  int64_t delayed_work_time_ = 0;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_DEFAULT_MESSAGE_PUMP_H_
