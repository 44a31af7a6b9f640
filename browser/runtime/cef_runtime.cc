#include "browser/runtime/cef_runtime.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "base/file/path_util.h"
#include "browser/runtime/cef_exports.h"

const char kCefApiHash[] = "64b27477b82b44b51ce817522f744fca6768cbbb";

namespace {

struct Entries {
#define CEF_ENTRY_POINTER(result, name, parameters) result(*name) parameters = nullptr;
  CEF_RUNTIME_EXPORTS(CEF_ENTRY_POINTER)
#undef CEF_ENTRY_POINTER
};

std::mutex g_load_lock;
std::atomic<const Entries*> g_entries{nullptr};

// The entries once the library is loaded, else null. A failed load is tried
// again on the next call: the folder may have appeared meanwhile. Once
// loaded, the library stays for the life of the process (its threads may
// outlive shut-down).
const Entries* LoadedEntries() {
  const Entries* entries = g_entries.load(std::memory_order_acquire);
  if (entries) return entries;
  std::lock_guard<std::mutex> hold(g_load_lock);
  entries = g_entries.load(std::memory_order_acquire);
  if (entries) return entries;
  // The library's own dependencies are looked for in its folder.
  HMODULE module = LoadLibraryExW(CefRuntimeLibraryPath().c_str(), nullptr,
                                  LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return nullptr;
  auto* loaded = new Entries();
#define CEF_ENTRY_LOOKUP(result, name, parameters) \
  loaded->name = reinterpret_cast<result(*) parameters>(     \
      reinterpret_cast<void*>(GetProcAddress(module, #name)));
  CEF_RUNTIME_EXPORTS(CEF_ENTRY_LOOKUP)
#undef CEF_ENTRY_LOOKUP
  g_entries.store(loaded, std::memory_order_release);
  return loaded;
}

// The entry `member` of the loaded library, or null.
template <typename Pointer>
Pointer Entry(Pointer Entries::*member) {
  const Entries* entries = LoadedEntries();
  return entries ? entries->*member : nullptr;
}

// Whether the library speaks this launcher's API version.
bool ApiHashMatches() {
  auto api_hash = Entry(&Entries::cef_api_hash);
  const char* hash = api_hash ? api_hash(0) : nullptr;
  return hash && std::strcmp(hash, kCefApiHash) == 0;
}

}  // namespace

std::wstring CefRuntimeLibraryPath() { return base::GetModuleDirectory() + L"cef\\libcef.dll"; }

bool CefRuntimeLoaded() { return LoadedEntries() != nullptr; }

int CefExecuteProcess(const CefMainArgs& args, CefRefPtr<CefApp> application,
                      void* windows_sandbox_info) {
  auto execute = Entry(&Entries::cef_execute_process);
  if (!execute || !ApiHashMatches()) return 0;
  return execute(&args, application.get(), windows_sandbox_info);
}

bool CefInitialize(const CefMainArgs& args, const CefSettings& settings,
                   CefRefPtr<CefApp> application, void* windows_sandbox_info) {
  auto initialize = Entry(&Entries::cef_initialize);
  if (!initialize || !ApiHashMatches()) return false;
  return initialize(&args, &settings, application.get(), windows_sandbox_info) != 0;
}

void cef_shutdown() {
  if (auto shutdown = Entry(&Entries::cef_shutdown)) shutdown();
}

void cef_enable_highdpi_support() {
  if (auto enable = Entry(&Entries::cef_enable_highdpi_support)) enable();
}

bool CefPostTask(cef_thread_id_t thread, CefRefPtr<CefTask> task) {
  auto post = Entry(&Entries::cef_post_task);
  return post && task && post(thread, task.get()) != 0;
}

bool CefCurrentlyOn(cef_thread_id_t thread) {
  auto currently_on = Entry(&Entries::cef_currently_on);
  return currently_on && currently_on(thread) != 0;
}

CefRefPtr<CefCookieManager> CefCookieManager::GetGlobalManager(
    CefRefPtr<CefCompletionCallback> callback) {
  auto get = Entry(&Entries::cef_cookie_manager_get_global_manager);
  return get ? CefRefPtr<CefCookieManager>::Adopt(get(callback.get())) : nullptr;
}

bool CefBrowserHost::CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                                   const CefString& url, const CefBrowserSettings& settings) {
  auto create = Entry(&Entries::cef_browser_host_create_browser);
  return create && create(&window_info, client.get(), &url, &settings) != 0;
}

CefRefPtr<CefProcessMessage> CefProcessMessage::Create(const CefString& name) {
  auto create = Entry(&Entries::cef_process_message_create);
  return create ? CefRefPtr<CefProcessMessage>::Adopt(create(&name)) : nullptr;
}

bool CefRegisterExtension(const CefString& extension_name, const CefString& javascript_code,
                          CefRefPtr<CefV8Handler> handler) {
  auto register_extension = Entry(&Entries::cef_register_extension);
  return register_extension &&
         register_extension(&extension_name, &javascript_code, handler.get()) != 0;
}

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  auto current = Entry(&Entries::cef_v8context_get_current_context);
  return current ? CefRefPtr<CefV8Context>::Adopt(current()) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateBool(bool value) {
  auto create = Entry(&Entries::cef_v8value_create_bool);
  return create ? CefRefPtr<CefV8Value>::Adopt(create(value ? 1 : 0)) : nullptr;
}

CefRefPtr<CefV8Value> CefV8Value::CreateString(const CefString& value) {
  auto create = Entry(&Entries::cef_v8value_create_string);
  return create ? CefRefPtr<CefV8Value>::Adopt(create(&value)) : nullptr;
}
