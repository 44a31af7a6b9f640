#include "base/thread/thread_registry.h"

#include "base/message_loop/message_loop.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_local_slot.h"

namespace base {
namespace {

ThreadTlsData* CurrentData() { return static_cast<ThreadTlsData*>(ThreadDataSlot().Get()); }

}  // namespace

ThreadRegistry& ThreadRegistry::Instance() {
  static ThreadRegistry registry;  // made once even when threads race here
  return registry;
}

bool ThreadRegistry::Enroll(int id) {
  if (id < 0) return false;
  ThreadTlsData* data = CurrentData();
  if (!data) return false;
  ThreadRegistry& registry = Instance();
  AutoLock lock(registry.lock_);
  auto it = registry.threads_.find(id);
  if (it == registry.threads_.end()) {
    registry.threads_.emplace(id, data->owner);
  } else if (it->second != data->owner) {
    return false;
  }
  ++data->registration_count;
  data->registered_id = id;
  return true;
}

bool ThreadRegistry::Withdraw() {
  ThreadTlsData* data = CurrentData();
  if (!data || data->registration_count <= 0) return false;
  if (--data->registration_count > 0) return true;
  ThreadRegistry& registry = Instance();
  AutoLock lock(registry.lock_);
  auto it = registry.threads_.find(data->registered_id);
  if (it != registry.threads_.end() && it->second == data->owner) registry.threads_.erase(it);
  data->registered_id = -1;
  return true;
}

void ThreadRegistry::WithdrawAll(ThreadTlsData* data) {
  if (!data) return;
  ThreadRegistry& registry = Instance();
  AutoLock lock(registry.lock_);
  for (auto it = registry.threads_.begin(); it != registry.threads_.end();) {
    if (it->second == data->owner)
      it = registry.threads_.erase(it);
    else
      ++it;
  }
  data->registration_count = 0;
  data->registered_id = -1;
}

std::shared_ptr<MessageLoopProxy> ThreadRegistry::Find(int id) {
  ThreadRegistry& registry = Instance();
  AutoLock lock(registry.lock_);
  auto it = registry.threads_.find(id);
  if (it == registry.threads_.end()) return nullptr;
  // Taken under the lock, so a thread withdrawing meanwhile cannot leave us
  // with a loop that is being deleted.
  MessageLoop* loop = it->second->message_loop();
  return loop ? loop->proxy() : nullptr;
}

bool ThreadRegistry::Post(int id, Closure closure) {
  std::shared_ptr<MessageLoopProxy> proxy = Find(id);
  if (!proxy) return false;
  return proxy->PostTask(std::move(closure));
}

int ThreadRegistry::CurrentId() {
  ThreadTlsData* data = CurrentData();
  return data ? data->registered_id : -1;
}

void ThreadRegistry::PostRepeatedTask(int id, std::shared_ptr<const RepeatedCallback> callback,
                                      TimeDelta delay, int count) {
  std::shared_ptr<MessageLoopProxy> proxy = Find(id);
  if (!proxy) return;
  proxy->PostDelayedTask(
      [id, callback, delay, count] { RunRepeatedTask(id, callback, delay, count); }, delay);
}

void ThreadRegistry::RunRepeatedTask(int id,
                                     const std::shared_ptr<const RepeatedCallback>& callback,
                                     TimeDelta delay, int count) {
  if (callback->expired()) return;
  callback->run();
  if (callback->expired()) return;
  int next = count == -1 ? -1 : count - 1;
  // Posted after the run: the next one is due a delay after this one ended,
  // so intervals stretch with slow runs and never catch up.
  if (next != 0) PostRepeatedTask(id, callback, delay, next);
}

}  // namespace base
