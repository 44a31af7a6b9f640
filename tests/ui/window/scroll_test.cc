// Scrolling boxes and their bars in a real window, driven by injected
// messages: the wheel and the keys scroll (smoothly, on a clock the test
// moves), a click after a scroll lands on the item under the mouse, the
// thumb follows a drag held by the capture, and hostile bar attributes
// neither crash nor loop.
#include <gtest/gtest.h>

#include <windowsx.h>

#include <string>
#include <vector>

#include "ui/controls/list_box.h"
#include "ui/controls/scroll_bar.h"
#include "ui/render/render_test_support.h"
#include "ui/window/window_test_support.h"

namespace ui {
namespace {

using ui_test::Pump;
using ui_test::PointParam;
using ui_test::TestWindow;

constexpr wchar_t kBarStyle[] =
    L"width='12' autohidescroll='false' showbutton1='false' showbutton2='false' "
    L"thumbminlength='20'";

// A list of `count` items 30 high in a 100-pixel view (x 0..200, y 20..120).
std::wstring ListSkin(int count, const std::wstring& list_attributes) {
  std::wstring items;
  for (int i = 0; i < count; ++i)
    items += L"<ListContainerElement name=\"i" + std::to_wstring(i) + L"\" height=\"30\"/>";
  return L"<Window shadowattached=\"false\" size=\"200,140\"><VBox>"
         L"<Control height=\"20\"/>"
         L"<VListBox name=\"list\" height=\"100\" " +
         list_attributes + L">" + items + L"</VListBox><Control/></VBox></Window>";
}

std::wstring StyledList(int count) {
  return ListSkin(count, L"vscrollbar=\"true\" vscrollbarstyle=\"" + std::wstring(kBarStyle) + L"\"");
}

class ScrollTest : public ::testing::Test {
 protected:
  void TearDown() override { Close(); }
  void Open(const std::wstring& skin) {
    Close();
    gone_ = false;
    window_ = new TestWindow(skin);
    window_->gone = &gone_;
    window_->SetTimerManager(&timers_.manager);
    hwnd_ = window_->Open();
    ASSERT_TRUE(hwnd_);
    ui_test::PaintNow(hwnd_);
    list_ = dynamic_cast<ListBox*>(window_->FindControlByName(L"list"));
    ASSERT_TRUE(list_);
    list_->SetTimerManager(&timers_.manager);
    list_->AttachEvent(kEventScrollChange, [this](EventArgs*) {
      ++scroll_events_;
      return true;
    });
  }
  void Close() {
    if (hwnd_ && !gone_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    Pump();
    hwnd_ = nullptr;
  }
  // The layout pass a paint would run (a hidden window paints nothing).
  void Arrange() { list_->SetPos(list_->GetPos()); }
  ScrollBar* Bar() { return list_->GetVerticalScrollBar(); }
  int Pos() { return list_->GetScrollPos().cy; }
  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam) {
    return ::SendMessageW(hwnd_, message, wparam, lparam);
  }
  // A wheel notch over the list (the message carries screen coordinates).
  void Wheel(int delta) {
    POINT at{100, 70};
    ::ClientToScreen(hwnd_, &at);
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(at.x, at.y));
  }
  void Key(WPARAM key) {
    Send(WM_KEYDOWN, key, 0);
    Send(WM_KEYUP, key, 0);
  }
  void Click(int x, int y) {
    Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
    Send(WM_LBUTTONUP, 0, PointParam(x, y));
  }

