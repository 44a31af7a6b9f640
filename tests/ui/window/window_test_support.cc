#include "ui/window/window_test_support.h"

#include <windowsx.h>

#include "ui/render/render_test_support.h"

namespace ui_test {

void GdiTextControl::Paint(ui::IRenderContext* render, const ui::UiRect& paint_rect) {
  ui::Control::Paint(render, paint_rect);
  const ui::UiRect r = GetPos();
  text_rect = r;
  HDC dc = render->GetDC();
  HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ old = ::SelectObject(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(0, 0, 0));
  RECT box{r.left, r.top, r.right, r.bottom};
  ::DrawTextW(dc, L"Quorvel WWW", -1, &box, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  ::SelectObject(dc, old);
}

NineGridControl::NineGridControl()
    : image_(MakeImage(16, 16, [](int x, int y) -> uint32_t {
        const bool edge_x = x < 4 || x >= 12;
        const bool edge_y = y < 4 || y >= 12;
        if (edge_x && edge_y) return 0xFFFF0000;
        if (edge_x || edge_y) return 0xFF00FF00;
        return 0xFF0000FF;
      })) {}

NineGridControl::~NineGridControl() { DeleteImage(image_); }

void NineGridControl::Paint(ui::IRenderContext* render, const ui::UiRect& paint_rect) {
  render->DrawImageGdiPlus(paint_rect, image_, GetPos(), ui::UiRect{0, 0, 16, 16},
                           ui::UiRect{4, 4, 4, 4});
}

TestWindow::TestWindow(std::wstring skin) : skin_(std::move(skin)) {}

TestWindow::~TestWindow() {
  if (gone) *gone = true;
}

ui::Control* TestWindow::CreateControl(const std::wstring& name) {
  if (name == L"Click") return new ClickControl();
  if (name == L"GdiText") return new GdiTextControl();
  if (name == L"NineGrid") return new NineGridControl();
  return nullptr;
}

LRESULT TestWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  for (UINT m : watched) {
    if (m == message) received.push_back(message);
  }
  if (message == WM_SYSCOMMAND) syscommands.push_back(wparam);
  return ui::WindowImplBase::HandleMessage(message, wparam, lparam);
}

LRESULT TestWindow::OnKeyDown(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (wparam == VK_ESCAPE) {
    Close(IDCANCEL);
    return 0;
  }
  handled = false;
  return 0;
}

LRESULT TestWindow::OnClose(UINT msg, WPARAM wparam, LPARAM lparam, bool& handled) {
  if (closed_with) *closed_with = static_cast<UINT>(wparam);
  // A refusing window answers the message itself: nothing is destroyed.
  handled = refuse_close;
  return 0;
}

HWND TestWindow::Open(HWND owner) {
  return Create(owner, L"test window", WS_POPUP, 0, true);
}

void TestWindow::Show() {
  HWND hwnd = GetHWND();
  ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  // The display asks for a full repaint of a newly shown window with the
  // next messages: let it come and paint it, so that later repaints are
  // only what the test caused.
  PumpUntil([hwnd] {
    RECT update;
    return ::GetUpdateRect(hwnd, &update, FALSE) != FALSE;
  }, 100);
  PaintNow(hwnd);
  Pump();
}

void Pump(int limit) {
  MSG msg;
  for (int i = 0; i < limit && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void PaintNow(HWND hwnd) {
  ::InvalidateRect(hwnd, nullptr, FALSE);
  ::SendMessageW(hwnd, WM_PAINT, 0, 0);
}

bool PumpUntil(const std::function<bool()>& done, int passes) {
  for (int i = 0; i < passes; ++i) {
    if (done()) return true;
    Pump();
    ::Sleep(1);
  }
  return done();
}

LPARAM PointParam(int x, int y) { return MAKELPARAM(x, y); }

LPARAM CentreOf(const ui::Control* control) {
  const ui::UiRect r = control->GetPos();
  return PointParam((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

}  // namespace ui_test
