// Writes a render surface to a PNG file through GDI+ (which must be
// started): the UI benchmarks' screenshots.
#ifndef BENCH_UI_PNG_FILE_H_
#define BENCH_UI_PNG_FILE_H_

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cwchar>
#include <string>
#include <vector>

#include "ui/render/render_context.h"

namespace ui_bench {

inline bool PngEncoder(CLSID* clsid) {
  namespace gp = Gdiplus::DllExports;
  UINT count = 0, size = 0;
  if (gp::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (gp::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// Pixels are 32-bit ARGB, premultiplied as the surface stores them.
inline bool SavePixelsPng(void* bits, int w, int h, INT format, const std::wstring& path) {
  namespace gp = Gdiplus::DllExports;
  CLSID png;
  if (!PngEncoder(&png)) return false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (gp::GdipCreateBitmapFromScan0(w, h, w * 4, format, static_cast<BYTE*>(bits), &bitmap) !=
      Gdiplus::Ok) {
    return false;
  }
  const bool saved = gp::GdipSaveImageToFile(bitmap, path.c_str(), &png, nullptr) == Gdiplus::Ok;
  gp::GdipDisposeImage(bitmap);
  return saved;
}

inline bool SavePng(ui::IRenderContext* surface, const std::wstring& path) {
  return SavePixelsPng(surface->GetBits(), surface->GetWidth(), surface->GetHeight(),
                       PixelFormat32bppPARGB, path);
}

}  // namespace ui_bench

#endif  // BENCH_UI_PNG_FILE_H_
