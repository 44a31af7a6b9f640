// CefControl: the off-screen browser control the launcher uses. The browser
// runs windowless; its frames arrive through the client (copied into two
// memory bitmaps here, the page and its pop-up widget) and are drawn with
// the window's normal painting, so the page composes with the skinned UI
// like any other control. Having no window of its own, the browser gets the
// host window's mouse and key messages that concern it through this
// control's message filter.
//
// Made by the skin builder's callback (CreateBrowserControl) and owned by
// its box. Thread 0 only.
#ifndef BROWSER_CEF_CONTROL_H_
#define BROWSER_CEF_CONTROL_H_

#include <string>

#include "browser/cef_control_base.h"
#include "browser/memory_bitmap_dc.h"
#include "ui/core/window.h"

namespace comp {

class CefControl : public CefControlBase, public ui::IUIMessageFilter {
 public:
  CefControl();
  ~CefControl() override;

  // Set before the control is initialised: the browser paints with alpha.
  void SetTransparentPainting(bool transparent) { transparent_painting_ = transparent; }

  // ui::PlaceHolder / ui::Control
  using ui::Control::SetWindow;
  void SetWindow(ui::Window* window, ui::Box* parent, bool init) override;
  void Init() override;
  void SetPos(ui::UiRect rect) override;
  void SetFadeVisible(bool visible) override;
  void SetInnerVisible(bool visible) override;
  void SetVisible(bool visible) override;
  void Paint(ui::IRenderContext* render, const ui::UiRect& paint_rect) override;
  void HandleEvent(ui::EventArgs& args) override;

  // CefControlBase. `view` must be an initialised CefControl; the tools
  // paint into it. Always true.
  bool ShowDevTools(ui::Control* view) override;
  void CreateBrowser() override;

  // ui::IUIMessageFilter
  LRESULT FilterMessage(UINT message, WPARAM wparam, LPARAM lparam, bool& handled) override;

  // HandlerDelegate
  void OnPaint(CefRefPtr<CefBrowser> browser, cef_paint_element_type_t type,
               const RectList& dirty_rects, std::shared_ptr<PaintBuffer> pixels, int width,
               int height) override;
  void OnPopupShow(CefRefPtr<CefBrowser> browser, bool show) override;
  void OnPopupSize(CefRefPtr<CefBrowser> browser, const CefRect& rect) override;

 private:
  // Tells the browser it is hidden or shown.
  void TellHidden(bool hidden);
  // The filter's steps by kind of message.
  bool FilterMouse(UINT message, WPARAM wparam, LPARAM lparam, CefBrowserHost* host);
  bool FilterWheel(WPARAM wparam, LPARAM lparam, CefBrowserHost* host);
  bool FilterKey(UINT message, WPARAM wparam, LPARAM lparam, CefBrowserHost* host);
  // Copies the newest frame into `bitmap`, made again at its size.
  void CopyFrame(PaintBuffer* pixels, MemoryBitmapDC* bitmap);
  HDC ReferenceDC();

  MemoryBitmapDC view_bitmap_;
  MemoryBitmapDC popup_bitmap_;
  CefRect popup_rect_;
  bool transparent_painting_ = false;
};

// The skin builder's callback for browser elements: for "CefControl" a
// CefControl with transparent painting (a CefNativeControl when the runtime
// runs without off-screen rendering), null for every other name.
ui::Control* CreateBrowserControl(const std::wstring& name);

}  // namespace comp

#endif  // BROWSER_CEF_CONTROL_H_
