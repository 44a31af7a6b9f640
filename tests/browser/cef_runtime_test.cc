// The browser runtime's start-up and shut-down against the stand-in runtime
// in the "cef" folder beside this program: the settings and switches it is
// given, the order of the application object's hooks, the ways start-up can
// fail, the wait for the last browser, and the stand-in's browsers.

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/file/path_util.h"
#include "base/loop_test_util.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"
#include "browser/browser_test_support.h"
#include "browser/cef_manager.h"
#include "browser/client_app.h"
#include "browser/runtime/cef_client.h"
#include "browser/runtime/cef_runtime.h"
#include "test_support/temp_folder.h"
#include "testing/cef_runtime/standin_api.h"

namespace {

using browser_test::Contains;
using browser_test::InOrder;
using browser_test::PumpUntil;
using browser_test::ReadLog;

std::wstring Beside(const std::wstring& name) { return base::GetModuleDirectory() + name; }
std::wstring LogPath() { return Beside(L"cef\\standin.log"); }
std::wstring CacheFolder() { return Beside(L"cef_temp\\"); }

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

template <typename Function>
Function StandinEntry(const char* name) {
  HMODULE runtime = GetModuleHandleW(L"libcef.dll");
  return runtime ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(runtime, name)))
                 : nullptr;
}

