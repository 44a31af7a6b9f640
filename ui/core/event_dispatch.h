// Deletion that waits for the event dispatch in progress: while any control
// is dispatching an event, controls handed here are kept alive and deleted
// when the outermost dispatch ends. UI thread only.
#ifndef UI_CORE_EVENT_DISPATCH_H_
#define UI_CORE_EVENT_DISPATCH_H_

namespace ui {

class Control;

class EventDispatchScope {
 public:
  EventDispatchScope();
  EventDispatchScope(const EventDispatchScope&) = delete;
  EventDispatchScope& operator=(const EventDispatchScope&) = delete;
  ~EventDispatchScope();

  static bool IsDispatching();
  // Deletes at once outside a dispatch, else when the dispatch ends.
  static void DeleteWhenSafe(Control* control);
};

}  // namespace ui

#endif  // UI_CORE_EVENT_DISPATCH_H_
