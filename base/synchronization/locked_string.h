// LockedString: a text that one thread replaces while another reads it.
//
// Every read hands out a copy taken under the string's own lock and every
// write replaces the whole text, so no thread ever sees a text that is being
// rewritten. Copying a LockedString copies its current text; the lock itself
// is never shared.
//
// Any thread may use every operation. Nothing else is locked while the lock
// is held.
#ifndef BASE_SYNCHRONIZATION_LOCKED_STRING_H_
#define BASE_SYNCHRONIZATION_LOCKED_STRING_H_

#include <mutex>
#include <string>
#include <utility>

template <typename S>
class LockedString {
 public:
  using Char = typename S::value_type;

  LockedString() = default;
  LockedString(S text) : value_(std::move(text)) {}  // NOLINT: plain text converts
  LockedString(const Char* text) : value_(text) {}   // NOLINT
  LockedString(const LockedString& other) : value_(other.Get()) {}

  LockedString& operator=(const LockedString& other) {
    if (this != &other) Set(other.Get());
    return *this;
  }
  LockedString& operator=(S text) {
    Set(std::move(text));
    return *this;
  }
  LockedString& operator=(const Char* text) {
    Set(S(text));
    return *this;
  }

  // A copy of the current text.
  S Get() const {
    std::lock_guard<std::mutex> hold(lock_);
    return value_;
  }
  operator S() const { return Get(); }  // NOLINT: reads as the text it holds

  void Set(S text) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      value_.swap(text);
    }
    // The old text is freed here, outside the lock.
  }

  bool empty() const {
    std::lock_guard<std::mutex> hold(lock_);
    return value_.empty();
  }

  friend bool operator==(const LockedString& a, const LockedString& b) {
    return &a == &b || a.Get() == b.Get();
  }
  friend bool operator==(const LockedString& a, const S& b) { return a.Get() == b; }
  friend bool operator==(const S& a, const LockedString& b) { return a == b.Get(); }
  friend bool operator==(const LockedString& a, const Char* b) { return a.Get() == b; }
  friend bool operator!=(const LockedString& a, const LockedString& b) { return !(a == b); }
  friend bool operator!=(const LockedString& a, const S& b) { return !(a == b); }
  friend bool operator!=(const S& a, const LockedString& b) { return !(a == b); }
  friend bool operator!=(const LockedString& a, const Char* b) { return !(a == b); }

 private:
  mutable std::mutex lock_;
  S value_;
};

using LockedStringA = LockedString<std::string>;
using LockedStringW = LockedString<std::wstring>;

#endif  // BASE_SYNCHRONIZATION_LOCKED_STRING_H_
