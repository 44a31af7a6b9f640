// MemoryBitmapDC: a memory device context with a 32-bit top-down DIB
// section selected into it, the off-screen browser control's copy of a
// frame. CreateMemoryBitmapDC (re)makes it, ReleaseMemoryBitmapDC frees it
// (harmless on an empty record). Thread 0, like the control that owns it.
#ifndef BROWSER_MEMORY_BITMAP_DC_H_
#define BROWSER_MEMORY_BITMAP_DC_H_

#include <windows.h>

#include <cstdint>

namespace comp {

struct MemoryBitmapDC {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  BITMAP description = {};
  int width = 0;
  int height = 0;
  bool valid = false;

  // Valid with its DC, bitmap and pixels all present.
  bool usable() const { return valid && dc && bitmap && description.bmBits; }
  uint8_t* pixels() const { return static_cast<uint8_t*>(description.bmBits); }
};

// Releases `record`, then makes a width x height bitmap compatible with
// `reference`, its pixels zero. False, the record left released, for a null
// DC, a size below 1, or when GDI cannot make it.
bool CreateMemoryBitmapDC(MemoryBitmapDC* record, HDC reference, int width, int height);
// Frees the DC and the bitmap; width and height keep their last values.
void ReleaseMemoryBitmapDC(MemoryBitmapDC* record);

}  // namespace comp

#endif  // BROWSER_MEMORY_BITMAP_DC_H_
