// WindowImplBase: the base of every skinned window. On WM_CREATE it builds
// the window's content from its skin file (wrapped in the shadow box when
// the shadow is attached); it keeps the borderless-window policy (no system
// frame, hit testing from the skin's caption and size box, maximising onto
// the work area, DPI changes) and the system buttons "closebtn", "minbtn",
// "maxbtn" and "restorebtn"; a derived window overrides the message
// handlers it wants, one by one.
//
// A derived window supplies its class name, skin folder and skin file, and
// InitWindow for its own wiring. Ownership: made on the heap by whoever
// opens the window; it deletes itself after its native window is gone, and
// nobody else deletes it. UI thread only.
#ifndef UI_CORE_WINDOW_IMPL_BASE_H_
#define UI_CORE_WINDOW_IMPL_BASE_H_

#include <string>

#include "ui/core/window.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace ui {

class WindowImplBase : public Window, public IUIMessageFilter {
 public:
  WindowImplBase() = default;

  std::wstring GetWindowClassName() const override = 0;
  UINT GetClassStyle() const override { return CS_DBLCLKS; }
  // Clean-up, then the object deletes itself.
  void OnWindowDestroyed(HWND hwnd) override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  // Called once the skin is built and the root is set.
  virtual void InitWindow() {}
  // The native window's style without the caption bits.
  virtual LONG GetStyle();
  // Skin elements the framework does not know; null for none.
  virtual Control* CreateControl(const std::wstring& name) { return nullptr; }

  // Message handlers: `handled` arrives true; one that leaves it true
  // answers the message with its result.
  virtual LRESULT OnClose(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnDestroy(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcActivate(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcCalcSize(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnWindowPosChanging(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcPaint(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcLButtonDblClk(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnNcHitTest(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnGetMinMaxInfo(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseWheel(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseHover(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnDpiChanged(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSize(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnChar(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSysCommand(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnKeyDown(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnKillFocus(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnSetFocus(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnLButtonDown(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnLButtonUp(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  virtual LRESULT OnMouseMove(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);

  // Restores a minimised window, else shows it and brings it forward.
  virtual void ActivateWindow();
  virtual void SetTitle(const std::wstring& title);
  virtual std::wstring GetSkinFolder() = 0;
  virtual std::wstring GetSkinFile() = 0;

  // IUIMessageFilter: answers 0 and leaves `handled` alone.
  LRESULT FilterMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

  // The click handler of the system buttons; always true.
  bool OnSystemButtonClick(EventArgs* args);

  // What shows the error of a skin that cannot be built: MessageBoxW, or a
  // test's stand-in (null restores MessageBoxW).
  using ErrorBox = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
  static void SetErrorBox(ErrorBox box) { error_box_ = box ? box : ::MessageBoxW; }

 protected:
  ~WindowImplBase() override = default;

 private:
  LRESULT OnCreate(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);
  LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam, bool& handled);
  // The message through the dispatcher, then the kept window procedure.
  LRESULT RouteOrDefault(UINT message, WPARAM wparam, LPARAM lparam);
  void SizeToAutoRoot();
  void AttachSystemButtons();

  static ErrorBox error_box_;
};

// Controls that keep the mouse where they lie inside a caption (a click on
// them is theirs, not a drag of the window): buttons and text input.
bool IsCaptionPassThrough(Control* control);

}  // namespace ui

#endif  // UI_CORE_WINDOW_IMPL_BASE_H_
