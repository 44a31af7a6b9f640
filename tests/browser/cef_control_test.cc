// The off-screen browser control in a skinned window against the stand-in
// runtime: loads queued until the browser exists, the page's frame on the
// window's surface, input forwarded with its coordinates and flags, resize,
// hide and show, pop-up widgets, the developer tools in a second control,
// the browser events as the control's callbacks, the client's own answers,
// frames that do not fit, and GDI objects and handles over many controls.
//
// The window and its controls live on thread 0, a framework thread of the
// test; the test's own thread drives it by posted closures and reads the
// stand-in's log.
#include <gtest/gtest.h>

#include <windows.h>
#include <winternl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/file/path_util.h"
#include "base/loop_test_util.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"
#include "browser/browser_test_support.h"
#include "browser/page_script.h"
#include "browser/cef_control.h"
#include "browser/cef_manager.h"
#include "browser/cef_native_control.h"
#include "browser/runtime/cef_runtime.h"
#include "testing/cef_runtime/standin_api.h"
#include "test_support/temp_folder.h"
#include "ui/render/render_test_support.h"
#include "ui/window/window_test_support.h"

namespace {

using browser_test::Contains;
using browser_test::PageValue;
using browser_test::InOrder;
using browser_test::PumpUntil;
using browser_test::ReadLog;
using browser_test::StandinEntry;
using browser_test::UiThread;

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

std::wstring Beside(const std::wstring& name) { return base::GetModuleDirectory() + name; }
std::wstring LogPath() { return Beside(L"cef\\standin.log"); }

uint32_t PageColour(const wchar_t* url) { return 0xFF000000u | QuorvelStandinColour(url); }

// 400 x 300, no shadow: a 200 x 150 browser at (30, 20) and, below it, a
// second one for the developer tools.
const wchar_t kSkin[] =
    L"<Window shadowattached=\"false\" size=\"400,300\">"
    L"<VBox bkcolor=\"white\">"
    L"<Control height=\"20\"/>"
    L"<HBox height=\"150\"><Control width=\"30\"/>"
    L"<CefControl name=\"web\" width=\"200\" height=\"150\"/></HBox>"
    L"<HBox height=\"100\"><Control width=\"30\"/>"
    L"<CefControl name=\"tools\" width=\"120\" height=\"80\"/></HBox>"
    L"</VBox></Window>";

const wchar_t kOneControl[] =
    L"<Window shadowattached=\"false\" size=\"300,200\">"
    L"<VBox bkcolor=\"white\"><CefControl name=\"web\" width=\"100\" height=\"60\"/></VBox>"
    L"</Window>";

class BrowserWindow : public ui_test::TestWindow {
 public:
  using TestWindow::TestWindow;
  ui::Control* CreateControl(const std::wstring& name) override {
    ui::Control* control = comp::CreateBrowserControl(name);
    return control ? control : TestWindow::CreateControl(name);
  }
};

// What the control's callbacks saw (thread 0 and runtime threads).
struct Seen {
  std::mutex lock;
  std::vector<std::string> events;
  void Add(const std::string& event) {
    std::lock_guard<std::mutex> hold(lock);
    events.push_back(event);
  }
  std::vector<std::string> Take() {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::string> taken;
    taken.swap(events);
    return taken;
  }
};

class CefControlTest : public testing::Test {
 protected:
  void SetUp() override {
    DeleteFileW(LogPath().c_str());
    ASSERT_TRUE(comp::PrependCefFolderToPath());
    ASSERT_TRUE(CefRuntimeLoaded());
    auto configure = StandinEntry<quorvel_standin_configure_fn>("quorvel_standin_configure");
    raise_ = StandinEntry<quorvel_standin_raise_fn>("quorvel_standin_raise");
    standin_count_ = StandinEntry<quorvel_standin_browser_count_fn>("quorvel_standin_browser_count");
    ASSERT_TRUE(configure && raise_ && standin_count_);
    configure("still");  // frames only when something asks for one
    resources_.resources.colors[L"white"] = kWhite;
    ASSERT_TRUE(ui_.StartWithLoop(base::MessageLoop::kUILoop));
    CefSettings settings;
    ASSERT_TRUE(comp::CefManager::GetInstance()->Initialize(Beside(L"cef_temp\\"), settings));
    // Start-up's probe window is served by this thread's messages.
    ASSERT_TRUE(PumpUntil([] { return browser_test::ProbePopups() == 0; }));
  }

  void TearDown() override {
    CloseWindow();
    EXPECT_TRUE(PumpUntil([&] { return LiveBrowsers() == 0 && standin_count_() == 0; }))
        << LiveBrowsers() << " live, " << standin_count_() << " in the runtime";
    ui_.Stop();
    cef_shutdown();
    comp::CefManager::GetInstance()->initialized = false;
  }

  // Runs `f` on thread 0 and waits for it.
  void OnUi(const std::function<void()>& f) {
    loop_test::Event done;
    ASSERT_TRUE(base::ThreadRegistry::Post(base::kUiThreadId, [&] {
      f();
      done.Signal();
    }));
    ASSERT_TRUE(done.Wait());
  }
  template <typename R>
  R Ui(const std::function<R()>& f) {
    R result{};
    OnUi([&] { result = f(); });
    return result;
  }
  bool WaitUi(const std::function<bool()>& condition) {
    return PumpUntil([&] { return Ui<bool>(condition); });
  }

  void Open(const wchar_t* skin, const std::function<void()>& then = nullptr) {
    OnUi([&] {
      window_ = new BrowserWindow(skin);
      hwnd_ = window_->Open();
      if (!hwnd_) return;
      web_ = Named(L"web");
      tools_ = Named(L"tools");
      if (then) then();
      ui_test::PaintNow(hwnd_);
    });
    ASSERT_TRUE(hwnd_);
    ASSERT_TRUE(web_);
  }
  void CloseWindow() {
    if (!hwnd_) return;
    OnUi([&] {
      if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    });
    hwnd_ = nullptr;
    window_ = nullptr;
    web_ = tools_ = nullptr;
  }
  comp::CefControl* Named(const wchar_t* name) {
    return dynamic_cast<comp::CefControl*>(window_->FindControlByName(name));
  }

