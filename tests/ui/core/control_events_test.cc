// Event dispatch: listener order and results, climbing, bubbling, the
// hover/press state machine and deletion while an event runs.
#include <gtest/gtest.h>

#include "ui/core/recording.h"
#include "ui/core/window.h"

namespace ui {
namespace {

// Which listeners answer false, and what runs then.
struct OrderCase {
  const char* name;
  bool code_type, code_all, markup_type, markup_all;
  EventLog expected;
};

TEST(ControlEvents, ListenerOrderAndResults) {
  const OrderCase cases[] = {
      {"all true", true, true, true, true,
       {"code", "code_all", "markup", "markup_all", "c.handle41"}},
      // A false code listener is replaced by the kEventAll list's true.
      {"code false, all true", false, true, true, true,
       {"code", "code_all", "markup", "markup_all", "c.handle41"}},
      {"code all false", true, false, true, true, {"code", "code_all"}},
      {"markup all false", true, true, true, false,
       {"code", "code_all", "markup", "markup_all"}},
      {"markup false, all true", true, true, false, true,
       {"code", "code_all", "markup", "markup_all", "c.handle41"}},
  };
  for (const OrderCase& c : cases) {
    EventLog log;
    RecordingControl control(&log, "c");
    control.AttachEvent(kEventClick, control.Listener("code", c.code_type));
    control.AttachEvent(kEventAll, control.Listener("code_all", c.code_all));
    control.AttachMarkupEvent(kEventClick, control.Listener("markup", c.markup_type));
    control.AttachMarkupEvent(kEventAll, control.Listener("markup_all", c.markup_all));
    control.AttachEvent(kEventKeyDown, control.Listener("other type", true));
    control.SendEventArgs(kEventClick);
    EXPECT_EQ(c.expected, log) << c.name;
  }
}

TEST(ControlEvents, FirstFalseStopsItsList) {
  EventLog log;
  RecordingControl control(&log, "c");
  control.AttachEvent(kEventClick, control.Listener("first", false));
  control.AttachEvent(kEventClick, control.Listener("second", true));
  control.SendEventArgs(kEventClick);
  EXPECT_EQ((EventLog{"first"}), log);
}

TEST(ControlEvents, InternalTypesSkipListeners) {
  EventLog log;
  RecordingControl control(&log, "c");
  control.AttachEvent(kEventAll, control.Listener("all", true));
  control.SendEventArgs(kEventInternalSetFocus);
  EXPECT_EQ((EventLog{"c.handle2"}), log);
  EXPECT_TRUE(control.IsFocused());
  EXPECT_EQ(kControlStateHot, control.GetState());
}

TEST(ControlEvents, ClimbingKeepsTheChildAsSender) {
  EventLog log;
  RecordingBox* parent = new RecordingBox(&log, "p");
  RecordingControl* child = new RecordingControl(&log, "c");
  ASSERT_TRUE(parent->Add(child));
  parent->AttachEvent(kEventKeyDown, parent->Listener("parent own", true));
  parent->AttachBubbledEvent(kEventKeyDown, parent->Listener("parent bubbled", true));
  child->SendEventArgs(kEventKeyDown);
  EXPECT_EQ((EventLog{"c.handle8", "parent bubbled", "p.handle8(child)"}), log);

  // A mouse event of a child that is not mouse enabled goes to the parent
  // unchanged, past the parent's own listeners.
  log.clear();
  child->SetMouseEnabled(false);
  parent->AttachEvent(kEventMouseMove, parent->Listener("parent own", true));
  child->SendEventArgs(kEventMouseMove);
  EXPECT_EQ((EventLog{"c.handle14", "p.handle14(child)"}), log);
  delete parent;
}

TEST(ControlEvents, BubbledListenersRunAfterAFalseOwnListener) {
  EventLog log;
  RecordingBox box(&log, "b");
  box.AttachEvent(kEventClick, box.Listener("own", false));
  box.AttachBubbledEvent(kEventClick, box.Listener("bubbled", true));
  box.AttachMarkupBubbledEvent(kEventClick, box.Listener("markup bubbled", true));
  box.SendEventArgs(kEventClick);
  EXPECT_EQ((EventLog{"own", "bubbled", "markup bubbled", "b.handle41"}), log);

  log.clear();
  box.AttachBubbledEvent(kEventAll, box.Listener("bubbled all", false));
  box.SendEventArgs(kEventClick);
  EXPECT_EQ((EventLog{"own", "bubbled", "bubbled all"}), log);
}

TEST(ControlEvents, AListenerThatDeletesItsControlEndsTheDispatch) {
  EventLog log;
  bool deleted = false;
  auto* control = new RecordingControl(&log, "c");
  control->SetDeletedFlag(&deleted);
  control->AttachEvent(kEventClick, [control](EventArgs*) {
    delete control;
    return true;
  });
  control->AttachEvent(kEventClick, control->Listener("after", true));
  control->SendEventArgs(kEventClick);
  EXPECT_TRUE(deleted);
  EXPECT_TRUE(log.empty());
}

TEST(ControlEvents, ListenerMayAttachToTheListItRuns) {
  EventLog log;
  RecordingControl control(&log, "c");
  control.AttachEvent(kEventClick, [&control, &log](EventArgs*) {
    for (int i = 0; i < 64; ++i) control.AttachEvent(kEventClick, control.Listener("x", true));
    log.push_back("grew");
    return true;
  });
  control.SendEventArgs(kEventClick);
  EXPECT_EQ((EventLog{"grew", "c.handle41"}), log);
}

// Removing the control whose handler is running: it stays alive until the
// dispatch ends, with and without a window.
TEST(ControlEvents, RemovingItsOwnControlInAHandlerIsSafe) {
  for (bool with_window : {false, true}) {
    EventLog log;
    Window window;
    Box* root = new Box;
    if (with_window) window.SetRoot(root);
    bool deleted = false;
    auto* child = new RecordingControl(&log, "c");
    child->SetDeletedFlag(&deleted);
    root->Add(child);
    bool alive_in_handler = false;
    child->AttachEvent(kEventClick, [&](EventArgs* args) {
      root->Remove(child);
      alive_in_handler = !deleted;
      return true;
    });
    child->AttachEvent(kEventClick, child->Listener("after remove", true));
    child->SendEventArgs(kEventClick);
    EXPECT_TRUE(alive_in_handler) << with_window;
    EXPECT_EQ((EventLog{"after remove", "c.handle41"}), log) << with_window;
    EXPECT_EQ(0, root->GetCount());
    if (with_window) {
      EXPECT_FALSE(deleted);
      EXPECT_EQ(1u, window.GetDeferredDeleteCount());
      window.DeleteDeferredControls();
    }
    EXPECT_TRUE(deleted) << with_window;
    if (!with_window) delete root;
  }
}

// A nested message loop drains the window's deferred list while the
// handler is still running; closing the window from a handler detaches the
// tree before it dies.
TEST(ControlEvents, DeferredDeletionWaitsForTheHandlerEvenInANestedLoop) {
  EventLog log;
  Window window;
  Box* root = new Box;
  window.SetRoot(root);
  bool deleted = false;
  auto* child = new RecordingControl(&log, "c");
  child->SetDeletedFlag(&deleted);
  root->Add(child);
  child->AttachEvent(kEventClick, [&](EventArgs*) {
    root->Remove(child);
    window.DeleteDeferredControls();
    log.push_back(deleted ? "gone" : "alive");
    return true;
  });
  child->SendEventArgs(kEventClick);
  EXPECT_EQ((EventLog{"alive", "c.handle41"}), log);
  EXPECT_TRUE(deleted);
}

TEST(ControlEvents, ClosingTheWindowFromAHandlerIsSafe) {
  EventLog log;
  auto* window = new Window;
  auto* root = new RecordingBox(&log, "root");
  window->SetRoot(root);
  bool deleted = false;
  auto* child = new RecordingControl(&log, "c");
  child->SetDeletedFlag(&deleted);
  root->Add(child);
  child->AttachEvent(kEventClick, [&](EventArgs*) {
    delete window;
    log.push_back(deleted ? "gone" : "alive");
    return true;
  });
  child->SendEventArgs(kEventClick);
  EXPECT_EQ((EventLog{"alive", "c.handle41", "root.handle41(child)"}), log);
  EXPECT_TRUE(deleted);
}

TEST(ControlEvents, PressAndRelease) {
  struct Case {
    const char* name;
    int up_type;
    UiPoint up_at;
    int state;
    bool activated;
  } const cases[] = {
      {"mouse up inside", kEventButtonUp, {5, 5}, kControlStateHot, true},
      {"mouse up outside", kEventButtonUp, {50, 50}, kControlStateNormal, false},
      {"pointer up inside", kEventPointerUp, {5, 5}, kControlStateNormal, true},
  };
  for (const Case& c : cases) {
    EventLog log;
    RecordingControl control(&log, "c");
    control.SetPos(UiRect{0, 0, 10, 10});
    control.SendEventArgs(kEventButtonDown, 0, 0, 0, UiPoint{5, 5});
    EXPECT_EQ(kControlStatePushed, control.GetState());
    EXPECT_TRUE(control.IsMouseCaptured());
    control.SendEventArgs(c.up_type, 0, 0, 0, c.up_at);
    EXPECT_EQ(c.state, control.GetState()) << c.name;
    EXPECT_FALSE(control.IsMouseCaptured());
    EXPECT_EQ(c.activated, log.back() == "c.activate") << c.name;
  }

  EventLog log;
  RecordingControl control(&log, "c");
  control.SetEnabled(false);
  control.SendEventArgs(kEventButtonDown, 0, 0, 0, UiPoint{1, 1});
  EXPECT_EQ(kControlStateDisabled, control.GetState());
  EXPECT_FALSE(control.IsMouseCaptured());
}

TEST(ControlEvents, PointerWithoutReceivePointerClimbs) {
  EventLog log;
  RecordingBox* parent = new RecordingBox(&log, "p");
  RecordingControl* child = new RecordingControl(&log, "c");
  parent->Add(child);
  child->SetAttribute(L"receivepointer", L"false");
  child->SendEventArgs(kEventPointerDown, 0, 0, 0, UiPoint{1, 1});
  EXPECT_EQ(kControlStateNormal, child->GetState());
  EXPECT_EQ((EventLog{"c.handle32", "p.handle32(child)"}), log);
  delete parent;
}

TEST(ControlEvents, MouseEnterMakesTheHoverPathHot) {
  EventLog log;
  Window window;
  auto* root = new RecordingBox(&log, "root");
  auto* panel = new RecordingBox(&log, "panel");
  auto* child = new RecordingControl(&log, "c");
  auto* sibling = new RecordingControl(&log, "s");
  window.SetRoot(root);
  root->Add(panel);
  root->Add(sibling);
  panel->Add(child);
  window.SetHoverControl(child);
  child->SendEventArgs(kEventMouseEnter);
  EXPECT_EQ(kControlStateHot, child->GetState());
  EXPECT_EQ(kControlStateHot, panel->GetState());
  EXPECT_EQ(kControlStateHot, root->GetState());

  // Leaving for a sibling: the root still holds the hover control.
  window.SetHoverControl(sibling);
  child->SendEventArgs(kEventMouseLeave);
  EXPECT_EQ(kControlStateNormal, child->GetState());
  EXPECT_EQ(kControlStateNormal, panel->GetState());
  EXPECT_EQ(kControlStateHot, root->GetState());
}

TEST(ControlEvents, ContextMenuAndCursor) {
  EventLog log;
  RecordingControl control(&log, "c");
  control.AttachEvent(kEventMenu, control.Listener("menu", true));
  control.SendEventArgs(kEventInternalMenu);
  control.SetContextMenuEnabled(true);
  control.SendEventArgs(kEventInternalMenu);
  EXPECT_EQ((EventLog{"c.handle1", "c.handle1", "menu", "c.handle23"}), log);

  control.SetCursorType(kCursorHand);
  control.SetEnabled(false);
  control.SendEventArgs(kEventSetCursor);
  EXPECT_EQ(::LoadCursorW(nullptr, IDC_ARROW), ::GetCursor());
  control.SetEnabled(true);
  control.SendEventArgs(kEventSetCursor);
  EXPECT_EQ(::LoadCursorW(nullptr, IDC_HAND), ::GetCursor());
}

TEST(ControlEvents, FocusFollowsVisibility) {
  Window window;
  Box* root = new Box;
  window.SetRoot(root);
  Control* control = new Control;
  root->Add(control);
  control->SetFocus();
  EXPECT_EQ(control, window.GetFocusControl());
  EXPECT_TRUE(control->IsFocused());
  control->SetVisible(false);
  EXPECT_EQ(nullptr, window.GetFocusControl());
  EXPECT_FALSE(control->IsFocused());

  Control* nofocus = new Control;
  nofocus->SetAttribute(L"nofocus", L"");
  root->Add(nofocus);
  nofocus->SetFocus();
  EXPECT_EQ(nullptr, window.GetFocusControl());
}

}  // namespace
}  // namespace ui
