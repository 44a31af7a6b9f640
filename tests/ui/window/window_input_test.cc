// Input routing of a skinned window, driven by injected messages: hover,
// press and click, focus and Tab order, tooltips, the right button and the
// context menu, the wheel, message filters, and controls or windows that
// go away inside their own handlers.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/core/control.h"
#include "ui/render/render_test_support.h"
#include "ui/window/window_test_support.h"

namespace ui {
namespace {

using ui_test::CentreOf;
using ui_test::PointParam;
using ui_test::Pump;
using ui_test::TestWindow;

// Three clickable rows of 40 pixels over a 300 x 200 client area (no
// shadow), with a hidden and a disabled control between them.
const wchar_t kSkin[] =
    L"<Window shadowattached=\"false\" size=\"300,200\">"
    L"<VBox name=\"root\" bkcolor=\"white\">"
    L"<Click name=\"first\" height=\"40\" tooltiptext=\"First tip\"/>"
    L"<Control name=\"hidden\" height=\"10\" visible=\"false\"/>"
    L"<Click name=\"second\" height=\"40\" tooltiptext=\"Second tip\"/>"
    L"<Control name=\"disabled\" height=\"10\" enabled=\"false\"/>"
    L"<Click name=\"third\" height=\"40\"/>"
    L"</VBox></Window>";

// User data that tells when its control is deleted.
struct DeletionFlag : UserDataBase {
  explicit DeletionFlag(bool* d) : deleted(d) {}
  ~DeletionFlag() override { *deleted = true; }
  bool* deleted;
};

// Logs every event a control receives as "name:type".
void Watch(Control* control, std::vector<std::string>* log) {
  std::string name(control->GetName().begin(), control->GetName().end());
  control->AttachEvent(kEventAll, [log, name](EventArgs* args) {
    log->push_back(name + ":" + std::to_string(args->type));
    return true;
  });
}

class WindowInputTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(kSkin); }
  void TearDown() override {
    if (!gone_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    Pump();
    EXPECT_TRUE(gone_);
  }
  void Open(const wchar_t* skin) {
    window_ = new TestWindow(skin);
    window_->gone = &gone_;
    window_->SetTimerManager(&timers_.manager);
    hwnd_ = window_->Open();
    ASSERT_TRUE(hwnd_);
    ui_test::PaintNow(hwnd_);
    for (const wchar_t* name : {L"first", L"second", L"third"}) {
      Control* c = window_->FindControlByName(name);
      ASSERT_TRUE(c) << name;
      Watch(c, &log_);
    }
  }
  Control* Named(const wchar_t* name) { return window_->FindControlByName(name); }
  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam) {
    return ::SendMessageW(hwnd_, message, wparam, lparam);
  }
  void Click(Control* control) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(control));
    Send(WM_LBUTTONUP, 0, CentreOf(control));
  }
  // The log since the last call.
  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(log_);
    return taken;
  }

  ui_test::ScopedTestResources resources_;
  ui_test::ManualTimers timers_;
  TestWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  bool gone_ = false;
  std::vector<std::string> log_;
};

