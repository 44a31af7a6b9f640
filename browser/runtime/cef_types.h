// Values exchanged with the browser runtime: its string type, the start-up
// records (main arguments and settings), window and browser settings, input
// events and the enumerations the handlers receive.
#ifndef BROWSER_RUNTIME_CEF_TYPES_H_
#define BROWSER_RUNTIME_CEF_TYPES_H_

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A UTF-16 string owned by a C record. `dtor` frees `str` in the module that
// allocated it; a zero-filled record is the empty string.
struct cef_string_t {
  wchar_t* str;
  size_t length;
  void (*dtor)(wchar_t* str);
};

// Sets `target` to a copy of `length` characters of `text`, freeing what it held.
void cef_string_set(cef_string_t* target, const wchar_t* text, size_t length);
// Frees what `target` holds and leaves it empty.
void cef_string_clear(cef_string_t* target);

// The runtime's string in the launcher's hands: UTF-16 text that converts to
// and from UTF-8.
class CefString {
 public:
  CefString() = default;
  CefString(const wchar_t* text) : text_(text ? text : L"") {}
  CefString(std::wstring text) : text_(std::move(text)) {}
  CefString(const char* utf8) { FromString(utf8 ? utf8 : ""); }
  CefString(const std::string& utf8) { FromString(utf8); }
  CefString(const cef_string_t& record) : text_(record.str ? std::wstring(record.str, record.length) : L"") {}

  const std::wstring& ToWString() const { return text_; }
  std::string ToString() const;  // UTF-8
  void FromString(const std::string& utf8);
  const wchar_t* c_str() const { return text_.c_str(); }
  size_t length() const { return text_.size(); }
  bool empty() const { return text_.empty(); }

  bool operator==(const CefString& other) const { return text_ == other.text_; }
  bool operator!=(const CefString& other) const { return text_ != other.text_; }
  bool operator<(const CefString& other) const { return text_ < other.text_; }

 private:
  std::wstring text_;
};

// The executable's instance, given to start-up.
struct cef_main_args_t {
  HINSTANCE instance;
};
struct CefMainArgs : cef_main_args_t {
  explicit CefMainArgs(HINSTANCE module) : cef_main_args_t{module} {}
};

// The runtime's settings record. The launcher passes it zero-filled with
// `size` set; fields it leaves zero keep the runtime's defaults. The reserved
// tail keeps the record at the size the runtime checks.
struct cef_settings_t {
  size_t size;
  int single_process;
  int no_sandbox;
  cef_string_t browser_subprocess_path;
  int multi_threaded_message_loop;
  int windowless_rendering_enabled;
  int command_line_args_disabled;
  int persist_session_cookies;
  cef_string_t cache_path;
  cef_string_t user_agent;
  cef_string_t product_version;
  cef_string_t locale;
  cef_string_t log_file;
  int log_severity;
  int remote_debugging_port;
  cef_string_t resources_dir_path;
  cef_string_t locales_dir_path;
  int pack_loading_disabled;
  int uncaught_exception_stack_size;
  int ignore_certificate_errors;
  uint32_t background_color;
  cef_string_t accept_language_list;
  char reserved[336 - 272];
};
static_assert(sizeof(cef_settings_t) == 336, "the runtime checks the settings record's size");

// Owns the strings set into it; starts zero-filled with its size set.
struct CefSettings : cef_settings_t {
  CefSettings() : cef_settings_t() { size = sizeof(cef_settings_t); }
  ~CefSettings();
  CefSettings(const CefSettings&) = delete;
  CefSettings& operator=(const CefSettings&) = delete;

  static void Set(cef_string_t* field, const std::wstring& value) {
    cef_string_set(field, value.c_str(), value.size());
  }
};

enum cef_thread_id_t {
  TID_UI = 0,
  TID_FILE = 1,
  TID_IO = 2,
  TID_RENDERER = 3,
};

enum cef_process_id_t {
  PID_BROWSER = 0,
  PID_RENDERER = 1,
};

struct CefRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  CefRect() = default;
  CefRect(int x_, int y_, int width_, int height_) : x(x_), y(y_), width(width_), height(height_) {}
  bool operator==(const CefRect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
};
using RectList = std::vector<CefRect>;

enum cef_paint_element_type_t {
  PET_VIEW = 0,
  PET_POPUP = 1,
};

// Network error codes a load error carries (negative; 0 is none).
enum cef_errorcode_t {
  ERR_NONE = 0,
  ERR_FAILED = -2,
  ERR_ABORTED = -3,
  ERR_TIMED_OUT = -7,
  ERR_CONNECTION_REFUSED = -102,
  ERR_NAME_NOT_RESOLVED = -105,
  ERR_INTERNET_DISCONNECTED = -106,
};