// The hidden "Static" pop-ups this thread owns (start-up's probe window).
int ProbePopups() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (lstrcmpiW(name, L"Static") == 0 && (GetWindowLongW(window, GWL_STYLE) & WS_POPUP)) {
          ++*reinterpret_cast<int*>(found);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

class RuntimeTest : public testing::Test {
 protected:
  void SetUp() override {
    DeleteFileW(LogPath().c_str());
    testing_support::TempFolder::RemoveTree(Beside(L"cef_temp"));
    ASSERT_TRUE(comp::PrependCefFolderToPath());
    ASSERT_TRUE(CefRuntimeLoaded()) << "no stand-in runtime in " << CefString(Beside(L"cef")).ToString();
    configure_ = StandinEntry<quorvel_standin_configure_fn>("quorvel_standin_configure");
    ASSERT_TRUE(configure_);
    configure_("");
  }
  void TearDown() override {
    cef_shutdown();
    manager()->initialized = false;
    // The probe pop-up is destroyed by this thread's messages.
    EXPECT_TRUE(PumpUntil([] { return ProbePopups() == 0; }));
  }

  comp::CefManager* manager() { return comp::CefManager::GetInstance(); }
  bool Start() {
    CefSettings settings;
    return manager()->Initialize(CacheFolder(), settings);
  }

  quorvel_standin_configure_fn configure_ = nullptr;
};

TEST_F(RuntimeTest, StartsWithTheLauncherSettingsAndHooksInOrder) {
  ASSERT_TRUE(Start());
  EXPECT_TRUE(manager()->initialized);
  EXPECT_TRUE(manager()->offscreen_rendering);
  ASSERT_TRUE(browser_test::WaitForLine(LogPath(), "task runs on UI"));
  // The probe: a child made on the runtime's thread, then closed here.
  EXPECT_TRUE(PumpUntil([] { return ProbePopups() == 0; }));
  std::vector<std::string> log = ReadLog(LogPath());

  std::string cache = CefString(CacheFolder()).ToString();
  // The calls of start-up on this thread, in order.
  EXPECT_TRUE(InOrder(
      log, {"cef_enable_highdpi_support",
            "cef_api_hash 0",
            "cef_execute_process -> -1",
            "cef_initialize",
            "settings size=336 no_sandbox=1 single_process=0 multi_threaded_message_loop=1 "
            "windowless_rendering_enabled=1",
            "settings cache_path=" + cache + "CefLocalStorage",
            "settings log_file=" + cache + "cef.log",
            "settings browser_subprocess_path=.\\cef\\cef_helper.exe",
            "OnBeforeCommandLineProcessing type= switches=--ppapi-flash-version=20.0.0.228 "
            "--ppapi-flash-path=PepperFlash\\pepflashplayer.dll --process-per-site --disable-gpu "
            "--disable-gpu-compositing --disable-surfaces --enable-begin-frame-scheduling",
            "OnRegisterCustomSchemes",
            "GetBrowserProcessHandler -> handler",
            "cef_initialize -> 1",
            "cef_post_task UI -> 1"}));
  // No scheme of the launcher's own; the two cookie schemes once the
  // context exists, then the probe task, on the runtime's UI thread.
  EXPECT_FALSE(Contains(log, "AddCustomScheme http"));
  EXPECT_TRUE(InOrder(log, {"OnContextInitialized", "cef_cookie_manager_get_global_manager",
                            "SetSupportedSchemes http,https", "task runs on UI"}));
  // The runtime's cache and log land in "cef_temp", made by start-up.
  EXPECT_TRUE(Exists(CacheFolder() + L"CefLocalStorage"));
  EXPECT_TRUE(Exists(CacheFolder() + L"cef.log"));

  cef_shutdown();
  EXPECT_TRUE(Contains(ReadLog(LogPath()), "cef_shutdown done"));
}

TEST_F(RuntimeTest, FailedStartUpsLeaveTheLauncherWithoutABrowser) {
  struct Case {
    const char* options;
    bool settings_given;  // the runtime was asked to start
  } cases[] = {{"fail_initialize", true}, {"wrong_version", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    DeleteFileW(LogPath().c_str());
    testing_support::TempFolder::RemoveTree(Beside(L"cef_temp"));
    configure_(c.options);

    EXPECT_FALSE(Start());
    EXPECT_FALSE(manager()->initialized);
    std::vector<std::string> log = ReadLog(LogPath());
    EXPECT_EQ(c.settings_given, Contains(log, "cef_initialize"));
    EXPECT_EQ(c.settings_given, Exists(CacheFolder()));
    EXPECT_FALSE(Contains(log, "OnBeforeCommandLineProcessing type= switches=--ppapi-flash-version="
                               "20.0.0.228 --ppapi-flash-path=PepperFlash\\pepflashplayer.dll "
                               "--process-per-site --disable-gpu --disable-gpu-compositing "
                               "--disable-surfaces --enable-begin-frame-scheduling"));
    // A failed start still tries the probe; a runtime that takes no task
    // leaves no pop-up behind.
    EXPECT_EQ(c.settings_given, Contains(log, "cef_post_task UI -> 0"));
    EXPECT_EQ(0, ProbePopups());

    // Shut-down still reaches the runtime, which has nothing to stop.
    cef_shutdown();
    EXPECT_TRUE(Contains(ReadLog(LogPath()), "cef_shutdown: not running"));
  }
}

// A client as the browser client keeps it: the live-browser count moves on
// thread 0; every event is recorded.
class RecordingClient : public CefClient,
                        public CefLifeSpanHandler,
                        public CefLoadHandler,
                        public CefDisplayHandler,
                        public CefRenderHandler,
                        public CefRequestHandler {
 public:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  CefRefPtr<CefRenderHandler> GetRenderHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override {
    {
      std::lock_guard<std::mutex> hold(lock_);
      browser_ = browser;
    }
    Record("created");
    base::ThreadRegistry::Post(base::kUiThreadId,
                               [] { ++comp::CefManager::GetInstance()->live_browser_count; });
  }
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override {
    Record("closed");
    base::ThreadRegistry::Post(base::kUiThreadId,
                               [] { --comp::CefManager::GetInstance()->live_browser_count; });
  }
  bool OnBeforePopup(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& target_url,
                     const CefString&, cef_window_open_disposition_t, bool,
                     const CefPopupFeatures&, CefWindowInfo&, CefRefPtr<CefClient>&,
                     CefBrowserSettings&, bool*) override {
    Record("popup " + target_url.ToString());
    return true;
  }
  void OnLoadingStateChange(CefRefPtr<CefBrowser>, bool is_loading, bool, bool) override {
    Record(std::string("loading ") + (is_loading ? "1" : "0"));
  }
  void OnLoadStart(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>) override { Record("start"); }
  void OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, int status) override {
    Record("end " + std::to_string(status));
  }
  void OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, cef_errorcode_t code,
                   const CefString&, const CefString& url) override {
    Record("error " + std::to_string(code) + " " + url.ToString());
  }
  void OnAddressChange(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, const CefString& url) override {
    Record("address " + url.ToString());
  }
  void OnTitleChange(CefRefPtr<CefBrowser>, const CefString& title) override {
    Record("title " + title.ToString());
  }
  bool GetViewRect(CefRefPtr<CefBrowser>, CefRect& rect) override {
    rect = CefRect(0, 0, 64, 48);
    return true;
  }
  void OnPaint(CefRefPtr<CefBrowser>, cef_paint_element_type_t type, const RectList&,
               const void* buffer, int width, int height) override {
    // The corner, away from the text.
    uint32_t corner = static_cast<const uint32_t*>(buffer)[width * height - 1];
    char text[64];
    snprintf(text, sizeof(text), "paint %dx%d %08x", width, height, corner);
    Record(text);
  }
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser>, cef_termination_status_t status) override {
    Record("terminated " + std::to_string(status));
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser>, cef_process_id_t,
                                CefRefPtr<CefProcessMessage> message) override {
    Record("message " + message->GetName().ToString() + " " +
           std::to_string(message->GetArgumentList()->GetBool(0)));
    return true;
  }

  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
  }
  // The events from the first `from` on, without repeated frames.
  std::vector<std::string> EventsFrom(size_t from) {
    std::vector<std::string> all = Events(), some;
    for (size_t i = from; i < all.size(); ++i) {
      if (some.empty() || some.back() != all[i]) some.push_back(all[i]);
    }
    return some;
  }
  bool WaitFor(const std::string& event) {
    return PumpUntil([&] { return Contains(Events(), event); });
  }
  CefRefPtr<CefBrowser> browser() {
    std::lock_guard<std::mutex> hold(lock_);
    return browser_;
  }

 private:
  void Record(const std::string& event) {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(event);
  }

  std::mutex lock_;
  std::vector<std::string> events_;
  CefRefPtr<CefBrowser> browser_;
  CEF_IMPLEMENT_REFCOUNTING(RecordingClient);
};

