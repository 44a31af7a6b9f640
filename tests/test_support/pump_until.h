// A bounded wait for tests that dispatches the calling thread's messages
// meanwhile (windows of the test, sent messages of other threads).
#ifndef TESTS_TEST_SUPPORT_PUMP_UNTIL_H_
#define TESTS_TEST_SUPPORT_PUMP_UNTIL_H_

#include <windows.h>

namespace testing_support {

constexpr DWORD kProcessTimeoutMs = 30000;

// Runs `condition` until it holds or the time is up, dispatching this
// thread's messages meanwhile.
template <typename Condition>
bool PumpUntil(Condition condition, DWORD timeout_ms = kProcessTimeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (condition()) return true;
    if (GetTickCount() - start > timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_PUMP_UNTIL_H_
