// The window settings a skin's "Window" root carries, applied one at a time
// in the order written (each sees what the ones before it left).
#include <algorithm>
#include <cwchar>

#include "ui/core/global_resources.h"
#include "ui/core/window.h"
#include "ui/render/dpi_scale.h"
#include "ui/util/number_list.h"

namespace ui {

namespace {

UiSize ScaleSize(UiSize size) {
  const DpiScale* dpi = DpiScale::Instance();
  return UiSize{dpi->ScaleInt(size.cx), dpi->ScaleInt(size.cy)};
}

HWND RootOwner(HWND hwnd) {
  HWND owner = ::GetWindow(hwnd, GW_OWNER);
  while (owner) {
    HWND next = ::GetWindow(owner, GW_OWNER);
    if (!next) break;
    owner = next;
  }
  return owner;
}

}  // namespace

void Window::ApplyWindowAttribute(const std::wstring& name, const std::wstring& value) {
  const UiRect thickness = shadow_.attached ? shadow_.padding : UiRect{0, 0, 0, 0};
  const int shadow_cx = thickness.left + thickness.right;
  const int shadow_cy = thickness.top + thickness.bottom;
  if (name == L"size") {
    const UiSize size = ReadSize(value);
    SetInitialSize(size.cx, size.cy, 0, true);
  } else if (name == L"edging") {
    edging_ = DpiScale::Instance()->ScaleRect(ReadRect(value));
  } else if (name == L"expand") {
    Window* owner = FromHWND(RootOwner(hwnd_));
    if (!owner) return;
    RECT outer;
    ::GetWindowRect(owner->hwnd_, &outer);
    const UiRect theirs = owner->shadow_.attached ? owner->shadow_.padding : UiRect{0, 0, 0, 0};
    const UiSize less = ReadSize(value);
    const int cx = (outer.right - outer.left) - theirs.left - theirs.right - less.cx + shadow_cx;
    const int cy = (outer.bottom - outer.top) - theirs.top - theirs.bottom - less.cy + shadow_cy;
    StoreInitialSize(UiSize{cx, cy});
  } else if (name == L"heightpercent") {
    height_percent_ = std::wcstod(value.c_str(), nullptr);
    MONITORINFO monitor = {sizeof(monitor)};
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    int cy = static_cast<int>((monitor.rcWork.bottom - monitor.rcWork.top) * height_percent_);
    if (min_info_.cy != 0) cy = std::max(cy, min_info_.cy - shadow_cy);
    if (max_info_.cy != 0) cy = std::min(cy, max_info_.cy - shadow_cy);
    const int cx = initial_size_.cx != 0 ? initial_size_.cx : shadow_cx;
    StoreInitialSize(UiSize{cx, cy + shadow_cy});
  } else if (name == L"sizebox") {
    size_box_ = ReadRect(value);
  } else if (name == L"caption") {
    caption_ = DpiScale::Instance()->ScaleRect(ReadRect(value));
  } else if (name == L"textid") {
    if (hwnd_) ::SetWindowTextW(hwnd_, GlobalResources::Instance().GetText(value).c_str());
  } else if (name == L"roundcorner") {
    round_corner_ = ScaleSize(ReadSize(value));
  } else if (name == L"mininfo" || name == L"maxinfo") {
    UiSize size = ScaleSize(ReadSize(value));
    if (size.cx != 0) size.cx += shadow_cx;
    if (size.cy != 0) size.cy += shadow_cy;
    (name == L"mininfo" ? min_info_ : max_info_) = size;
  } else if (name == L"shadowattached") {
    shadow_.attached = value == L"true";
  } else if (name == L"shadowimage") {
    shadow_.image = value;
    shadow_.default_image = false;
  } else if (name == L"shadowcorner") {
    shadow_.corner = ReadRect(value);
    shadow_.padding = DpiScale::Instance()->ScaleRect(shadow_.corner);
    shadow_.saved_padding = shadow_.padding;
  } else if (name == L"alphafixcorner" || name == L"custom_shadow") {
    alpha_fix_corner_ = DpiScale::Instance()->ScaleRect(ReadRect(value));
  }
}

}  // namespace ui
