#include "app/main/provisional_main_window.h"

#include <mutex>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"
#include "app/controller/state.h"
#include "app/util/string_util.h"

namespace {

constexpr wchar_t kWindowClass[] = L"Launcher";
constexpr wchar_t kWindowName[] = L"Launcher";
constexpr DWORD kWindowStyle = 0xCE0000;  // WS_OVERLAPPEDWINDOW
constexpr int kWidth = 960;
constexpr int kHeight = 600;

// The newest messages only: the pre-download tick alone brings two a second.
constexpr size_t kHistoryLimit = 1024;

std::mutex g_history_lock;

// The open main window (thread 0), for the questions.
ProvisionalMainWindow* g_open = nullptr;

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 500;
enum ControlId { kPlayButton = 101, kYesButton = 102, kNoButton = 103 };

const char* StateName(int32_t type) {
  static const char* const names[] = {"none",          "Prepare",       "RequestRemote",
                                      "CheckVersion",  "RequestPatch",  "DownloadFiles",
                                      "ApplyUpdate",   "EnterGame",     "Exception",
                                      "PreDownload"};
  return type >= 0 && type <= kPreDownloadState ? names[type] : "none";
}

std::wstring Widen(const std::string& text) {
  std::wstring wide;
  if (!Utf8ToWide(text, &wide)) wide.clear();
  return wide;
}

// A line on the process's standard output, when it has one (a GUI program's
// C library may not have opened it: the handle is written directly).
void Say(const std::wstring& line) {
  std::string utf8;
  if (!WideToUtf8(line + L"\n", &utf8)) return;
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (!out || out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

HWND MakeChild(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, int x, int y,
               int width, int height, int id) {
  return CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

std::vector<ProvisionalMainWindow::Received>& HistoryList() {
  static std::vector<ProvisionalMainWindow::Received> history;
  return history;
}

bool IsLauncherMessage(UINT message) {
  return (message >= MsgTrayNotify && message <= MsgExitLauncher) ||
         (message >= MsgRefreshVersion && message <= MsgDownloadPaused) ||
         message == MsgReloadAll || message == MsgReloadNews ||
         message == MsgRefreshGameButton || message == MsgPreDlcPage ||
         message == MsgPreDlcTick ||
         (message >= MsgGameRegister && message <= MsgGamePreDlcNotify);
}

void Record(UINT message, WPARAM wparam, LPARAM lparam) {
  std::lock_guard<std::mutex> hold(g_history_lock);
  std::vector<ProvisionalMainWindow::Received>& history = HistoryList();
  if (history.size() >= kHistoryLimit) history.erase(history.begin());
  history.push_back({message, wparam, lparam});
}

}  // namespace

bool ProvisionalMainWindow::Open() {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = &ProvisionalMainWindow::WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
  }
  auto* owner = new ProvisionalMainWindow();
  int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND window = CreateWindowExW(0, kWindowClass, kWindowName, kWindowStyle, x, y, kWidth, kHeight,
                                nullptr, nullptr, GetModuleHandleW(nullptr), owner);
  if (!window) {
    delete owner;
    return false;
  }
  ShowWindow(window, SW_SHOW);
  SetFocus(window);
  return true;
}

bool ProvisionalMainWindow::Ask(const MsgBoxContent& box, MessageBoxCallback closed) {
  if (!g_open) return false;
  g_open->questions_.push_back({box, std::move(closed)});
  if (g_open->questions_.size() == 1) g_open->ShowQuestion();
  return true;
}

void ProvisionalMainWindow::ShowQuestion() {
  const bool asking = !questions_.empty();
  ShowWindow(yes_, asking ? SW_SHOW : SW_HIDE);
  ShowWindow(no_, asking && !questions_.front().box.noButton.empty() ? SW_SHOW : SW_HIDE);
  if (!asking) {
    SetWindowTextW(question_, L"");
    return;
  }
  const MsgBoxContent& box = questions_.front().box;
  const std::wstring text = box.title.value + L": " + box.content.value +
                            (box.detail.value.empty() ? L"" : L" (" + box.detail.value + L")");
  SetWindowTextW(question_, text.c_str());
  SetWindowTextW(yes_, box.yesButton.c_str());
  SetWindowTextW(no_, box.noButton.c_str());
  Say(L"question: " + text + L" [yes: " + box.yesButton + L"]" +
      (box.noButton.empty() ? L"" : L" [no: " + box.noButton + L"]"));
}

void ProvisionalMainWindow::Answer(int answer) {
  if (questions_.empty()) return;
  Question question = std::move(questions_.front());
  questions_.pop_front();
  Say(answer == 1 ? L"answer: yes" : L"answer: no");
  ShowQuestion();
  // May close this window (the restart after a launcher update).
  question.closed(answer);
}

void ProvisionalMainWindow::Refresh() {
  LauncherController* controller = LauncherController::GetInstance();
  std::shared_ptr<const LauncherController::Snapshot> now = controller->GetSnapshot();
  wchar_t text[512];
  swprintf(text, 512,
           L"State: %s (pass %d)   Step: %d%%   Progress: %lld / %lld bytes   "
           L"Speed: %lld KiB/s   Game: %ls -> %ls   Launcher: %ls%ls",
           StateName(now->state.type), now->state.pass, static_cast<int>(step_),
           static_cast<long long>(now->doneBytes), static_cast<long long>(now->totalBytes),
           static_cast<long long>(now->bytesPerSecond / 1024),
           Widen(now->localGameVersion).c_str(), Widen(now->remoteGameVersion).c_str(),
           Widen(now->launcherVersion).c_str(), now->paused ? L"   (paused)" : L"");
  if (shown_ == text) return;
  shown_ = text;
  SetWindowTextW(status_, text);
  Say(text);
}

std::vector<ProvisionalMainWindow::Received> ProvisionalMainWindow::History() {
  std::lock_guard<std::mutex> hold(g_history_lock);
  return HistoryList();
}

LRESULT CALLBACK ProvisionalMainWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                                   LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* owner = static_cast<ProvisionalMainWindow*>(created->lpCreateParams);
    owner->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
  }
  auto* self =
      reinterpret_cast<ProvisionalMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);
  LRESULT result = self->HandleMessage(message, wparam, lparam);
  if (message == WM_NCDESTROY) delete self;
  return result;
}

