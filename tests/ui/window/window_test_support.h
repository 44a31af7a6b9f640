// What the window tests share: a skinned window built from markup text, a
// clickable control (the framework's buttons live elsewhere), controls that
// draw with GDI and with a nine-grid image, message pumping and paints on
// demand, and a timer manager whose clock the test moves.
//
// Windows are driven by injected messages only: the X pointer and keyboard
// of the shared display are never touched.
#ifndef TESTS_UI_WINDOW_WINDOW_TEST_SUPPORT_H_
#define TESTS_UI_WINDOW_WINDOW_TEST_SUPPORT_H_

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/animation/fake_timing.h"
#include "ui/core/box.h"
#include "ui/core/window_impl_base.h"
#include "ui/render/render_context.h"

namespace ui_test {

// Raises a click when released over itself, as a button does.
class ClickControl : public ui::Control {
 public:
  void Activate() override { SendEventArgs(ui::kEventClick); }
};

// Writes a line of text with GDI (which leaves alpha 0) inside its rect.
class GdiTextControl : public ui::Control {
 public:
  void Paint(ui::IRenderContext* render, const ui::UiRect& paint_rect) override;
  ui::UiRect text_rect;  // where the ink may go, set by Paint
};

// Draws a 16 x 16 image with 4-pixel corners over its whole rect: red
// corners, green edges, blue middle.
class NineGridControl : public ui::Control {
 public:
  NineGridControl();
  ~NineGridControl() override;
  void Paint(ui::IRenderContext* render, const ui::UiRect& paint_rect) override;

 private:
  Gdiplus::GpImage* image_;
};

// A window whose skin is markup text; it records the messages the test
// asks about and tells when it is gone.
class TestWindow : public ui::WindowImplBase {
 public:
  // skin: a complete "<Window ...>...</Window>" text.
  explicit TestWindow(std::wstring skin);

  std::wstring GetWindowClassName() const override { return L"QuorvelTestWindow"; }
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override { return skin_; }
  ui::Control* CreateControl(const std::wstring& name) override;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
  // Esc closes, as the launcher's dialogs do.
  LRESULT OnKeyDown(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) override;
  LRESULT OnClose(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) override;

  // Creates the layered native window (hidden); null on failure.
  HWND Open(HWND owner = nullptr);
  // Shows it without activation and paints it whole. A shown window keeps
  // an update region (a hidden one has none), but its destruction costs
  // Wine two seconds without a window manager.
  void Show();

  std::vector<UINT> watched;   // messages to count
  std::vector<UINT> received;  // the watched ones, in order
  std::vector<WPARAM> syscommands;  // every WM_SYSCOMMAND's command
  bool* gone = nullptr;        // set true by the destructor
  UINT* closed_with = nullptr;  // gets the wParam of each WM_CLOSE
  bool refuse_close = false;

 protected:
  ~TestWindow() override;

 private:
  std::wstring skin_;
};

// Dispatches what is queued for this thread, at most `limit` messages.
void Pump(int limit = 1000);
// Invalidates the whole client area and paints it now.
void PaintNow(HWND hwnd);
// Pumps until the predicate holds or `passes` rounds of pumping ran.
bool PumpUntil(const std::function<bool()>& done, int passes = 200);

LPARAM PointParam(int x, int y);
// The centre of a control's rectangle, as a message parameter.
LPARAM CentreOf(const ui::Control* control);

}  // namespace ui_test

#endif  // TESTS_UI_WINDOW_WINDOW_TEST_SUPPORT_H_
