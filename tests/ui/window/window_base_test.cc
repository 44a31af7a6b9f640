// The skinned window base and the native window under it: creation from a
// skin (shadow box, skin failures, window settings), the window list, hit
// testing, the system buttons, closing (button, Esc, system menu), DPI
// changes, and the plain window's own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "ui/core/control.h"
#include "ui/core/dpi_guard.h"
#include "ui/core/window_shadow.h"
#include "ui/layout/layout.h"
#include "ui/render/render_test_support.h"
#include "ui/window/window_test_support.h"

namespace ui {
namespace {

using ui_test::CentreOf;
using ui_test::Pump;
using ui_test::PumpUntil;
using ui_test::TestWindow;

std::wstring Skin(const std::wstring& window_attributes, const std::wstring& body) {
  return L"<Window " + window_attributes + L">" + body + L"</Window>";
}

// Opens a skinned window that the fixture destroys (unless it went away).
class WindowBaseTest : public ::testing::Test {
 protected:
  ~WindowBaseTest() override {
    for (auto& open : open_) {
      if (!*open.gone && ::IsWindow(open.hwnd)) ::DestroyWindow(open.hwnd);
    }
    Pump();
  }
  TestWindow* Open(const std::wstring& skin, bool* gone, HWND owner = nullptr) {
    auto* window = new TestWindow(skin);
    window->gone = gone;
    window->SetTimerManager(&timers_.manager);
    window->watched = {kMsgWindowListChanged, WM_CLOSE};
    HWND hwnd = window->Open(owner);
    if (!hwnd) return nullptr;
    open_.push_back({hwnd, gone});
    return window;
  }
  LPARAM ScreenParam(HWND hwnd, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(hwnd, &pt);
    return MAKELPARAM(pt.x, pt.y);
  }

