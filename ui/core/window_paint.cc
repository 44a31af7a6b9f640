// ui::Window: painting (layout on the first paint, the tree drawn into the
// render context, the alpha that GDI left at 0 repaired, the surface put on
// screen), the shadow on maximise, focus and Tab, tooltips, fades, close,
// show and centring.
#include <algorithm>
#include <vector>

#include "ui/animation/animation_player.h"
#include "ui/animation/timer_manager.h"
#include "ui/core/box.h"
#include "ui/core/control.h"
#include "ui/core/window.h"
#include "ui/layout/layout.h"
#include "ui/render/auto_clip.h"
#include "ui/render/dpi_scale.h"
#include "ui/render/render_context.h"

namespace ui {

namespace {

constexpr UINT kTooltipDelayMillis = 200;
constexpr UINT kCloseDelayMillis = 300;
constexpr UiSize kRestoredRound = {3, 3};
constexpr int kAutoSizeLimit = 99999;

Control* NeedsArrangeProc(Control* control, void* data) {
  return control->NeedsArrange() ? control : nullptr;
}

struct TabWalk {
  std::vector<Control*> order;  // every control met, in walk order
};

Control* TabWalkProc(Control* control, void* data) {
  static_cast<TabWalk*>(data)->order.push_back(control);
  return nullptr;
}

UiRect ToUiRect(const RECT& r) { return UiRect{r.left, r.top, r.right, r.bottom}; }

// The size an auto-sized root asks for, clamped by its own limits.
UiSize AutoRootSize(Control* root) {
  UiSize size = root->EstimateSize(UiSize{kAutoSizeLimit, kAutoSizeLimit});
  size.cx = std::max(size.cx, root->GetMinWidth());
  if (root->GetMaxWidth() >= 0) size.cx = std::min(size.cx, root->GetMaxWidth());
  size.cy = std::max(size.cy, root->GetMinHeight());
  size.cy = std::min(size.cy, root->GetMaxHeight());
  return size;
}

}  // namespace

TimerManager* Window::Timers() { return timers_ ? timers_ : TimerManager::Instance(); }

// ---- Painting ----------------------------------------------------------------------

void Window::Paint() {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  PAINTSTRUCT ps;
  if (::IsIconic(hwnd_) || !root_) {
    ::BeginPaint(hwnd_, &ps);
    ::EndPaint(hwnd_, &ps);
    return;
  }
  if (layout_pending_ && root_->NeedsArrange() && root_->IsAutoSized()) {
    const UiSize size = AutoRootSize(root_);
    RECT window;
    ::GetWindowRect(hwnd_, &window);
    ::MoveWindow(hwnd_, window.left, window.top, size.cx, size.cy, TRUE);
  }

  // Wine reports an empty paint rectangle on layered windows: the update
  // rectangle is read before BeginPaint validates it.
  RECT update_rect = {};
  ::GetUpdateRect(hwnd_, &update_rect, FALSE);
  if (::IsRectEmpty(&update_rect) && !first_paint_pending_) return;
  UiRect update = ToUiRect(update_rect);

  RECT client, window;
  ::GetClientRect(hwnd_, &client);
  ::GetWindowRect(hwnd_, &window);
  // A first paint of a new root covers everything, asked for or not.
  if (update.IsEmpty()) update = ToUiRect(client);
  if (!render_) render_ = MakeRenderContext();
  if (layered_) {
    // A window dragged back from beyond the virtual screen repaints the
    // strip that was hidden.
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int right = left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int bottom = top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (window.left < left && window.left + update.left == left) update.left = client.left;
    if (window.top < top && window.top + update.top == top) update.top = client.top;
    if (window.right > right && window.left + update.right == right) update.right = client.right;
    if (window.bottom > bottom && window.top + update.bottom == bottom)
      update.bottom = client.bottom;
  }

  ::BeginPaint(hwnd_, &ps);
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  if (layout_pending_) {
    layout_pending_ = false;
    if (!::IsRectEmpty(&client)) {
      ArrangeTree(client);
      if (alive.expired()) return;
      if (first_paint_pending_) {
        first_paint_pending_ = false;
        ShowWithFadeIn();
      }
    }
  }
  if (!root_) {
    ::EndPaint(hwnd_, &ps);
    return;
  }

  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (render_->Resize(width, height, true)) {
    render_->SetTransparentMode(!shadow_.attached);
    update = ToUiRect(client);
  }
  if (layered_) render_->FillRectAlpha(update, 0);
  {
    AutoClip clip(render_.get(), update);
    const UiPoint origin = render_->OffsetWindowOrg(render_offset_);
    root_->Paint(render_.get(), update);
    root_->PaintChildren(render_.get(), update);
    render_->SetWindowOrg(origin);
    if (layered_) {
      RepairAlpha(update);
      POINT destination{window.left, window.top};
      SIZE size{width, height};
      POINT source{0, 0};
      BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(window_alpha_), AC_SRC_ALPHA};
      // Only the repainted part goes to the screen: a whole-surface update
      // costs Wine more than the paint itself.
      RECT dirty{update.left, update.top, update.right, update.bottom};
      UPDATELAYEREDWINDOWINFO info = {};
      info.cbSize = sizeof(info);
      info.pptDst = &destination;
      info.psize = &size;
      info.hdcSrc = render_->GetDC();
      info.pptSrc = &source;
      info.pblend = &blend;
      info.dwFlags = ULW_ALPHA;
      info.prcDirty = &dirty;
      if (!::UpdateLayeredWindowIndirect(hwnd_, &info)) {
        ::UpdateLayeredWindow(hwnd_, nullptr, &destination, &size, render_->GetDC(), &source, 0,
                              &blend, ULW_ALPHA);
      }
    } else {
      ::BitBlt(ps.hdc, update.left, update.top, update.Width(), update.Height(),
               render_->GetDC(), update.left, update.top, SRCCOPY);
    }
    ::EndPaint(hwnd_, &ps);
  }
}

