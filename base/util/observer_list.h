// A list of observer pointers that tolerates removal during a notification.
//
// Owned by the object that notifies; used only on that object's thread.
// Observers removed while a notification runs are nulled and dropped once
// the outermost notification has finished.
#ifndef BASE_UTIL_OBSERVER_LIST_H_
#define BASE_UTIL_OBSERVER_LIST_H_

#include <algorithm>
#include <cstddef>
#include <vector>

namespace base {

template <typename T>
class ObserverList {
 public:
  void Add(T* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
      observers_.push_back(observer);
  }

  void Remove(T* observer) {
    auto it = std::find(observers_.begin(), observers_.end(), observer);
    if (it == observers_.end()) return;
    if (depth_ > 0)
      *it = nullptr;
    else
      observers_.erase(it);
  }

  // Calls fn(observer) for each observer; the size is re-read on every step
  // so that observers added meanwhile are told too.
  template <typename Fn>
  void Notify(Fn fn) {
    ++depth_;
    for (size_t i = 0; i < observers_.size(); ++i) {
      if (observers_[i]) fn(observers_[i]);
    }
    if (--depth_ == 0)
      observers_.erase(std::remove(observers_.begin(), observers_.end(), nullptr), observers_.end());
  }

  bool empty() const { return observers_.empty(); }

 private:
  std::vector<T*> observers_;
  int depth_ = 0;
};

}  // namespace base

#endif  // BASE_UTIL_OBSERVER_LIST_H_