CefWindowInfo Windowless() {
  CefWindowInfo info;
  info.SetAsWindowless(nullptr, true);
  return info;
}

std::string Painted(const wchar_t* url) {
  char text[64];
  snprintf(text, sizeof(text), "paint 64x48 %08x", 0xff000000u | QuorvelStandinColour(url));
  return text;
}

TEST_F(RuntimeTest, BrowsersLoadPaintAndRaiseEvents) {
  configure_("still");  // the frames of the loads alone
  ASSERT_TRUE(Start());
  CefRefPtr<RecordingClient> client(new RecordingClient());
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(Windowless(), client, L"http://page.test/a",
                                            CefBrowserSettings()));
  ASSERT_TRUE(client->WaitFor("loading 0"));
  EXPECT_EQ((std::vector<std::string>{"created", "loading 1", "address http://page.test/a",
                                      "start", "title http://page.test/a",
                                      Painted(L"http://page.test/a"), "end 200", "loading 0"}),
            client->EventsFrom(0));

  // An address that cannot be reached ends in a load error.
  size_t mark = client->Events().size();
  client->browser()->GetMainFrame()->LoadURL(L"http://unreachable.test/");
  ASSERT_TRUE(client->WaitFor("loading 0") &&
              PumpUntil([&] { return client->EventsFrom(mark).size() >= 5; }));
  std::vector<std::string> failed = client->EventsFrom(mark);
  EXPECT_EQ((std::vector<std::string>{"loading 1", "address http://unreachable.test/", "start",
                                      "error -105 http://unreachable.test/", "loading 0"}),
            std::vector<std::string>(failed.begin(), failed.begin() + 5));

  // Events raised on request reach the client's handlers.
  auto raise = StandinEntry<quorvel_standin_raise_fn>("quorvel_standin_raise");
  ASSERT_TRUE(raise);
  EXPECT_TRUE(raise(-1, "popup", L"http://other.test/", 0));
  EXPECT_TRUE(raise(-1, "focus", nullptr, 1));
  EXPECT_TRUE(raise(-1, "render_terminated", nullptr, TS_PROCESS_CRASHED));
  EXPECT_FALSE(raise(-1, "no_such_event", nullptr, 0));
  EXPECT_FALSE(raise(999, "focus", nullptr, 1));
  EXPECT_TRUE(InOrder(client->Events(), {"popup http://other.test/", "message FocusedNodeChanged 1",
                                          "terminated 2"}));
  EXPECT_TRUE(Contains(ReadLog(LogPath()),
                       "browser " + std::to_string(client->browser()->GetIdentifier()) +
                           " OnBeforePopup http://other.test/ -> 1"));

  client->browser()->GetHost()->CloseBrowser(true);
  EXPECT_TRUE(client->WaitFor("closed"));
}

