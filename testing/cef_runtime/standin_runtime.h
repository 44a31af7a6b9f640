// The stand-in runtime's core: its log, its options, and its two threads (a
// UI thread with a Win32 message loop and an I/O thread), each running
// queued closures in order.
#ifndef TESTING_CEF_RUNTIME_STANDIN_RUNTIME_H_
#define TESTING_CEF_RUNTIME_STANDIN_RUNTIME_H_

#include <windows.h>

#include <functional>
#include <string>

#include "browser/runtime/cef_app.h"
#include "browser/runtime/cef_types.h"

namespace standin {

// Appends one line to the log (UTF-8); any thread.
void Log(const std::string& line);
std::string Utf8(const std::wstring& text);
std::string Utf8(const CefString& text);

struct Options {
  bool fail_initialize = false;
  bool wrong_version = false;
  // No frames from the frame timer: only loads, resizes and invalidations paint.
  bool still = false;
};
Options CurrentOptions();
void SetOptions(const char* options);

// The folder of the library, with its trailing separator.
std::wstring LibraryFolder();

// False when the runtime is not running (the closure is then dropped).
bool PostToUi(std::function<void()> task);
bool PostToIo(std::function<void()> task);
bool OnUiThread();
bool OnIoThread();

// Starts both threads; false when already running.
bool StartThreads();
// Runs `last` on the UI thread, then stops both threads and waits for them;
// queued tasks after `last` are dropped.
void StopThreads(std::function<void()> last);

// The UI thread's message-only window (for timers).
HWND UiWindow();

}  // namespace standin

#endif  // TESTING_CEF_RUNTIME_STANDIN_RUNTIME_H_