  ui_test::ScopedTestResources resources_;
  ui_test::ManualTimers timers_;
  TestWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  bool gone_ = true;
  ListBox* list_ = nullptr;
  int scroll_events_ = 0;
};

TEST_F(ScrollTest, BarComesIntoUseWithTheContentAndLaysOutItsThumb) {
  Open(StyledList(20));
  EXPECT_EQ((UiRect{0, 20, 200, 120}), list_->GetPos());
  EXPECT_EQ(500, list_->GetScrollRange().cy);
  ASSERT_TRUE(Bar());
  EXPECT_TRUE(Bar()->IsVisible());
  EXPECT_EQ((UiRect{188, 20, 200, 120}), Bar()->GetPos());
  // 100 x 100 / 600 is 16, raised to the minimum of 20.
  EXPECT_EQ((UiRect{188, 20, 200, 40}), Bar()->GetThumbRect());
  list_->SetScrollPos(UiSize{0, 500});
  EXPECT_EQ((UiRect{188, 100, 200, 120}), Bar()->GetThumbRect());

  // Content that fits: no range, no bar.
  Open(StyledList(3));
  EXPECT_EQ(0, list_->GetScrollRange().cy);
  EXPECT_FALSE(Bar()->IsVisible());
  list_->SetScrollPos(UiSize{0, 50});
  EXPECT_EQ(0, Pos());
}

TEST_F(ScrollTest, WheelNotchesScrollSmoothlyAndAddUp) {
  Open(StyledList(20));
  Wheel(-120);
  EXPECT_EQ(0, Pos());  // the smooth scroll has only begun
  timers_.RunUntilIdle();
  EXPECT_EQ(120, Pos());
  EXPECT_GT(scroll_events_, 1);

  // Three quick notches: each restarts toward an end 120 further down.
  Wheel(-120);
  timers_.Pass(16);
  Wheel(-120);
  timers_.Pass(16);
  Wheel(-120);
  timers_.RunUntilIdle();
  EXPECT_EQ(480, Pos());
  // Up past the top stops at 0.
  for (int i = 0; i < 6; ++i) Wheel(120);
  timers_.RunUntilIdle();
  EXPECT_EQ(0, Pos());
  // Nothing more to scroll: no event.
  scroll_events_ = 0;
  Wheel(120);
  timers_.RunUntilIdle();
  EXPECT_EQ(0, scroll_events_);
}

TEST_F(ScrollTest, AClickAfterAScrollLandsOnTheItemUnderTheMouse) {
  Open(StyledList(20));
  list_->SetScrollPos(UiSize{0, 125});
  // Client y 30 is content y 10 + 125 = 135: item 4 (120 .. 150).
  EXPECT_EQ(window_->FindControlByName(L"i4"), window_->FindControlAt(UiPoint{50, 30}));
  Click(50, 30);
  EXPECT_EQ(4, list_->GetCurSel());
  // Over the bar the bar answers, not the item below it.
  EXPECT_EQ(Bar(), window_->FindControlAt(UiPoint{194, 100}));
  // Selecting an item that is out of view scrolls it in.
  list_->SelectItem(19, false, false);
  EXPECT_EQ(500, Pos());
}

TEST_F(ScrollTest, KeysScrollByPageAndToTheEnds) {
  Open(ListSkin(20, L"vscrollbar=\"true\" vscrollbarstyle=\"" + std::wstring(kBarStyle) + L"\""));
  Click(50, 30);  // the focus goes to item 0
  ASSERT_EQ(window_->FindControlByName(L"i0"), window_->GetFocusControl());
  Key(VK_NEXT);
  EXPECT_EQ(100, Pos());
  Key(VK_NEXT);
  EXPECT_EQ(200, Pos());
  Key(VK_PRIOR);
  EXPECT_EQ(100, Pos());
  // End and Home move a list's selection, which scrolls into view.
  Key(VK_END);
  EXPECT_EQ(19, list_->GetCurSel());
  EXPECT_EQ(500, Pos());
  // The end with the slide: the position jumps, the content slides there
  // over its render offset.
  list_->ScrollToTop();
  list_->ScrollToBottom(true, true);
  EXPECT_EQ(500, Pos());
  EXPECT_LT(list_->GetRenderOffset().y, 0);
  timers_.RunUntilIdle();
  EXPECT_EQ(0, list_->GetRenderOffset().y);
  Key(VK_HOME);
  EXPECT_EQ(0, list_->GetCurSel());
  EXPECT_EQ(0, Pos());
}

TEST_F(ScrollTest, ThumbFollowsADragHeldByTheCapture) {
  Open(StyledList(20));
  const UiRect thumb = Bar()->GetThumbRect();
  const int x = (thumb.left + thumb.right) / 2;
  const int y = (thumb.top + thumb.bottom) / 2;
  Send(WM_MOUSEMOVE, 0, PointParam(x, y));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
  EXPECT_EQ(Bar(), window_->GetPressedControl());
  EXPECT_TRUE(window_->IsMouseCaptured());
  EXPECT_EQ(kControlStatePushed, Bar()->GetThumbState());
  // 16 pixels of an 80-pixel free track over a range of 500: 100. The
  // position follows at the next repeat tick.
  Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(x, y + 16));
  EXPECT_EQ(0, Pos());
  timers_.Pass(50);
  EXPECT_EQ(100, Pos());
  // Far outside the bar and the window's list, the capture keeps the drag.
  Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(5, 139));
  timers_.Pass(50);
  EXPECT_EQ(500, Pos());
  EXPECT_EQ((UiRect{188, 100, 200, 120}), Bar()->GetThumbRect());
  Send(WM_LBUTTONUP, 0, PointParam(5, 139));
  EXPECT_EQ(nullptr, window_->GetPressedControl());
  EXPECT_EQ(kControlStateNormal, Bar()->GetThumbState());
  // Released: ticks no longer move it.
  Send(WM_MOUSEMOVE, 0, PointParam(x, y));
  timers_.RunUntilIdle();
  EXPECT_EQ(500, Pos());
}

