// Weak callbacks: closures that turn into no-ops once their owner is gone.
//
// An object that hands out closures (to task queues, timers, event lists, the
// browser) derives virtually from SupportWeakCallback and wraps each closure
// with ToWeakCallback. The owner holds the only strong reference to a shared
// flag; callbacks hold weak references. Destroying the owner (or cancelling a
// WeakCallbackFlag member) makes every callback made from it do nothing.
//
// Threads: callbacks may be copied, posted and released on any thread. The
// liveness test does not keep the owner alive while the callback runs, so an
// owner must be destroyed only on the thread that runs its callbacks.
#ifndef BASE_CALLBACK_WEAK_CALLBACK_H_
#define BASE_CALLBACK_WEAK_CALLBACK_H_

#include <memory>
#include <type_traits>
#include <utility>

namespace base {

// Never instantiated: only the shared-ownership record's counts matter.
class WeakFlag {};

template <typename F>
class WeakCallback {
 public:
  WeakCallback(std::weak_ptr<WeakFlag> flag, F f)
      : flag_(std::move(flag)), f_(std::move(f)) {}

  bool Expired() const { return flag_.expired(); }

  // Runs F when the owner is alive; otherwise returns a default result
  // (nothing, or false for the UI's bool event callbacks).
  template <typename... Args>
  auto operator()(Args&&... args) const
      -> decltype(std::declval<F&>()(std::forward<Args>(args)...)) {
    using R = decltype(std::declval<F&>()(std::forward<Args>(args)...));
    if (flag_.expired()) {
      if constexpr (std::is_void_v<R>) {
        return;
      } else {
        return R();
      }
    }
    return f_(std::forward<Args>(args)...);
  }

 private:
  std::weak_ptr<WeakFlag> flag_;
  mutable F f_;
};

class SupportWeakCallback {
 public:
  SupportWeakCallback() = default;
  // Copies get a flag of their own: callbacks belong to one object.
  SupportWeakCallback(const SupportWeakCallback&) {}
  SupportWeakCallback& operator=(const SupportWeakCallback&) { return *this; }
  virtual ~SupportWeakCallback() = default;

  std::weak_ptr<WeakFlag> GetWeakFlag() {
    // The record's object pointer is null, so test the count, not the pointer.
    if (flag_.use_count() == 0)
      flag_ = std::shared_ptr<WeakFlag>(static_cast<WeakFlag*>(nullptr));
    return flag_;
  }

  template <typename F>
  WeakCallback<std::decay_t<F>> ToWeakCallback(F&& f) {
    return WeakCallback<std::decay_t<F>>(GetWeakFlag(), std::forward<F>(f));
  }

  bool HasWeakFlag() const { return flag_.use_count() != 0; }

 protected:
  void ReleaseWeakFlag() { flag_.reset(); }

 private:
  std::shared_ptr<WeakFlag> flag_;
};

// A group of callbacks that its holder can cancel without cancelling the
// callbacks made from the holder itself.
class WeakCallbackFlag final : public SupportWeakCallback {
 public:
  // Callbacks made earlier die; the next GetWeakFlag makes a fresh flag.
  void Cancel() { ReleaseWeakFlag(); }
};

}  // namespace base

#endif  // BASE_CALLBACK_WEAK_CALLBACK_H_
