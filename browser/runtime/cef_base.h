// The browser runtime's reference counting: every runtime object and every
// handler the launcher gives the runtime derives (virtually) from CefBase and
// deletes itself when its last reference is released. CefRefPtr holds one
// reference. Counts change atomically: references cross the runtime's
// threads and the launcher's.
//
// The runtime (libcef.dll) and the launcher are built by the same toolchain:
// these classes' virtual tables are the contract between the two modules.
#ifndef BROWSER_RUNTIME_CEF_BASE_H_
#define BROWSER_RUNTIME_CEF_BASE_H_

#include <atomic>
#include <cstddef>
#include <utility>

class CefBase {
 public:
  virtual void AddRef() const = 0;
  // True when this was the last reference (the object is then gone).
  virtual bool Release() const = 0;
  virtual bool HasOneRef() const = 0;

 protected:
  virtual ~CefBase() = default;
};

// The count an implementing class keeps; starts at 0.
class CefRefCount {
 public:
  void AddRef() const { count_.fetch_add(1, std::memory_order_relaxed); }
  bool Release() const { return count_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
  bool HasOneRef() const { return count_.load(std::memory_order_acquire) == 1; }

 private:
  mutable std::atomic<int> count_{0};
};

// Implements CefBase's three operations for `Class` with a CefRefCount, the
// last member: a reference taken in a member initialiser would be lost when
// the count is made, so constructors take them in their body.
#define CEF_IMPLEMENT_REFCOUNTING(Class)                          \
 public:                                                          \
  void AddRef() const override { cef_ref_count_.AddRef(); }      \
  bool Release() const override {                                \
    if (!cef_ref_count_.Release()) return false;                 \
    delete static_cast<const Class*>(this);                      \
    return true;                                                 \
  }                                                              \
  bool HasOneRef() const override { return cef_ref_count_.HasOneRef(); } \
                                                                 \
 private:                                                        \
  CefRefCount cef_ref_count_

template <class T>
class CefRefPtr {
 public:
  CefRefPtr() = default;
  CefRefPtr(std::nullptr_t) {}
  CefRefPtr(T* object) : object_(object) {
    if (object_) object_->AddRef();
  }
  CefRefPtr(const CefRefPtr& other) : CefRefPtr(other.object_) {}
  template <class U>
  CefRefPtr(const CefRefPtr<U>& other) : CefRefPtr(other.get()) {}
  CefRefPtr(CefRefPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  ~CefRefPtr() {
    if (object_) object_->Release();
  }
  CefRefPtr& operator=(CefRefPtr other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  // Takes over a reference that was added for the caller (as the runtime's
  // entry points return them).
  static CefRefPtr Adopt(T* object) {
    CefRefPtr result;
    result.object_ = object;
    return result;
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  bool operator==(const CefRefPtr& other) const { return object_ == other.object_; }
  bool operator!=(const CefRefPtr& other) const { return object_ != other.object_; }
  bool operator==(std::nullptr_t) const { return object_ == nullptr; }
  bool operator!=(std::nullptr_t) const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

#endif  // BROWSER_RUNTIME_CEF_BASE_H_
