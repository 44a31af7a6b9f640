#include "ui/render/gdi_clip.h"

namespace ui {
namespace {

// Regions are in device units: take the window origin off.
UiRect ToDevice(HDC hdc, UiRect rect) {
  POINT origin = {};
  ::GetWindowOrgEx(hdc, &origin);
  rect.Offset(-origin.x, -origin.y);
  return rect;
}

void IntersectClip(HDC hdc, HRGN region) {
  ::SaveDC(hdc);
  ::ExtSelectClipRgn(hdc, region, RGN_AND);
  ::DeleteObject(region);
}

}  // namespace

void GdiClip::ApplyRectClip(HDC hdc, const UiRect& rect) {
  if (!hdc) return;
  UiRect r = ToDevice(hdc, rect);
  IntersectClip(hdc, ::CreateRectRgn(r.left, r.top, r.right, r.bottom));
}

void GdiClip::ApplyRoundRectClip(HDC hdc, const UiRect& rect, int32_t width, int32_t height) {
  if (!hdc) return;
  UiRect r = ToDevice(hdc, rect);
  IntersectClip(hdc, ::CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, width, height));
}

void GdiClip::RemoveClip(HDC hdc) {
  if (hdc) ::RestoreDC(hdc, -1);
}

}  // namespace ui
