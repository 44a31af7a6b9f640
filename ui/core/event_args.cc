#include "ui/core/event_args.h"

namespace ui {

bool InvokeEventCallbacks(const EventCallbackList& list, EventArgs* args,
                          const std::function<bool()>& alive) {
  if (list.empty()) return true;
  // A copy: a listener may attach to this list or destroy its owner.
  const EventCallbackList callbacks = list;
  for (const EventCallback& callback : callbacks) {
    if (!callback(args)) return false;
    if (alive && !alive()) return false;
  }
  return true;
}

}  // namespace ui
