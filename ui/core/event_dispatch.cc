#include "ui/core/event_dispatch.h"

#include <algorithm>
#include <vector>

#include "ui/core/control.h"
#include "ui/core/window.h"

namespace ui {

namespace {

struct Waiting {
  Control* control;
  const Window* window;  // null: due
};

int g_depth = 0;

std::vector<Waiting>& Queue() {
  static std::vector<Waiting>* queue = new std::vector<Waiting>();
  return *queue;
}

// Deleting may queue more controls (a destructor may remove others): runs
// until nothing due is left.
void DeleteDue() {
  if (g_depth > 0) return;
  ++g_depth;
  for (;;) {
    std::vector<Waiting>& queue = Queue();
    auto due = std::stable_partition(queue.begin(), queue.end(),
                                     [](const Waiting& w) { return w.window != nullptr; });
    if (due == queue.end()) break;
    std::vector<Waiting> batch(due, queue.end());
    queue.erase(due, queue.end());
    for (const Waiting& w : batch) delete w.control;
  }
  --g_depth;
}

}  // namespace

EventDispatchScope::EventDispatchScope() { ++g_depth; }

EventDispatchScope::~EventDispatchScope() {
  if (--g_depth == 0) DeleteDue();
}

bool EventDispatchScope::IsDispatching() { return g_depth > 0; }

namespace deferred_deletion {

void Add(Control* control, const Window* window) {
  if (!control) return;
  Queue().push_back(Waiting{control, window});
  if (!window) DeleteDue();
}

void Release(Window* window) {
  if (!window) return;
  for (Waiting& w : Queue()) {
    if (w.window != window) continue;
    window->ForgetSubtree(w.control);
    w.control->SetWindow(nullptr, nullptr, false);
    w.window = nullptr;
  }
  DeleteDue();
}

size_t CountFor(const Window* window) {
  const std::vector<Waiting>& queue = Queue();
  return static_cast<size_t>(std::count_if(
      queue.begin(), queue.end(), [window](const Waiting& w) { return w.window == window; }));
}

}  // namespace deferred_deletion

}  // namespace ui