void Window::ArrangeTree(const RECT& client) {
  if (root_->NeedsArrange()) {
    root_->SetPos(ToUiRect(client));
    return;
  }
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  Control* last = nullptr;
  while (root_ && !alive.expired()) {
    Control* control =
        root_->FindControl(NeedsArrangeProc, nullptr, kFindVisible | kFindMeFirst);
    // A control still asking after its own arrangement would hold the
    // paint here for ever.
    if (!control || control == last) break;
    last = control;
    control->SetPos(control->GetPos());
  }
}

void Window::RepairAlpha(const UiRect& update) {
  const Box* box = dynamic_cast<const Box*>(root_);
  const UiRect content = box ? box->GetContentRect() : root_->GetPos();
  const UiRect none{0, 0, 0, 0};
  if (shadow_.attached && render_offset_.x == 0 && render_offset_.y == 0) {
    UiRect inset = box ? box->GetLayout()->GetPadding() : none;
    inset = UiRect{inset.left + 1, inset.top + 1, inset.right + 1, inset.bottom + 1};
    render_->RepairAlpha(UiRect::Intersect(update, content), inset, 0);
    return;
  }
  const UiRect& fix = alpha_fix_corner_;
  if (fix.left > 0 || fix.top > 0 || fix.right > 0 || fix.bottom > 0) {
    const UiRect inner{content.left + fix.left, content.top + fix.top, content.right - fix.right,
                       content.bottom - fix.bottom};
    render_->RepairAlpha(UiRect::Intersect(update, inner), none, 0);
    return;
  }
  if (content_size_.cx >= 1 && content_size_.cy >= 1) {
    RECT window;
    ::GetWindowRect(hwnd_, &window);
    const UiRect p = shadow_.attached ? shadow_.padding : none;
    const int inner_width = (window.right - window.left) - p.left - p.right;
    const int inner_height = (window.bottom - window.top) - p.top - p.bottom;
    const int hw = (inner_width - p.left - p.right) / 2;
    const int hh = (inner_height - p.top - p.bottom) / 2;
    const int cx = content_size_.cx / 2, cy = content_size_.cy / 2;
    const UiRect centre{edging_.left + hw - cx, edging_.top + hh - cy, hw + cx - edging_.right,
                        hh + cy - edging_.bottom};
    render_->RepairAlpha(centre, none, 0);
  }
}