  struct OpenWindow {
    HWND hwnd;
    bool* gone;
  };
  ui_test::ScopedTestResources resources_;
  ui_test::ManualTimers timers_;
  std::vector<OpenWindow> open_;
};

TEST_F(WindowBaseTest, SkinRootIsWrappedInTheShadowBox) {
  struct Case {
    const wchar_t* attributes;
    bool shadow;
    UiSize window;
  } cases[] = {
      {L"size=\"800,600\"", true, {828, 628}},
      {L"shadowattached=\"false\" size=\"800,600\"", false, {800, 600}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.attributes);
    bool gone = false;
    TestWindow* window = Open(
        Skin(c.attributes, L"<VBox name=\"body\" width=\"800\" height=\"600\"/>"), &gone);
    ASSERT_TRUE(window);
    Control* body = window->FindControlByName(L"body");
    RECT rect;
    ::GetWindowRect(window->GetHWND(), &rect);
    EXPECT_EQ(c.window.cx, rect.right - rect.left);
    EXPECT_EQ(c.window.cy, rect.bottom - rect.top);
    // The caption bits of the requested style are gone.
    EXPECT_EQ(0, ::GetWindowLongW(window->GetHWND(), GWL_STYLE) & WS_CAPTION);
    // Binding told the window about the window list.
    EXPECT_EQ(1, std::count(window->received.begin(), window->received.end(),
                            kMsgWindowListChanged));
    if (c.shadow) {
      auto* box = dynamic_cast<ShadowBox*>(window->GetRoot());
      ASSERT_TRUE(box);
      EXPECT_EQ(box, window->GetShadow().box);
      EXPECT_EQ(body, box->GetItemAt(0));
      EXPECT_EQ(828, box->GetFixedWidth());
      EXPECT_EQ(628, box->GetFixedHeight());
      EXPECT_EQ((UiRect{14, 14, 14, 14}), box->GetLayout()->GetPadding());
      EXPECT_EQ((UiSize{3, 3}), body->GetBorderRound());
      ui_test::PaintNow(window->GetHWND());
      EXPECT_EQ((UiRect{14, 14, 814, 614}), body->GetPos());
    } else {
      EXPECT_EQ(body, window->GetRoot());
    }
  }
}

TEST_F(WindowBaseTest, StretchedRootKeepsAStretchedShadowBox) {
  bool gone = false;
  TestWindow* window = Open(Skin(L"size=\"300,200\"", L"<VBox height=\"100\"/>"), &gone);
  ASSERT_TRUE(window);
  EXPECT_EQ(kSizeStretch, window->GetRoot()->GetFixedWidth());
  EXPECT_EQ(128, window->GetRoot()->GetFixedHeight());
}

std::wstring g_error_text, g_error_caption;
int WINAPI RecordErrorBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  g_error_text = text;
  g_error_caption = caption;
  return IDOK;
}

TEST_F(WindowBaseTest, SkinThatCannotBeBuiltFailsTheCreation) {
  WindowImplBase::SetErrorBox(RecordErrorBox);
  for (const wchar_t* skin : {L"no_such_folder\\missing.xml", L"<Window><Font name=\"x\"/></Window>"}) {
    SCOPED_TRACE(skin);
    g_error_text.clear();
    bool gone = false;
    EXPECT_EQ(nullptr, Open(skin, &gone));
    EXPECT_TRUE(gone);
    EXPECT_EQ(L"UI", g_error_caption);
    EXPECT_EQ(0u, g_error_text.find(L"Failed to load xml file "));
    EXPECT_NE(std::wstring::npos, g_error_text.find(skin[0] == L'<' ? L"<Window>" : skin));
  }
  WindowImplBase::SetErrorBox(nullptr);
}

TEST_F(WindowBaseTest, WindowListTellsTheLastWindow) {
  bool gone[3] = {};
  TestWindow* w[3];
  for (int i = 0; i < 3; ++i) {
    w[i] = Open(Skin(L"size=\"50,50\"", L"<Box/>"), &gone[i]);
    ASSERT_TRUE(w[i]);
  }
  const auto count = [](TestWindow* window) {
    return std::count(window->received.begin(), window->received.end(), kMsgWindowListChanged);
  };
  EXPECT_EQ(1, count(w[2]));
  ::DestroyWindow(w[1]->GetHWND());
  EXPECT_TRUE(gone[1]);
  EXPECT_EQ(2, count(w[2]));
  EXPECT_EQ(1, count(w[0]));
}

TEST_F(WindowBaseTest, HitTestFromSizeBoxAndCaption) {
  bool gone = false;
  TestWindow* window = Open(
      Skin(L"size=\"200,100\" sizebox=\"4,4,4,4\" caption=\"0,0,0,30\"",
           L"<VBox><HBox height=\"30\"><Control name=\"title\"/>"
           L"<Button name=\"help\" width=\"20\" height=\"30\"/></HBox><Control/></VBox>"),
      &gone);
  ASSERT_TRUE(window);
  HWND hwnd = window->GetHWND();
  ui_test::PaintNow(hwnd);
  // The visible window is (14, 14)-(214, 114) inside the shadow.
  struct Case {
    int x, y;
    LRESULT expected;
  } cases[] = {
      {16, 16, HTTOPLEFT},     {5, 5, HTCLIENT},          {100, 15, HTTOP},
      {212, 16, HTTOPRIGHT},   {16, 112, HTBOTTOMLEFT},   {212, 112, HTBOTTOMRIGHT},
      {100, 113, HTBOTTOM},    {15, 60, HTLEFT},          {213, 60, HTRIGHT},
      {220, 60, HTCLIENT},     {100, 30, HTCAPTION},      {100, 60, HTCLIENT},
      {100, 120, HTCLIENT},
      // A button in the caption takes its own clicks.
      {204, 30, HTCLIENT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, ::SendMessageW(hwnd, WM_NCHITTEST, 0, ScreenParam(hwnd, c.x, c.y)))
        << c.x << "," << c.y;
  }
}

TEST_F(WindowBaseTest, SystemButtonsMaximiseRestoreAndMinimise) {
  bool gone = false;
  TestWindow* window = Open(
      Skin(L"size=\"200,100\" sizebox=\"4,4,4,4\" caption=\"0,0,0,30\"",
           L"<HBox name=\"body\"><Button name=\"minbtn\" width=\"20\" height=\"20\"/>"
           L"<Button name=\"maxbtn\" width=\"20\" height=\"20\"/>"
           L"<Button name=\"restorebtn\" width=\"20\" height=\"20\" visible=\"false\"/></HBox>"),
      &gone);
  ASSERT_TRUE(window);
  HWND hwnd = window->GetHWND();
  window->Show();
  Control* body = window->FindControlByName(L"body");
  Control* max = window->FindControlByName(L"maxbtn");
  Control* restore = window->FindControlByName(L"restorebtn");
  const auto click = [hwnd](Control* c) {
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(c));
    ::SendMessageW(hwnd, WM_LBUTTONUP, 0, CentreOf(c));
  };

