// MessagePump: the waiting half of a message loop.
//
// A pump sleeps until there is work and then calls back into its loop
// through the Delegate operations, in a fixed order, until it is told to
// quit. The loop (MessageLoop) creates its pump on its own thread and owns
// it; Run, Quit and SignalDelayedWork are called only on that thread (Quit
// and SignalDelayedWork only from inside the delegate operations), while
// SignalWork may be called from any thread.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_

#include <cstdint>

namespace base {

class MessagePump {
 public:
  // The loop's side. Each operation runs at most one task.
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // Runs one immediate task; true when one ran.
    virtual bool ProcessWork() = 0;
    // Runs one due delayed task; true when one ran. Updates *next_run_time
    // to the run time of the earliest delayed task (0 when none is known).
    virtual bool ProcessDelayedWork(int64_t* next_run_time) = 0;
    // Runs one deferred task, or turns a received quit into Quit(); true
    // when a task ran.
    virtual bool ProcessIdleWork() = 0;
  };

  virtual ~MessagePump() = default;

  // Runs until Quit() is called from inside one of the delegate operations.
  virtual void Run(Delegate* delegate) = 0;
  virtual void Quit() = 0;
  // Wakes the pump for immediate work. Any thread.
  virtual void SignalWork() = 0;
  // The earliest delayed task is now due at run_time (loop clock, us).
  virtual void SignalDelayedWork(int64_t run_time) = 0;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_
