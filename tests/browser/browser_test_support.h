// Reading the stand-in browser runtime's log in tests.
#ifndef TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_
#define TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace browser_test

#endif  // TESTS_BROWSER_BROWSER_TEST_SUPPORT_H_