  click(max);
  EXPECT_TRUE(::IsZoomed(hwnd));
  EXPECT_FALSE(max->IsVisible());
  EXPECT_TRUE(restore->IsVisible());
  // No shadow while maximised: the content reaches the edges and the size
  // box is not tested.
  EXPECT_EQ((UiRect{0, 0, 0, 0}), window->GetShadowPadding());
  EXPECT_EQ((UiRect{0, 0, 0, 0}), window->GetShadow().box->GetLayout()->GetPadding());
  EXPECT_EQ((UiSize{0, 0}), body->GetBorderRound());
  ui_test::PaintNow(hwnd);
  EXPECT_EQ(0, body->GetPos().left);
  EXPECT_EQ(HTCAPTION, ::SendMessageW(hwnd, WM_NCHITTEST, 0, ScreenParam(hwnd, 100, 2)));

  click(restore);
  EXPECT_FALSE(::IsZoomed(hwnd));
  EXPECT_TRUE(max->IsVisible());
  EXPECT_FALSE(restore->IsVisible());
  EXPECT_EQ((UiRect{14, 14, 14, 14}), window->GetShadowPadding());
  EXPECT_EQ((UiSize{3, 3}), body->GetBorderRound());

  // Minimising is the system's (and the absent window manager's) business:
  // the command is what the window sends.
  ui_test::PaintNow(hwnd);
  click(window->FindControlByName(L"minbtn"));
  EXPECT_EQ((std::vector<WPARAM>{SC_MAXIMIZE, SC_RESTORE, SC_MINIMIZE}), window->syscommands);
  EXPECT_FALSE(gone);
}