// Thread 0 as MainThread runs it, on a loop clock the test moves.
class UiThread : public base::FrameworkThread {
 public:
  UiThread() : base::FrameworkThread("ui") {}
  ~UiThread() override { Stop(); }
  bool Ended() { return WaitForSingleObject(thread_handle(), 0) == WAIT_OBJECT_0; }

 private:
  void Init() override { base::ThreadRegistry::Enroll(base::kUiThreadId); }
  void Cleanup() override { base::ThreadRegistry::Withdraw(); }
};

TEST_F(RuntimeTest, ThreadZeroEndsOnlyOnceTheLastBrowserHasClosed) {
  loop_test::ScopedFakeLoopClock clock;
  UiThread ui;
  ASSERT_TRUE(ui.StartWithLoop(base::MessageLoop::kUILoop));
  ASSERT_TRUE(Start());
  CefRefPtr<RecordingClient> client(new RecordingClient());
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(Windowless(), client, L"", CefBrowserSettings()));
  ASSERT_TRUE(client->WaitFor("created"));
  auto proxy = base::ThreadRegistry::Find(base::kUiThreadId);
  ASSERT_TRUE(proxy);
  ASSERT_TRUE(loop_test::DrainDue(proxy.get()));
  EXPECT_EQ(1, manager()->live_browser_count);

  proxy->PostTask([] { comp::CefManager::GetInstance()->QuitWhenBrowsersClosed(0); });
  // Looked at again every half second while the browser lives.
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(loop_test::DrainDue(proxy.get()));
    loop_test::ScopedFakeLoopClock::Advance(500);
    ASSERT_TRUE(loop_test::DrainDue(proxy.get()));
    EXPECT_FALSE(ui.Ended());
  }

  client->browser()->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(client->WaitFor("closed"));
  ASSERT_TRUE(loop_test::DrainDue(proxy.get()));
  EXPECT_EQ(0, manager()->live_browser_count);
  loop_test::ScopedFakeLoopClock::Advance(500);
  EXPECT_TRUE(PumpUntil([&] { return ui.Ended(); }));
}

TEST_F(RuntimeTest, ShutDownClosesBrowsersStillOpen) {
  ASSERT_TRUE(Start());
  CefRefPtr<RecordingClient> client(new RecordingClient());
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(Windowless(), client, L"http://page.test/",
                                            CefBrowserSettings()));
  ASSERT_TRUE(client->WaitFor("created"));
  auto count = StandinEntry<quorvel_standin_browser_count_fn>("quorvel_standin_browser_count");
  ASSERT_TRUE(count);
  EXPECT_EQ(1, count());

  std::string name = "browser " + std::to_string(client->browser()->GetIdentifier());
  // A loaded page keeps painting new frames until the end.
  ASSERT_TRUE(browser_test::WaitForLine(LogPath(), name + " OnPaint view 64x48 frame 3"));
  cef_shutdown();
  EXPECT_EQ(0, count());
  EXPECT_TRUE(Contains(client->Events(), "closed"));
  std::vector<std::string> log = ReadLog(LogPath());
  EXPECT_TRUE(InOrder(log, {"cef_shutdown", name + " OnBeforeClose",
                            "cef_shutdown: closed 1 browsers still open", "cef_shutdown done"}));
  // Nothing is taken once the runtime is down.
  EXPECT_FALSE(CefPostTask(TID_UI, nullptr));
  EXPECT_FALSE(CefBrowserHost::CreateBrowser(Windowless(), client, L"", CefBrowserSettings()));
}

}  // namespace

