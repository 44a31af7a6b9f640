#include "ui/render/gdi_bitmap.h"

#include <algorithm>
#include <cstring>

namespace ui {

GdiBitmap::~GdiBitmap() { CleanUp(); }

void GdiBitmap::CleanUp() {
  if (bitmap_) ::DeleteObject(bitmap_);
  bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = 0;
  height_ = 0;
}

bool GdiBitmap::Init(HDC hdc, int32_t width, int32_t height, bool flip_height) {
  CleanUp();
  if (!hdc || width <= 0 || height <= 0) return false;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = flip_height ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * height * 4;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(hdc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) ::DeleteObject(bitmap);
    return false;
  }
  bitmap_ = bitmap;
  bits_ = static_cast<uint32_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

void GdiBitmap::Clear() {
  if (bits_) std::memset(bits_, 0, static_cast<size_t>(width_) * height_ * 4);
}

HBITMAP GdiBitmap::DetachBitmap() {
  HBITMAP bitmap = bitmap_;
  bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = 0;
  height_ = 0;
  return bitmap;
}

UiRect GdiBitmap::ClampToBitmap(const UiRect& rect) const {
  return UiRect::Intersect(rect, UiRect{0, 0, width_, height_});
}

void GdiBitmap::FillRectAlpha(const UiRect& rect, uint8_t value) {
  if (!bits_) return;
  UiRect r = ClampToBitmap(rect);
  if (r.IsEmpty()) return;
  for (int32_t y = r.top; y < r.bottom; ++y) {
    std::memset(bits_ + static_cast<size_t>(y) * width_ + r.left, value,
                static_cast<size_t>(r.Width()) * 4);
  }
}

void GdiBitmap::RepairAlpha(const UiRect& rect, const UiRect& padding, int32_t alpha) {
  if (!bits_) return;
  UiRect r = ClampToBitmap(rect);
  for (int32_t y = r.top; y < r.bottom; ++y) {
    bool in_rows = y >= padding.top && y < height_ - padding.bottom;
    for (int32_t x = r.left; x < r.right; ++x) {
      bool in_columns = x >= padding.left && x < width_ - padding.right;
      if (!in_rows && !in_columns) continue;  // a padding corner
      uint8_t* a = reinterpret_cast<uint8_t*>(bits_ + static_cast<size_t>(y) * width_ + x) + 3;
      *a = (alpha != 0 && *a == alpha) ? 0 : 255;
    }
  }
}

}  // namespace ui