TEST_F(WindowInputTest, HoverPressAndClick) {
  Control* first = Named(L"first");
  Control* second = Named(L"second");
  EXPECT_EQ((UiRect{0, 0, 300, 40}), first->GetPos());

  Send(WM_MOUSEMOVE, 0, CentreOf(first));
  EXPECT_EQ(first, window_->GetHoverControl());
  EXPECT_EQ(kControlStateHot, first->GetState());
  EXPECT_EQ((std::vector<std::string>{"first:15", "first:14"}), Take());

  Send(WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(first));
  EXPECT_EQ(kControlStatePushed, first->GetState());
  EXPECT_EQ(first, window_->GetPressedControl());
  EXPECT_EQ(first, window_->GetFocusControl());
  EXPECT_TRUE(window_->IsMouseCaptured());
  // Moves while pressed go to the pressed control, even over another one.
  Send(WM_MOUSEMOVE, MK_LBUTTON, CentreOf(second));
  Send(WM_MOUSEMOVE, MK_LBUTTON, CentreOf(first));
  Send(WM_LBUTTONUP, 0, CentreOf(first));
  EXPECT_EQ(nullptr, window_->GetPressedControl());
  EXPECT_FALSE(window_->IsMouseCaptured());
  EXPECT_EQ((std::vector<std::string>{"first:36", "first:18", "first:16", "second:15",
                                      "first:14", "second:16", "first:15", "first:14",
                                      "first:19", "first:41"}),
            Take());

  // Released away from the control: no click.
  Send(WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(first));
  Send(WM_LBUTTONUP, 0, CentreOf(second));
  EXPECT_EQ((std::vector<std::string>{"first:18", "first:19"}), Take());
  EXPECT_EQ(kControlStateNormal, first->GetState());

  // Leaving the window (the mouse-leave path moves the hover to nothing).
  Send(WM_MOUSEMOVE, 0, CentreOf(second));
  Take();
  Send(WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(nullptr, window_->GetHoverControl());
  EXPECT_EQ((std::vector<std::string>{"second:16"}), Take());
}

TEST_F(WindowInputTest, DoubleClickRightButtonAndContextMenu) {
  Control* second = Named(L"second");
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, CentreOf(second));
  Send(WM_LBUTTONUP, 0, CentreOf(second));
  // The double click does not take the focus and is never kEventDoubleClick.
  EXPECT_EQ(nullptr, window_->GetFocusControl());
  EXPECT_EQ((std::vector<std::string>{"second:19", "second:41"}), Take());

  Send(WM_RBUTTONDOWN, MK_RBUTTON, CentreOf(second));
  // The pressed control waits for the context menu, which the system's
  // default handling of the button-up sends at once.
  Send(WM_RBUTTONUP, 0, CentreOf(second));
  EXPECT_EQ(nullptr, window_->GetPressedControl());
  Send(WM_MOUSEMOVE, 0, CentreOf(Named(L"third")));
  const std::vector<std::string> expected{"second:36", "second:20", "second:21", "third:15",
                                          "third:14"};
  EXPECT_EQ(expected, Take());
}

TEST_F(WindowInputTest, ContextMenuCarriesThePressedControl) {
  Control* first = Named(L"first");
  first->SetContextMenuEnabled(true);
  LPARAM seen = 0;
  first->AttachEvent(kEventMenu, [&seen](EventArgs* args) {
    seen = args->lparam;
    return true;
  });
  Send(WM_RBUTTONDOWN, MK_RBUTTON, CentreOf(first));
  EXPECT_EQ(first, window_->GetPressedControl());
  Send(WM_RBUTTONUP, 0, CentreOf(first));
  EXPECT_EQ(reinterpret_cast<LPARAM>(first), seen);
  EXPECT_EQ(nullptr, window_->GetPressedControl());
  // Without a pressed control the message is left alone.
  seen = 0;
  Send(WM_CONTEXTMENU, 0, PointParam(0, 0));
  EXPECT_EQ(0, seen);
}

TEST_F(WindowInputTest, WheelGoesToTheControlUnderTheScreenPoint) {
  RECT window;
  ::GetWindowRect(hwnd_, &window);
  Control* third = Named(L"third");
  EventArgs seen;
  third->AttachEvent(kEventScrollWheel, [&seen](EventArgs* args) {
    seen = *args;
    return true;
  });
  const UiRect r = third->GetPos();
  Send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)),
       PointParam(window.left + r.left + 3, window.top + r.top + 3));
  EXPECT_EQ(kEventScrollWheel, seen.type);
  EXPECT_EQ(static_cast<WPARAM>(-120), seen.wparam);
  EXPECT_EQ((UiPoint{r.left + 3, r.top + 3}), window_->GetLastMousePos());
}

