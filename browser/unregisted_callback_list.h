// UnregistedCallbackList: callbacks kept until they are taken out and run
// together (a browser client's work queued until its first browser exists).
// Each one added can be removed again through the closure AddCallback
// returns; that closure does nothing once the list is gone. Entries keep
// the order they were added in: ids come from a counter.
//
// One thread only (the thread that owns the list).
#ifndef BROWSER_UNREGISTED_CALLBACK_LIST_H_
#define BROWSER_UNREGISTED_CALLBACK_LIST_H_

#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "base/callback/weak_callback.h"

namespace comp {

template <typename Callback>
class UnregistedCallbackList : public virtual base::SupportWeakCallback {
 public:
  UnregistedCallbackList() = default;
  UnregistedCallbackList(const UnregistedCallbackList&) = delete;
  UnregistedCallbackList& operator=(const UnregistedCallbackList&) = delete;

  // Keeps a copy; the closure returned removes it again.
  std::function<void()> AddCallback(const Callback& callback) {
    int id = next_id_++;
    callbacks_[id] = std::make_shared<Callback>(callback);
    return ToWeakCallback([this, id] { callbacks_.erase(id); });
  }

  // Empties the list and hands back what it held, oldest first.
  std::vector<std::shared_ptr<Callback>> TakeAll() {
    std::vector<std::shared_ptr<Callback>> taken;
    taken.reserve(callbacks_.size());
    for (auto& entry : callbacks_) taken.push_back(std::move(entry.second));
    callbacks_.clear();
    return taken;
  }

  void Clear() { callbacks_.clear(); }
  size_t size() const { return callbacks_.size(); }
  bool empty() const { return callbacks_.empty(); }

 private:
  int next_id_ = 0;
  std::map<int, std::shared_ptr<Callback>> callbacks_;
};

}  // namespace comp

#endif  // BROWSER_UNREGISTED_CALLBACK_LIST_H_