  int LiveBrowsers() {
    return Ui<int>([] { return comp::CefManager::GetInstance()->live_browser_count; });
  }
  // The stand-in's name of a control's browser, empty before it exists.
  std::string BrowserName(comp::CefControl* control) {
    int id = Ui<int>([control] {
      CefRefPtr<CefBrowser> browser = control->GetBrowser();
      return browser ? browser->GetIdentifier() : 0;
    });
    return id ? "browser " + std::to_string(id) : std::string();
  }
  int BrowserId(comp::CefControl* control) {
    return Ui<int>([control] { return control->GetBrowser()->GetIdentifier(); });
  }
  ui::UiRect Rect(comp::CefControl* control) {
    return Ui<ui::UiRect>([control] { return control->GetPos(); });
  }
  // The window's tree rendered off-screen into its surface (a hidden
  // layered window paints only once by itself).
  uint32_t PixelAt(int x, int y) {
    return Ui<uint32_t>([&] {
      ui::IRenderContext* render = window_->GetRenderContext();
      ui::Control* root = window_->GetRoot();
      const ui::UiRect all{0, 0, render->GetWidth(), render->GetHeight()};
      if (window_->IsArrangePending()) {
        window_->ClearArrangePending();
        root->SetPos(all);
      }
      render->Clear();
      root->Paint(render, all);
      root->PaintChildren(render, all);
      return ui_test::PixelAt(render, x, y);
    });
  }
  // Whether a line of the log begins with `start`.
  bool WaitForLineStarting(const std::string& start) {
    return PumpUntil([&] {
      for (const std::string& line : ReadLog(LogPath())) {
        if (line.compare(0, start.size(), start) == 0) return true;
      }
      return false;
    });
  }
  bool WaitForPixel(int x, int y, uint32_t colour) {
    uint32_t last = 0;
    bool seen = PumpUntil([&] { return (last = PixelAt(x, y)) == colour; });
    if (!seen) printf("pixel (%d, %d) is %08x, not %08x\n", x, y, last, colour);
    return seen;
  }
  bool WaitForLine(const std::string& line) {
    return browser_test::WaitForLine(LogPath(), line);
  }
  LRESULT Send(UINT message, WPARAM wparam, LPARAM lparam) {
    return Ui<LRESULT>([&] { return SendMessageW(hwnd_, message, wparam, lparam); });
  }
  // Loads `url` in the main control and waits until its frame is shown.
  void LoadAndShow(const wchar_t* url) {
    OnUi([&] { web_->LoadUrl(url); });
    ui::UiRect r = Rect(web_);
    ASSERT_TRUE(WaitForPixel(r.right - 2, r.bottom - 2, PageColour(url)));
  }

  ui_test::ScopedTestResources resources_;
  UiThread ui_;
  quorvel_standin_raise_fn raise_ = nullptr;
  quorvel_standin_browser_count_fn standin_count_ = nullptr;
  BrowserWindow* window_ = nullptr;
  HWND hwnd_ = nullptr;
  comp::CefControl* web_ = nullptr;
  comp::CefControl* tools_ = nullptr;
};

TEST_F(CefControlTest, LoadsQueuedBeforeTheBrowserRunInOrderAndThePageShowsInTheRect) {
  // Both loads are asked for before the runtime has reported the browser.
  Open(kSkin, [&] {
    web_->LoadUrl(L"http://page.test/a");
    web_->LoadUrl(L"http://page.test/b");
  });
  ui::UiRect r = Rect(web_);
  EXPECT_EQ((ui::UiRect{30, 20, 230, 170}), r);
  ASSERT_TRUE(WaitForPixel(r.right - 2, r.bottom - 2, PageColour(L"http://page.test/b")));
  std::string name = BrowserName(web_);
  EXPECT_TRUE(InOrder(ReadLog(LogPath()),
                      {name + " LoadURL http://page.test/a", name + " LoadURL http://page.test/b",
                       name + " OnPaint view 200x150 frame 2"}));
  // The frame fills the control and nothing beside it.
  EXPECT_EQ(PageColour(L"http://page.test/b"), PixelAt(r.left, r.top + 70));
  EXPECT_EQ(kWhite, PixelAt(r.left - 1, r.top + 70));
  EXPECT_EQ(kWhite, PixelAt(r.right, r.bottom - 2));
  EXPECT_EQ(kWhite, PixelAt(r.right - 2, r.bottom));  // right of the tools control
  EXPECT_EQ(2, LiveBrowsers());
}

TEST_F(CefControlTest, MouseAndKeysReachTheRuntimeWithCoordinatesAndFlags) {
  Open(kSkin);
  LoadAndShow(L"http://page.test/input");
  ui::UiRect r = Rect(web_);
  std::string name = BrowserName(web_);
  const uint32_t locks = Ui<uint32_t>([] {
    return ((GetKeyState(VK_CAPITAL) & 1) ? 1u : 0u) | ((GetKeyState(VK_NUMLOCK) & 1) ? 256u : 0u);
  });
  auto at = [&](int x, int y) { return MAKELPARAM(r.left + x, r.top + y); };
  auto flags = [&](uint32_t f) { return " modifiers=" + std::to_string(f | locks); };

  // Keys before the control has the focus stay with the window.
  Send(WM_CHAR, 'z', 0);
  struct Case {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    std::string logged;  // empty: nothing reaches the runtime
  } cases[] = {
      {WM_LBUTTONDOWN, MK_LBUTTON, at(10, 20),
       " SendMouseClickEvent x=10 y=20 button=0 up=0 count=1" + flags(16)},
      {WM_LBUTTONUP, 0, at(10, 20), " SendMouseClickEvent x=10 y=20 button=0 up=1 count=1" + flags(0)},
      {WM_RBUTTONDOWN, MK_RBUTTON | MK_SHIFT, at(7, 9),
       " SendMouseClickEvent x=7 y=9 button=2 up=0 count=1" + flags(64 | 2)},
      {WM_RBUTTONUP, 0, at(7, 9), " SendMouseClickEvent x=7 y=9 button=2 up=1 count=1" + flags(0)},
      {WM_MBUTTONDBLCLK, MK_MBUTTON | MK_CONTROL, at(50, 60),
       " SendMouseClickEvent x=50 y=60 button=1 up=0 count=2" + flags(32 | 4)},
      {WM_MOUSEMOVE, 0, at(100, 101), " SendMouseMoveEvent x=100 y=101 leave=0"},
      {WM_KEYDOWN, VK_RETURN, 1 << 24, " SendKeyEvent type=0 key=13 system=0" + flags(512)},
      {WM_KEYUP, VK_LEFT, 0, " SendKeyEvent type=2 key=37 system=0" + flags(512)},
      // A character's code is read as a virtual key for the flags, as the
      // runtime's own samples do: 'h' is VK_NUMPAD8's number.
      {WM_CHAR, 'h', 0, " SendKeyEvent type=3 key=104 system=0" + flags(512)},
      {WM_CHAR, 'i', 0, " SendKeyEvent type=3 key=105 system=0" + flags(512)},
      {WM_SYSKEYDOWN, 'F', 0, " SendKeyEvent type=0 key=70 system=1" + flags(0)},
      {WM_SYSCHAR, 'z', 0, " SendKeyEvent type=3 key=122 system=1" + flags(0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    Send(c.message, c.wparam, c.lparam);
    EXPECT_TRUE(WaitForLine(name + c.logged));
  }
  // Typing went on after the first key only once the click gave the focus.
  EXPECT_TRUE(WaitForLine(name + " typed hi"));
  EXPECT_FALSE(Contains(ReadLog(LogPath()), name + " SendKeyEvent type=3 key=122 system=0" + flags(0)));
  EXPECT_TRUE(Contains(ReadLog(LogPath()), name + " typed hiz"));
  EXPECT_TRUE(Contains(ReadLog(LogPath()), name + " SendFocusEvent 1"));

  // Outside the control moves and presses are not forwarded (a release is
  // while the window holds the capture, wherever the press was).
  size_t before = ReadLog(LogPath()).size();
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(r.right + 21, r.top + 5));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.right + 20, r.top + 5));
  Send(WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(r.right + 20, r.top + 5));
  std::vector<std::string> after = ReadLog(LogPath());
  for (size_t i = before; i < after.size(); ++i) {
    EXPECT_EQ(std::string::npos, after[i].find("SendMouse")) << after[i];
  }
  // The page shows where the first press landed.
  EXPECT_TRUE(WaitForPixel(r.left + 10, r.top + 20, kBlack));
}