void Window::OnShadowSize(WPARAM size_type) {
  if (!shadow_.attached || !shadow_.box) return;
  if (size_type == SIZE_MAXIMIZED) {
    shadow_.ApplyPadding(UiRect{0, 0, 0, 0}, UiSize{0, 0});
  } else if (size_type == SIZE_RESTORED) {
    shadow_.ApplyPadding(shadow_.saved_padding, kRestoredRound);
  }
}

// ---- Focus and Tab -------------------------------------------------------------------

void Window::SetFocusControl(Control* control) {
  CHECK_CALLED_ON_VALID_THREAD(thread_checker_);
  if (hwnd_ && ::GetFocus() != hwnd_ && control != focus_ && control) ::SetFocus(hwnd_);
  if (control == focus_) return;
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  if (focus_) {
    focus_->SendEventArgs(kEventInternalKillFocus);
    if (alive.expired()) return;
    if (Control* still = focus_) {
      focus_ = nullptr;
      still->SendEventArgs(kEventKillFocus, 0, 0, 0, last_mouse_pos_);
      if (alive.expired()) return;
    }
  }
  if (!control || control->GetWindow() != this || !control->IsVisible() ||
      !control->IsEnabled()) {
    return;
  }
  focus_ = control;
  control->SendEventArgs(kEventInternalSetFocus);
  if (alive.expired()) return;
  if (focus_) focus_->SendEventArgs(kEventSetFocus, 0, 0, 0, last_mouse_pos_);
}

bool Window::FocusNextTabStop(bool forward) {
  if (layout_pending_ && forward) {
    tab_pending_ = true;
    if (hwnd_) ::InvalidateRect(hwnd_, nullptr, FALSE);
    return true;
  }
  TabWalk walk;
  if (root_)
    root_->FindControl(TabWalkProc, &walk, kFindVisible | kFindEnabled | kFindMeFirst);
  const std::vector<Control*>& order = walk.order;
  auto is_stop = [](Control* c) { return c->IsTabStop(); };
  auto start = focus_ ? std::find(order.begin(), order.end(), focus_) : order.end();
  const auto first = std::find_if(order.begin(), order.end(), is_stop);
  Control* next = nullptr;
  if (forward) {
    auto after = start == order.end() ? order.end() : std::find_if(start + 1, order.end(), is_stop);
    if (after != order.end())
      next = *after;
    else if (first != order.end())
      next = *first;
  } else if (!focus_) {
    if (first != order.end()) next = *first;
  } else {
    // Backward: the last stop before the focused control, else (also for a
    // focused control the walk did not meet) the last stop of all.
    auto end = start == order.end() ? order.end() : start;
    auto before = std::find_if(std::make_reverse_iterator(end), order.rend(), is_stop);
    if (before == order.rend())
      before = std::find_if(order.rbegin(), order.rend(), is_stop);
    if (before != order.rend()) next = *before;
  }
  if (next) SetFocusControl(next);
  tab_pending_ = false;
  return true;
}

// ---- Tooltips ----------------------------------------------------------------------------

void Window::OnMouseHoverMessage(LPARAM lparam, bool& handled) {
  mouse_tracking_ = false;
  const UiPoint pt{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  Control* target = FindControlAt(pt);
  if (!target) return;
  handled = true;
  std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
  if (hover_) {
    hover_->SendEventArgs(kEventMouseHover);
    if (alive.expired()) return;
    // The handler may have removed the control.
    target = FindControlAt(pt);
    if (!target) return;
  }
  tooltip_text_ = target->GetToolTipText();
  const UiRect pos = target->GetPos();
  tooltip_info_ = {};
  tooltip_info_.cbSize = sizeof(TOOLINFOW);
  tooltip_info_.uFlags = TTF_IDISHWND;
  tooltip_info_.hwnd = hwnd_;
  tooltip_info_.uId = reinterpret_cast<UINT_PTR>(hwnd_);
  tooltip_info_.hinst = ::GetModuleHandleW(nullptr);
  tooltip_info_.lpszText = const_cast<wchar_t*>(tooltip_text_.c_str());
  tooltip_info_.rect = RECT{pos.left, pos.top, pos.right, pos.bottom};
  if (!tooltip_) {
    tooltip_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tooltip_info_));
    ::SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_INITIAL, kTooltipDelayMillis);
  }
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, target->GetToolTipWidth());
  ::SendMessageW(tooltip_, TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tooltip_info_));
  ::SendMessageW(tooltip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tooltip_info_));
}

