#include "app/main/provisional_main_window.h"

#include <mutex>

#include "app/controller/launcher_controller.h"
#include "app/controller/launcher_messages.h"

namespace {

constexpr wchar_t kWindowClass[] = L"Launcher";
constexpr wchar_t kWindowName[] = L"Launcher";
constexpr DWORD kWindowStyle = 0xCE0000;  // WS_OVERLAPPEDWINDOW
constexpr int kWidth = 960;
constexpr int kHeight = 600;

// The newest messages only: the pre-download tick alone brings two a second.
constexpr size_t kHistoryLimit = 1024;

std::mutex g_history_lock;

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
      LauncherController::GetInstance()->SetMainWindow(nullptr);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}
