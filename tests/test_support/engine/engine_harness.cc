#include "test_support/engine/engine_harness.h"

#include <gtest/gtest.h>

#include <utility>

#include "base/message_loop/message_loop.h"
#include "base/thread/framework_thread.h"
#include "base/thread/thread_registry.h"

namespace engine_testing {

namespace {

constexpr wchar_t kWindowClass[] = L"QuorvelEngineHarnessMain";
// Far longer than any step needs; only a hung thread reaches it.
constexpr DWORD kWaitLimitMs = 60000;
// The launcher's own messages start at 2025; the system's stay unrecorded.
constexpr UINT kFirstLauncherMessage = 2000;

EngineHarness* g_harness = nullptr;

}  // namespace

// A framework thread enrolled under an id for its run, with hooks around
// its loop.
class EngineHarness::HarnessThread : public base::FrameworkThread {
 public:
  HarnessThread(const char* name, int id, std::function<void()> init,
                std::function<void()> cleanup)
      : base::FrameworkThread(name), id_(id), init_(std::move(init)),
        cleanup_(std::move(cleanup)) {}
  ~HarnessThread() override { Stop(); }

 protected:
  void Init() override {
    base::ThreadRegistry::Enroll(id_);
    if (init_) init_();
  }
  void Cleanup() override {
    if (cleanup_) cleanup_();
    base::ThreadRegistry::Withdraw();
  }

 private:
  int id_;
  std::function<void()> init_;
  std::function<void()> cleanup_;
};

EngineHarness::EngineHarness() {
  g_harness = this;
  LauncherServices::SetForTesting(this);

  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &EngineHarness::WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kWindowClass;
  RegisterClassExW(&window_class);

  ui_thread_ = std::make_unique<HarnessThread>(
      "HarnessUiThread", base::kUiThreadId,
      [this] {
        // Message-only: no walk over the top-level windows ever meets it.
        main_window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
        controller()->SetMainWindow(main_window_);
      },
      [this] {
        controller()->SetMainWindow(nullptr);
        DestroyWindow(main_window_);
      });
  worker_thread_ = std::make_unique<HarnessThread>("HarnessWorkerThread", base::kMiscThreadId,
                                                   nullptr, nullptr);
  ui_thread_->StartWithLoop(base::MessageLoop::kUILoop);
  worker_thread_->StartWithLoop(base::MessageLoop::kDefaultLoop);
  EXPECT_NE(nullptr, main_window_);
}

EngineHarness::~EngineHarness() {
  // Boxes still open close as their close buttons would.
  while (AnswerOpenBox(0)) {
  }
  OnWorker([this] {
    LauncherController* c = controller();
    c->SetState(nullptr);
    if (c->preDownloadState) {
      c->preDownloadState->Exit(nullptr);
      c->preDownloadState.reset();
      c->PublishPreDownloadStep(-1);
    }
  });
  Settle();
  worker_thread_->Stop();
  ui_thread_->Stop();
  LauncherServices::SetForTesting(nullptr);
  g_harness = nullptr;
}

void EngineHarness::RunAndWait(int thread_id, std::function<void()> work) {
  struct Job {
    std::function<void()> work;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Job() { CloseHandle(done); }
  };
  auto job = std::make_shared<Job>();
  job->work = std::move(work);
  bool posted = base::ThreadRegistry::Post(thread_id, [job] {
    job->work();
    SetEvent(job->done);
  });
  ASSERT_TRUE(posted) << "thread " << thread_id << " is not running";
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(job->done, kWaitLimitMs))
      << "thread " << thread_id << " did not run the work";
}

void EngineHarness::OnWorker(std::function<void()> work) {
  RunAndWait(base::kMiscThreadId, std::move(work));
}

void EngineHarness::OnUi(std::function<void()> work) {
  RunAndWait(base::kUiThreadId, std::move(work));
}

void EngineHarness::Tick(int count) {
  for (int i = 0; i < count; ++i) OnWorker([this] { controller()->Tick(); });
}

void EngineHarness::Settle() {
  // Each round lets the work one thread posted to the other run; three
  // rounds cover a reply to a reply (box -> answer -> worker).
  for (int round = 0; round < 3; ++round) {
    OnUi([] {});
    OnWorker([] {});
  }
}

void EngineHarness::Install(std::unique_ptr<State> state) {
  auto owned = std::make_shared<std::unique_ptr<State>>(std::move(state));
  OnWorker([this, owned] { controller()->SetState(std::move(*owned)); });
  Settle();
}

std::vector<WindowMessage> EngineHarness::Messages() const {
  std::lock_guard<std::mutex> hold(lock_);
  return messages_;
}

std::vector<WindowMessage> EngineHarness::MessagesOf(uint32_t message) const {
  std::vector<WindowMessage> found;
  for (const WindowMessage& m : Messages()) {
    if (m.message == message) found.push_back(m);
  }
  return found;
}

