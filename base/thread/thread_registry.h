// ThreadRegistry: the process-wide map from a small thread identifier to the
// framework thread enrolled under it, and the one way work crosses threads:
// a closure posted to an identifier runs on that thread's loop.
//
// Made on first use and kept to process exit. Every operation may be called
// from any thread; Enroll and Withdraw act on the calling framework thread
// (between its loop's creation and deletion). Posting happens outside the
// registry's lock, through the loop's MessageLoopProxy.
#ifndef BASE_THREAD_THREAD_REGISTRY_H_
#define BASE_THREAD_THREAD_REGISTRY_H_

#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "base/callback/closure.h"
#include "base/callback/weak_callback.h"
#include "base/message_loop/message_loop_proxy.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"

namespace base {

class FrameworkThread;
struct ThreadTlsData;

// The launcher's two threads.
constexpr int kUiThreadId = 0;
constexpr int kMiscThreadId = 1;

class ThreadRegistry {
 public:
  static ThreadRegistry& Instance();

  // Registers the calling framework thread under `id`. False for a negative
  // id, outside a framework thread's run, or when another thread holds it.
  // Enrolling again from the same thread only counts.
  static bool Enroll(int id);
  // Undoes one Enroll of the calling thread; the last one frees the id.
  static bool Withdraw();
  // The proxy of the loop of the thread enrolled under `id`, or empty.
  static std::shared_ptr<MessageLoopProxy> Find(int id);
  // Queues an immediate task on thread `id`. False when no thread is
  // enrolled there (or its loop is gone): the closure is then released
  // unrun on the calling thread.
  static bool Post(int id, Closure closure);
  // Runs `callback` on thread `id` `count` times (-1: for ever), each run
  // `delay` after the end of the previous one (the first `delay` after the
  // post). Stops when the callback's owner is gone or the id is no longer
  // enrolled. A count of 0 or below -1 posts nothing.
  template <typename F>
  static void PostRepeating(int id, const WeakCallback<F>& callback, TimeDelta delay, int count);
  // The calling thread's identifier, or -1.
  static int CurrentId();

  // Removes every identifier the record still holds; used when a framework
  // thread's run ends without having withdrawn.
  static void WithdrawAll(ThreadTlsData* data);

 private:
  struct RepeatedCallback {
    std::function<bool()> expired;
    Closure run;
  };

  ThreadRegistry() = default;
  static void PostRepeatedTask(int id, std::shared_ptr<const RepeatedCallback> callback,
                               TimeDelta delay, int count);
  static void RunRepeatedTask(int id, const std::shared_ptr<const RepeatedCallback>& callback,
                              TimeDelta delay, int count);

  Lock lock_;
  std::map<int, FrameworkThread*> threads_;
};

template <typename F>
void ThreadRegistry::PostRepeating(int id, const WeakCallback<F>& callback, TimeDelta delay,
                                   int count) {
  if (count == 0 || count < -1) return;
  auto shared = std::make_shared<WeakCallback<F>>(callback);
  auto repeated = std::make_shared<const RepeatedCallback>(
      RepeatedCallback{[shared] { return shared->Expired(); }, [shared] { (*shared)(); }});
  PostRepeatedTask(id, std::move(repeated), delay, count);
}

}  // namespace base

#endif  // BASE_THREAD_THREAD_REGISTRY_H_
