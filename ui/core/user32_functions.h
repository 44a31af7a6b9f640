// The touch and pointer functions of user32, looked up once at first use:
// older systems lack them, and then the steps that need them are skipped.
// UI thread only.
#ifndef UI_CORE_USER32_FUNCTIONS_H_
#define UI_CORE_USER32_FUNCTIONS_H_

#include <windows.h>

namespace ui {

struct User32Functions {
  using RegisterTouchWindowFn = BOOL(WINAPI*)(HWND, ULONG);
  using UnregisterTouchWindowFn = BOOL(WINAPI*)(HWND);
  using GetTouchInputInfoFn = BOOL(WINAPI*)(HANDLE, UINT, void*, int);
  using CloseTouchInputHandleFn = BOOL(WINAPI*)(HANDLE);
  using GetPointerTypeFn = BOOL(WINAPI*)(UINT32, DWORD*);
  using GetPointerInfoFn = BOOL(WINAPI*)(UINT32, void*);

  static const User32Functions& Get();

  RegisterTouchWindowFn register_touch_window = nullptr;
  UnregisterTouchWindowFn unregister_touch_window = nullptr;
  GetTouchInputInfoFn get_touch_input_info = nullptr;
  CloseTouchInputHandleFn close_touch_input_handle = nullptr;
  GetPointerTypeFn get_pointer_type = nullptr;
  GetPointerInfoFn get_pointer_touch_info = nullptr;
  GetPointerInfoFn get_pointer_pen_info = nullptr;
};

}  // namespace ui

#endif  // UI_CORE_USER32_FUNCTIONS_H_