enum cef_termination_status_t {
  TS_ABNORMAL_TERMINATION = 0,
  TS_PROCESS_WAS_KILLED = 1,
  TS_PROCESS_CRASHED = 2,
};

enum cef_return_value_t {
  RV_CANCEL = 0,
  RV_CONTINUE = 1,
  RV_CONTINUE_ASYNC = 2,
};

enum cef_window_open_disposition_t {
  WOD_UNKNOWN = 0,
  WOD_CURRENT_TAB = 1,
  WOD_NEW_FOREGROUND_TAB = 3,
  WOD_NEW_BACKGROUND_TAB = 4,
  WOD_NEW_POPUP = 5,
  WOD_NEW_WINDOW = 6,
};

enum cef_file_dialog_mode_t {
  FILE_DIALOG_OPEN = 0,
  FILE_DIALOG_OPEN_MULTIPLE = 1,
  FILE_DIALOG_OPEN_FOLDER = 2,
  FILE_DIALOG_SAVE = 3,
};

enum cef_jsdialog_type_t {
  JSDIALOGTYPE_ALERT = 0,
  JSDIALOGTYPE_CONFIRM = 1,
  JSDIALOGTYPE_PROMPT = 2,
};

enum cef_cursor_type_t {
  CT_POINTER = 0,
  CT_CROSS = 1,
  CT_HAND = 2,
  CT_IBEAM = 3,
};

struct CefCursorInfo {
  POINT hotspot = {};
  float image_scale_factor = 1.0f;
  void* buffer = nullptr;
  SIZE size = {};
};

enum cef_event_flags_t {
  EVENTFLAG_NONE = 0,
  EVENTFLAG_CAPS_LOCK_ON = 1 << 0,
  EVENTFLAG_SHIFT_DOWN = 1 << 1,
  EVENTFLAG_CONTROL_DOWN = 1 << 2,
  EVENTFLAG_ALT_DOWN = 1 << 3,
  EVENTFLAG_LEFT_MOUSE_BUTTON = 1 << 4,
  EVENTFLAG_MIDDLE_MOUSE_BUTTON = 1 << 5,
  EVENTFLAG_RIGHT_MOUSE_BUTTON = 1 << 6,
  EVENTFLAG_NUM_LOCK_ON = 1 << 8,
  EVENTFLAG_IS_KEY_PAD = 1 << 9,
  EVENTFLAG_IS_LEFT = 1 << 10,
  EVENTFLAG_IS_RIGHT = 1 << 11,
};

enum cef_key_event_type_t {
  KEYEVENT_RAWKEYDOWN = 0,
  KEYEVENT_KEYDOWN = 1,
  KEYEVENT_KEYUP = 2,
  KEYEVENT_CHAR = 3,
};

struct CefKeyEvent {
  cef_key_event_type_t type = KEYEVENT_RAWKEYDOWN;
  uint32_t modifiers = 0;
  int windows_key_code = 0;
  int native_key_code = 0;
  int is_system_key = 0;
  wchar_t character = 0;
  wchar_t unmodified_character = 0;
};

enum cef_mouse_button_type_t {
  MBT_LEFT = 0,
  MBT_MIDDLE = 1,
  MBT_RIGHT = 2,
};

struct CefMouseEvent {
  int x = 0;
  int y = 0;
  uint32_t modifiers = 0;
};

// How a browser is shown: a child window of `parent_window`, a pop-up
// window, or windowless (painted by the launcher through the render handler).
struct CefWindowInfo {
  DWORD ex_style = 0;
  std::wstring window_name;
  DWORD style = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  HWND parent_window = nullptr;
  HMENU menu = nullptr;
  bool windowless_rendering_enabled = false;
  bool transparent_painting_enabled = false;

  void SetAsChild(HWND parent, RECT rect) {
    style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VISIBLE;
    parent_window = parent;
    x = rect.left;
    y = rect.top;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
  }
  void SetAsPopup(HWND parent, const std::wstring& name) {
    style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
    parent_window = parent;
    x = y = width = height = CW_USEDEFAULT;
    window_name = name;
  }
  void SetAsWindowless(HWND parent, bool transparent) {
    windowless_rendering_enabled = true;
    parent_window = parent;
    transparent_painting_enabled = transparent;
  }
};

// Per-browser settings; the launcher uses the defaults throughout.
struct CefBrowserSettings {
  size_t size = sizeof(CefBrowserSettings);
  int windowless_frame_rate = 0;
};

struct CefPopupFeatures {
  int x = 0;
  int x_set = 0;
  int y = 0;
  int y_set = 0;
  int width = 0;
  int width_set = 0;
  int height = 0;
  int height_set = 0;
};

#endif  // BROWSER_RUNTIME_CEF_TYPES_H_
