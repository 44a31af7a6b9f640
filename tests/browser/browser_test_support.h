// Reading the stand-in browser runtime's log in tests.
#ifndef TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_
#define TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"
#include "test_support/pump_until.h"

namespace browser_test {

using testing_support::PumpUntil;

// The log's lines (UTF-8), none when it is missing.
std::vector<std::string> ReadLog(const std::wstring& path);
// Whether `expected` appear in this order among `lines` (others may lie between).
testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                 const std::vector<std::string>& expected);
bool Contains(const std::vector<std::string>& lines, const std::string& line);
// Waits until the log holds `line`.
bool WaitForLine(const std::wstring& path, const std::string& line);

// A test entry of the loaded stand-in runtime, null without it.
template <typename Function>
Function StandinEntry(const char* name) {
  HMODULE runtime = GetModuleHandleW(L"libcef.dll");
  return runtime ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(runtime, name)))
                 : nullptr;
}

// The hidden "Static" pop-ups this thread owns (start-up's probe window).
int ProbePopups();

// Thread 0 as MainThread runs it: a framework thread enrolled under
// kUiThreadId for its run, once started with StartWithLoop.
class UiThread : public base::FrameworkThread {
 public:
  UiThread() : base::FrameworkThread("ui") {}
  ~UiThread() override { Stop(); }
  bool Ended() { return WaitForSingleObject(thread_handle(), 0) == WAIT_OBJECT_0; }

 private:
  void Init() override { base::ThreadRegistry::Enroll(base::kUiThreadId); }
  void Cleanup() override { base::ThreadRegistry::Withdraw(); }
};

}  // namespace browser_test

#endif  // TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_
