// Pen_GdiPlus: IPen over a GDI+ pen it owns. UI thread only.
#ifndef UI_RENDER_PEN_GDIPLUS_H_
#define UI_RENDER_PEN_GDIPLUS_H_

#include "ui/render/pen.h"

namespace Gdiplus {
class GpPen;
}  // namespace Gdiplus

namespace ui {

class Pen_GdiPlus : public IPen {
 public:
  Pen_GdiPlus(uint32_t color, int32_t width);
  ~Pen_GdiPlus() override;
  Pen_GdiPlus(const Pen_GdiPlus&) = delete;
  Pen_GdiPlus& operator=(const Pen_GdiPlus&) = delete;

  std::unique_ptr<IPen> Clone() override;
  void SetWidth(int32_t width) override;
  int32_t GetWidth() override;
  void SetColor(uint32_t color) override;
  uint32_t GetColor() override { return color_; }
  void SetStartCap(int32_t cap) override;
  void SetEndCap(int32_t cap) override;
  void SetDashCap(int32_t cap) override;
  int32_t GetStartCap() override;
  int32_t GetEndCap() override;
  int32_t GetDashCap() override;
  void SetLineJoin(int32_t join) override;
  int32_t GetLineJoin() override;
  void SetDashStyle(int32_t style) override;
  int32_t GetDashStyle() override;

  Gdiplus::GpPen* GetPen() const { return pen_; }

 private:
  Pen_GdiPlus(uint32_t color, Gdiplus::GpPen* pen);

  Gdiplus::GpPen* pen_ = nullptr;
  // The last failing GDI+ status, kept rather than reported.
  int last_status_ = 0;
};

}  // namespace ui

#endif  // UI_RENDER_PEN_GDIPLUS_H_
