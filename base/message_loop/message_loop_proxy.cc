#include "base/message_loop/message_loop_proxy.h"

#include <memory>
#include <utility>

#include "base/message_loop/message_loop.h"

namespace base {

MessageLoopProxy::MessageLoopProxy(MessageLoop* loop) : target_loop_(loop) {}

MessageLoopProxy::~MessageLoopProxy() = default;

bool MessageLoopProxy::PostTask(Closure closure) {
  AutoLock lock(lock_);
  if (!target_loop_) return false;
  target_loop_->PostTask(std::move(closure));
  return true;
}

bool MessageLoopProxy::PostDelayedTask(Closure closure, TimeDelta delay) {
  AutoLock lock(lock_);
  if (!target_loop_) return false;
  if (delay.ToMicroseconds() == 0)
    target_loop_->PostTask(std::move(closure));
  else
    target_loop_->PostDelayedTask(std::move(closure), delay);
  return true;
}

bool MessageLoopProxy::PostNonNestableTask(Closure closure) {
  AutoLock lock(lock_);
  if (!target_loop_) return false;
  target_loop_->PostNonNestableTask(std::move(closure));
  return true;
}

bool MessageLoopProxy::PostNonNestableDelayedTask(Closure closure, TimeDelta delay) {
  AutoLock lock(lock_);
  if (!target_loop_) return false;
  if (delay.ToMicroseconds() == 0)
    target_loop_->PostNonNestableTask(std::move(closure));
  else
    target_loop_->PostNonNestableDelayedTask(std::move(closure), delay);
  return true;
}

bool MessageLoopProxy::IsCurrentThread() {
  AutoLock lock(lock_);
  return target_loop_ && target_loop_ == MessageLoop::Current();
}

void MessageLoopProxy::DetachLoop() {
  AutoLock lock(lock_);
  target_loop_ = nullptr;
}

void MessageLoopProxy::DestroyOnOwnThread() {
  {
    AutoLock lock(lock_);
    if (target_loop_ && target_loop_ != MessageLoop::Current()) {
      // The deletion task owns the proxy: it deletes it when it runs, and
      // also when the loop is destroyed with the task still queued.
      std::shared_ptr<MessageLoopProxy> owner(this);
      QueuedTask task;
      task.nestable = false;
      task.closure = [owner]() mutable { owner.reset(); };
      target_loop_->EnqueueTask(std::move(task));
      return;
    }
  }
  delete this;
}

}  // namespace base