TEST_F(CefControlTest, ADragThatLeavesTheControlKeepsGoingWhileCaptured) {
  Open(kSkin);
  LoadAndShow(L"http://page.test/drag");
  ui::UiRect r = Rect(web_);
  std::string name = BrowserName(web_);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 5, r.top + 5));
  ASSERT_TRUE(Ui<bool>([&] { return window_->IsMouseCaptured(); }));
  Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(r.right + 10, r.top + 5));
  Send(WM_LBUTTONUP, 0, MAKELPARAM(r.right + 10, r.top + 5));
  EXPECT_TRUE(WaitForLine(name + " SendMouseMoveEvent x=210 y=5 leave=0"));
  EXPECT_TRUE(WaitForLine(name + " SendMouseClickEvent x=210 y=5 button=0 up=1 count=1 modifiers=" +
                          std::to_string(Ui<uint32_t>([] {
                            return ((GetKeyState(VK_CAPITAL) & 1) ? 1u : 0u) |
                                   ((GetKeyState(VK_NUMLOCK) & 1) ? 256u : 0u);
                          }))));
  Send(WM_CAPTURECHANGED, 0, 0);
  EXPECT_TRUE(WaitForLine(name + " SendCaptureLostEvent"));
}

TEST_F(CefControlTest, ResizeHideAndShowReachTheRuntime) {
  Open(kSkin);
  LoadAndShow(L"http://page.test/size");
  std::string name = BrowserName(web_);
  OnUi([&] {
    web_->SetFixedWidth(260, true, false);
    web_->SetFixedHeight(120, false);
  });
  ui::UiRect r;
  ASSERT_TRUE(PumpUntil([&] {
    PixelAt(0, 0);  // paints: the layout places the control
    r = Rect(web_);
    return r.Width() == 260 && r.Height() == 120;
  }));
  EXPECT_TRUE(WaitForLine(name + " WasResized"));
  EXPECT_TRUE(WaitForLineStarting(name + " OnPaint view 260x120 frame"));
  EXPECT_TRUE(WaitForPixel(r.right - 2, r.bottom - 2, PageColour(L"http://page.test/size")));

  OnUi([&] { web_->SetVisible(false); });
  EXPECT_TRUE(WaitForLine(name + " WasHidden 1"));
  EXPECT_EQ(kWhite, PixelAt(r.right - 2, r.bottom - 2));
  OnUi([&] { web_->SetVisible(true); });
  EXPECT_TRUE(InOrder(ReadLog(LogPath()), {name + " WasHidden 1", name + " WasHidden 0"}));
}

TEST_F(CefControlTest, DevToolsOpenASecondBrowserPaintingIntoTheViewControl) {
  Open(kSkin);
  LoadAndShow(L"http://page.test/inspected");
  ASSERT_TRUE(WaitUi([&] { return tools_->GetBrowser() != nullptr; }));
  std::string first_tools = BrowserName(tools_);
  std::vector<bool> visible;
  OnUi([&] {
    web_->SetDevToolsVisibleCallback([&visible](bool shown) { visible.push_back(shown); });
    web_->CloseDevTools();  // not shown: nothing, no callback
    EXPECT_TRUE(web_->ShowDevTools(tools_));
    EXPECT_TRUE(web_->ShowDevTools(tools_));  // a second time does nothing
    EXPECT_TRUE(web_->IsDevToolsShown());
  });
  ui::UiRect t = Rect(tools_);
  ASSERT_TRUE(WaitForPixel(t.right - 2, t.bottom - 2,
                           PageColour(L"devtools://devtools/inspector.html")));
  // The tools' browser is the view's current one; its first is hidden.
  EXPECT_NE(first_tools, BrowserName(tools_));
  EXPECT_TRUE(WaitForLine(first_tools + " WasHidden 1"));
  EXPECT_EQ(3, LiveBrowsers());
  std::vector<std::string> log = ReadLog(LogPath());
  int shown = 0;
  for (const std::string& line : log) shown += line == BrowserName(web_) + " ShowDevTools";
  EXPECT_EQ(1, shown);

  // Closing them makes the view's first browser current again: shown and
  // reloaded.
  OnUi([&] { web_->CloseDevTools(); });
  EXPECT_TRUE(WaitForLine(BrowserName(web_) + " CloseDevTools"));
  EXPECT_TRUE(WaitForLine(first_tools + " WasHidden 0"));
  EXPECT_TRUE(WaitForLine(first_tools + " Reload"));
  EXPECT_TRUE(PumpUntil([&] { return BrowserName(tools_) == first_tools; }));
  EXPECT_EQ(2, LiveBrowsers());
  EXPECT_EQ((std::vector<bool>{true, false}), Ui<std::vector<bool>>([&] { return visible; }));
  EXPECT_FALSE(Ui<bool>([&] { return web_->IsDevToolsShown(); }));
}

