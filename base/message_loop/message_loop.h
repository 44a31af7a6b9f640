// MessageLoop: the task loop of one thread.
//
// Any thread may post closures; the loop's own thread runs them one at a
// time: immediate tasks in posting order, delayed tasks by due time (equal
// due times in the order the loop took them over), non-nestable tasks only
// in the outermost run. While a task runs no other task of the loop runs,
// not even inside a modal Windows loop opened by that task. The loop waits
// through its pump (DefaultMessagePump here; WinUIMessagePump for
// UIMessageLoop, WinIOMessagePump for IOMessageLoop), which calls back
// through the MessagePump::Delegate operations.
//
// A loop is constructed, run and destroyed on one thread (a FrameworkThread
// does all three). Other threads reach it through its MessageLoopProxy,
// which outlives it and then refuses posts. The posting operations and
// EnqueueTask may be called from any thread; everything else belongs to the
// loop's thread.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "base/callback/closure.h"
#include "base/message_loop/message_pump.h"
#include "base/message_loop/win_message_pump.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"
#include "base/util/observer_list.h"

namespace base {

class MessageLoopProxy;
class WinUIMessagePump;
class WinIOMessagePump;

struct QueuedTask {
  int64_t run_time = 0;   // loop clock, us; 0 runs as soon as possible
  int32_t sequence = 0;   // set when the task enters the delayed heap
  bool nestable = true;   // false: only in the outermost run
  Closure closure;
};

// One run of a loop; runs nest when the loop is run again while running.
struct LoopRunState {
  int run_depth = 1;
  bool quit_received = false;
  WinMessagePump::Dispatcher* dispatcher = nullptr;
};

class MessageLoop : public MessagePump::Delegate {
 public:
  static constexpr int kDefaultLoop = 0;
  static constexpr int kUILoop = 1;
  static constexpr int kIOLoop = 2;

  class TaskObserver {
   public:
    virtual ~TaskObserver() = default;
    virtual void WillProcessTask(const QueuedTask& task) = 0;
    virtual void DidProcessTask(const QueuedTask& task) = 0;
  };

  class DestructionObserver {
   public:
    virtual ~DestructionObserver() = default;
    virtual void WillDestroyCurrentMessageLoop() = 0;
  };

  // Must be constructed on the thread that will run it; becomes that
  // thread's current loop.
  MessageLoop();
  // On the loop's thread, after its last run. Queued tasks are destroyed
  // unrun; the proxy is detached.
  ~MessageLoop() override;
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // The calling thread's loop, or null.
  static MessageLoop* Current();

  // Any thread. None fails; a loop that is gone is caught by its proxy.
  void PostTask(Closure closure);
  void PostDelayedTask(Closure closure, TimeDelta delay);
  void PostNonNestableTask(Closure closure);
  void PostNonNestableDelayedTask(Closure closure, TimeDelta delay);

  // Runs the loop on its thread until a quit is received and the loop is
  // idle (or, on a UI loop, until WM_QUIT). Nested calls make nested runs.
  void Run(WinMessagePump::Dispatcher* dispatcher = nullptr);

  // MessagePump::Delegate, called by the pump on the loop's thread.
  bool ProcessWork() override;
  bool ProcessDelayedWork(int64_t* next_run_time) override;
  bool ProcessIdleWork() override;

  // Appends to the incoming queue and wakes the pump when that queue was
  // empty. Any thread.
  virtual void EnqueueTask(QueuedTask task);

  // Runs the pump for the current run state.
  void RunPump();

  // Sets quit received on the current run, which ends once the loop is idle.
  void QuitWhenIdle();

  int kind() const { return kind_; }
  MessagePump* pump() const { return pump_.get(); }
  std::shared_ptr<MessageLoopProxy> proxy() const { return proxy_; }
  LoopRunState* current_run_state() const { return current_run_state_; }

  void AddTaskObserver(TaskObserver* observer) { task_observers_.Add(observer); }
  void RemoveTaskObserver(TaskObserver* observer) { task_observers_.Remove(observer); }
  void AddDestructionObserver(DestructionObserver* observer) { destruction_observers_.Add(observer); }
  void RemoveDestructionObserver(DestructionObserver* observer) {
    destruction_observers_.Remove(observer);
  }

 protected:
  MessageLoop(int kind, std::shared_ptr<MessagePump> pump);

 private:
  void PostQueuedTask(Closure closure, int64_t run_time, bool nestable);
  void TakeIncomingTasks();
  // Gives the task its sequence number; true when it became the first.
  bool AddToDelayedHeap(QueuedTask task);
  QueuedTask PopDelayedHeap();
  void RunTask(QueuedTask& task);
  // True when the delayed heap held any task.
  bool DiscardPendingTasks();
  int run_depth() const { return current_run_state_ ? current_run_state_->run_depth : 0; }

  int kind_;
  LoopRunState* current_run_state_ = nullptr;
  std::shared_ptr<MessagePump> pump_;
  bool nestable_tasks_allowed_ = true;
  Lock incoming_lock_;
  std::deque<QueuedTask> incoming_queue_;  // guarded by incoming_lock_
  std::deque<QueuedTask> work_queue_;
  std::deque<QueuedTask> deferred_queue_;
  std::vector<QueuedTask> delayed_heap_;  // std::*_heap order, earliest first
  int32_t next_sequence_ = 0;
  int64_t recent_time_ = 0;  // last clock reading for the heap, 0 when none
  ObserverList<TaskObserver> task_observers_;
  ObserverList<DestructionObserver> destruction_observers_;
  std::shared_ptr<MessageLoopProxy> proxy_;
};

// A loop that is also its thread's Windows message loop.
class UIMessageLoop : public MessageLoop {
 public:
  UIMessageLoop();
  WinUIMessagePump* ui_pump() const;
};

// A loop that waits on an I/O completion port.
class IOMessageLoop : public MessageLoop {
 public:
  IOMessageLoop();
  WinIOMessagePump* io_pump() const;
};

// The quit task: the calling thread's loop ends its current run once idle.
void QuitCurrentLoop();

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
