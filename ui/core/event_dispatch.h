// The one queue in which controls wait to be deleted, and the event
// dispatch scope that holds it back. UI thread only.
//
// A control enters the queue either for its window (Window::AddDeferredDelete:
// a removed box item or a replaced root) or as due (no window, or its window
// released it or died). Entries for a window wait until that window drains
// them (its kWmDeleteDeferred message); due entries are deleted as soon as no
// event dispatch is running: at once outside one, else when the outermost
// dispatch ends. So a control is never deleted inside one of its handlers,
// even when a handler opens a nested message loop or destroys the window.
//
// The queue owns what it holds; the box and the window docs (box.h,
// window.h) say when a control is handed to it.
#ifndef UI_CORE_EVENT_DISPATCH_H_
#define UI_CORE_EVENT_DISPATCH_H_

#include <cstddef>

namespace ui {

class Control;
class Window;

class EventDispatchScope {
 public:
  EventDispatchScope();
  EventDispatchScope(const EventDispatchScope&) = delete;
  EventDispatchScope& operator=(const EventDispatchScope&) = delete;
  ~EventDispatchScope();

  static bool IsDispatching();
};

namespace deferred_deletion {

// Takes the control: it waits for `window` to release it, or is due at once
// when `window` is null. The control must already be out of its window's
// tree and bookkeeping.
void Add(Control* control, const Window* window);
// The window's entries become due: the window forgets them (again: a
// waiting box may have been given children) and they lose their window.
void Release(Window* window);
// Entries still waiting for the window.
size_t CountFor(const Window* window);

}  // namespace deferred_deletion

}  // namespace ui

#endif  // UI_CORE_EVENT_DISPATCH_H_
