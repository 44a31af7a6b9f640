// The stand-in runtime's exports: the runtime's entry points (logged, and
// answered as the launcher expects of the real runtime) and the test entries.

#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "browser/runtime/cef_exports.h"
#include "testing/cef_runtime/standin_api.h"
#include "testing/cef_runtime/standin_browser.h"
#include "testing/cef_runtime/standin_runtime.h"
#include "testing/cef_runtime/standin_values.h"

#define STANDIN_DECLARE_EXPORT(result, name, parameters) \
  extern "C" __declspec(dllexport) result name parameters;
CEF_RUNTIME_EXPORTS(STANDIN_DECLARE_EXPORT)
#undef STANDIN_DECLARE_EXPORT

extern "C" {
__declspec(dllexport) void quorvel_standin_configure(const char* options);
__declspec(dllexport) int quorvel_standin_raise(int browser_id, const char* event,
                                                const wchar_t* text, int number);
__declspec(dllexport) int quorvel_standin_browser_count();
__declspec(dllexport) void quorvel_standin_set_current_context(CefV8Context* context);
__declspec(dllexport) CefV8Handler* quorvel_standin_extension_handler();
}

namespace {

using standin::Log;
using standin::Utf8;

constexpr char kApiHash[] = "64b27477b82b44b51ce817522f744fca6768cbbb";
constexpr char kOtherApiHash[] = "0123456789abcdef0123456789abcdef01234567";

// Start-up state, main thread.
bool g_initialized = false;
CefRefPtr<CefApp> g_application;

// The render side a test plays (its thread).
std::mutex g_script_lock;
CefRefPtr<CefV8Context> g_current_context;
CefRefPtr<CefV8Handler> g_extension_handler;

std::wstring Field(const cef_string_t& field) {
  return field.str ? std::wstring(field.str, field.length) : std::wstring();
}

void CreateFolderTree(const std::wstring& folder) {
  for (size_t at = folder.find_first_of(L"\\/", 3); at != std::wstring::npos;
       at = folder.find_first_of(L"\\/", at + 1)) {
    CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryW(folder.c_str(), nullptr);
}

// The runtime's own files: its cache folder and its log.
void MakeRuntimeFiles(const cef_settings_t& settings) {
  std::wstring cache = Field(settings.cache_path);
  if (!cache.empty()) CreateFolderTree(cache);
  std::wstring log = Field(settings.log_file);
  if (log.empty()) return;
  HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const char line[] = "stand-in browser runtime started\r\n";
  DWORD written = 0;
  WriteFile(file, line, sizeof(line) - 1, &written, nullptr);
  CloseHandle(file);
}

void LogSettings(const cef_settings_t& settings) {
  Log("settings size=" + std::to_string(settings.size) +
      " no_sandbox=" + std::to_string(settings.no_sandbox) +
      " single_process=" + std::to_string(settings.single_process) +
      " multi_threaded_message_loop=" + std::to_string(settings.multi_threaded_message_loop) +
      " windowless_rendering_enabled=" + std::to_string(settings.windowless_rendering_enabled));
  Log("settings cache_path=" + Utf8(Field(settings.cache_path)));
  Log("settings log_file=" + Utf8(Field(settings.log_file)));
  Log("settings browser_subprocess_path=" + Utf8(Field(settings.browser_subprocess_path)));
}

const char* ThreadName(cef_thread_id_t thread) {
  switch (thread) {
    case TID_UI: return "UI";
    case TID_IO: return "IO";
    case TID_FILE: return "FILE";
    case TID_RENDERER: return "RENDERER";
  }
  return "?";
}

}  // namespace

const char* cef_api_hash(int entry) {
  bool wrong = standin::CurrentOptions().wrong_version;
  Log("cef_api_hash " + std::to_string(entry) + (wrong ? " (another version)" : ""));
  return wrong ? kOtherApiHash : kApiHash;
}

void cef_enable_highdpi_support() { Log("cef_enable_highdpi_support"); }

int cef_execute_process(const cef_main_args_t* args, CefApp* application, void* sandbox) {
  // Every sub-process runs the helper: this is always the browser process.
  Log("cef_execute_process -> -1");
  return -1;
}

int cef_initialize(const cef_main_args_t* args, const cef_settings_t* settings,
                   CefApp* application, void* sandbox) {
  Log("cef_initialize");
  if (!settings || settings->size != sizeof(cef_settings_t)) {
    Log("cef_initialize: settings record of another size -> 0");
    return 0;
  }
  LogSettings(*settings);
  if (standin::CurrentOptions().fail_initialize || g_initialized) {
    Log(std::string("cef_initialize: ") + (g_initialized ? "already running" : "told to fail") +
        " -> 0");
    return 0;
  }
  g_application = application;
  if (g_application) {
    CefRefPtr<standin::CommandLine> command_line(new standin::CommandLine());
    g_application->OnBeforeCommandLineProcessing(CefString(), command_line);
    Log("OnBeforeCommandLineProcessing type= switches=" +
        Utf8(command_line->GetCommandLineString()));
    g_application->OnRegisterCustomSchemes(new standin::SchemeRegistrar());
    Log("OnRegisterCustomSchemes");
  }
  MakeRuntimeFiles(*settings);
  standin::StartThreads();
  g_initialized = true;
  CefRefPtr<CefBrowserProcessHandler> handler =
      g_application ? g_application->GetBrowserProcessHandler() : nullptr;
  Log(std::string("GetBrowserProcessHandler -> ") + (handler ? "handler" : "none"));
  if (handler) {
    standin::PostToUi([handler] {
      Log("OnContextInitialized");
      handler->OnContextInitialized();
    });
  }
  Log("cef_initialize -> 1");
  return 1;
}

void cef_shutdown() {
  Log("cef_shutdown");
  if (!g_initialized) {
    Log("cef_shutdown: not running");
    return;
  }
  standin::StopThreads([] {
    int open = standin::CloseAllBrowsers();
    if (open) Log("cef_shutdown: closed " + std::to_string(open) + " browsers still open");
  });
  g_application = nullptr;
  g_initialized = false;
  Log("cef_shutdown done");
}

int cef_post_task(cef_thread_id_t thread, CefTask* task) {
  CefRefPtr<CefTask> held(task);
  std::string name = ThreadName(thread);
  auto run = [held, name] {
    Log("task runs on " + name);
    held->Execute();
  };
  bool posted = false;
  if (thread == TID_UI) posted = standin::PostToUi(run);
  if (thread == TID_IO) posted = standin::PostToIo(run);
  Log("cef_post_task " + name + " -> " + std::to_string(posted));
  return posted;
}

int cef_currently_on(cef_thread_id_t thread) {
  bool on = (thread == TID_UI && standin::OnUiThread()) ||
            (thread == TID_IO && standin::OnIoThread());
  Log(std::string("cef_currently_on ") + ThreadName(thread) + " -> " + std::to_string(on));
  return on;
}

CefCookieManager* cef_cookie_manager_get_global_manager(CefCompletionCallback* callback) {
  Log("cef_cookie_manager_get_global_manager");
  auto* manager = new standin::CookieManager();
  manager->AddRef();
  if (callback) callback->OnComplete();
  return manager;
}

int cef_browser_host_create_browser(const CefWindowInfo* window_info, CefClient* client,
                                    const CefString* url, const CefBrowserSettings* settings) {
  Log("cef_browser_host_create_browser url=" + (url ? Utf8(*url) : std::string()));
  if (!window_info || !client || !settings) return 0;
  CefWindowInfo info = *window_info;
  CefRefPtr<CefClient> held(client);
  std::wstring address = url ? url->ToWString() : std::wstring();
  return standin::PostToUi([info, held, address] { standin::CreateBrowser(info, held, address); });
}

CefProcessMessage* cef_process_message_create(const CefString* name) {
  Log("cef_process_message_create " + (name ? Utf8(*name) : std::string()));
  auto* message = new standin::ProcessMessage(name ? *name : CefString());
  message->AddRef();
  return message;
}

void quorvel_standin_configure(const char* options) {
  Log(std::string("configure ") + (options ? options : "(options file)"));
  standin::SetOptions(options);
}

int quorvel_standin_raise(int browser_id, const char* event, const wchar_t* text, int number) {
  std::string name = event ? event : "";
  std::wstring argument = text ? text : L"";
  Log("raise " + name + " browser=" + std::to_string(browser_id));
  struct Result {
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool raised = false;
    ~Result() { CloseHandle(done); }
  };
  auto result = std::make_shared<Result>();
  if (!standin::PostToUi([result, browser_id, name, argument, number] {
        result->raised = standin::RaiseEvent(browser_id, name, argument, number);
        SetEvent(result->done);
      })) {
    return 0;
  }
  if (WaitForSingleObject(result->done, 10000) != WAIT_OBJECT_0) return 0;
  return result->raised;
}

int quorvel_standin_browser_count() { return standin::BrowserCount(); }

int cef_register_extension(const CefString* extension_name, const CefString* javascript_code,
                           CefV8Handler* handler) {
  Log("cef_register_extension " + (extension_name ? Utf8(*extension_name) : std::string()) +
      " code=" + std::to_string(javascript_code ? javascript_code->length() : 0) + " characters");
  std::lock_guard<std::mutex> hold(g_script_lock);
  g_extension_handler = handler;
  return 1;
}

CefV8Context* cef_v8context_get_current_context() {
  std::lock_guard<std::mutex> hold(g_script_lock);
  CefV8Context* context = g_current_context.get();
  if (context) context->AddRef();
  return context;
}

CefV8Value* cef_v8value_create_bool(int value) {
  auto* created = new standin::V8Value(value != 0);
  created->AddRef();
  return created;
}

CefV8Value* cef_v8value_create_string(const CefString* value) {
  auto* created = new standin::V8Value(value ? *value : CefString());
  created->AddRef();
  return created;
}

void quorvel_standin_set_current_context(CefV8Context* context) {
  std::lock_guard<std::mutex> hold(g_script_lock);
  g_current_context = context;
}

CefV8Handler* quorvel_standin_extension_handler() {
  std::lock_guard<std::mutex> hold(g_script_lock);
  CefV8Handler* handler = g_extension_handler.get();
  if (handler) handler->AddRef();
  return handler;
}
