#include "browser/memory_bitmap_dc.h"

#include <cstring>

namespace comp {

bool CreateMemoryBitmapDC(MemoryBitmapDC* record, HDC reference, int width, int height) {
  ReleaseMemoryBitmapDC(record);
  if (!reference || width <= 0 || height <= 0) return false;
  HDC dc = CreateCompatibleDC(reference);
  if (!dc) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  // Without pixels there is nothing to copy into: the record stays empty.
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(dc);
    return false;
  }
  record->dc = dc;
  record->bitmap = bitmap;
  record->previous = SelectObject(dc, bitmap);
  GetObjectW(bitmap, sizeof(BITMAP), &record->description);
  record->width = width;
  record->height = height;
  record->valid = true;
  std::memset(bits, 0, size_t(width) * size_t(height) * 4);
  return true;
}

void ReleaseMemoryBitmapDC(MemoryBitmapDC* record) {
  if (record->dc && record->previous) SelectObject(record->dc, record->previous);
  if (record->bitmap) DeleteObject(record->bitmap);
  if (record->dc) DeleteDC(record->dc);
  record->dc = nullptr;
  record->bitmap = nullptr;
  record->previous = nullptr;
  record->description = BITMAP();
  record->valid = false;
}

}  // namespace comp
