// The functions libcef.dll exports, one list for both sides: the launcher's
// loader looks each name up, and a runtime built here defines each with this
// signature. Objects cross as raw pointers: the callee adds the references it
// keeps; an object returned carries one reference for the caller.
#ifndef BROWSER_RUNTIME_CEF_EXPORTS_H_
#define BROWSER_RUNTIME_CEF_EXPORTS_H_

#include "browser/runtime/cef_app.h"
#include "browser/runtime/cef_client.h"
#include "browser/runtime/cef_types.h"
#include "browser/runtime/cef_values.h"

// X(result, name, parameters)
#define CEF_RUNTIME_EXPORTS(X)                                                                   \
  X(const char*, cef_api_hash, (int entry))                                                      \
  X(void, cef_enable_highdpi_support, ())                                                        \
  X(int, cef_execute_process, (const cef_main_args_t* args, CefApp* application, void* sandbox)) \
  X(int, cef_initialize,                                                                         \
    (const cef_main_args_t* args, const cef_settings_t* settings, CefApp* application,           \
     void* sandbox))                                                                             \
  X(void, cef_shutdown, ())                                                                      \
  X(int, cef_post_task, (cef_thread_id_t thread, CefTask* task))                                 \
  X(int, cef_currently_on, (cef_thread_id_t thread))                                             \
  X(CefCookieManager*, cef_cookie_manager_get_global_manager, (CefCompletionCallback* callback)) \
  X(int, cef_browser_host_create_browser,                                                        \
    (const CefWindowInfo* window_info, CefClient* client, const CefString* url,                  \
     const CefBrowserSettings* settings))                                                        \
  X(CefProcessMessage*, cef_process_message_create, (const CefString* name))                    \
  X(int, cef_register_extension,                                                                 \
    (const CefString* extension_name, const CefString* javascript_code, CefV8Handler* handler))  \
  X(CefV8Context*, cef_v8context_get_current_context, ())                                         \
  X(CefV8Value*, cef_v8value_create_bool, (int value))                                           \
  X(CefV8Value*, cef_v8value_create_string, (const CefString* value))

#endif  // BROWSER_RUNTIME_CEF_EXPORTS_H_
