// IPath: a figure of lines, curves and shapes, filled or outlined through the
// render context. Fill modes are GDI+'s values. Owned by whoever asked the
// factory for it. UI thread only.
#ifndef UI_RENDER_PATH_H_
#define UI_RENDER_PATH_H_

#include <cstdint>
#include <memory>

#include "base/callback/weak_callback.h"
#include "ui/render/matrix.h"
#include "ui/render/pen.h"
#include "ui/util/geometry.h"

namespace ui {

class IPath : public base::SupportWeakCallback {
 public:
  virtual std::unique_ptr<IPath> Clone() = 0;
  virtual void Reset() = 0;
  virtual void SetFillMode(int32_t mode) = 0;
  virtual int32_t GetFillMode() = 0;
  virtual void StartFigure() = 0;
  virtual void CloseFigure() = 0;
  virtual void AddLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  virtual void AddLines(const UiPoint* points, int32_t count) = 0;
  virtual void AddBezier(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                         int32_t x4, int32_t y4) = 0;
  virtual void AddCurve(const UiPoint* points, int32_t count) = 0;
  virtual void AddRect(const UiRect& rect) = 0;
  virtual void AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void AddEllipse(const UiRect& rect) = 0;
  virtual void AddEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void AddArc(int32_t x, int32_t y, int32_t width, int32_t height, float start_angle,
                      float sweep_angle) = 0;
  virtual void AddPie(int32_t x, int32_t y, int32_t width, int32_t height, float start_angle,
                      float sweep_angle) = 0;
  virtual void AddPolygon(const UiPoint* points, int32_t count) = 0;
  // World bounds, widened by the pen when one is given.
  virtual UiRect GetBounds(IPen* pen) = 0;
  virtual bool IsVisiblePoint(int32_t x, int32_t y) = 0;
  virtual bool IsOutlineVisiblePoint(int32_t x, int32_t y, IPen* pen) = 0;
  // Nothing for a null matrix.
  virtual void Transform(IMatrix* matrix) = 0;
};

}  // namespace ui

#endif  // UI_RENDER_PATH_H_
