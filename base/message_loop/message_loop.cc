#include "base/message_loop/message_loop.h"

#include <algorithm>
#include <utility>

#include "base/message_loop/default_message_pump.h"
#include "base/message_loop/message_loop_proxy.h"
#include "base/message_loop/win_io_message_pump.h"
#include "base/message_loop/win_ui_message_pump.h"
#include "base/thread/thread_local_slot.h"

namespace base {
namespace {

// Sequence numbers wrap after 2^32 delayed tasks; comparing their difference
// keeps equal due times in posting order across the wrap.
bool SequenceBefore(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)) < 0;
}

// Heap order: true when `a` runs after `b`, so the heap's front is the
// earliest task.
bool RunsLater(const QueuedTask& a, const QueuedTask& b) {
  if (a.run_time != b.run_time) return a.run_time > b.run_time;
  return SequenceBefore(b.sequence, a.sequence);
}

// Tried this many times when destroying a task keeps posting new ones.
constexpr int kMaxDestructionPasses = 100;

}  // namespace

MessageLoop::MessageLoop() : MessageLoop(kDefaultLoop, std::make_shared<DefaultMessagePump>()) {}

MessageLoop::MessageLoop(int kind, std::shared_ptr<MessagePump> pump)
    : kind_(kind), pump_(std::move(pump)) {
  CurrentLoopSlot().Set(this);
  proxy_ = std::shared_ptr<MessageLoopProxy>(
      new MessageLoopProxy(this), [](MessageLoopProxy* proxy) { proxy->DestroyOnOwnThread(); });
}

MessageLoop::~MessageLoop() {
  // Destroying a task may post new ones; the passes clean those up, and the
  // limit ends a chain of tasks that keep posting.
  for (int pass = 0; pass < kMaxDestructionPasses; ++pass) {
    DiscardPendingTasks();
    TakeIncomingTasks();
    if (!DiscardPendingTasks()) break;
  }
  destruction_observers_.Notify(
      [](DestructionObserver* o) { o->WillDestroyCurrentMessageLoop(); });
  proxy_->DetachLoop();  // posts through the proxy fail from here on
  proxy_.reset();
  CurrentLoopSlot().Set(nullptr);

  // Whatever is still queued goes unrun; the lock outlives the queues.
  std::deque<QueuedTask> incoming;
  {
    AutoLock lock(incoming_lock_);
    incoming.swap(incoming_queue_);
  }
  incoming.clear();
  work_queue_.clear();
  deferred_queue_.clear();
  delayed_heap_.clear();
}

MessageLoop* MessageLoop::Current() { return static_cast<MessageLoop*>(CurrentLoopSlot().Get()); }

void MessageLoop::PostTask(Closure closure) { PostQueuedTask(std::move(closure), 0, true); }

void MessageLoop::PostDelayedTask(Closure closure, TimeDelta delay) {
  PostQueuedTask(std::move(closure), LoopClock::Now() + delay.ToMicroseconds(), true);
}

void MessageLoop::PostNonNestableTask(Closure closure) {
  PostQueuedTask(std::move(closure), 0, false);
}

void MessageLoop::PostNonNestableDelayedTask(Closure closure, TimeDelta delay) {
  PostQueuedTask(std::move(closure), LoopClock::Now() + delay.ToMicroseconds(), false);
}

void MessageLoop::PostQueuedTask(Closure closure, int64_t run_time, bool nestable) {
  QueuedTask task;
  task.run_time = run_time;
  task.nestable = nestable;
  task.closure = std::move(closure);
  EnqueueTask(std::move(task));
}

void MessageLoop::EnqueueTask(QueuedTask task) {
  std::shared_ptr<MessagePump> pump;
  {
    AutoLock lock(incoming_lock_);
    bool was_empty = incoming_queue_.empty();
    incoming_queue_.push_back(std::move(task));
    // The loop takes the whole queue whenever its work queue runs dry, so
    // only the empty-to-non-empty change needs a wake-up.
    if (!was_empty) return;
    pump = pump_;
  }
  pump->SignalWork();
}

void MessageLoop::Run(WinMessagePump::Dispatcher* dispatcher) {
  LoopRunState state;
  state.run_depth = current_run_state_ ? current_run_state_->run_depth + 1 : 1;
  state.dispatcher = dispatcher;
  LoopRunState* previous = current_run_state_;
  current_run_state_ = &state;
  RunPump();
  current_run_state_ = previous;
}

void MessageLoop::RunPump() {
  if (!current_run_state_->dispatcher || kind_ != kUILoop) {
    pump_->Run(this);
    return;
  }
  static_cast<WinMessagePump*>(pump_.get())
      ->RunWithDispatcher(this, current_run_state_->dispatcher);
}