TEST_F(CefControlTest, ClosingTheWindowEndsEveryBrowser) {
  Open(kSkin);
  ASSERT_TRUE(WaitUi([&] { return web_->GetBrowser() && tools_->GetBrowser(); }));
  EXPECT_EQ(2, LiveBrowsers());
  EXPECT_EQ(2, standin_count_());
  std::string web = BrowserName(web_), tools = BrowserName(tools_);
  CloseWindow();
  EXPECT_TRUE(PumpUntil([&] { return LiveBrowsers() == 0 && standin_count_() == 0; }));
  EXPECT_TRUE(Contains(ReadLog(LogPath()), web + " CloseBrowser force=1"));
  EXPECT_TRUE(Contains(ReadLog(LogPath()), tools + " CloseBrowser force=1"));
  // QuitWhenBrowsersClosed finds none left.
  EXPECT_EQ(0, LiveBrowsers());
}

TEST_F(CefControlTest, BrowserEventsBecomeTheControlsCallbacks) {
  Seen seen;
  // Attached as a window does, before the browser exists.
  Open(kSkin, [&] {
    web_->SetUrlChangeCallback([&](const std::wstring& url) { seen.Add("url " + CefString(url).ToString()); });
    web_->SetMainUrlChangeCallback([&](const CefString& old_url, const CefString& new_url) {
      seen.Add("main " + old_url.ToString() + " -> " + new_url.ToString());
    });
    web_->SetTitleChangeCallback([&](const std::wstring& title) { seen.Add("title [" + CefString(title).ToString() + "]"); });
    web_->SetLoadingStateChangeCallback([&](bool loading, bool back, bool forward) {
      seen.Add("loading " + std::to_string(loading) + std::to_string(back) + std::to_string(forward));
    });
    web_->SetLoadStartCallback([&] { seen.Add("start"); });
    web_->SetLoadEndCallback([&](int status) { seen.Add("end " + std::to_string(status)); });
    web_->SetLoadErrorCallback([&](cef_errorcode_t code, const CefString& text, const CefString& url) {
      seen.Add("error " + std::to_string(code) + " " + text.ToString() + " " + url.ToString());
    });
    web_->SetAfterCreatedCallback([&](CefRefPtr<CefBrowser>) { seen.Add("created"); });
    web_->SetBeforePopupCallback([&](const std::wstring& url) {
      seen.Add("popup " + CefString(url).ToString());
      return url.find(L"open") != std::wstring::npos;
    });
    web_->SetBeforeBrowseCallback([&](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                      CefRefPtr<CefRequest> request, bool) {
      bool cancel = request->GetURL().ToString().find("blocked") != std::string::npos;
      seen.Add("browse " + request->GetURL().ToString());
      return cancel;
    });
    web_->SetProtocolExecutionCallback([&](CefRefPtr<CefBrowser>, const CefString& url, bool& allow) {
      seen.Add("protocol " + url.ToString());
      allow = true;
    });
  });
  ASSERT_TRUE(WaitUi([&] { return web_->GetBrowser() != nullptr; }));
  int id = BrowserId(web_);
  std::string name = BrowserName(web_);
  auto raise = [&](const char* event, const wchar_t* text, int number) {
    EXPECT_TRUE(raise_(id, event, text, number)) << event;
  };
  // Notifications reach thread 0 in the order the runtime raised them.
  auto settle = [&](const std::string& last) {
    EXPECT_TRUE(PumpUntil([&] {
      std::lock_guard<std::mutex> hold(seen.lock);
      return !seen.events.empty() && seen.events.back() == last;
    })) << last;
    return seen.Take();
  };

  OnUi([&] { web_->LoadUrl(L"http://page.test/a"); });
  EXPECT_EQ((std::vector<std::string>{"created", "browse http://page.test/a", "loading 100",
                                      "url http://page.test/a", "main  -> http://page.test/a",
                                      "start", "title [http://page.test/a]", "end 200",
                                      "loading 000"}),
            settle("loading 000"));

  // A fragment changes the address but not the page; another page both.
  // (The main frame's address is read when the event reaches thread 0:
  // each waits for the one before.)
  raise("address", L"http://page.test/a#part", 0);
  EXPECT_EQ(std::vector<std::string>{"url http://page.test/a#part"},
            settle("url http://page.test/a#part"));
  raise("address", L"http://page.test/b#x", 0);
  raise("title", L"", 0);
  EXPECT_EQ((std::vector<std::string>{"url http://page.test/b#x",
                                      "main http://page.test/a#part -> http://page.test/b#x",
                                      "title []"}),
            settle("title []"));
  EXPECT_EQ("http://page.test/b#x", Ui<std::string>([&] { return web_->main_url().ToString(); }));

  // New windows: the callback decides whether the target loads here; an
  // empty target asks nothing. The runtime never opens a window.
  raise("popup", L"", 0);
  raise("popup", L"http://page.test/stay", 0);
  raise("popup", L"http://page.test/open", 0);
  EXPECT_TRUE(WaitForLine(name + " LoadURL http://page.test/open"));
  std::vector<std::string> log = ReadLog(LogPath());
  EXPECT_FALSE(Contains(log, name + " LoadURL http://page.test/stay"));
  EXPECT_FALSE(Contains(log, name + " opened a pop-up window"));
  std::vector<std::string> popups = settle("loading 010");
  EXPECT_TRUE(InOrder(popups, {"popup http://page.test/stay", "popup http://page.test/open",
                               "browse http://page.test/open", "loading 110"}));
  EXPECT_FALSE(Contains(popups, "popup "));
  raise("load", L"http://page.test/blocked", 0);
  EXPECT_TRUE(WaitForLine(name + " OnBeforeBrowse http://page.test/blocked -> 1"));
  raise("load", L"http://unreachable.test/", 0);
  EXPECT_TRUE(InOrder(settle("loading 010"),
                      {"browse http://unreachable.test/", "start",
                       "error -105 net::ERR_NAME_NOT_RESOLVED http://unreachable.test/"}));
  raise("protocol", L"steam://run/1", 0);
  EXPECT_TRUE(WaitForLine(name + " OnProtocolExecution steam://run/1 allow=1"));
  raise("render_terminated", nullptr, TS_PROCESS_CRASHED);
}