TEST_F(WindowInputTest, FocusAndTabOrder) {
  Control* first = Named(L"first");
  Control* second = Named(L"second");
  Control* third = Named(L"third");
  // Without a focused control the Tab key does nothing.
  Send(WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(nullptr, window_->GetFocusControl());

  Click(first);
  ASSERT_EQ(first, window_->GetFocusControl());
  EXPECT_TRUE(first->IsFocused());
  // Forward skips the hidden and the disabled control and wraps around.
  const Control* forward[] = {second, third, first};
  for (const Control* expected : forward) {
    Send(WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(expected, window_->GetFocusControl());
  }
  // Backward with Shift held (the thread's key state, as GetKeyState sees it).
  BYTE keys[256];
  ::GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  const Control* backward[] = {third, second, first};
  for (const Control* expected : backward) {
    Send(WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(expected, window_->GetFocusControl());
  }
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_FALSE(second->IsFocused());

  // Keys go to the focused control; the key-up to the one that saw the key
  // go down.
  Take();
  Send(WM_KEYDOWN, 'A', 0);
  window_->SetFocusControl(second);
  Send(WM_CHAR, 'a', 0);
  Send(WM_KEYUP, 'A', 0);
  EXPECT_EQ((std::vector<std::string>{"first:8", "first:37", "second:36", "second:10",
                                      "first:9"}),
            Take());

  // A disabled or hidden control takes no focus, and the old one lost it.
  window_->SetFocusControl(Named(L"disabled"));
  EXPECT_EQ(nullptr, window_->GetFocusControl());
  EXPECT_FALSE(second->IsFocused());
}

TEST_F(WindowInputTest, TabWhileTheFirstLayoutIsPending) {
  window_->Show();
  Control* second = Named(L"second");
  window_->SetFocusControl(second);
  window_->SetArrangePending();
  ::ValidateRect(hwnd_, nullptr);
  Send(WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(second, window_->GetFocusControl());
  RECT update;
  EXPECT_TRUE(::GetUpdateRect(hwnd_, &update, FALSE));
  // Backwards is not held back.
  EXPECT_TRUE(window_->FocusNextTabStop(false));
  EXPECT_EQ(Named(L"first"), window_->GetFocusControl());
}

TEST_F(WindowInputTest, KillFocusReleasesControlsThatAskForIt) {
  Control* first = Named(L"first");
  for (bool asks : {false, true}) {
    SCOPED_TRACE(asks);
    first->SetButtonUpOnKillFocus(asks);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(first));
    Take();
    // The message's point (away from the control) makes the release no click.
    Send(WM_KILLFOCUS, 0, PointParam(5, 150));
    EXPECT_EQ(asks ? nullptr : first, window_->GetPressedControl());
    EXPECT_EQ(asks ? std::vector<std::string>{"first:19"} : std::vector<std::string>{}, Take());
    Send(WM_LBUTTONUP, 0, CentreOf(first));
  }
}

TEST_F(WindowInputTest, CloseEndsHoverAndPressBeforeTheWindowGoes) {
  Send(WM_MOUSEMOVE, 0, CentreOf(Named(L"first")));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(Named(L"second")));
  Take();
  bool closed = false;
  window_->AttachWindowEvent(kEventAll, [&closed](EventArgs*) {
    closed = true;
    return true;
  });
  Send(WM_CLOSE, 0, 0);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(gone_);
  EXPECT_EQ((std::vector<std::string>{"first:16", "second:19", "second:37"}), Take());
}

TEST_F(WindowInputTest, MessagesLeftToTheSystem) {
  struct Case {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    bool handled;
  } cases[] = {
      {WM_SETCURSOR, 0, MAKELPARAM(HTCAPTION, WM_MOUSEMOVE), false},
      {WM_NOTIFY, 0, 0, true},
      {WM_COMMAND, 0, 0, false},
      {WM_ERASEBKGND, 0, 0, true},
      {WM_TOUCH, 0, 0, false},
      {WM_TOUCH, 1, 0x1234, false},  // a handle the system does not know
      {0x0246 /* WM_POINTERDOWN */, MAKEWPARAM(1, 0), 0, true},  // not the primary pointer
      {0x0245 /* WM_POINTERUPDATE */, MAKEWPARAM(77, 0x2000), 0, false},  // unknown pointer
  };
  for (const Case& c : cases) {
    bool handled = !c.handled;
    window_->RouteMessage(c.message, c.wparam, c.lparam, handled);
    EXPECT_EQ(c.handled, handled) << std::hex << c.message;
  }
  window_->SetPointerInputEnabled(false);
  bool handled = true;
  window_->RouteMessage(0x0246, MAKEWPARAM(1, 0), 0, handled);
  EXPECT_FALSE(handled);
  EXPECT_TRUE(Take().empty());
}

// A child window that answers reflected messages with a number of its own.
LRESULT CALLBACK ReflectingProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND + kReflectedMessageOffset) return 42;
  if (message == WM_NOTIFY + kReflectedMessageOffset) return 43;
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

TEST_F(WindowInputTest, NotificationsAreReflectedToTheirChild) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ReflectingProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"QuorvelReflectingChild";
  ::RegisterClassW(&wc);
  HWND child = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD, 0, 0, 10, 10, hwnd_,
                                 nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(child);
  bool handled = false;
  EXPECT_EQ(42, window_->RouteMessage(WM_COMMAND, 0, reinterpret_cast<LPARAM>(child), handled));
  EXPECT_TRUE(handled);
  NMHDR header = {child, 0, 0};
  handled = true;
  // The notification's own answer is the system's, not the child's.
  EXPECT_EQ(0, window_->RouteMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header), handled));
  EXPECT_FALSE(handled);
  ::DestroyWindow(child);
}

