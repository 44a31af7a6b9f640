// EngineHarness: the launcher's two threads without its windows, for tests
// that drive the update states. Thread 0 is a UI loop with a hidden main
// window registered with the process-wide controller; the window records
// every message the controller sends it (NotifyMainWindow). Thread 1 is the
// worker, whose tick the test runs itself (Tick), so a state advances
// exactly when the test says. The harness is the launcher's services for
// its life: message boxes are answered from a script, options boxes too,
// the language table is a map, the states the bridges make come from the
// test's factories, and the calls into the UI and the engine are recorded
// as "<name>@<thread id>".
//
// One harness at a time per process (it holds thread ids 0 and 1 and the
// controller's singleton). On destruction boxes still open close as their
// close buttons would, both state slots are emptied on the worker, the main
// window is forgotten and both threads stop: whatever the states and the
// box callbacks use must be declared before the harness.
#ifndef TESTS_TEST_SUPPORT_ENGINE_ENGINE_HARNESS_H_
#define TESTS_TEST_SUPPORT_ENGINE_ENGINE_HARNESS_H_

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_services.h"
#include "app/controller/message_box_request.h"

namespace engine_testing {

struct WindowMessage {
  uint32_t message;
  WPARAM wparam;
  LPARAM lparam;

  bool operator==(const WindowMessage& other) const {
    return message == other.message && wparam == other.wparam && lparam == other.lparam;
  }
};

struct ShownMsgBox {
  HWND owner;
  MsgBoxContent box;
};

struct ShownOptionsBox {
  HWND owner;
  OptionsBoxRequest request;
};

class EngineHarness : public LauncherServices {
 public:
  EngineHarness();
  ~EngineHarness() override;
  EngineHarness(const EngineHarness&) = delete;
  EngineHarness& operator=(const EngineHarness&) = delete;

  LauncherController* controller() const { return LauncherController::GetInstance(); }
  HWND main_window() const { return main_window_; }

  // Runs `work` on the worker (thread 1) or on thread 0 and waits for it.
  void OnWorker(std::function<void()> work);
  void OnUi(std::function<void()> work);
  // `count` worker ticks (LauncherController::Tick), each on thread 1.
  void Tick(int count = 1);
  // Waits until the work that either thread posted to the other, and the
  // work that posted, has run.
  void Settle();
  // Installs `state` as the current state on the worker and settles.
  void Install(std::unique_ptr<State> state);

  // Every message the main window received, in order, or those of one
  // number.
  std::vector<WindowMessage> Messages() const;
  std::vector<WindowMessage> MessagesOf(uint32_t message) const;
  void ClearMessages();

  // Answers for the message boxes, in the order they are shown. A box shown
  // when the script is empty stays open until AnswerOpenBox.
  void ScriptBoxAnswers(const std::vector<int>& answers);
  // Closes the oldest open box with `answer`, as its buttons would (on
  // thread 0, then settles). False when no box is open.
  bool AnswerOpenBox(int answer);
  // Every message box and options box shown, in order.
  std::vector<ShownMsgBox> MsgBoxes() const;
  std::vector<ShownOptionsBox> OptionsBoxes() const;
  // The options box chooses this option when it is shown (-1: stays open).
  void ScriptOptionsAnswer(int index) { options_answer_ = index; }

  // Calls into the services, "<name>@<thread id>", in order.
  std::vector<std::string> Calls() const;
  void ClearCalls();

  // What the services answer; set them before the calls that need them.
  std::function<std::unique_ptr<State>(int32_t pass)> make_prepare_state;
  std::function<std::unique_ptr<State>()> make_pre_download_state;
  std::map<std::wstring, std::wstring> texts;  // the language table
  std::wstring ui_language = L"en";
  bool common_config_changed = true;  // LoadCommonConfig's answer
  bool pump_engine = false;           // Tick pumps the real download engine
  bool main_window_open = true;       // IsOpenWindow's answer for the main window

  // LauncherServices.
  std::unique_ptr<State> MakePrepareState(int32_t pass) override;
  std::unique_ptr<State> MakePreDownloadState() override;
  void PumpDownloadEngine() override;
  void PauseOrResumeDownloads() override;
  void SetDefaultFontFaces() override;
  void LoadSkinArchive() override;
  bool LoadCommonConfig() override;
  std::wstring GetLanguageText(const std::wstring& id) override;
  std::wstring GetUiLanguage() override;
  void SetUiLanguage(const std::wstring& code) override;
  void SwitchUiLanguage() override;
  bool IsOpenWindow(HWND window) override;
  void ShowMsgBox(HWND owner, const MsgBoxContent& box, MessageBoxCallback closed) override;
  bool ShowOptionsBox(HWND owner, const OptionsBoxRequest& request) override;
  void CloseMainWindow(HWND window) override;
  void RelaunchForSelfUpdate(const std::wstring& command, bool launcher_replaced) override;

 private:
  class HarnessThread;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void Record(const std::string& call);
  void RunAndWait(int thread_id, std::function<void()> work);

  std::unique_ptr<HarnessThread> ui_thread_;
  std::unique_ptr<HarnessThread> worker_thread_;
  HWND main_window_ = nullptr;

  mutable std::mutex lock_;
  std::vector<WindowMessage> messages_;
  std::vector<std::string> calls_;
  std::deque<int> box_answers_;
  std::deque<MessageBoxCallback> open_boxes_;
  std::vector<ShownMsgBox> msg_boxes_;
  std::vector<ShownOptionsBox> options_boxes_;
  int options_answer_ = -1;
};

}  // namespace engine_testing

#endif  // TESTS_TEST_SUPPORT_ENGINE_ENGINE_HARNESS_H_