void Window::OnMouseLeaveMessage() {
  if (tooltip_)
    ::SendMessageW(tooltip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tooltip_info_));
  if (mouse_tracking_) {
    std::weak_ptr<base::WeakFlag> alive = GetWeakFlag();
    ::SendMessageW(hwnd_, WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
    if (alive.expired()) return;
  }
  mouse_tracking_ = false;
}

// ---- Show, fade, close, centre ------------------------------------------------------------

void Window::ShowWindow(bool show, bool take_focus) {
  if (!::IsWindow(hwnd_)) return;
  ::ShowWindow(hwnd_, !show ? SW_HIDE : take_focus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE);
}

void Window::ShowWithFadeIn() {
  if (!root_ || !IsWindowsVersionAtLeast(0)) return;
  AnimationPlayer* player = root_->GetAnimationSet().SetFadeAlpha(true);
  window_alpha_ = 0;
  if (timers_) player->SetTimerManager(timers_);
  player->SetCallback(ToWeakCallback([this](int32_t value) {
    window_alpha_ = value;
    if (root_) {
      const UiRect pos = root_->GetPos();
      RECT r{pos.left, pos.top, pos.right, pos.bottom};
      ::InvalidateRect(hwnd_, &r, FALSE);
    }
    if (layered_) ::PostMessageW(hwnd_, WM_PAINT, 0, 0);
  }));
  root_->SetFadeVisible(true);
}

void Window::Close(UINT result) {
  if (!::IsWindow(hwnd_)) return;
  if (!root_ || !IsWindowsVersionAtLeast(0)) {
    ::PostMessageW(hwnd_, WM_CLOSE, result, 0);
    return;
  }
  root_->SetFadeVisible(false);
  HWND hwnd = hwnd_;
  Timers()->AddTimer(
      close_timer_flag_.GetWeakFlag(),
      [hwnd, result]() { ::PostMessageW(hwnd, WM_CLOSE, result, 0); }, kCloseDelayMillis, 1);
}

void Window::CenterWindow() {
  RECT window;
  ::GetWindowRect(hwnd_, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  HWND owner = ::GetWindow(hwnd_, GW_OWNER);
  MONITORINFO monitor = {sizeof(monitor)};
  ::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : hwnd_, MONITOR_DEFAULTTONEAREST),
                    &monitor);
  const RECT work = monitor.rcWork;
  RECT centre = work;
  if (owner && !::IsIconic(owner)) ::GetWindowRect(owner, &centre);
  int x = (centre.left + centre.right) / 2 - width / 2;
  int y = (centre.top + centre.bottom) / 2 - height / 2;
  if (!owner) {
    if (x < work.left)
      x = work.left;
    else if (x + width > work.right)
      x = work.right - width;
    if (y < work.top)
      y = work.top;
    else if (y + height > work.bottom)
      y = work.bottom - height;
  }
  ::SetWindowPos(hwnd_, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetInitialSize(int cx, int cy, int unused, bool dpi_scale) {
  if (dpi_scale) {
    cx = DpiScale::Instance()->ScaleInt(cx);
    cy = DpiScale::Instance()->ScaleInt(cy);
  }
  if (shadow_.attached) {
    cx += shadow_.padding.left + shadow_.padding.right;
    cy += shadow_.padding.top + shadow_.padding.bottom;
  }
  StoreInitialSize(UiSize{cx, cy});
}

void Window::StoreInitialSize(UiSize size) {
  if (initial_size_.cx != 0 && initial_size_.cy != 0) content_size_ = initial_size_;
  initial_size_ = size;
  if (!root_ && hwnd_) {
    ::SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE);
  }
}

void Window::SetResourcePath(const std::wstring& path) {
  resource_path_ = path;
  if (!resource_path_.empty() && resource_path_.back() != L'\\' && resource_path_.back() != L'/')
    resource_path_ += L'\\';
}

}  // namespace ui
