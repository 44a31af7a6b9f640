// The stand-in runtime's browsers. Each lives on the runtime's UI thread:
// it loads an address by raising the load events in order (asking the
// request handler first, the resource question on the I/O thread), paints a
// frame with GDI into the size its render handler gives (a colour made from
// the address, the address itself and a frame counter) and raises any other
// event on request.
#ifndef TESTING_CEF_RUNTIME_STANDIN_BROWSER_H_
#define TESTING_CEF_RUNTIME_STANDIN_BROWSER_H_

#include <string>

#include "browser/runtime/cef_client.h"
#include "browser/runtime/cef_types.h"

namespace standin {

// UI thread.
void CreateBrowser(const CefWindowInfo& window_info, CefRefPtr<CefClient> client,
                   const std::wstring& url);
// Closes every browser at once; how many were open.
int CloseAllBrowsers();
// Repaints the shown off-screen browsers (the frame timer).
void PaintAnimatedBrowsers();
// Raises `event` (see standin_api.h) for a browser: false when there is no
// such browser or event.
bool RaiseEvent(int browser_id, const std::string& event, const std::wstring& text, int number);

// Any thread.
int BrowserCount();

}  // namespace standin

#endif  // TESTING_CEF_RUNTIME_STANDIN_BROWSER_H_