TEST_F(ScrollTest, APressInTheTrackPagesAndHeldButtonsRepeatAfterAPause) {
  Open(ListSkin(20, L"vscrollbar=\"true\" vscrollbarstyle=\"width='12' autohidescroll='false' "
                    L"thumbminlength='20'\""));
  // Buttons of 12 at both ends; the track below the thumb pages down.
  EXPECT_EQ((UiRect{188, 108, 200, 120}), Bar()->GetButton2Rect());
  Click(194, 90);
  EXPECT_EQ(100, Pos());

  // Holding button 2: one line at the press (30, smooth), then none for
  // five ticks, then one per tick.
  list_->SetScrollPos(UiSize{0, 0});
  Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(194, 114));
  timers_.Pass(50);
  const int after_press = Pos();
  EXPECT_GT(after_press, 0);
  for (int i = 0; i < 4; ++i) timers_.Pass(50);
  const int before_repeat = Pos();
  EXPECT_EQ(30, before_repeat);
  timers_.Pass(50);
  timers_.Pass(50);
  timers_.Pass(50);
  EXPECT_GT(Pos(), before_repeat);
  Send(WM_LBUTTONUP, 0, PointParam(194, 114));
  timers_.RunUntilIdle();
  const int released = Pos();
  timers_.Pass(50);
  timers_.Pass(50);
  EXPECT_EQ(released, Pos());
  EXPECT_EQ(kControlStateNormal, Bar()->GetButton2State());
}