void MessageLoop::QuitWhenIdle() {
  if (current_run_state_) current_run_state_->quit_received = true;
}

void MessageLoop::TakeIncomingTasks() {
  if (!work_queue_.empty()) return;
  AutoLock lock(incoming_lock_);
  incoming_queue_.swap(work_queue_);  // the whole batch for one lock
}

bool MessageLoop::AddToDelayedHeap(QueuedTask task) {
  task.sequence = next_sequence_;
  next_sequence_ = static_cast<int32_t>(static_cast<uint32_t>(next_sequence_) + 1);
  int32_t sequence = task.sequence;
  delayed_heap_.push_back(std::move(task));
  std::push_heap(delayed_heap_.begin(), delayed_heap_.end(), &RunsLater);
  return delayed_heap_.front().sequence == sequence;
}

QueuedTask MessageLoop::PopDelayedHeap() {
  std::pop_heap(delayed_heap_.begin(), delayed_heap_.end(), &RunsLater);
  QueuedTask task = std::move(delayed_heap_.back());
  delayed_heap_.pop_back();
  return task;
}

bool MessageLoop::ProcessWork() {
  if (!nestable_tasks_allowed_) return false;  // a task is running
  TakeIncomingTasks();
  while (!work_queue_.empty()) {
    QueuedTask task = std::move(work_queue_.front());
    work_queue_.pop_front();
    if (task.run_time != 0) {
      int64_t run_time = task.run_time;
      if (AddToDelayedHeap(std::move(task))) pump_->SignalDelayedWork(run_time);
    } else if (task.nestable || run_depth() == 1) {
      RunTask(task);
      return true;
    } else {
      deferred_queue_.push_back(std::move(task));
    }
    TakeIncomingTasks();
  }
  return false;
}

bool MessageLoop::ProcessDelayedWork(int64_t* next_run_time) {
  if (!nestable_tasks_allowed_ || delayed_heap_.empty()) {
    recent_time_ = 0;
    *next_run_time = 0;
    return false;
  }
  int64_t run_time = delayed_heap_.front().run_time;
  if (run_time > recent_time_) {
    // Read the clock only when the cached reading cannot prove it due.
    recent_time_ = LoopClock::Now();
    if (recent_time_ < run_time) {
      *next_run_time = run_time;
      return false;
    }
  }
  QueuedTask task = PopDelayedHeap();
  if (!delayed_heap_.empty()) *next_run_time = delayed_heap_.front().run_time;
  if (task.nestable || run_depth() == 1) {
    RunTask(task);
    return true;
  }
  deferred_queue_.push_back(std::move(task));
  return false;
}

bool MessageLoop::ProcessIdleWork() {
  if (run_depth() == 1 && !deferred_queue_.empty()) {
    QueuedTask task = std::move(deferred_queue_.front());
    deferred_queue_.pop_front();
    RunTask(task);
    return true;
  }
  // A quit takes effect only once the loop is idle: due tasks run first.
  if (current_run_state_ && current_run_state_->quit_received) pump_->Quit();
  return false;
}

void MessageLoop::RunTask(QueuedTask& task) {
  nestable_tasks_allowed_ = false;
  task_observers_.Notify([&task](TaskObserver* o) { o->WillProcessTask(task); });
  if (task.closure) task.closure();
  task_observers_.Notify([&task](TaskObserver* o) { o->DidProcessTask(task); });
  nestable_tasks_allowed_ = true;
}

bool MessageLoop::DiscardPendingTasks() {
  while (!work_queue_.empty()) {
    QueuedTask task = std::move(work_queue_.front());
    work_queue_.pop_front();
    if (task.run_time != 0) AddToDelayedHeap(std::move(task));
  }
  while (!deferred_queue_.empty()) {
    QueuedTask task = std::move(deferred_queue_.front());
    deferred_queue_.pop_front();
  }
  bool had_delayed = !delayed_heap_.empty();
  while (!delayed_heap_.empty()) PopDelayedHeap();
  return had_delayed;
}

UIMessageLoop::UIMessageLoop() : MessageLoop(kUILoop, std::make_shared<WinUIMessagePump>()) {}

WinUIMessagePump* UIMessageLoop::ui_pump() const { return static_cast<WinUIMessagePump*>(pump()); }

IOMessageLoop::IOMessageLoop() : MessageLoop(kIOLoop, std::make_shared<WinIOMessagePump>()) {}

WinIOMessagePump* IOMessageLoop::io_pump() const { return static_cast<WinIOMessagePump*>(pump()); }

void QuitCurrentLoop() {
  if (MessageLoop* loop = MessageLoop::Current()) loop->QuitWhenIdle();
}

}  // namespace base