namespace {

class FakeCommandLine : public CefCommandLine {
 public:
  void AppendSwitch(const CefString& name) override { switches.push_back(name.ToString()); }
  void AppendSwitchWithValue(const CefString& name, const CefString& value) override {
    switches.push_back(name.ToString() + "=" + value.ToString());
  }
  bool HasSwitch(const CefString&) override { return false; }
  CefString GetSwitchValue(const CefString&) override { return CefString(); }
  CefString GetCommandLineString() override { return CefString(); }

  std::vector<std::string> switches;

 private:
  CEF_IMPLEMENT_REFCOUNTING(FakeCommandLine);
};

// Records the messages sent to the browser process.
class FakeRenderBrowser : public CefBrowser {
 public:
  CefRefPtr<CefBrowserHost> GetHost() override { return nullptr; }
  int GetIdentifier() override { return 7; }
  bool IsSame(CefRefPtr<CefBrowser> other) override { return other.get() == this; }
  void Reload() override {}
  CefRefPtr<CefFrame> GetMainFrame() override { return nullptr; }
  CefRefPtr<CefFrame> GetFrame(int64_t) override { return nullptr; }
  bool SendProcessMessage(cef_process_id_t target, CefRefPtr<CefProcessMessage> message) override {
    sent.push_back((target == PID_BROWSER ? "browser " : "renderer ") +
                   message->GetName().ToString() + " " +
                   std::to_string(message->GetArgumentList()->GetBool(0)));
    return true;
  }

  std::vector<std::string> sent;

 private:
  CEF_IMPLEMENT_REFCOUNTING(FakeRenderBrowser);
};

class FakeNode : public CefDOMNode {
 public:
  explicit FakeNode(bool editable) : editable_(editable) {}
  bool IsEditable() override { return editable_; }

 private:
  bool editable_;
  CEF_IMPLEMENT_REFCOUNTING(FakeNode);
};

TEST_F(RuntimeTest, OnlyTheBrowserProcessGetsTheLauncherSwitches) {
  CefRefPtr<comp::ClientApp> application(new comp::ClientApp());
  for (const char* type : {"renderer", "gpu-process", "utility"}) {
    CefRefPtr<FakeCommandLine> command_line(new FakeCommandLine());
    application->OnBeforeCommandLineProcessing(type, command_line);
    EXPECT_TRUE(command_line->switches.empty()) << type;
  }
  // Each registration round appends the two cookie schemes again.
  application->OnRegisterCustomSchemes(nullptr);
  application->OnRegisterCustomSchemes(nullptr);
  EXPECT_EQ((std::vector<CefString>{"http", "https", "http", "https"}),
            application->cookieable_schemes());
}

TEST_F(RuntimeTest, OnlyFocusMovesBetweenEditableAndOtherElementsAreReported) {
  CefRefPtr<comp::ClientApp> application(new comp::ClientApp());
  CefRefPtr<FakeRenderBrowser> browser(new FakeRenderBrowser());
  struct Step {
    const char* focus;  // "text", "button" or "none"
    const char* sent;   // the message, or "" for none
  } steps[] = {
      {"button", ""},                                // not editable, as before
      {"text", "browser FocusedNodeChanged 1"},
      {"text", ""},                                  // text field to text field
      {"button", "browser FocusedNodeChanged 0"},
      {"none", ""},                                  // no element: not editable
      {"text", "browser FocusedNodeChanged 1"},
      {"none", "browser FocusedNodeChanged 0"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.focus);
    browser->sent.clear();
    CefRefPtr<CefDOMNode> node;
    if (std::string(step.focus) != "none") node = new FakeNode(std::string(step.focus) == "text");
    application->OnFocusedNodeChanged(browser, nullptr, node);
    EXPECT_EQ(*step.sent ? std::vector<std::string>{step.sent} : std::vector<std::string>{},
              browser->sent);
  }
}

}  // namespace
