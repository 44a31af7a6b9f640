// CefNativeControl: the windowed browser control, for a runtime started
// without off-screen rendering. The browser runs in a child window of the
// host window laid over the control's rectangle; the runtime paints it and
// takes its input by itself. Hidden, the browser window shrinks to nothing
// (it is not hidden) until the control is placed again.
//
// Made by the skin builder's callback (CreateBrowserControl) and owned by
// its box. Thread 0 only.
#ifndef BROWSER_CEF_NATIVE_CONTROL_H_
#define BROWSER_CEF_NATIVE_CONTROL_H_

#include "browser/cef_control_base.h"

namespace comp {

class CefNativeControl : public CefControlBase {
 public:
  CefNativeControl();
  ~CefNativeControl() override;

  // The browser's window, null before the browser exists.
  HWND GetBrowserWindow() const;

  // ui::PlaceHolder / ui::Control
  using ui::Control::SetWindow;
  void SetWindow(ui::Window* window, ui::Box* parent, bool init) override;
  void Init() override;
  void SetPos(ui::UiRect rect) override;
  void SetFadeVisible(bool visible) override;
  void SetInnerVisible(bool visible) override;
  void HandleEvent(ui::EventArgs& args) override;

  // CefControlBase. The tools open in a pop-up window of their own; `view`
  // is not used. Always true.
  bool ShowDevTools(ui::Control* view) override;
  void CreateBrowser() override;

 private:
  // Shows the browser window, or shrinks it to 0 x 0.
  void ShowBrowserWindow(bool visible);
};

}  // namespace comp

#endif  // BROWSER_CEF_NATIVE_CONTROL_H_