LRESULT ProvisionalMainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  if (IsLauncherMessage(message)) Record(message, wparam, lparam);
  switch (message) {
    case WM_CREATE:
      LauncherController::GetInstance()->SetMainWindow(window_);
      status_ = MakeChild(window_, L"STATIC", L"", 0, 16, 16, kWidth - 48, 60, 0);
      play_ = MakeChild(window_, L"BUTTON", L"Install / Update / Play", BS_PUSHBUTTON, 16, 90,
                        220, 32, kPlayButton);
      question_ = MakeChild(window_, L"STATIC", L"", 0, 16, 140, kWidth - 48, 60, 0);
      yes_ = MakeChild(window_, L"BUTTON", L"", BS_PUSHBUTTON, 16, 210, 200, 32, kYesButton);
      no_ = MakeChild(window_, L"BUTTON", L"", BS_PUSHBUTTON, 232, 210, 200, 32, kNoButton);
      ShowQuestion();
      g_open = this;
      SetTimer(window_, kRefreshTimer, kRefreshMs, nullptr);
      Refresh();
      return 0;
    case WM_TIMER:
      if (wparam == kRefreshTimer) Refresh();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kPlayButton:
          // As the main button: the game pass, to play unless the servers say not.
          LauncherController::GetInstance()->RestartGameCheck(true, true);
          return 0;
        case kYesButton:
          Answer(1);
          return 0;
        case kNoButton:
          Answer(0);
          return 0;
      }
      return 0;
    case MsgCheckProgress:
      step_ = lparam;
      return 0;
    case MsgShowMainWindow:
      if (wparam == 0) {
        ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(window_);
      }
      return 0;
    case MsgHideToTray:
      ShowWindow(window_, SW_HIDE);
      return 0;
    case MsgExitLauncher:
      DestroyWindow(window_);
      return 0;
    case MsgWindowListChanged:
      LauncherController::GetInstance()->ApplyPendingLanguageChange();
      return 0;
    case WM_CLOSE:
      DestroyWindow(window_);
      return 0;
    // The game's queries, answered as by a main window without a pre-download
    // panel: zeros.
    case MsgGameRegister:
      LauncherController::GetInstance()->RegisterGameWindow(reinterpret_cast<HWND>(lparam));
      return 0;
    case MsgGamePreDlcStatusQuery:
    case MsgGamePreDlcProgressQuery:
    case MsgGamePreDlcSpeedQuery:
      LauncherController::GetInstance()->NotifyGameWindows(message + 1, 0, 0);
      return 0;
    case MsgGamePreDlcNotify:
      LauncherController::GetInstance()->NotifyGameWindows(MsgGamePreDlcNotify, 0, 0);
      return 0;
    case WM_DESTROY:
      KillTimer(window_, kRefreshTimer);
      if (g_open == this) g_open = nullptr;
      // Unanswered questions close as their close buttons would.
      while (!questions_.empty()) {
        Question question = std::move(questions_.front());
        questions_.pop_front();
        question.closed(0);
      }
      LauncherController::GetInstance()->SetMainWindow(nullptr);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}
