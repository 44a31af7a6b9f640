// FrameworkThread: a thread that owns one message loop for its whole run,
// with the hooks Init and Cleanup that run on it before and after the loop.
//
// The owner constructs it on its own thread and then either starts it on a
// new thread (StartWithLoop) or runs it on the calling thread
// (RunOnCurrentThreadWithLoop, for the process's main thread). Init,
// Cleanup and the loop run on the framework thread; Stop is called from
// another thread (or after the run, from the same one) and must never be
// called from the thread's own loop while it runs: it would wait for
// itself. A derived class must be stopped before it is destroyed.
#ifndef BASE_THREAD_FRAMEWORK_THREAD_H_
#define BASE_THREAD_FRAMEWORK_THREAD_H_

#include <windows.h>

#include <memory>
#include <string>

#include "base/callback/weak_callback.h"
#include "base/message_loop/message_loop.h"
#include "base/synchronization/lock.h"
#include "base/thread/thread.h"

namespace base {

// Makes the loop of a thread started with loop kind kFactoryLoop.
class MessageLoopFactory {
 public:
  virtual ~MessageLoopFactory() = default;
  virtual std::unique_ptr<MessageLoop> CreateMessageLoop() = 0;
};

class FrameworkThread : public Thread, public virtual SupportWeakCallback {
 public:
  // Loop kinds beyond MessageLoop's: a loop made by the factory.
  static constexpr int kFactoryLoop = 3;

  explicit FrameworkThread(const char* name);
  ~FrameworkThread() override;

  // Starts a new thread and waits until its loop exists and Init returned.
  // False when no thread could be made (the thread is then not running).
  bool StartWithLoop(int loop_kind, WinMessagePump::Dispatcher* dispatcher = nullptr);
  // Runs the thread on the calling thread; returns when its loop ends.
  void RunOnCurrentThreadWithLoop(int loop_kind, WinMessagePump::Dispatcher* dispatcher = nullptr);
  // Queues the quit task: the thread runs its due tasks, quits once idle,
  // runs Cleanup and ends; then waits for it.
  void Stop();

  void SetMessageLoopFactory(std::shared_ptr<MessageLoopFactory> factory) {
    loop_factory_ = std::move(factory);
  }

  bool IsRunning() const { return running_; }
  const std::string& name() const { return name_; }
  // The thread's loop while it runs, else null.
  MessageLoop* message_loop() const;

 protected:
  void Run() override;
  virtual void Init() {}
  virtual void Cleanup() {}

 private:
  bool running_ = false;
  bool stopping_ = false;
  int loop_kind_ = MessageLoop::kDefaultLoop;
  mutable Lock loop_lock_;  // guards the loop pointer against Stop and Find
  std::unique_ptr<MessageLoop> message_loop_;
  std::shared_ptr<MessageLoopFactory> loop_factory_;
  WinMessagePump::Dispatcher* dispatcher_ = nullptr;
  HANDLE started_event_;  // auto-reset
  std::string name_;
};

}  // namespace base

#endif  // BASE_THREAD_FRAMEWORK_THREAD_H_
