#include "ui/render/matrix_gdiplus.h"

#include "ui/render/gdiplus_flat.h"

namespace ui {

Matrix_Gdiplus::Matrix_Gdiplus() { gp::GdipCreateMatrix(&matrix_); }

Matrix_Gdiplus::~Matrix_Gdiplus() {
  if (matrix_) gp::GdipDeleteMatrix(matrix_);
}

void Matrix_Gdiplus::Translate(int32_t dx, int32_t dy) {
  if (matrix_) {
    gp::GdipTranslateMatrix(matrix_, static_cast<Gdiplus::REAL>(dx),
                            static_cast<Gdiplus::REAL>(dy), Gdiplus::MatrixOrderPrepend);
  }
}

void Matrix_Gdiplus::Scale(int32_t sx, int32_t sy) {
  if (matrix_) {
    gp::GdipScaleMatrix(matrix_, static_cast<Gdiplus::REAL>(sx), static_cast<Gdiplus::REAL>(sy),
                        Gdiplus::MatrixOrderPrepend);
  }
}

void Matrix_Gdiplus::Rotate(float angle) {
  if (matrix_) gp::GdipRotateMatrix(matrix_, angle, Gdiplus::MatrixOrderPrepend);
}

void Matrix_Gdiplus::RotateAt(float angle, const UiPoint& center) {
  Translate(center.x, center.y);
  Rotate(angle);
  Translate(-center.x, -center.y);
}

}  // namespace ui
