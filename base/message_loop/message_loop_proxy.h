// MessageLoopProxy: the thread-safe handle through which other threads post
// to a loop.
//
// Made by its MessageLoop and owned through shared pointers whose deleter is
// DestroyOnOwnThread: the loop holds one reference and ThreadRegistry::Find
// hands out others. The proxy outlives its loop; once the loop's destructor
// has detached it, every post returns false. Every operation may be called
// from any thread and holds the proxy's lock for its whole length, so a post
// either reaches a live loop or fails.
#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_PROXY_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_PROXY_H_

#include "base/callback/closure.h"
#include "base/callback/weak_callback.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"

namespace base {

class MessageLoop;

class MessageLoopProxy : public SupportWeakCallback {
 public:
  ~MessageLoopProxy() override;
  MessageLoopProxy(const MessageLoopProxy&) = delete;
  MessageLoopProxy& operator=(const MessageLoopProxy&) = delete;

  // False, and nothing queued, once the loop is gone. A delay of 0 posts an
  // immediate task.
  virtual bool PostTask(Closure closure);
  virtual bool PostDelayedTask(Closure closure, TimeDelta delay);
  virtual bool PostNonNestableTask(Closure closure);
  virtual bool PostNonNestableDelayedTask(Closure closure, TimeDelta delay);

  // True when the loop still exists and is the calling thread's loop.
  virtual bool IsCurrentThread();

  // Called by the loop's destructor.
  virtual void DetachLoop();

  // The shared pointers' deleter: deletes the proxy on its loop's thread
  // while the loop exists, else at once.
  virtual void DestroyOnOwnThread();

 private:
  friend class MessageLoop;
  explicit MessageLoopProxy(MessageLoop* loop);

  Lock lock_;
  MessageLoop* target_loop_;  // null once detached
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_PROXY_H_
