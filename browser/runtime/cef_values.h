// The runtime's objects the launcher is handed or asks for: browsers, their
// hosts and frames, process messages and their argument lists, requests,
// menus, downloads, page nodes and script contexts, and the callbacks that
// continue a question answered later. All are made by the runtime (or by a
// test standing in for it) and reference counted.
#ifndef BROWSER_RUNTIME_CEF_VALUES_H_
#define BROWSER_RUNTIME_CEF_VALUES_H_

#include <cstdint>
#include <vector>

#include "browser/runtime/cef_base.h"
#include "browser/runtime/cef_types.h"

class CefBrowser;
class CefBrowserHost;
class CefClient;
class CefFrame;

// Positional arguments of a process message.
class CefListValue : public virtual CefBase {
 public:
  virtual size_t GetSize() = 0;
  virtual bool GetBool(size_t index) = 0;
  virtual int GetInt(size_t index) = 0;
  virtual CefString GetString(size_t index) = 0;
  virtual bool SetBool(size_t index, bool value) = 0;
  virtual bool SetInt(size_t index, int value) = 0;
  virtual bool SetString(size_t index, const CefString& value) = 0;
};

// A named message between the browser process and a render process.
class CefProcessMessage : public virtual CefBase {
 public:
  // Made by the runtime; null when it is not loaded.
  static CefRefPtr<CefProcessMessage> Create(const CefString& name);

  virtual CefString GetName() = 0;
  virtual CefRefPtr<CefListValue> GetArgumentList() = 0;
};

class CefRequest : public virtual CefBase {
 public:
  virtual CefString GetURL() = 0;
  virtual CefString GetMethod() = 0;
};

class CefV8Value;
using CefV8ValueList = std::vector<CefRefPtr<CefV8Value>>;

// A page script context (render process, its script thread).
class CefV8Context : public virtual CefBase {
 public:
  // The context whose script is running now; null outside script.
  static CefRefPtr<CefV8Context> GetCurrentContext();

  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual CefRefPtr<CefFrame> GetFrame() = 0;
  virtual CefRefPtr<CefV8Value> GetGlobal() = 0;
  virtual bool Enter() = 0;
  virtual bool Exit() = 0;
  virtual bool IsSame(CefRefPtr<CefV8Context> other) = 0;
};

// A script value (render process, its script thread).
class CefV8Value : public virtual CefBase {
 public:
  // Null without the runtime.
  static CefRefPtr<CefV8Value> CreateBool(bool value);
  static CefRefPtr<CefV8Value> CreateString(const CefString& value);

  virtual bool IsBool() = 0;
  virtual bool IsString() = 0;
  virtual bool IsObject() = 0;
  virtual bool IsFunction() = 0;
  virtual bool GetBoolValue() = 0;
  virtual CefString GetStringValue() = 0;
  // A member of an object; null when there is none.
  virtual CefRefPtr<CefV8Value> GetValue(const CefString& key) = 0;
  // Calls a function with `object` as receiver (null: none); null when it threw.
  virtual CefRefPtr<CefV8Value> ExecuteFunction(CefRefPtr<CefV8Value> object,
                                                const CefV8ValueList& arguments) = 0;
};

// Serves the native functions of a script extension.
class CefV8Handler : public virtual CefBase {
 public:
  // True when handled; `exception` set throws it in the page.
  virtual bool Execute(const CefString& name, CefRefPtr<CefV8Value> object,
                       const CefV8ValueList& arguments, CefRefPtr<CefV8Value>& retval,
                       CefString& exception) = 0;
};

class CefFrame : public virtual CefBase {
 public:
  virtual void LoadURL(const CefString& url) = 0;
  virtual CefString GetURL() = 0;
  virtual bool IsMain() = 0;
  virtual int64_t GetIdentifier() = 0;
  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  // Render process only.
  virtual CefRefPtr<CefV8Context> GetV8Context() = 0;
};

