#include "ui/core/event_dispatch.h"

#include <vector>

#include "ui/core/control.h"

namespace ui {

namespace {

int g_depth = 0;
std::vector<Control*>* g_pending = nullptr;

}  // namespace

EventDispatchScope::EventDispatchScope() { ++g_depth; }

EventDispatchScope::~EventDispatchScope() {
  if (--g_depth > 0 || !g_pending) return;
  // Deleting may hand over more controls (a box deletes its children at
  // once, but a destructor may remove others): drain until empty.
  ++g_depth;
  while (!g_pending->empty()) {
    std::vector<Control*> batch;
    batch.swap(*g_pending);
    for (Control* control : batch) delete control;
  }
  --g_depth;
}

bool EventDispatchScope::IsDispatching() { return g_depth > 0; }

void EventDispatchScope::DeleteWhenSafe(Control* control) {
  if (!control) return;
  if (g_depth == 0) {
    delete control;
    return;
  }
  if (!g_pending) g_pending = new std::vector<Control*>();
  g_pending->push_back(control);
}

}  // namespace ui
