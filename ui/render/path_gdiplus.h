// Path_Gdiplus: IPath over a GDI+ path it owns. UI thread only.
#ifndef UI_RENDER_PATH_GDIPLUS_H_
#define UI_RENDER_PATH_GDIPLUS_H_

#include "ui/render/path.h"

namespace Gdiplus {
class GpPath;
}  // namespace Gdiplus

namespace ui {

class Path_Gdiplus : public IPath {
 public:
  Path_Gdiplus();
  ~Path_Gdiplus() override;
  Path_Gdiplus(const Path_Gdiplus&) = delete;
  Path_Gdiplus& operator=(const Path_Gdiplus&) = delete;

  std::unique_ptr<IPath> Clone() override;
  void Reset() override;
  void SetFillMode(int32_t mode) override;
  int32_t GetFillMode() override;
  void StartFigure() override;
  void CloseFigure() override;
  void AddLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void AddLines(const UiPoint* points, int32_t count) override;
  void AddBezier(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                 int32_t x4, int32_t y4) override;
  void AddCurve(const UiPoint* points, int32_t count) override;
  void AddRect(const UiRect& rect) override;
  void AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void AddEllipse(const UiRect& rect) override;
  void AddEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void AddArc(int32_t x, int32_t y, int32_t width, int32_t height, float start_angle,
              float sweep_angle) override;
  void AddPie(int32_t x, int32_t y, int32_t width, int32_t height, float start_angle,
              float sweep_angle) override;
  void AddPolygon(const UiPoint* points, int32_t count) override;
  UiRect GetBounds(IPen* pen) override;
  bool IsVisiblePoint(int32_t x, int32_t y) override;
  bool IsOutlineVisiblePoint(int32_t x, int32_t y, IPen* pen) override;
  void Transform(IMatrix* matrix) override;

  Gdiplus::GpPath* GetPath() const { return path_; }

 private:
  explicit Path_Gdiplus(Gdiplus::GpPath* path) : path_(path) {}

  Gdiplus::GpPath* path_ = nullptr;
};

}  // namespace ui

#endif  // UI_RENDER_PATH_GDIPLUS_H_
