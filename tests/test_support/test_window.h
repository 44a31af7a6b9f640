// Top-level windows that tests make to stand for another program's (the
// launcher's main window, a game window): hidden, of a class of their own.
#ifndef TESTS_TEST_SUPPORT_TEST_WINDOW_H_
#define TESTS_TEST_SUPPORT_TEST_WINDOW_H_

#include <windows.h>

namespace testing_support {

// A hidden overlapped window of class `class_name` (registered with
// `procedure` on first use) on the calling thread; null when it failed.
inline HWND CreateTestWindow(const wchar_t* class_name, WNDPROC procedure) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = class_name;
  RegisterClassW(&window_class);
  return CreateWindowExW(0, class_name, L"test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         nullptr, window_class.hInstance, nullptr);
}

}  // namespace testing_support

#endif  // TESTS_TEST_SUPPORT_TEST_WINDOW_H_