void EngineHarness::ClearMessages() {
  std::lock_guard<std::mutex> hold(lock_);
  messages_.clear();
}

void EngineHarness::ScriptBoxAnswers(const std::vector<int>& answers) {
  std::lock_guard<std::mutex> hold(lock_);
  box_answers_.insert(box_answers_.end(), answers.begin(), answers.end());
}

bool EngineHarness::AnswerOpenBox(int answer) {
  MessageBoxCallback closed;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (open_boxes_.empty()) return false;
    closed = std::move(open_boxes_.front());
    open_boxes_.pop_front();
  }
  OnUi([closed, answer] { closed(answer); });
  Settle();
  return true;
}

std::vector<ShownMsgBox> EngineHarness::MsgBoxes() const {
  std::lock_guard<std::mutex> hold(lock_);
  return msg_boxes_;
}

std::vector<ShownOptionsBox> EngineHarness::OptionsBoxes() const {
  std::lock_guard<std::mutex> hold(lock_);
  return options_boxes_;
}

std::vector<std::string> EngineHarness::Calls() const {
  std::lock_guard<std::mutex> hold(lock_);
  return calls_;
}

void EngineHarness::ClearCalls() {
  std::lock_guard<std::mutex> hold(lock_);
  calls_.clear();
}

void EngineHarness::Record(const std::string& call) {
  std::lock_guard<std::mutex> hold(lock_);
  calls_.push_back(call + "@" + std::to_string(base::ThreadRegistry::CurrentId()));
}

LRESULT CALLBACK EngineHarness::WindowProc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam) {
  if (message >= kFirstLauncherMessage && g_harness) {
    std::lock_guard<std::mutex> hold(g_harness->lock_);
    g_harness->messages_.push_back({message, wparam, lparam});
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

std::unique_ptr<State> EngineHarness::MakePrepareState(int32_t pass) {
  Record("MakePrepareState(" + std::to_string(pass) + ")");
  return make_prepare_state ? make_prepare_state(pass) : nullptr;
}

std::unique_ptr<State> EngineHarness::MakePreDownloadState() {
  Record("MakePreDownloadState");
  return make_pre_download_state ? make_pre_download_state() : nullptr;
}

void EngineHarness::PumpDownloadEngine() {
  if (pump_engine) LauncherServices::PumpDownloadEngine();
}

void EngineHarness::PauseOrResumeDownloads() { Record("PauseOrResumeDownloads"); }

void EngineHarness::SetDefaultFontFaces() { Record("SetDefaultFontFaces"); }

void EngineHarness::LoadSkinArchive() { Record("LoadSkinArchive"); }

bool EngineHarness::LoadCommonConfig() {
  Record("LoadCommonConfig");
  return common_config_changed;
}

std::wstring EngineHarness::GetLanguageText(const std::wstring& id) {
  std::lock_guard<std::mutex> hold(lock_);
  auto found = texts.find(id);
  return found == texts.end() ? std::wstring() : found->second;
}

std::wstring EngineHarness::GetUiLanguage() { return ui_language; }

void EngineHarness::SetUiLanguage(const std::wstring& code) {
  Record("SetUiLanguage");
  ui_language = code;
}

void EngineHarness::SwitchUiLanguage() { Record("SwitchUiLanguage"); }

bool EngineHarness::IsOpenWindow(HWND window) {
  return window == main_window_ && main_window_open;
}

void EngineHarness::ShowMsgBox(HWND owner, const MsgBoxContent& box,
                               MessageBoxCallback closed) {
  std::lock_guard<std::mutex> hold(lock_);
  msg_boxes_.push_back({owner, box});
  if (box_answers_.empty()) {
    open_boxes_.push_back(std::move(closed));
    return;
  }
  int answer = box_answers_.front();
  box_answers_.pop_front();
  // Closed later, as a player's click would be.
  base::ThreadRegistry::Post(base::kUiThreadId, [closed, answer] { closed(answer); });
}

void EngineHarness::CloseMainWindow(HWND window) {
  Record(window == main_window_ ? "CloseMainWindow" : "CloseMainWindow(other)");
}

void EngineHarness::RelaunchForSelfUpdate(const std::wstring& command, bool launcher_replaced) {
  std::string narrow(command.begin(), command.end());
  Record("RelaunchForSelfUpdate(" + narrow + "," + (launcher_replaced ? "1" : "0") + ")");
}

bool EngineHarness::ShowOptionsBox(HWND owner, const OptionsBoxRequest& request) {
  std::lock_guard<std::mutex> hold(lock_);
  options_boxes_.push_back({owner, request});
  if (options_answer_ >= 0 && request.callback) {
    MessageBoxCallback chosen = request.callback;
    int index = options_answer_;
    base::ThreadRegistry::Post(base::kUiThreadId, [chosen, index] { chosen(index); });
  }
  return true;
}

}  // namespace engine_testing