TEST_F(CefControlTest, TheClientAnswersItsOwnQuestions) {
  Open(kSkin);
  ASSERT_TRUE(WaitUi([&] { return web_->GetBrowser() != nullptr; }));
  int id = BrowserId(web_);
  std::string name = BrowserName(web_);
  struct Case {
    const char* event;
    const wchar_t* text;
    int number;
    std::string logged;
  } cases[] = {
      {"context_menu", nullptr, 0, " OnBeforeContextMenu items left 0"},
      {"context_menu_command", nullptr, 7, " OnContextMenuCommand 7 -> 0"},
      {"js_dialog", L"hello", JSDIALOGTYPE_CONFIRM, " OnJSDialog -> 0 suppress=1"},
      {"console", L"log line", 0, " OnConsoleMessage -> 1"},
      {"quota", nullptr, 20971520, "quota callback Continue allow=1"},
      {"quota", nullptr, 20971521, "quota callback Continue allow=0"},
      {"resource_load", L"http://page.test/r.png", 0, " OnBeforeResourceLoad http://page.test/r.png -> 1"},
      {"file_dialog", L"Pick", 0, " OnFileDialog -> 0"},
      {"focus", nullptr, 1, " OnProcessMessageReceived FocusedNodeChanged [b:1] -> 1"},
      {"execute_cpp_callback", L"{}", 3, " OnProcessMessageReceived ExecuteCppCallback [s:{} i:3] -> 0"},
      {"call_cpp", L"any", 5,
       " SendProcessMessage to=renderer ExecuteJsCallback [i:5 b:1 s:{\"message\":\"Function does not exist.\"}]"},
      {"call_cpp", L"any", 6, " OnProcessMessageReceived CallCppFunction [s:any s:{} i:6] -> 1"},
      {"geometry", nullptr, 0, " geometry root=1 400x300 view=1 200x150 point=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.logged);
    EXPECT_TRUE(raise_(id, c.event, c.text, c.number));
    std::string line = c.logged[0] == ' ' ? name + c.logged : c.logged;
    EXPECT_TRUE(WaitForLine(line));
  }
  // A cursor change goes on the host window's class (shared with the other
  // tests' windows: put back afterwards).
  ULONG_PTR original = Ui<ULONG_PTR>([&] { return GetClassLongPtrW(hwnd_, GCLP_HCURSOR); });
  EXPECT_TRUE(raise_(id, "cursor", nullptr, CT_HAND));
  EXPECT_EQ(reinterpret_cast<ULONG_PTR>(LoadCursorW(nullptr, IDC_HAND)),
            Ui<ULONG_PTR>([&] { return GetClassLongPtrW(hwnd_, GCLP_HCURSOR); }));
  OnUi([&] { SetClassLongPtrW(hwnd_, GCLP_HCURSOR, static_cast<LONG_PTR>(original)); });
}

TEST_F(CefControlTest, APopupWidgetIsDrawnOverThePageInsideTheControl) {
  Open(kSkin);
  LoadAndShow(L"http://page.test/select");
  ui::UiRect r = Rect(web_);
  std::string name = BrowserName(web_);
  const uint32_t page = PageColour(L"http://page.test/select");
  const uint32_t popup = 0xFF000000u | kQuorvelStandinPopupColour;
  // Partly above and left of the view: the part inside is drawn.
  ASSERT_TRUE(raise_(BrowserId(web_), "popup_widget", L"-5,-8", 40));
  // (Probes stay left of and above the page's text, which starts at 8, 8.)
  ASSERT_TRUE(WaitForPixel(r.left, r.top, popup));
  EXPECT_EQ(popup, PixelAt(r.left + 34, r.top + 2));
  EXPECT_EQ(page, PixelAt(r.left + 35, r.top + 2));
  EXPECT_EQ(popup, PixelAt(r.left + 2, r.top + 31));
  EXPECT_EQ(page, PixelAt(r.left + 2, r.top + 32));
  EXPECT_EQ(kWhite, PixelAt(r.left - 1, r.top));
  EXPECT_EQ(kWhite, PixelAt(r.left, r.top - 1));
  // Closing it repaints the page.
  ASSERT_TRUE(raise_(BrowserId(web_), "popup_show", nullptr, 0));
  EXPECT_TRUE(WaitForLine(name + " Invalidate view"));
  EXPECT_TRUE(WaitForPixel(r.left + 2, r.top + 2, page));
}

TEST_F(CefControlTest, FramesThatDoNotFitTheViewAreClipped) {
  Open(kSkin);
  LoadAndShow(L"http://page.test/odd");
  ui::UiRect r = Rect(web_);
  int id = BrowserId(web_);
  const uint32_t page = PageColour(L"http://page.test/odd");
  // Larger than the control: nothing beyond its rectangle.
  ASSERT_TRUE(raise_(id, "frame", L"400x300", 0));
  EXPECT_TRUE(WaitForLineStarting(BrowserName(web_) + " OnPaint view 400x300"));
  EXPECT_TRUE(WaitForPixel(r.left + 5, r.top + 5, page));  // the counter text is gone
  EXPECT_EQ(kWhite, PixelAt(r.right, r.top + 5));
  EXPECT_EQ(kWhite, PixelAt(r.right - 5, r.bottom));  // right of the tools control
  // Smaller: drawn where it lies, the rest shows what is beneath.
  ASSERT_TRUE(raise_(id, "frame", L"50x20", 0));
  EXPECT_TRUE(WaitForPixel(r.left + 60, r.top + 30, kWhite));
  EXPECT_EQ(page, PixelAt(r.left + 49, r.top + 19));
  // Nothing at all: no frame is kept.
  EXPECT_TRUE(raise_(id, "frame", L"0x0", 0));
}

TEST_F(CefControlTest, AZeroSizedViewGetsNoFrameAndInputWithoutABrowserIsLeftAlone) {
  Open(L"<Window shadowattached=\"false\" size=\"300,200\"><VBox bkcolor=\"white\">"
       L"<CefControl name=\"web\" width=\"0\" height=\"0\"/></VBox></Window>",
       [&] {
         // Before the runtime reported the browser: the window's alone.
         web_->LoadUrl(L"http://page.test/zero");
         SendMessageW(hwnd_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
         SendMessageW(hwnd_, WM_CHAR, 'x', 0);
         SendMessageW(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(0, 0));
       });
  std::string name;
  ASSERT_TRUE(PumpUntil([&] { return !(name = BrowserName(web_)).empty(); }));
  EXPECT_TRUE(WaitForLine(name + " OnLoadEnd 200"));
  EXPECT_TRUE(WaitForLine(name + " GetViewRect empty: no frame"));
  std::vector<std::string> log = ReadLog(LogPath());
  EXPECT_FALSE(Contains(log, name + " OnPaint view 0x0 frame 1"));
  for (const std::string& line : log) EXPECT_EQ(std::string::npos, line.find("Send")) << line;
}

TEST_F(CefControlTest, AControlGoneBeforeItsBrowserExistsStillClosesIt) {
  // The load waits for a browser the control will never see.
  Open(kOneControl, [&] {
    web_->LoadUrl(L"http://page.test/late");
    DestroyWindow(hwnd_);
  });
  hwnd_ = nullptr;
  EXPECT_TRUE(WaitForLine("cef_browser_host_create_browser url="));
  EXPECT_TRUE(PumpUntil([&] { return LiveBrowsers() == 0 && standin_count_() == 0; }));
  std::vector<std::string> log = ReadLog(LogPath());
  bool closed = false;
  for (const std::string& line : log) closed |= line.find(" CloseBrowser force=1") != std::string::npos;
  EXPECT_TRUE(closed);
  for (const std::string& line : log) EXPECT_EQ(std::string::npos, line.find("LoadURL")) << line;
}

TEST_F(CefControlTest, PagesCallTheLaunchersFunctionsAndTheLauncherCallsThePages) {
  Open(kSkin);
  ASSERT_TRUE(WaitUi([&] { return web_->GetBrowser() != nullptr; }));
  int id = BrowserId(web_);
  std::string name = BrowserName(web_);
  std::vector<std::string> ran;  // thread 0
  comp::ReportResultFunction held;
  OnUi([&] {
    auto echo = [&ran](const std::string& params, comp::ReportResultFunction reply) {
      ran.push_back("echo on " + std::to_string(base::ThreadRegistry::CurrentId()));
      reply(false, params);
      reply(true, "twice");  // a second answer is not sent
    };
    EXPECT_TRUE(web_->RegisterCppFunction(L"echo", echo));
    EXPECT_FALSE(web_->RegisterCppFunction(L"echo", echo));
    EXPECT_TRUE(web_->RegisterCppFunction(
        L"later", [&held](const std::string&, comp::ReportResultFunction reply) { held = reply; }));
    EXPECT_TRUE(web_->RegisterCppFunction(
        L"mine", [](const std::string&, comp::ReportResultFunction reply) { reply(false, "{}"); },
        false));
  });
  struct Case {
    std::wstring call;  // function|parameters
    int page_id;
    std::string answer;  // the reply's arguments as the runtime logs them
  } cases[] = {
      {L"echo|{\"a\":1}", 1, "i:1 b:0 s:{\"a\":1}"},
      {L"echo|not json", 2, "i:2 b:0 s:not json"},
      {L"nothing", 3, "i:3 b:1 s:{\"message\":\"Function does not exist.\"}"},
      {L"mine", 4, "i:4 b:0 s:{}"},
      {L"echo|\"" + std::wstring(1 << 20, L'x') + L"\"", 5,
       "i:5 b:0 s:\"" + std::string(63, 'x') + "...(1048578 characters)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.substr(0, 80));
    ASSERT_TRUE(raise_(id, "call_cpp", c.call.c_str(), c.page_id));
    EXPECT_TRUE(WaitForLine(name + " SendProcessMessage to=renderer ExecuteJsCallback [" + c.answer + "]"));
  }
  EXPECT_FALSE(Contains(ReadLog(LogPath()), name + " SendProcessMessage to=renderer ExecuteJsCallback [i:1 b:1 s:twice]"));
  // A navigation keeps the launcher's functions.
  ASSERT_TRUE(raise_(id, "load", L"http://page.test/next", 0));
  EXPECT_TRUE(WaitForLine(name + " OnLoadEnd 200"));
  ASSERT_TRUE(raise_(id, "call_cpp", L"echo|[]", 6));
  EXPECT_TRUE(WaitForLine(name + " SendProcessMessage to=renderer ExecuteJsCallback [i:6 b:0 s:[]]"));
  EXPECT_EQ(std::vector<std::string>(4, "echo on 0"), Ui<std::vector<std::string>>([&] { return ran; }));

  // The launcher calls a page function; its answer comes back once.
  std::vector<std::string> answers;
  OnUi([&] {
    EXPECT_TRUE(web_->CallJSFunction(L"getName", L"{\"x\":1}", [&answers](const std::string& result) {
      answers.push_back(result + " on " + std::to_string(base::ThreadRegistry::CurrentId()));
    }));
  });
  EXPECT_TRUE(WaitForLine(name + " SendProcessMessage to=renderer CallJsFunction [s:getName s:{\"x\":1} i:0 i:-1]"));
  ASSERT_TRUE(raise_(id, "execute_cpp_callback", L"{\"name\":\"p\"}", 0));
  ASSERT_TRUE(raise_(id, "execute_cpp_callback", L"{\"again\":1}", 0));
  ASSERT_TRUE(raise_(id, "execute_cpp_callback", L"{}", 99));
  EXPECT_TRUE(WaitUi([&] { return !answers.empty(); }));
  EXPECT_EQ(std::vector<std::string>{"{\"name\":\"p\"} on 0"},
            Ui<std::vector<std::string>>([&] { return answers; }));

  // An answer given after the browser closed goes nowhere else.
  ASSERT_TRUE(raise_(id, "call_cpp", L"later", 7));
  ASSERT_TRUE(WaitUi([&] { return static_cast<bool>(held); }));
  CloseWindow();
  ASSERT_TRUE(PumpUntil([&] { return LiveBrowsers() == 0 && standin_count_() == 0; }));
  OnUi([&] { held(false, "{}"); });
  std::vector<std::string> log = ReadLog(LogPath());
  for (const std::string& line : log) {
    if (line.find("ExecuteJsCallback [i:7") != std::string::npos) EXPECT_EQ(0u, line.find(name + " ")) << line;
  }
}

// The script context of a page shown in a stand-in browser (the test plays
// the page's script).
class StandinPage : public CefV8Context {
 public:
  explicit StandinPage(CefRefPtr<CefBrowser> browser) : browser_(browser) {}
  CefRefPtr<CefBrowser> GetBrowser() override { return browser_; }
  CefRefPtr<CefFrame> GetFrame() override { return browser_->GetMainFrame(); }
  CefRefPtr<CefV8Value> GetGlobal() override { return global_; }
  bool Enter() override { return true; }
  bool Exit() override { return true; }
  bool IsSame(CefRefPtr<CefV8Context> other) override { return other.get() == this; }

 private:
  CefRefPtr<CefBrowser> browser_;
  CefRefPtr<PageValue> global_ = browser_test::GlobalWithJson();
  CEF_IMPLEMENT_REFCOUNTING(StandinPage);
};

TEST_F(CefControlTest, APageAndTheLauncherCallEachOtherThroughBothHalvesOfTheBridge) {
  Open(kSkin);
  LoadAndShow(L"http://page.test/script");
  int id = BrowserId(web_);
  std::string name = BrowserName(web_);
  auto set_current = StandinEntry<quorvel_standin_set_current_context_fn>(
      "quorvel_standin_set_current_context");
  auto extension_entry =
      StandinEntry<quorvel_standin_extension_handler_fn>("quorvel_standin_extension_handler");
  ASSERT_TRUE(set_current && extension_entry);
  // The launcher's application object registered its extension when the
  // first browser's render side started.
  CefRefPtr<CefV8Handler> extension = CefRefPtr<CefV8Handler>::Adopt(extension_entry());
  ASSERT_TRUE(extension);
  CefRefPtr<StandinPage> page(
      new StandinPage(Ui<CefRefPtr<CefBrowser>>([&] { return web_->GetBrowser(); })));
  set_current(page.get());
  OnUi([&] {
    web_->RegisterCppFunction(L"add", [](const std::string& params, comp::ReportResultFunction reply) {
      reply(false, "{\"sum\":" + params + "}");
    });
  });

  // The page calls; its callbacks get (has error, the parsed answer).
  Seen seen;
  auto page_call = [&](const char* function) {
    CefRefPtr<CefV8Value> callback = PageValue::Function([&seen](const CefV8ValueList& a) {
      seen.Add(std::to_string(a[0]->GetBoolValue()) + " " +
               static_cast<PageValue*>(a[1].get())->tag());
      return CefRefPtr<CefV8Value>();
    });
    CefRefPtr<CefV8Value> retval;
    CefString exception;
    EXPECT_TRUE(extension->Execute("call", nullptr,
                                   {PageValue::String(function), PageValue::String("[1,2]"), callback},
                                   retval, exception))
        << exception.ToString();
  };
  auto wait_seen = [&](size_t count) {
    return PumpUntil([&] {
      std::lock_guard<std::mutex> hold(seen.lock);
      return seen.events.size() >= count;
    });
  };
  page_call("add");
  page_call("nothing");
  ASSERT_TRUE(wait_seen(2));
  // (An unknown function is answered at once, a known one from thread 0.)
  std::vector<std::string> answered = seen.Take();
  std::sort(answered.begin(), answered.end());
  EXPECT_EQ((std::vector<std::string>{"0 parsed:{\"sum\":[1,2]}",
                                      "1 parsed:{\"message\":\"Function does not exist.\"}"}),
            answered);

  // The page registers a function; the launcher calls it and gets its answer.
  std::mutex page_lock;
  int page_runs = 0;
  CefRefPtr<CefV8Value> get_name = PageValue::Function([&](const CefV8ValueList&) {
    std::lock_guard<std::mutex> hold(page_lock);
    ++page_runs;
    return CefRefPtr<CefV8Value>(PageValue::Object("answer"));
  });
  CefRefPtr<CefV8Value> retval;
  CefString exception;
  ASSERT_TRUE(extension->Execute("register", nullptr, {PageValue::String("getName"), get_name},
                                 retval, exception));
  std::vector<std::string> answers;
  auto launcher_call = [&] {
    OnUi([&] {
      web_->CallJSFunction(L"getName", L"{}", [&answers](const std::string& result) {
        answers.push_back(result);
      });
    });
  };
  launcher_call();
  EXPECT_TRUE(WaitUi([&] { return !answers.empty(); }));
  EXPECT_EQ(std::vector<std::string>{"json:answer"},
            Ui<std::vector<std::string>>([&] { return answers; }));

  // Leaving the page releases its context: its function is gone, the
  // launcher's stays.
  ASSERT_TRUE(raise_(id, "load", L"http://page.test/after", 0));
  EXPECT_TRUE(WaitForLine(name + " OnContextReleased"));
  EXPECT_TRUE(WaitForLine(name + " OnLoadEnd 200"));
  launcher_call();
  page_call("add");
  ASSERT_TRUE(wait_seen(1));
  EXPECT_EQ(std::vector<std::string>{"0 parsed:{\"sum\":[1,2]}"}, seen.Take());
  int delivered = 0;
  for (const std::string& line : ReadLog(LogPath())) {
    delivered += line == name + " delivered CallJsFunction -> 0";
  }
  EXPECT_EQ(2, delivered);
  {
    std::lock_guard<std::mutex> hold(page_lock);
    EXPECT_EQ(1, page_runs);
  }
  EXPECT_EQ(1u, Ui<std::vector<std::string>>([&] { return answers; }).size());
  set_current(nullptr);
}

// The screen under a window as a PNG file (a smoke picture: under Xvfb
// another test's window may lie on top).
bool SaveScreenPng(HWND window, const std::wstring& path) {
  namespace gp = Gdiplus::DllExports;
  RECT rect;
  if (!GetWindowRect(window, &rect)) return false;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC copy = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ previous = SelectObject(copy, bitmap);
  BitBlt(copy, 0, 0, w, h, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(copy, previous);
  UINT count = 0, size = 0;
  gp::GdipGetImageEncodersSize(&count, &size);
  std::vector<BYTE> codecs(size);
  auto* info = reinterpret_cast<Gdiplus::ImageCodecInfo*>(codecs.data());
  bool saved = false;
  Gdiplus::GpBitmap* image = nullptr;
  if (size && gp::GdipGetImageEncoders(count, size, info) == Gdiplus::Ok &&
      gp::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
    for (UINT i = 0; i < count && !saved; ++i) {
      if (wcscmp(info[i].MimeType, L"image/png") == 0) {
        saved = gp::GdipSaveImageToFile(image, path.c_str(), &info[i].Clsid, nullptr) == Gdiplus::Ok;
      }
    }
    gp::GdipDisposeImage(image);
  }
  DeleteObject(bitmap);
  DeleteDC(copy);
  ReleaseDC(nullptr, screen);
  return saved;
}

TEST_F(CefControlTest, TheWindowedControlCoversItsRectShrinksWhenHiddenAndMovesWithItsWindow) {
  // A runtime without off-screen rendering; a window that is not layered
  // (child windows of a layered one are not shown).
  OnUi([] { comp::CefManager::GetInstance()->offscreen_rendering = false; });
  comp::CefNativeControl* native = nullptr;
  BrowserWindow* other = nullptr;
  OnUi([&] {
    window_ = new BrowserWindow(kOneControl);
    hwnd_ = window_->Create(nullptr, L"windowed", WS_POPUP, 0, false);
    native = dynamic_cast<comp::CefNativeControl*>(window_->FindControlByName(L"web"));
    if (!native) return;
    native->ShowDevTools(nullptr);  // before the browser: opens once it exists
    native->LoadUrl(L"http://page.test/windowed");
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ui_test::PaintNow(hwnd_);
  });
  ASSERT_TRUE(native);
  // The browser exists once the creation reached thread 0, which then
  // placed its window (the flag still off).
  ASSERT_TRUE(WaitUi([&] { return native->GetBrowserWindow() != nullptr; }));
  OnUi([] { comp::CefManager::GetInstance()->offscreen_rendering = true; });
  // Where the browser window lies in its parent's client area (thread 0).
  auto where = [native] {
    RECT r = {};
    HWND browser_window = native->GetBrowserWindow();
    GetWindowRect(browser_window, &r);
    MapWindowPoints(nullptr, GetParent(browser_window), reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  auto placed = [&] { return Ui<RECT>(where); };
  const ui::UiRect control = Ui<ui::UiRect>([&] { return native->GetPos(); });
  EXPECT_TRUE(PumpUntil([&] {
    RECT r = placed();
    return r.left == control.left && r.top == control.top && r.right == control.right &&
           r.bottom == control.bottom;
  }));
  EXPECT_EQ(hwnd_, Ui<HWND>([&] { return GetParent(native->GetBrowserWindow()); }));
  LONG clip = WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  EXPECT_EQ(clip, Ui<LONG>([&] { return GetWindowLongW(hwnd_, GWL_STYLE) & clip; }));
  std::string name = "browser " + std::to_string(Ui<int>([&] { return native->GetBrowser()->GetIdentifier(); }));
  EXPECT_TRUE(WaitForLine(name + " OnLoadEnd 200"));
  EXPECT_TRUE(WaitForLine(name + " ShowDevTools"));
  EXPECT_TRUE(Ui<bool>([&] { return native->IsDevToolsShown(); }));
  OnUi([&] { UpdateWindow(native->GetBrowserWindow()); });
  EXPECT_TRUE(SaveScreenPng(hwnd_, Beside(L"windowed_control.png")));

  // Hidden: shrunk, not hidden; shown again: still shrunk until placed
  // (all in one go: the window's next layout would place it).
  OnUi([&] {
    native->SetInnerVisible(false);
    RECT r = where();
    EXPECT_EQ(0, r.right - r.left);
    EXPECT_EQ(0, r.bottom - r.top);
    EXPECT_TRUE(IsWindowVisible(native->GetBrowserWindow()));
    native->SetInnerVisible(true);
    r = where();
    EXPECT_EQ(0, r.right - r.left);
    native->SetPos(native->GetPos());
    r = where();
    EXPECT_EQ(control.Width(), r.right - r.left);
    EXPECT_EQ(control.Height(), r.bottom - r.top);
  });

  // Into another window and back.
  HWND other_hwnd = nullptr;
  OnUi([&] {
    other = new BrowserWindow(L"<Window shadowattached=\"false\" size=\"200,100\"><VBox/></Window>");
    other_hwnd = other->Create(nullptr, L"other", WS_POPUP, 0, false);
    ui::Box* parent = native->GetParent();
    native->SetWindow(other, static_cast<ui::Box*>(other->GetRoot()), false);
    EXPECT_EQ(other_hwnd, GetParent(native->GetBrowserWindow()));
    EXPECT_EQ(clip, GetWindowLongW(other_hwnd, GWL_STYLE) & clip);
    native->SetWindow(window_, parent, false);
    EXPECT_EQ(hwnd_, GetParent(native->GetBrowserWindow()));
    DestroyWindow(other_hwnd);
  });
}

// GDI objects of this process: GetGuiResources where the system counts
// them (Wine answers 0), else the entries in use of the process's GDI
// handle table, which Wine keeps as Windows does (PEB offset 0xF8, 24-byte
// entries, the object type at byte 14).
DWORD GdiObjectCount() {
  DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (count) return count;
  auto* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
  const BYTE* table = *reinterpret_cast<const BYTE* const*>(peb + 0xF8);
  if (!table) return 0;
  for (size_t i = 0; i < 0x10000; ++i) count += table[i * 24 + 14] != 0;
  return count;
}

// Kernel handles of this process: GetProcessHandleCount where it counts
// (Wine answers 0), else the handle values that are open.
DWORD HandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count) return count;
  DWORD flags = 0;
  for (uintptr_t value = 4; value < 0x10000; value += 4) {
    count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != FALSE;
  }
  return count;
}

struct Counts {
  DWORD gdi = 0;
  DWORD handles = 0;
  DWORD windows = 0;  // thread 0's
};

TEST_F(CefControlTest, GdiObjectsAndHandlesStayFlatOverAHundredControls) {
  auto cycle = [&](int i) {
    Open(kOneControl);
    std::wstring url = L"http://page.test/cycle" + std::to_wstring(i);
    LoadAndShow(url.c_str());
    // A pop-up widget's bitmap too.
    ASSERT_TRUE(raise_(BrowserId(web_), "popup_widget", L"5,5", 20));
    ASSERT_TRUE(WaitForPixel(Rect(web_).left + 6, Rect(web_).top + 6,
                             0xFF000000u | kQuorvelStandinPopupColour));
    CloseWindow();
    ASSERT_TRUE(PumpUntil([&] { return LiveBrowsers() == 0 && standin_count_() == 0; }));
  };
  auto counts = [&] {
    return Ui<Counts>([] {
      Counts c;
      c.gdi = GdiObjectCount();
      c.handles = HandleCount();
      EnumThreadWindows(
          GetCurrentThreadId(),
          [](HWND, LPARAM found) -> BOOL {
            ++*reinterpret_cast<DWORD*>(found);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&c.windows));
      return c;
    });
  };
  // The counters see objects come and go.
  DWORD gdi = GdiObjectCount(), handles = HandleCount();
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_EQ(gdi + 1, GdiObjectCount());
  ASSERT_EQ(handles + 1, HandleCount());
  DeleteObject(brush);
  CloseHandle(event);
  ASSERT_EQ(gdi, GdiObjectCount());

  for (int i = 0; i < 3; ++i) cycle(i);  // caches of the first windows
  Counts before = counts();
  for (int i = 0; i < 100 && !HasFatalFailure(); ++i) cycle(100 + i);
  // A runtime thread may still be dropping the last task's event.
  Counts after;
  PumpUntil([&] {
    after = counts();
    return after.gdi <= before.gdi && after.handles <= before.handles;
  });
  printf("GDI objects %lu -> %lu, handles %lu -> %lu, windows %lu -> %lu\n", before.gdi,
         after.gdi, before.handles, after.handles, before.windows, after.windows);
  EXPECT_EQ(before.gdi, after.gdi);
  // A loaded machine sometimes makes one lasting handle somewhere in the
  // process (a pool thread of the system's); a leak of the controls would
  // be a hundred or more.
  EXPECT_LE(after.handles, before.handles + 3);
  EXPECT_EQ(before.windows, after.windows);
}

}  // namespace