TEST_F(ScrollTest, AnAutoHidingBarShowsOnHoverAndHidesWhenReleasedOutside) {
  Open(ListSkin(20, L"vscrollbar=\"true\" vscrollbarstyle=\"width='12' showbutton1='false' "
                    L"showbutton2='false'\""));
  ASSERT_EQ(500, list_->GetScrollRange().cy);
  EXPECT_FALSE(Bar()->IsVisible());
  EXPECT_NE(Bar(), window_->FindControlAt(UiPoint{194, 30}));
  // The mouse over an item is over the list: the bar shows, and goes when
  // the mouse leaves the list.
  Send(WM_MOUSEMOVE, 0, PointParam(50, 30));
  EXPECT_TRUE(Bar()->IsVisible());
  Send(WM_MOUSEMOVE, 0, PointParam(50, 60));
  EXPECT_TRUE(Bar()->IsVisible());
  Send(WM_MOUSEMOVE, 0, PointParam(50, 10));
  EXPECT_FALSE(Bar()->IsVisible());
  Send(WM_MOUSEMOVE, 0, PointParam(50, 30));
  EXPECT_TRUE(Bar()->IsVisible());
  // A thumb drag released below the list: the bar goes away again.
  const UiRect thumb = Bar()->GetThumbRect();
  const int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
  Send(WM_MOUSEMOVE, 0, PointParam(x, y));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
  Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(x, 130));
  Send(WM_LBUTTONUP, 0, PointParam(x, 130));
  EXPECT_FALSE(Bar()->IsVisible());
}

TEST_F(ScrollTest, HoldEndKeepsAGrowingListAtItsEnd) {
  Open(ListSkin(20, L"holdend=\"true\" vscrollbar=\"true\" vscrollbarstyle=\"" +
                        std::wstring(kBarStyle) + L"\""));
  list_->SetScrollPos(UiSize{0, 500});
  auto* item = new ListContainerElement;
  item->SetFixedHeight(30);
  list_->Add(item);
  Arrange();
  EXPECT_EQ(530, list_->GetScrollRange().cy);
  EXPECT_EQ(530, Pos());
  // Anywhere else it keeps its place.
  list_->SetScrollPos(UiSize{0, 100});
  list_->Add(new ListContainerElement);
  Arrange();
  EXPECT_EQ(100, Pos());
}

TEST_F(ScrollTest, MutedScrollEventsStayMutedUntilTheSmoothScrollEnds) {
  Open(StyledList(20));
  list_->SetScrollEventMute(true);
  Wheel(-120);
  timers_.RunUntilIdle();
  EXPECT_EQ(120, Pos());
  EXPECT_EQ(0, scroll_events_);
  EXPECT_FALSE(list_->IsScrollEventMute());
  list_->SetScrollPos(UiSize{0, 10});
  EXPECT_EQ(1, scroll_events_);
}

