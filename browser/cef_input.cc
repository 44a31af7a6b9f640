#include "browser/cef_input.h"

#include "browser/runtime/cef_types.h"

namespace comp {

namespace {

bool Down(KeyStateFunction key_state, int key) { return key_state(key) < 0; }
bool Toggled(KeyStateFunction key_state, int key) { return (key_state(key) & 1) != 0; }

// Left or right for a key that has both.
uint32_t Side(KeyStateFunction key_state, int left, int right) {
  if (Down(key_state, left)) return EVENTFLAG_IS_LEFT;
  if (Down(key_state, right)) return EVENTFLAG_IS_RIGHT;
  return 0;
}

}  // namespace

uint32_t GetCefMouseModifiers(WPARAM wparam, KeyStateFunction key_state) {
  uint32_t modifiers = 0;
  if (Toggled(key_state, VK_CAPITAL)) modifiers |= EVENTFLAG_CAPS_LOCK_ON;
  if (wparam & MK_SHIFT) modifiers |= EVENTFLAG_SHIFT_DOWN;
  if (wparam & MK_CONTROL) modifiers |= EVENTFLAG_CONTROL_DOWN;
  if (Down(key_state, VK_MENU)) modifiers |= EVENTFLAG_ALT_DOWN;
  if (wparam & MK_LBUTTON) modifiers |= EVENTFLAG_LEFT_MOUSE_BUTTON;
  if (wparam & MK_MBUTTON) modifiers |= EVENTFLAG_MIDDLE_MOUSE_BUTTON;
  if (wparam & MK_RBUTTON) modifiers |= EVENTFLAG_RIGHT_MOUSE_BUTTON;
  if (Toggled(key_state, VK_NUMLOCK)) modifiers |= EVENTFLAG_NUM_LOCK_ON;
  return modifiers;
}

uint32_t GetCefKeyboardModifiers(WPARAM wparam, LPARAM lparam, KeyStateFunction key_state) {
  uint32_t modifiers = 0;
  if (Down(key_state, VK_SHIFT)) modifiers |= EVENTFLAG_SHIFT_DOWN;
  if (Down(key_state, VK_CONTROL)) modifiers |= EVENTFLAG_CONTROL_DOWN;
  if (Down(key_state, VK_MENU)) modifiers |= EVENTFLAG_ALT_DOWN;
  if (Toggled(key_state, VK_NUMLOCK)) modifiers |= EVENTFLAG_NUM_LOCK_ON;
  if (Toggled(key_state, VK_CAPITAL)) modifiers |= EVENTFLAG_CAPS_LOCK_ON;
  const bool extended = (lparam & (1 << 24)) != 0;
  switch (wparam) {
    case VK_RETURN:
      if (extended) modifiers |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
      if (!extended) modifiers |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_NUMLOCK:
    case VK_NUMPAD0:
    case VK_NUMPAD1:
    case VK_NUMPAD2:
    case VK_NUMPAD3:
    case VK_NUMPAD4:
    case VK_NUMPAD5:
    case VK_NUMPAD6:
    case VK_NUMPAD7:
    case VK_NUMPAD8:
    case VK_NUMPAD9:
    case VK_DIVIDE:
    case VK_MULTIPLY:
    case VK_SUBTRACT:
    case VK_ADD:
    case VK_DECIMAL:
    case VK_CLEAR:
      modifiers |= EVENTFLAG_IS_KEY_PAD;
      break;
    case VK_SHIFT:
      modifiers |= Side(key_state, VK_LSHIFT, VK_RSHIFT);
      break;
    case VK_CONTROL:
      modifiers |= Side(key_state, VK_LCONTROL, VK_RCONTROL);
      break;
    case VK_MENU:
      modifiers |= Side(key_state, VK_LMENU, VK_RMENU);
      break;
    case VK_LWIN:
      modifiers |= EVENTFLAG_IS_LEFT;
      break;
    case VK_RWIN:
      modifiers |= EVENTFLAG_IS_RIGHT;
      break;
  }
  return modifiers;
}

}  // namespace comp
