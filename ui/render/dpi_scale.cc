#include "ui/render/dpi_scale.h"

#include <windows.h>

namespace ui {

DpiScale* DpiScale::Instance() {
  static DpiScale instance;
  return &instance;
}

int32_t DpiScale::ScaleInt(int32_t value) const {
  if (!adapt_ || percent_ == 100) return value;
  return ::MulDiv(value, percent_, 100);
}

UiRect DpiScale::ScaleRect(const UiRect& rect) const {
  if (!adapt_ || percent_ == 100) return rect;
  UiRect r;
  r.left = ::MulDiv(rect.left, percent_, 100);
  r.top = ::MulDiv(rect.top, percent_, 100);
  r.right = r.left + ::MulDiv(rect.right - rect.left, percent_, 100);
  r.bottom = r.top + ::MulDiv(rect.bottom - rect.top, percent_, 100);
  return r;
}

void DpiScale::SetScaleFromDpi(uint32_t dpi) {
  percent_ = ::MulDiv(static_cast<int>(dpi), 100, 96);
}

bool IsWindowsVersionAtLeast(uint32_t minor) {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  info.dwMajorVersion = 6;
  info.dwMinorVersion = minor;
  info.wServicePackMajor = 0;
  DWORDLONG mask = 0;
  mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
  mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
  mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
  return ::VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              mask) != FALSE;
}

}  // namespace ui