class CefBrowser : public virtual CefBase {
 public:
  virtual CefRefPtr<CefBrowserHost> GetHost() = 0;
  virtual int GetIdentifier() = 0;
  virtual bool IsSame(CefRefPtr<CefBrowser> other) = 0;
  virtual void Reload() = 0;
  virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
  // Null when the browser has no frame of that identifier.
  virtual CefRefPtr<CefFrame> GetFrame(int64_t identifier) = 0;
  virtual bool SendProcessMessage(cef_process_id_t target, CefRefPtr<CefProcessMessage> message) = 0;
};

// The browser process's side of a browser.
class CefBrowserHost : public virtual CefBase {
 public:
  // Asks the runtime for a browser; it reports the browser through the
  // client's life-span handler on its UI thread. False when the runtime is
  // not loaded or refuses.
  static bool CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                            const CefString& url, const CefBrowserSettings& settings);

  virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
  virtual CefRefPtr<CefClient> GetClient() = 0;
  virtual void CloseBrowser(bool force_close) = 0;
  virtual void SetFocus(bool focus) = 0;
  virtual HWND GetWindowHandle() = 0;
  virtual void ShowDevTools(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                            const CefBrowserSettings& settings, const POINT& inspect_at) = 0;
  virtual void CloseDevTools() = 0;
  // Off-screen browsers.
  virtual void WasResized() = 0;
  virtual void WasHidden(bool hidden) = 0;
  virtual void Invalidate(cef_paint_element_type_t type) = 0;
  virtual void SendKeyEvent(const CefKeyEvent& event) = 0;
  virtual void SendMouseClickEvent(const CefMouseEvent& event, cef_mouse_button_type_t type,
                                   bool mouse_up, int click_count) = 0;
  virtual void SendMouseMoveEvent(const CefMouseEvent& event, bool mouse_leave) = 0;
  virtual void SendMouseWheelEvent(const CefMouseEvent& event, int delta_x, int delta_y) = 0;
  virtual void SendCaptureLostEvent() = 0;
};

// A page element (render process).
class CefDOMNode : public virtual CefBase {
 public:
  virtual bool IsEditable() = 0;
};

class CefContextMenuParams : public virtual CefBase {
 public:
  virtual int GetXCoord() = 0;
  virtual int GetYCoord() = 0;
};

class CefMenuModel : public virtual CefBase {
 public:
  virtual int GetCount() = 0;
  virtual bool Clear() = 0;
};

class CefDownloadItem : public virtual CefBase {
 public:
  virtual CefString GetURL() = 0;
  virtual bool IsComplete() = 0;
};

// Continue or cancel a question answered later.
class CefRequestCallback : public virtual CefBase {
 public:
  virtual void Continue(bool allow) = 0;
  virtual void Cancel() = 0;
};

class CefBeforeDownloadCallback : public virtual CefBase {
 public:
  virtual void Continue(const CefString& download_path, bool show_dialog) = 0;
};

class CefDownloadItemCallback : public virtual CefBase {
 public:
  virtual void Cancel() = 0;
};

class CefFileDialogCallback : public virtual CefBase {
 public:
  virtual void Continue(int selected_accept_filter, const std::vector<CefString>& file_paths) = 0;
  virtual void Cancel() = 0;
};

class CefJSDialogCallback : public virtual CefBase {
 public:
  virtual void Continue(bool success, const CefString& user_input) = 0;
};

// Work queued on a runtime thread.
class CefTask : public virtual CefBase {
 public:
  virtual void Execute() = 0;
};

class CefCompletionCallback : public virtual CefBase {
 public:
  virtual void OnComplete() = 0;
};

class CefCookieManager : public virtual CefBase {
 public:
  // Null without the runtime.
  static CefRefPtr<CefCookieManager> GetGlobalManager(CefRefPtr<CefCompletionCallback> callback);

  // The schemes whose cookies are kept.
  virtual void SetSupportedSchemes(const std::vector<CefString>& schemes,
                                   CefRefPtr<CefCompletionCallback> callback) = 0;
};

#endif  // BROWSER_RUNTIME_CEF_VALUES_H_