TEST_F(WindowBaseTest, ClosedByItsButtonByEscAndByTheSystemMenu) {
  struct Case {
    const char* how;
    UINT result;
  } cases[] = {{"closebtn", 1}, {"escape", IDCANCEL}, {"sc_close", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    bool gone = false;
    TestWindow* window = Open(
        Skin(L"size=\"100,60\"",
             L"<VBox><Button name=\"closebtn\" width=\"40\" height=\"20\"/></VBox>"),
        &gone);
    ASSERT_TRUE(window);
    UINT closed_with = 99;
    window->closed_with = &closed_with;
    HWND hwnd = window->GetHWND();
    ui_test::PaintNow(hwnd);
    bool told = false;
    window->AttachWindowEvent(kEventWindowClose, [&told](EventArgs* args) {
      told = args->type == kEventWindowClose;
      return true;
    });
    const std::string how = c.how;
    if (how == "closebtn") {
      Control* button = window->FindControlByName(L"closebtn");
      ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(button));
      ::SendMessageW(hwnd, WM_LBUTTONUP, 0, CentreOf(button));
    } else if (how == "escape") {
      ::SendMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
    } else {
      ::SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    if (how != "sc_close") {
      // The window fades out first and closes 300 ms later.
      Pump();
      EXPECT_FALSE(gone);
      timers_.Pass(200);
      Pump();
      EXPECT_FALSE(gone);
      timers_.Pass(120);
    }
    EXPECT_TRUE(PumpUntil([&gone] { return gone; }));
    EXPECT_TRUE(told);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(c.result, closed_with);
  }
}

// A list item or any other clickable control that happens to carry a system
// button's name is not a system button.
TEST_F(WindowBaseTest, SystemButtonNamesOnOtherControlsDoNothing) {
  bool gone = false;
  TestWindow* window = Open(Skin(L"size=\"100,60\"",
                                 L"<VBox><Click name=\"closebtn\" height=\"20\"/>"
                                 L"<Click name=\"maxbtn\" height=\"20\"/></VBox>"),
                            &gone);
  ASSERT_TRUE(window);
  HWND hwnd = window->GetHWND();
  ui_test::PaintNow(hwnd);
  int clicks = 0;
  for (const wchar_t* name : {L"closebtn", L"maxbtn"}) {
    Control* control = window->FindControlByName(name);
    control->AttachEvent(kEventClick, [&clicks](EventArgs*) {
      ++clicks;
      return true;
    });
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, CentreOf(control));
    ::SendMessageW(hwnd, WM_LBUTTONUP, 0, CentreOf(control));
  }
  EXPECT_EQ(2, clicks);  // the clicks happened
  Pump();
  timers_.Pass(400);  // past the close delay
  Pump();
  EXPECT_FALSE(gone);
  EXPECT_TRUE(::IsWindow(hwnd));
  EXPECT_TRUE(window->syscommands.empty());
}