// Bars and lists a broken or hostile skin can make: each must build, lay
// out, paint, scroll by wheel, keys and thumb drag and close without a
// crash, an endless loop or a position outside 0 .. range.
TEST_F(ScrollTest, HostileBarAttributes) {
  struct Case {
    const char* what;
    int items;
    const wchar_t* attributes;
  } const cases[] = {
      {"zero width", 20, L"vscrollbar=\"true\" vscrollbarstyle=\"width='0'\""},
      {"negative width", 20, L"vscrollbar=\"true\" vscrollbarstyle=\"width='-7' height='-9'\""},
      {"thumb larger than its track", 20,
       L"vscrollbar=\"true\" vscrollbarstyle=\"thumbminlength='5000' autohidescroll='false'\""},
      {"negative thumb minimum", 20,
       L"vscrollbar=\"true\" vscrollbarstyle=\"thumbminlength='-40' autohidescroll='false'\""},
      {"range 0 (no items)", 0, L"vscrollbar=\"true\" vscrollbarstyle=\"autohidescroll='false'\""},
      {"buttons longer than the bar", 20,
       L"vscrollbar=\"true\" vscrollbarstyle=\"width='90' autohidescroll='false'\""},
      {"bar padding past the box", 20,
       L"vscrollbar=\"true\" scrollbarpadding=\"9999,9999,9999,9999\" "
       L"vscrollbarstyle=\"autohidescroll='false'\""},
      {"negative bar padding", 20,
       L"vscrollbar=\"true\" scrollbarpadding=\"-500,-500,-500,-500\""},
      {"negative scroll unit", 20, L"vscrollbar=\"true\" vscrollunit=\"-30\""},
      {"huge scroll unit", 20, L"vscrollbar=\"true\" vscrollunit=\"99999999999999\""},
      {"text instead of numbers", 20,
       L"vscrollbar=\"true\" vscrollunit=\"abc\" vscrollbarstyle=\"range='x' value='-' "
       L"linesize='' thumbminlength='2,'\""},
      {"bars that do not float", 20,
       L"vscrollbar=\"true\" hscrollbar=\"true\" scrollbarfloat=\"false\" "
       L"vscrollbarstyle=\"width='150'\" hscrollbarstyle=\"height='150'\""},
      {"a style without a bar", 20, L"vscrollbarstyle=\"width='5'\" vscrollbar=\"false\""},
      {"10,000 items", 10000, L"vscrollbar=\"true\" vscrollbarstyle=\"autohidescroll='false'\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(ListSkin(c.items, c.attributes));
    const UiSize range = list_->GetScrollRange();
    auto in_range = [&]() {
      const UiSize pos = list_->GetScrollPos();
      return pos.cy >= 0 && pos.cy <= list_->GetScrollRange().cy && pos.cx >= 0 &&
             pos.cx <= list_->GetScrollRange().cx;
    };
    EXPECT_GE(range.cy, 0);
    Wheel(-120);
    Wheel(-120);
    timers_.RunUntilIdle();
    EXPECT_TRUE(in_range());
    Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(10, 30));
    Send(WM_LBUTTONUP, 0, PointParam(10, 30));
    for (WPARAM key : {VK_END, VK_NEXT, VK_HOME, VK_PRIOR, VK_DOWN}) Key(key);
    timers_.RunUntilIdle();
    EXPECT_TRUE(in_range());
    if (ScrollBar* bar = Bar()) {
      const UiRect thumb = bar->GetThumbRect();
      const UiRect r = bar->GetPos();
      if (!thumb.IsEmpty()) {
        EXPECT_GE(thumb.top, r.top);
        EXPECT_LE(thumb.bottom, r.bottom);
      }
      const int x = (r.left + r.right) / 2, y = (thumb.top + thumb.bottom) / 2;
      Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
      Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(x, y + 1000));
      timers_.Pass(50);
      Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(x, y - 5000));
      timers_.Pass(50);
      Send(WM_LBUTTONUP, 0, PointParam(x, y));
      EXPECT_TRUE(in_range());
    }
    ui_test::PaintNow(hwnd_);
    EXPECT_TRUE(in_range());
  }
}

TEST_F(ScrollTest, ABarOrItemRemovedWhileInUseIsForgotten) {
  Open(StyledList(20));
  // The bar goes while its thumb is held: the drag ends with it.
  const UiRect thumb = Bar()->GetThumbRect();
  const int x = (thumb.left + thumb.right) / 2, y = (thumb.top + thumb.bottom) / 2;
  Send(WM_LBUTTONDOWN, MK_LBUTTON, PointParam(x, y));
  Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(x, y + 10));
  list_->SetAttribute(L"vscrollbar", L"false");
  EXPECT_EQ(nullptr, list_->GetVerticalScrollBar());
  timers_.Pass(50);
  Pump();
  Send(WM_MOUSEMOVE, MK_LBUTTON, PointParam(x, y + 20));
  Send(WM_LBUTTONUP, 0, PointParam(x, y + 20));
  timers_.RunUntilIdle();
  EXPECT_EQ(0, Pos());

  // An item removed by the listener of its own selection while the list
  // scrolls it into view.
  Open(StyledList(20));
  Control* last = window_->FindControlByName(L"i19");
  last->AttachEvent(kEventSelect, [this, last](EventArgs*) {
    list_->Remove(last);
    return true;
  });
  Wheel(-120);
  list_->SelectItem(19, false, true);
  timers_.RunUntilIdle();
  ui_test::PaintNow(hwnd_);
  EXPECT_EQ(19, list_->GetCount());
  EXPECT_LE(Pos(), list_->GetScrollRange().cy);
}

}  // namespace
}  // namespace ui
