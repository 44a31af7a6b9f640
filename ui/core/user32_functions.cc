#include "ui/core/user32_functions.h"

namespace ui {

namespace {

template <typename Fn>
void Find(HMODULE user32, const char* name, Fn* fn) {
  *fn = user32 ? reinterpret_cast<Fn>(
                     reinterpret_cast<void*>(::GetProcAddress(user32, name)))
               : nullptr;
}

}  // namespace

const User32Functions& User32Functions::Get() {
  static const User32Functions functions = [] {
    User32Functions f;
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    Find(user32, "RegisterTouchWindow", &f.register_touch_window);
    Find(user32, "UnregisterTouchWindow", &f.unregister_touch_window);
    Find(user32, "GetTouchInputInfo", &f.get_touch_input_info);
    Find(user32, "CloseTouchInputHandle", &f.close_touch_input_handle);
    Find(user32, "GetPointerType", &f.get_pointer_type);
    Find(user32, "GetPointerTouchInfo", &f.get_pointer_touch_info);
    Find(user32, "GetPointerPenInfo", &f.get_pointer_pen_info);
    return f;
  }();
  return functions;
}

}  // namespace ui