TEST_F(WindowInputTest, TooltipOnHover) {
  Control* first = Named(L"first");
  Send(WM_MOUSEMOVE, 0, CentreOf(first));
  Take();
  EXPECT_EQ(0, Send(WM_MOUSEHOVER, 0, CentreOf(first)));
  EXPECT_EQ((std::vector<std::string>{"first:17"}), Take());
  HWND tip = window_->GetTooltipWindow();
  ASSERT_TRUE(tip);
  wchar_t text[64] = {};
  TOOLINFOW info = {};
  info.cbSize = sizeof(info);
  info.hwnd = hwnd_;
  info.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  info.lpszText = text;
  ::SendMessageW(tip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(L"First tip", text);
  EXPECT_EQ(200, ::SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));

  // The next control's tip replaces it in the same tooltip window.
  Send(WM_MOUSEMOVE, 0, CentreOf(Named(L"second")));
  Send(WM_MOUSEHOVER, 0, CentreOf(Named(L"second")));
  ::SendMessageW(tip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ(L"Second tip", text);
  EXPECT_EQ(tip, window_->GetTooltipWindow());
}

class CountingFilter : public IUIMessageFilter {
 public:
  explicit CountingFilter(bool handles) : handles_(handles) {}
  LRESULT FilterMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
    ++seen;
    handled = handles_;
    return 7;
  }
  int seen = 0;

 private:
  bool handles_;
};

TEST_F(WindowInputTest, FiltersSeeMessagesFirst) {
  CountingFilter passes(false), takes(true);
  window_->AddMessageFilter(&takes);
  window_->AddMessageFilter(&passes);
  // A handled mouse move still reaches the next filter and the hover.
  Send(WM_MOUSEMOVE, 0, CentreOf(Named(L"first")));
  EXPECT_EQ(1, takes.seen);
  EXPECT_EQ(1, passes.seen);
  EXPECT_EQ(Named(L"first"), window_->GetHoverControl());
  // Any other handled message stops there, with the filter's result.
  Take();
  EXPECT_EQ(7, Send(WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(Named(L"first"))));
  EXPECT_EQ(1, passes.seen);
  EXPECT_TRUE(Take().empty());
  window_->RemoveMessageFilter(&takes);
  window_->RemoveMessageFilter(&passes);
}

TEST_F(WindowInputTest, ControlRemovedInItsOwnClickHandler) {
  Control* second = Named(L"second");
  bool deleted = false;
  second->SetUserData(new DeletionFlag(&deleted));
  Box* root = static_cast<Box*>(window_->GetRoot());
  bool alive_in_handler = false;
  second->AttachEvent(kEventClick, [&](EventArgs* args) {
    root->Remove(args->sender);
    alive_in_handler = !deleted;
    return true;
  });
  Click(second);
  EXPECT_TRUE(alive_in_handler);
  EXPECT_FALSE(deleted);  // waits for the deferred-deletion message
  EXPECT_EQ(nullptr, window_->FindControlByName(L"second"));
  EXPECT_EQ(nullptr, window_->GetFocusControl());
  Pump();
  EXPECT_TRUE(deleted);
  EXPECT_EQ(0u, window_->GetDeferredDeleteCount());
}

TEST_F(WindowInputTest, WindowDestroyedInAClickHandler) {
  Control* third = Named(L"third");
  bool deleted = false;
  third->SetUserData(new DeletionFlag(&deleted));
  bool control_alive_after_destroy = false;
  third->AttachEvent(kEventClick, [&](EventArgs*) {
    ::DestroyWindow(hwnd_);
    control_alive_after_destroy = !deleted && gone_;
    return true;
  });
  bool closed = false;
  window_->AttachWindowEvent(kEventWindowClose, [&closed](EventArgs*) {
    closed = true;
    return true;
  });
  Click(third);
  EXPECT_TRUE(closed);
  EXPECT_TRUE(gone_);
  // The window object went at once; its tree only once the handler returned.
  EXPECT_TRUE(control_alive_after_destroy);
  EXPECT_TRUE(deleted);
}

TEST_F(WindowInputTest, ReplacedRootLivesUntilTheDeferredDeletion) {
  Control* old_root = window_->GetRoot();
  bool deleted = false;
  old_root->SetUserData(new DeletionFlag(&deleted));
  Box* fresh = new Box;
  Control* only = new Control;
  only->SetName(L"only");
  fresh->Add(only);
  EXPECT_TRUE(window_->SetRoot(fresh));
  EXPECT_FALSE(deleted);
  EXPECT_EQ(only, window_->FindControlByName(L"only"));
  EXPECT_EQ(nullptr, window_->FindControlByName(L"first"));
  Pump();
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(window_->SetRoot(nullptr));
  EXPECT_TRUE(window_->SetRoot(new Box));
}

}  // namespace
}  // namespace ui
