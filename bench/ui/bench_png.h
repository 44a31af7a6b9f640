// Writes a render context's surface to a PNG file, for the benchmarks'
// renderings. GDI+ must be started.
#ifndef BENCH_UI_BENCH_PNG_H_
#define BENCH_UI_BENCH_PNG_H_

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
    if (std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *clsid = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

inline bool SavePng(ui::IRenderContext* surface, const std::wstring& path) {
  namespace gp = Gdiplus::DllExports;
  CLSID png;
  if (!PngEncoder(&png)) return false;
  Gdiplus::GpBitmap* bitmap = nullptr;
  const int w = surface->GetWidth(), h = surface->GetHeight();
  if (gp::GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppPARGB,
                                    reinterpret_cast<BYTE*>(surface->GetBits()),
                                    &bitmap) != Gdiplus::Ok) {
    return false;
  }
  const bool saved = gp::GdipSaveImageToFile(bitmap, path.c_str(), &png, nullptr) == Gdiplus::Ok;
  gp::GdipDisposeImage(bitmap);
  return saved;
}

}  // namespace ui_bench

#endif  // BENCH_UI_BENCH_PNG_H_
