// CefManager: the process-wide state of the browser runtime: whether it
// started, which rendering mode browser controls use, how many browsers are
// alive; and the runtime's start-up and the wait for the last browser at the
// end. PrependCefFolderToPath prepares the environment before start-up.
//
// One instance, made on the first GetInstance and kept to process exit.
// Start-up runs on the process's main thread before thread 0 exists; later
// that thread is thread 0, the only one that reads or writes the fields.
#ifndef BROWSER_CEF_MANAGER_H_
#define BROWSER_CEF_MANAGER_H_

#include <cstdint>
#include <string>

#include "base/callback/weak_callback.h"
#include "browser/runtime/cef_types.h"

namespace comp {

class CefManager : public virtual base::SupportWeakCallback {
 public:
  static CefManager* GetInstance();

  // Starts the runtime with the cache-and-log folder `folder` (ending in a
  // separator) and the zero-filled `settings`. The runtime's result; false
  // also when the runtime is missing or of another version.
  bool Initialize(const std::wstring& folder, CefSettings& settings);
  // The launcher's settings, with the cache and the log inside `folder`
  // (made when missing).
  void FillSettings(const std::wstring& folder, CefSettings& settings);

  // Ends thread 0's message loop with `exit_code` once no browser is alive;
  // looks again every half second until then.
  void QuitWhenBrowsersClosed(int32_t exit_code);

  // Raised when a browser has been created, lowered when one has closed (by
  // the browser client, on thread 0).
  int32_t live_browser_count = 0;
  // Windowless rendering: browser controls paint the page themselves.
  bool offscreen_rendering = true;
  // The runtime started; cleared after its shut-down.
  bool initialized = false;

 private:
  CefManager() = default;
};

// When the folder "cef" lies beside the executable: puts it in front of PATH
// (the whole old value kept), points ComSpec at its "dummy_cmd.exe" and
// returns true. Otherwise changes nothing and returns false.
bool PrependCefFolderToPath();

}  // namespace comp

#endif  // BROWSER_CEF_MANAGER_H_
