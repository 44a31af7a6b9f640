// Helpers for the message-loop and thread tests: a loop clock the test
// moves, a waitable event, bounded waits and loop drains.
#ifndef TESTS_BASE_LOOP_TEST_UTIL_H_
#define TESTS_BASE_LOOP_TEST_UTIL_H_

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/message_loop/message_loop.h"
#include "base/message_loop/message_loop_proxy.h"
#include "base/time/time.h"

namespace loop_test {

// Bound for every wait on another thread; reaching it fails the test. It
// guards against a hang, not a slow run: a thousand tasks under Wine on a
// starved machine have taken longer than 10 s.
constexpr DWORD kWaitMs = 60000;

// Freezes the loop clock until the test moves it. Construct before and
// destroy after every loop that reads it.
class ScopedFakeLoopClock {
 public:
  explicit ScopedFakeLoopClock(uint32_t start_ms = 1000000) {
    milliseconds_.store(start_ms);
    base::LoopClock::SetMillisecondSourceForTesting(&Read);
  }
  ~ScopedFakeLoopClock() { base::LoopClock::SetMillisecondSourceForTesting(nullptr); }
  ScopedFakeLoopClock(const ScopedFakeLoopClock&) = delete;
  ScopedFakeLoopClock& operator=(const ScopedFakeLoopClock&) = delete;

  static void Advance(uint32_t ms) { milliseconds_.fetch_add(ms); }

 private:
  static uint32_t Read() { return milliseconds_.load(); }
  static inline std::atomic<uint32_t> milliseconds_{0};
};

class Event {
 public:
  Event() : handle_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Event() { CloseHandle(handle_); }
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  void Signal() { SetEvent(handle_); }
  bool Wait(DWORD ms = kWaitMs) { return WaitForSingleObject(handle_, ms) == WAIT_OBJECT_0; }

 private:
  HANDLE handle_;
};

// Polls `condition` every millisecond until it holds or the bound passes.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD ms = kWaitMs) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > ms) return false;
    Sleep(1);
  }
  return true;
}

// Returns once every task of the proxy's loop that is due at the current
// (frozen) loop time has run: the marker is a delayed task due now, posted
// from the loop's own thread, so it sorts after every due task.
inline bool DrainDue(base::MessageLoopProxy* proxy) {
  auto done = std::make_shared<Event>();
  bool posted = proxy->PostTask([done] {
    base::MessageLoop::Current()->PostDelayedTask([done] { done->Signal(); }, base::TimeDelta(0));
  });
  return posted && done->Wait();
}

// Runs the calling thread's loop until it has nothing left to do now.
inline void RunUntilIdle(base::MessageLoop* loop) {
  loop->PostTask(&base::QuitCurrentLoop);
  loop->Run();
}

}  // namespace loop_test

#endif  // TESTS_BASE_LOOP_TEST_UTIL_H_
