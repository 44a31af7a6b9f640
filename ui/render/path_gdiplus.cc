#include "ui/render/path_gdiplus.h"

#include <vector>

#include "ui/render/gdiplus_flat.h"
#include "ui/render/matrix_gdiplus.h"
#include "ui/render/pen_gdiplus.h"
#include "ui/util/safe_math.h"

namespace ui {
namespace {

std::vector<Gdiplus::GpPoint> ToGdiplus(const UiPoint* points, int32_t count) {
  std::vector<Gdiplus::GpPoint> out;
  if (!points || count <= 0) return out;
  out.reserve(count);
  for (int32_t i = 0; i < count; ++i) out.emplace_back(points[i].x, points[i].y);
  return out;
}

Gdiplus::GpPen* PenOf(IPen* pen) {
  auto* p = dynamic_cast<Pen_GdiPlus*>(pen);
  return p ? p->GetPen() : nullptr;
}

}  // namespace

Path_Gdiplus::Path_Gdiplus() { gp::GdipCreatePath(Gdiplus::FillModeAlternate, &path_); }

Path_Gdiplus::~Path_Gdiplus() {
  if (path_) gp::GdipDeletePath(path_);
}

std::unique_ptr<IPath> Path_Gdiplus::Clone() {
  Gdiplus::GpPath* copy = nullptr;
  if (path_) gp::GdipClonePath(path_, &copy);
  return std::unique_ptr<IPath>(new Path_Gdiplus(copy));
}

void Path_Gdiplus::Reset() {
  if (path_) gp::GdipResetPath(path_);
}

void Path_Gdiplus::SetFillMode(int32_t mode) {
  if (path_) gp::GdipSetPathFillMode(path_, static_cast<Gdiplus::GpFillMode>(mode));
}

int32_t Path_Gdiplus::GetFillMode() {
  Gdiplus::GpFillMode mode = Gdiplus::FillModeAlternate;
  if (path_) gp::GdipGetPathFillMode(path_, &mode);
  return mode;
}

void Path_Gdiplus::StartFigure() {
  if (path_) gp::GdipStartPathFigure(path_);
}

void Path_Gdiplus::CloseFigure() {
  if (path_) gp::GdipClosePathFigure(path_);
}

void Path_Gdiplus::AddLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (path_) gp::GdipAddPathLineI(path_, x1, y1, x2, y2);
}

void Path_Gdiplus::AddLines(const UiPoint* points, int32_t count) {
  std::vector<Gdiplus::GpPoint> p = ToGdiplus(points, count);
  if (path_ && !p.empty()) gp::GdipAddPathLine2I(path_, p.data(), static_cast<INT>(p.size()));
}

void Path_Gdiplus::AddBezier(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                             int32_t y3, int32_t x4, int32_t y4) {
  if (path_) gp::GdipAddPathBezierI(path_, x1, y1, x2, y2, x3, y3, x4, y4);
}

void Path_Gdiplus::AddCurve(const UiPoint* points, int32_t count) {
  std::vector<Gdiplus::GpPoint> p = ToGdiplus(points, count);
  if (path_ && !p.empty()) gp::GdipAddPathCurveI(path_, p.data(), static_cast<INT>(p.size()));
}

void Path_Gdiplus::AddRect(const UiRect& rect) {
  AddRect(rect.left, rect.top, rect.right, rect.bottom);
}

void Path_Gdiplus::AddRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (path_) gp::GdipAddPathRectangleI(path_, left, top, right - left, bottom - top);
}

void Path_Gdiplus::AddEllipse(const UiRect& rect) {
  AddEllipse(rect.left, rect.top, rect.right, rect.bottom);
}

void Path_Gdiplus::AddEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (path_) gp::GdipAddPathEllipseI(path_, left, top, right - left, bottom - top);
}

void Path_Gdiplus::AddArc(int32_t x, int32_t y, int32_t width, int32_t height, float start_angle,
                          float sweep_angle) {
  if (path_) gp::GdipAddPathArcI(path_, x, y, width, height, start_angle, sweep_angle);
}

void Path_Gdiplus::AddPie(int32_t x, int32_t y, int32_t width, int32_t height, float start_angle,
                          float sweep_angle) {
  if (path_) gp::GdipAddPathPieI(path_, x, y, width, height, start_angle, sweep_angle);
}

void Path_Gdiplus::AddPolygon(const UiPoint* points, int32_t count) {
  std::vector<Gdiplus::GpPoint> p = ToGdiplus(points, count);
  if (path_ && !p.empty()) gp::GdipAddPathPolygonI(path_, p.data(), static_cast<INT>(p.size()));
}

UiRect Path_Gdiplus::GetBounds(IPen* pen) {
  Gdiplus::GpRectF r(0, 0, 0, 0);
  if (path_) gp::GdipGetPathWorldBounds(path_, &r, nullptr, PenOf(pen));
  return UiRect{TruncToInt(r.X), TruncToInt(r.Y), TruncToInt(r.X + r.Width),
                TruncToInt(r.Y + r.Height)};
}

bool Path_Gdiplus::IsVisiblePoint(int32_t x, int32_t y) {
  BOOL visible = FALSE;
  if (path_) gp::GdipIsVisiblePathPointI(path_, x, y, nullptr, &visible);
  return visible != FALSE;
}

bool Path_Gdiplus::IsOutlineVisiblePoint(int32_t x, int32_t y, IPen* pen) {
  BOOL visible = FALSE;
  Gdiplus::GpPen* p = PenOf(pen);
  if (path_ && p) gp::GdipIsOutlineVisiblePathPointI(path_, x, y, p, nullptr, &visible);
  return visible != FALSE;
}

void Path_Gdiplus::Transform(IMatrix* matrix) {
  auto* m = dynamic_cast<Matrix_Gdiplus*>(matrix);
  if (path_ && m && m->GetMatrix()) gp::GdipTransformPath(path_, m->GetMatrix());
}

}  // namespace ui
