// The runtime's entry points, as the launcher calls them. libcef.dll is
// loaded from the folder "cef" beside the executable on the first call and
// each entry is looked up then; the launcher starts and runs without the
// folder (it then never calls these). When the library or an entry is
// missing, each call fails as its comment says instead of crashing.
//
// Threads: start-up and shut-down on the process's main thread; posting and
// the thread test from any thread.
#ifndef BROWSER_RUNTIME_CEF_RUNTIME_H_
#define BROWSER_RUNTIME_CEF_RUNTIME_H_

#include <string>
#include <vector>

#include "browser/runtime/cef_app.h"
#include "browser/runtime/cef_base.h"
#include "browser/runtime/cef_types.h"
#include "browser/runtime/cef_values.h"

// The API hash this launcher was built against (entry 0 of cef_api_hash).
extern const char kCefApiHash[];

// The file the runtime is loaded from.
std::wstring CefRuntimeLibraryPath();

// True when the library is (or could now be) loaded.
bool CefRuntimeLoaded();

// In a runtime sub-process: runs it and returns its exit code (0 or more).
// In the browser process: -1. A library of another API version, or none,
// returns 0 at once without calling it.
int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application,
                      void* windows_sandbox_info);

// Starts the runtime for this process. False on another API version, a
// missing library, or when the runtime fails.
bool CefInitialize(const CefMainArgs& args, const CefSettings& settings,
                   CefRefPtr<CefApp> application, void* windows_sandbox_info);

// The runtime's own shut-down; nothing without the library.
void cef_shutdown();
// Lets the runtime follow the screen's DPI; nothing without the library.
void cef_enable_highdpi_support();

// Queues `task` on a runtime thread. False when the runtime does not take it
// (not loaded, not running, or a thread it does not run); the task's
// reference is then released at once.
bool CefPostTask(cef_thread_id_t thread, CefRefPtr<CefTask> task);
// True on that runtime thread.
bool CefCurrentlyOn(cef_thread_id_t thread);

// Render process: registers a script extension whose native functions
// `handler` serves. False without the runtime.
bool CefRegisterExtension(const CefString& extension_name, const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler);

#endif  // BROWSER_RUNTIME_CEF_RUNTIME_H_
