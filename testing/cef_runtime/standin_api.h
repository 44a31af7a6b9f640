// The test entries of the stand-in browser runtime (libcef.dll built here),
// beside the runtime's own exports. Tests look them up with GetProcAddress.
//
// Every call the runtime receives is logged, one line each, to "standin.log"
// beside the library. Options are read from "standin_options.txt" beside the
// library (words: "fail_initialize", "wrong_version", "still" for no frames
// but those of loads, resizes and invalidations) when start-up begins, or set
// by quorvel_standin_configure. Shown off-screen browsers otherwise paint a
// new frame four times a second once their page has loaded.
#ifndef TESTING_CEF_RUNTIME_STANDIN_API_H_
#define TESTING_CEF_RUNTIME_STANDIN_API_H_

#include "browser/runtime/cef_values.h"

extern "C" {

// Replaces the options with `options` (the words above, space separated);
// null goes back to the options file.
typedef void (*quorvel_standin_configure_fn)(const char* options);

// Raises `event` for the browser `browser_id` (-1: the newest) on the runtime
// thread that raises it in a real runtime, with `text` and `number` as the
// event's argument. 0 when there is no such browser or event. Events:
//   load <url>, load_error <url> <error code>, address <url>, title <text>,
//   popup <target url>, popup_show <0|1>, popup_size <width = height>,
//   cursor <type>, focus <editable 0|1>, call_cpp <function> <callback id>,
//   execute_cpp_callback <result> <native callback id>, render_terminated
//   <status>, context_menu, context_menu_command <id>, before_browse <url>,
//   protocol <url>, resource_load <url>, quota <bytes>, download <url>,
//   download_updated <url>, file_dialog <title>, js_dialog <text> <type>,
//   console <text>, geometry.
// Loading an address whose host begins with "unreachable" fails with
// ERR_NAME_NOT_RESOLVED.
typedef int (*quorvel_standin_raise_fn)(int browser_id, const char* event, const wchar_t* text,
                                        int number);

// Browsers alive now.
typedef int (*quorvel_standin_browser_count_fn)();

// The stand-in runs no script: a test playing a render process names the
// context that counts as current (null: none) ...
typedef void (*quorvel_standin_set_current_context_fn)(CefV8Context* context);
// ... and gets the handler of the extension registered last, with a
// reference for the caller (null when none).
typedef CefV8Handler* (*quorvel_standin_extension_handler_fn)();
}

// The colour (0x00RRGGBB) a stand-in browser paints for `url`.
inline unsigned QuorvelStandinColour(const wchar_t* url) {
  unsigned hash = 2166136261u;
  for (; url && *url; ++url) hash = (hash ^ static_cast<unsigned>(*url)) * 16777619u;
  // Kept light, so the black text stays readable.
  return (hash & 0x7f7f7fu) | 0x808080u;
}

#endif  // TESTING_CEF_RUNTIME_STANDIN_API_H_