TEST_F(WindowBaseTest, CloseCanBeRefused) {
  bool gone = false;
  TestWindow* window = Open(Skin(L"size=\"100,60\"", L"<VBox/>"), &gone);
  ASSERT_TRUE(window);
  window->refuse_close = true;
  ::SendMessageW(window->GetHWND(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_FALSE(gone);
  EXPECT_EQ(1, std::count(window->received.begin(), window->received.end(), WM_CLOSE));
}

TEST_F(WindowBaseTest, ExpandTakesTheOwnersSize) {
  bool owner_gone = false, dialog_gone = false;
  TestWindow* owner = Open(Skin(L"size=\"400,300\"", L"<VBox/>"), &owner_gone);
  ASSERT_TRUE(owner);
  TestWindow* dialog =
      Open(Skin(L"shadowattached=\"false\" size=\"200,100\" expand=\"0,0\" "
                L"edging=\"20,20,20,20\" mininfo=\"50,0\" textid=\"STRING_NONE\"",
                L"<VBox/>"),
           &dialog_gone, owner->GetHWND());
  ASSERT_TRUE(dialog);
  EXPECT_EQ((UiSize{400, 300}), dialog->GetInitialSize());
  EXPECT_EQ((UiSize{200, 100}), dialog->GetContentSize());
  EXPECT_EQ((UiRect{20, 20, 20, 20}), dialog->GetEdging());
  EXPECT_EQ((UiSize{50, 0}), dialog->GetMinInfo());
  RECT rect;
  ::GetWindowRect(dialog->GetHWND(), &rect);
  EXPECT_EQ(400, rect.right - rect.left);
}

TEST_F(WindowBaseTest, WindowAttributesInOrder) {
  bool gone = false;
  TestWindow* window = Open(Skin(L"shadowcorner=\"10,10,10,10\" size=\"504\" mininfo=\"100,0\" "
                                 L"maxinfo=\"0,0\" shadowimage=\"file='s.png'\" "
                                 L"alphafixcorner=\"1,2,3,4\" roundcorner=\"5,5\"",
                                 L"<VBox/>"),
                            &gone);
  ASSERT_TRUE(window);
  EXPECT_EQ((UiSize{524, 20}), window->GetInitialSize());
  EXPECT_EQ((UiSize{120, 0}), window->GetMinInfo());
  EXPECT_EQ((UiSize{0, 0}), window->GetMaxInfo());
  EXPECT_EQ((UiRect{1, 2, 3, 4}), window->GetAlphaFixCorner());
  EXPECT_EQ((UiSize{5, 5}), window->GetRoundCorner());
  EXPECT_FALSE(window->GetShadow().default_image);
  // Without the default image the root keeps square corners.
  EXPECT_EQ((UiSize{0, 0}), window->GetShadow().box->GetItemAt(0)->GetBorderRound());
}

TEST_F(WindowBaseTest, MinMaxInfoAndHeightPercent) {
  bool gone = false;
  TestWindow* window = Open(Skin(L"shadowattached=\"false\" mininfo=\"120,80\" maxinfo=\"0,400\" "
                                 L"size=\"300,0\" heightpercent=\"0.5\"",
                                 L"<VBox/>"),
                            &gone);
  ASSERT_TRUE(window);
  MONITORINFO monitor = {sizeof(monitor)};
  ::GetMonitorInfoW(::MonitorFromWindow(window->GetHWND(), MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  const int half = (work.bottom - work.top) / 2;
  EXPECT_EQ((UiSize{300, std::min(std::max(half, 80), 400)}), window->GetInitialSize());
  // A size with a zero in it is not remembered as the content's.
  EXPECT_EQ((UiSize{0, 0}), window->GetContentSize());

  MINMAXINFO info = {};
  info.ptMaxTrackSize = POINT{9999, 9999};
  ::SendMessageW(window->GetHWND(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(work.right - work.left, info.ptMaxSize.x);
  EXPECT_EQ(work.bottom - work.top, info.ptMaxSize.y);
  EXPECT_EQ(120, info.ptMinTrackSize.x);
  EXPECT_EQ(80, info.ptMinTrackSize.y);
  EXPECT_EQ(400, info.ptMaxTrackSize.y);
}

TEST_F(WindowBaseTest, CentredOnItsOwnerOrInTheWorkArea) {
  bool owner_gone = false, child_gone = false;
  TestWindow* owner = Open(Skin(L"shadowattached=\"false\" size=\"400,300\"", L"<VBox/>"),
                           &owner_gone);
  ASSERT_TRUE(owner);
  ::SetWindowPos(owner->GetHWND(), nullptr, 100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  TestWindow* child = Open(Skin(L"shadowattached=\"false\" size=\"100,60\"", L"<VBox/>"),
                           &child_gone, owner->GetHWND());
  ASSERT_TRUE(child);
  child->CenterWindow();
  RECT rect;
  ::GetWindowRect(child->GetHWND(), &rect);
  EXPECT_EQ(100 + 200 - 50, rect.left);
  EXPECT_EQ(50 + 150 - 30, rect.top);

  owner->CenterWindow();
  ::GetWindowRect(owner->GetHWND(), &rect);
  MONITORINFO monitor = {sizeof(monitor)};
  ::GetMonitorInfoW(::MonitorFromWindow(owner->GetHWND(), MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_EQ((monitor.rcWork.left + monitor.rcWork.right) / 2 - 200, rect.left);
  EXPECT_EQ((monitor.rcWork.top + monitor.rcWork.bottom) / 2 - 150, rect.top);
}

TEST_F(WindowBaseTest, AutoSizedRootSizesTheWindow) {
  bool gone = false;
  TestWindow* window =
      Open(Skin(L"shadowattached=\"false\"",
                L"<VBox width=\"auto\" height=\"auto\" minwidth=\"150\">"
                L"<Control width=\"120\" height=\"50\"/></VBox>"),
           &gone);
  ASSERT_TRUE(window);
  RECT rect;
  ::GetWindowRect(window->GetHWND(), &rect);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(150, rect.right - rect.left);
  EXPECT_EQ(50, rect.bottom - rect.top);
}

TEST_F(WindowBaseTest, DpiChangeRescalesTheShadow) {
  DpiGuard dpi(100);
  bool gone = false;
  TestWindow* window = Open(Skin(L"size=\"100,60\"", L"<VBox/>"), &gone);
  ASSERT_TRUE(window);
  ::SendMessageW(window->GetHWND(), WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
  EXPECT_EQ(150, DpiScale::Instance()->GetScale());
  EXPECT_EQ((UiRect{21, 21, 21, 21}), window->GetShadowPadding());
  EXPECT_EQ((UiRect{21, 21, 21, 21}), window->GetShadow().box->GetLayout()->GetPadding());
  // The window itself is not resized here.
  RECT rect;
  ::GetWindowRect(window->GetHWND(), &rect);
  EXPECT_EQ(128, rect.right - rect.left);
}

// A window without skin: a class of its own and nothing else.
class PlainWindow : public Window {
 public:
  explicit PlainWindow(std::wstring super = L"") : super_(std::move(super)) {}
  std::wstring GetWindowClassName() const override { return L"QuorvelPlainWindow"; }
  std::wstring GetSuperClassName() const override { return super_; }

 private:
  std::wstring super_;
};

TEST(PlainWindowTest, CreationRules) {
  PlainWindow missing_super(L"QuorvelNoSuchClass");
  EXPECT_EQ(nullptr, missing_super.Create(nullptr, L"x", WS_POPUP, 0));

  PlainWindow window;
  HWND hwnd = window.Create(nullptr, L"plain", WS_POPUP | WS_CAPTION, 0, false,
                            UiRect{10, 10, 110, 60});
  ASSERT_TRUE(hwnd);
  EXPECT_EQ(0, ::GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION);
  EXPECT_EQ(0, ::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  // Without a root, closing posts WM_CLOSE at once.
  window.Close(5);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, hwnd, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  EXPECT_EQ(5u, msg.wParam);
  ::DestroyWindow(hwnd);
}

TEST(PlainWindowTest, ResourcePathAndOptionGroups) {
  Window window;
  struct {
    const wchar_t* in;
    const wchar_t* stored;
  } paths[] = {{L"main", L"main\\"}, {L"main/", L"main/"}, {L"a\\", L"a\\"}, {L"", L""}};
  for (const auto& p : paths) {
    window.SetResourcePath(p.in);
    EXPECT_EQ(p.stored, window.GetResourcePath());
  }
  Control a, b;
  EXPECT_TRUE(window.AddOptionGroup(L"g", &a));
  EXPECT_FALSE(window.AddOptionGroup(L"g", &a));
  EXPECT_TRUE(window.AddOptionGroup(L"g", &b));
  window.RemoveOptionGroup(L"g", &a);
  ASSERT_TRUE(window.GetOptionGroup(L"g"));
  EXPECT_EQ(1u, window.GetOptionGroup(L"g")->size());
  window.RemoveOptionGroup(L"g", &b);
  EXPECT_EQ(nullptr, window.GetOptionGroup(L"g"));
  window.RemoveOptionGroup(L"none", &b);
}

TEST(PlainWindowTest, NamesExactInTheMapWithoutCaseInSearches) {
  Window window;
  Box* root = new Box;
  Control* child = new Control;
  child->SetName(L"CloseBtn");
  root->Add(child);
  window.SetRoot(root);
  EXPECT_EQ(child, window.FindControlByName(L"CloseBtn"));
  EXPECT_EQ(nullptr, window.FindControlByName(L"closebtn"));
  wchar_t lower[] = L"closebtn";
  EXPECT_EQ(child, root->FindControl(FindControlByNameProc, lower, 0));
  wchar_t empty[] = L"";
  EXPECT_EQ(nullptr, root->FindControl(FindControlByNameProc, empty, 0));
}

}  // namespace
}  // namespace ui
