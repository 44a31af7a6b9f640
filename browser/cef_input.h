// The runtime's modifier flags for a window's mouse and key messages: the
// MK_ flags of a mouse message's wParam, the key states, and for keys the
// key pad and left/right distinctions. The key-state source is a parameter
// so the tables can be checked without a keyboard.
#ifndef BROWSER_CEF_INPUT_H_
#define BROWSER_CEF_INPUT_H_

#include <windows.h>

#include <cstdint>

namespace comp {

// GetKeyState's shape: negative while down, low bit set while toggled on.
using KeyStateFunction = SHORT(WINAPI*)(int virtual_key);

uint32_t GetCefMouseModifiers(WPARAM wparam, KeyStateFunction key_state = ::GetKeyState);
uint32_t GetCefKeyboardModifiers(WPARAM wparam, LPARAM lparam,
                                 KeyStateFunction key_state = ::GetKeyState);

}  // namespace comp

#endif  // BROWSER_CEF_INPUT_H_
