// DpiScale: the process's DPI scale, a percentage, applied to every length
// that comes from the skin. Nothing is scaled until the process says it is
// DPI-aware. One per process, made on first use. UI thread only.
#ifndef UI_RENDER_DPI_SCALE_H_
#define UI_RENDER_DPI_SCALE_H_

#include <cstdint>

#include "ui/util/geometry.h"

namespace ui {

class DpiScale {
 public:
  static DpiScale* Instance();

  // MulDiv(value, percent, 100) (half away from zero) while adapting and the
  // percent is not 100; the value itself otherwise.
  int32_t ScaleInt(int32_t value) const;
  // Origin and size are scaled separately, so the size does not depend on
  // where the rectangle lies.
  UiRect ScaleRect(const UiRect& rect) const;
  void ScaleRect(UiRect* rect) const { *rect = ScaleRect(*rect); }

  // The percent for a DPI: MulDiv(dpi, 100, 96).
  void SetScaleFromDpi(uint32_t dpi);
  void SetScale(int32_t percent) { percent_ = percent; }
  int32_t GetScale() const { return percent_; }
  void SetAdaptDpi(bool adapt) { adapt_ = adapt; }
  bool IsAdaptDpi() const { return adapt_; }

 private:
  int32_t percent_ = 100;
  bool adapt_ = false;
};

// True on Windows 6.minor or later (minor 0: Vista, 2: Windows 8).
bool IsWindowsVersionAtLeast(uint32_t minor);

}  // namespace ui

#endif  // UI_RENDER_DPI_SCALE_H_
