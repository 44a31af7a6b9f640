#include "ui/render/premultiplied_image.h"

#include <cstring>

#include "ui/render/gdiplus_flat.h"

namespace ui {

PremultipliedImage::PremultipliedImage(Gdiplus::GpImage* image, HDC compatible) {
  Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
  if (!image || gp::GdipGetImageType(image, &type) != Gdiplus::Ok ||
      type != Gdiplus::ImageTypeBitmap)
    return;
  UINT width = 0, height = 0;
  gp::GdipGetImageWidth(image, &width);
  gp::GdipGetImageHeight(image, &height);
  if (width == 0 || height == 0 || width > 32767 || height > 32767) return;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) ::DeleteObject(bitmap);
    return;
  }

  auto* bitmap_image = static_cast<Gdiplus::GpBitmap*>(image);
  Gdiplus::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData data = {};
  if (gp::GdipBitmapLockBits(bitmap_image, &all, Gdiplus::ImageLockModeRead,
                             PixelFormat32bppPARGB, &data) != Gdiplus::Ok) {
    ::DeleteObject(bitmap);
    return;
  }
  for (UINT y = 0; y < height; ++y) {
    std::memcpy(static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * width * 4,
                static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                static_cast<size_t>(width) * 4);
  }
  gp::GdipBitmapUnlockBits(bitmap_image, &data);

  bitmap_ = bitmap;
  width_ = static_cast<int32_t>(width);
  height_ = static_cast<int32_t>(height);
  dc_ = ::CreateCompatibleDC(compatible);
  old_ = ::SelectObject(dc_, bitmap_);
}

PremultipliedImage::~PremultipliedImage() {
  if (dc_) {
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  if (bitmap_) ::DeleteObject(bitmap_);
}

bool PremultipliedImage::Blend(HDC target, const UiRect& dest, const UiRect& source,
                               uint8_t fade) const {
  if (!dc_ || source.left < 0 || source.top < 0 || source.right > width_ ||
      source.bottom > height_ || source.IsEmpty())
    return false;
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, fade, AC_SRC_ALPHA};
  return ::AlphaBlend(target, dest.left, dest.top, dest.Width(), dest.Height(), dc_, source.left,
                      source.top, source.Width(), source.Height(), blend) != FALSE;
}

}  // namespace ui
