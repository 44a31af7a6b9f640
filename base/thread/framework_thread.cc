#include "base/thread/framework_thread.h"

#include <utility>

#include "base/message_loop/message_loop_proxy.h"
#include "base/thread/thread_local_slot.h"
#include "base/thread/thread_registry.h"

namespace base {

FrameworkThread::FrameworkThread(const char* name)
    : started_event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), name_(name ? name : "") {
  // Made now, on the owner's thread: Stop binds the quit task to it from
  // another thread than the one that may hand out callbacks later.
  GetWeakFlag();
}

FrameworkThread::~FrameworkThread() {
  Stop();
  if (started_event_) CloseHandle(started_event_);
  ReleaseWeakFlag();
}

MessageLoop* FrameworkThread::message_loop() const {
  AutoLock lock(loop_lock_);
  return message_loop_.get();
}

bool FrameworkThread::StartWithLoop(int loop_kind, WinMessagePump::Dispatcher* dispatcher) {
  if (message_loop()) return false;
  loop_kind_ = loop_kind;
  dispatcher_ = dispatcher;
  stopping_ = false;
  if (!Start()) return false;
  WaitForSingleObject(started_event_, INFINITE);
  running_ = true;
  return true;
}

void FrameworkThread::RunOnCurrentThreadWithLoop(int loop_kind,
                                                 WinMessagePump::Dispatcher* dispatcher) {
  loop_kind_ = loop_kind;
  dispatcher_ = dispatcher;
  stopping_ = false;
  running_ = true;
  Run();
}

void FrameworkThread::Run() {
  ThreadLocalSlot& data_slot = ThreadDataSlot();
  auto* data = static_cast<ThreadTlsData*>(data_slot.Get());
  if (!data) {
    data = new ThreadTlsData;
    data->owner = this;
    data_slot.Set(data);
  }
  set_thread_id(GetCurrentThreadId());

  // Each loop makes itself the thread's current loop.
  std::unique_ptr<MessageLoop> loop;
  if (loop_kind_ == kFactoryLoop && loop_factory_) {
    loop = loop_factory_->CreateMessageLoop();
  } else if (loop_kind_ == MessageLoop::kIOLoop) {
    loop = std::make_unique<IOMessageLoop>();
  } else if (loop_kind_ == MessageLoop::kUILoop) {
    loop = std::make_unique<UIMessageLoop>();
  }
  if (!loop) loop = std::make_unique<MessageLoop>();
  MessageLoop* running_loop = loop.get();
  {
    AutoLock lock(loop_lock_);
    message_loop_ = std::move(loop);
  }

  Init();
  SetEvent(started_event_);
  running_loop->Run(dispatcher_);
  Cleanup();

  std::unique_ptr<MessageLoop> dying;
  {
    AutoLock lock(loop_lock_);
    dying = std::move(message_loop_);
  }
  dying.reset();
  if (loop_kind_ == kFactoryLoop) loop_factory_.reset();
  set_thread_id(0);

  // An identifier still enrolled would point at a thread without a loop.
  ThreadRegistry::WithdrawAll(data);
  delete data;
  data_slot.Set(nullptr);
}

void FrameworkThread::Stop() {
  if (!running_) return;
  std::shared_ptr<MessageLoopProxy> proxy;
  {
    AutoLock lock(loop_lock_);
    if (!stopping_ && message_loop_) {
      stopping_ = true;
      proxy = message_loop_->proxy();
    }
  }
  // Immediate and non-nestable: it runs in the outermost run, after the
  // tasks queued before it; the loop then quits once its due tasks ran.
  if (proxy) proxy->PostNonNestableTask(ToWeakCallback(&QuitCurrentLoop));
  if (thread_handle()) Join();
  running_ = false;
}

}  // namespace base
