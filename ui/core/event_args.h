// Events of the control tree: the type numbers shared by the framework, the
// skin markup and the windows, the argument record and the listener lists.
//
// UI thread only. A listener answers false to stop the rest of its list (and
// the control's own handling when it is the last answer of a dispatch).
#ifndef UI_CORE_EVENT_ARGS_H_
#define UI_CORE_EVENT_ARGS_H_

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "ui/util/geometry.h"

namespace ui {

class Control;

enum EventType : int32_t {
  kEventInternalDoubleClick = 0,
  kEventInternalMenu = 1,
  kEventInternalSetFocus = 2,
  kEventInternalKillFocus = 3,
  kEventUnknown = 4,
  kEventAll = 6,
  kEventKeyDown = 8,
  kEventKeyUp = 9,
  kEventChar = 10,
  kEventSysKey = 11,
  kEventMouseMove = 14,
  kEventMouseEnter = 15,
  kEventMouseLeave = 16,
  kEventMouseHover = 17,
  kEventButtonDown = 18,
  kEventButtonUp = 19,
  kEventRButtonDown = 20,
  kEventRButtonUp = 21,
  kEventDoubleClick = 22,
  kEventMenu = 23,
  kEventScrollWheel = 24,
  kEventTouchDown = 27,
  kEventTouchMove = 28,
  kEventTouchUp = 29,
  kEventPointerDown = 32,
  kEventPointerMove = 33,
  kEventPointerUp = 34,
  kEventSetFocus = 36,
  kEventKillFocus = 37,
  kEventWindowSize = 38,
  kEventWindowClose = 39,
  kEventSetCursor = 40,
  kEventClick = 41,
  kEventSelect = 42,
  kEventUnselect = 43,
  kEventTextChange = 44,
  kEventReturn = 45,
  kEventTab = 46,
  kEventImeStartComposition = 48,
  kEventImeEndComposition = 49,
  kEventScrollChange = 50,
  kEventValueChange = 51,
  kEventResize = 52,
};

// Mouse types that a control which is not mouse enabled hands to its parent.
inline bool IsMouseEventType(int type) {
  return type >= kEventMouseMove && type <= kEventScrollWheel;
}

struct EventArgs {
  int32_t type = kEventUnknown;
  Control* sender = nullptr;
  DWORD time_stamp = 0;
  UiPoint mouse_point = {0, 0};
  wchar_t key = 0;
  WPARAM wparam = 0;
  LPARAM lparam = 0;
  float pressure = 0.0f;
};

using EventCallback = std::function<bool(EventArgs*)>;
using EventCallbackList = std::vector<EventCallback>;
using EventMap = std::map<int32_t, EventCallbackList>;

// Calls the callbacks in order; false at the first that answers false (the
// rest are not called), true otherwise, also for an empty list. The list is
// run from a copy, so a listener may attach listeners or destroy the list's
// owner; `alive`, when given, is asked after each callback and ends the run
// (answering false) once the owner is gone.
bool InvokeEventCallbacks(const EventCallbackList& list, EventArgs* args,
                          const std::function<bool()>& alive = nullptr);

}  // namespace ui

#endif  // UI_CORE_EVENT_ARGS_H_
