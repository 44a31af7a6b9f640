#include "testing/cef_runtime/standin_runtime.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <sstream>
#include <thread>

#include "testing/cef_runtime/standin_browser.h"

namespace standin {

namespace {

constexpr UINT kRunTasks = WM_APP + 1;
constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameIntervalMs = 250;

std::mutex g_log_lock;
std::mutex g_options_lock;
bool g_options_set = false;
Options g_options;

struct TaskQueue {
  std::mutex lock;
  std::condition_variable ready;
  std::deque<std::function<void()>> tasks;
  bool accepting = false;
};
TaskQueue g_ui;
TaskQueue g_io;
std::atomic<DWORD> g_ui_thread_id{0};
std::atomic<DWORD> g_io_thread_id{0};
std::atomic<HWND> g_ui_window{nullptr};
// Never destroyed: a process that ends without shut-down must not meet a
// joinable thread's destructor.
std::thread* g_ui_thread = nullptr;
std::thread* g_io_thread = nullptr;
HANDLE g_ui_ended = nullptr;
bool g_io_stop = false;

void RunQueued(TaskQueue& queue) {
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> hold(queue.lock);
      if (queue.tasks.empty()) return;
      task = std::move(queue.tasks.front());
      queue.tasks.pop_front();
    }
    task();
  }
}

LRESULT CALLBACK UiWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kRunTasks) {
    RunQueued(g_ui);
    return 0;
  }
  if (message == WM_TIMER && wparam == kFrameTimer) {
    if (!CurrentOptions().still) PaintAnimatedBrowsers();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void UiThreadMain(HANDLE started) {
  g_ui_thread_id = GetCurrentThreadId();
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = &UiWindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"QuorvelStandinRuntimeUi";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, window_class.hInstance, nullptr);
  g_ui_window = window;
  SetTimer(window, kFrameTimer, kFrameIntervalMs, nullptr);
  SetEvent(started);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  KillTimer(window, kFrameTimer);
  DestroyWindow(window);
  g_ui_window = nullptr;
  g_ui_thread_id = 0;
  SetEvent(g_ui_ended);
}

void IoThreadMain() {
  g_io_thread_id = GetCurrentThreadId();
  std::unique_lock<std::mutex> hold(g_io.lock);
  for (;;) {
    g_io.ready.wait(hold, [] { return g_io_stop || !g_io.tasks.empty(); });
    if (g_io_stop) break;
    std::function<void()> task = std::move(g_io.tasks.front());
    g_io.tasks.pop_front();
    hold.unlock();
    task();
    hold.lock();
  }
  g_io_thread_id = 0;
}

Options ParseOptions(const std::string& text) {
  Options options;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    if (word == "fail_initialize") options.fail_initialize = true;
    if (word == "wrong_version") options.wrong_version = true;
    if (word == "still") options.still = true;
  }
  return options;
}

std::string ReadOptionsFile() {
  std::wstring path = LibraryFolder() + L"standin_options.txt";
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  char buffer[1024];
  DWORD read = 0;
  ReadFile(file, buffer, sizeof(buffer), &read, nullptr);
  CloseHandle(file);
  return std::string(buffer, read);
}

}  // namespace

std::string Utf8(const std::wstring& text) { return CefString(text).ToString(); }
std::string Utf8(const CefString& text) { return text.ToString(); }

std::wstring LibraryFolder() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&LibraryFolder), &module);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

void Log(const std::string& line) {
  static const std::wstring path = LibraryFolder() + L"standin.log";
  std::string text = line + "\r\n";
  std::lock_guard<std::mutex> hold(g_log_lock);
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

Options CurrentOptions() {
  std::lock_guard<std::mutex> hold(g_options_lock);
  return g_options_set ? g_options : ParseOptions(ReadOptionsFile());
}

void SetOptions(const char* options) {
  std::lock_guard<std::mutex> hold(g_options_lock);
  g_options_set = options != nullptr;
  g_options = ParseOptions(options ? options : "");
}

bool PostToUi(std::function<void()> task) {
  HWND window = nullptr;
  {
    std::lock_guard<std::mutex> hold(g_ui.lock);
    if (!g_ui.accepting) return false;
    g_ui.tasks.push_back(std::move(task));
    window = g_ui_window;
  }
  PostMessageW(window, kRunTasks, 0, 0);
  return true;
}

bool PostToIo(std::function<void()> task) {
  std::lock_guard<std::mutex> hold(g_io.lock);
  if (!g_io.accepting) return false;
  g_io.tasks.push_back(std::move(task));
  g_io.ready.notify_one();
  return true;
}

bool OnUiThread() { return g_ui_thread_id != 0 && GetCurrentThreadId() == g_ui_thread_id; }
bool OnIoThread() { return g_io_thread_id != 0 && GetCurrentThreadId() == g_io_thread_id; }
HWND UiWindow() { return g_ui_window; }

bool StartThreads() {
  if (g_ui_thread) return false;
  HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!g_ui_ended) g_ui_ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(g_ui_ended);
  g_ui_thread = new std::thread(&UiThreadMain, started);
  WaitForSingleObject(started, INFINITE);
  CloseHandle(started);
  g_io_stop = false;
  g_io_thread = new std::thread(&IoThreadMain);
  {
    std::lock_guard<std::mutex> hold(g_ui.lock);
    g_ui.accepting = true;
  }
  std::lock_guard<std::mutex> hold(g_io.lock);
  g_io.accepting = true;
  return true;
}

void StopThreads(std::function<void()> last) {
  if (!g_ui_thread) return;
  PostToUi([last] {
    last();
    {
      std::lock_guard<std::mutex> hold(g_ui.lock);
      g_ui.accepting = false;
    }
    PostQuitMessage(0);
  });
  // The UI thread may be sending this thread a message (a window it made in
  // one of this thread's windows): answer those while waiting.
  while (MsgWaitForMultipleObjects(1, &g_ui_ended, FALSE, INFINITE, QS_SENDMESSAGE) !=
         WAIT_OBJECT_0) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  g_ui_thread->join();
  delete g_ui_thread;
  g_ui_thread = nullptr;
  {
    std::lock_guard<std::mutex> hold(g_io.lock);
    g_io.accepting = false;
    g_io_stop = true;
    g_io.ready.notify_one();
  }
  g_io_thread->join();
  delete g_io_thread;
  g_io_thread = nullptr;
  // Work the threads never ran is released here.
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard<std::mutex> hold(g_ui.lock);
    dropped.swap(g_ui.tasks);
  }
  {
    std::lock_guard<std::mutex> hold(g_io.lock);
    dropped.insert(dropped.end(), std::make_move_iterator(g_io.tasks.begin()),
                   std::make_move_iterator(g_io.tasks.end()));
    g_io.tasks.clear();
  }
}

}  // namespace standin
