// Reading the stand-in browser runtime's log in tests.
#ifndef TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_
#define TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace browser_test {

// Bound for every wait on another thread or process.
constexpr unsigned kWaitMs = 30000;

// The log's lines (UTF-8), none when it is missing.
std::vector<std::string> ReadLog(const std::wstring& path);
// Whether `expected` appear in this order among `lines` (others may lie between).
testing::AssertionResult InOrder(const std::vector<std::string>& lines,
                                 const std::vector<std::string>& expected);
bool Contains(const std::vector<std::string>& lines, const std::string& line);
// Waits until the log holds `line`.
bool WaitForLine(const std::wstring& path, const std::string& line);
// Polls `condition`, dispatching this thread's messages, until it holds or
// the bound passes.
template <typename Condition>
bool PumpUntil(Condition condition);

std::string Utf8(const std::wstring& text);

}  // namespace browser_test

#include <windows.h>

template <typename Condition>
bool browser_test::PumpUntil(Condition condition) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (condition()) return true;
    if (GetTickCount() - start > kWaitMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

#endif  // TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_
