// Matrix_Gdiplus: IMatrix over a GDI+ matrix it owns. UI thread only.
#ifndef UI_RENDER_MATRIX_GDIPLUS_H_
#define UI_RENDER_MATRIX_GDIPLUS_H_

#include "ui/render/matrix.h"

namespace Gdiplus {
class GpMatrix;
}  // namespace Gdiplus

namespace ui {

class Matrix_Gdiplus : public IMatrix {
 public:
  Matrix_Gdiplus();
  ~Matrix_Gdiplus() override;
  Matrix_Gdiplus(const Matrix_Gdiplus&) = delete;
  Matrix_Gdiplus& operator=(const Matrix_Gdiplus&) = delete;

  void Translate(int32_t dx, int32_t dy) override;
  void Scale(int32_t sx, int32_t sy) override;
  void Rotate(float angle) override;
  void RotateAt(float angle, const UiPoint& center) override;

  Gdiplus::GpMatrix* GetMatrix() const { return matrix_; }

 private:
  Gdiplus::GpMatrix* matrix_ = nullptr;
};

}  // namespace ui

#endif  // UI_RENDER_MATRIX_GDIPLUS_H_
