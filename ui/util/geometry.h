// The framework's plain geometry values: rectangles (right and bottom
// exclusive), points and sizes of 32-bit signed integers. Values, no owner,
// any thread.
#ifndef UI_UTIL_GEOMETRY_H_
#define UI_UTIL_GEOMETRY_H_

#include <algorithm>
#include <cstdint>

namespace ui {

struct UiPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const UiPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const UiPoint& o) const { return !(*this == o); }
};

struct UiSize {
  int32_t cx = 0;
  int32_t cy = 0;
  bool operator==(const UiSize& o) const { return cx == o.cx && cy == o.cy; }
  bool operator!=(const UiSize& o) const { return !(*this == o); }
};

struct UiRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }

  void Offset(int32_t dx, int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
  }

  // The common part; an empty rectangle when they do not meet.
  static UiRect Intersect(const UiRect& a, const UiRect& b) {
    UiRect r{std::max(a.left, b.left), std::max(a.top, b.top),
             std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.IsEmpty()) return UiRect();
    return r;
  }
  bool Intersects(const UiRect& o) const { return !Intersect(*this, o).IsEmpty(); }

  bool Contains(const UiPoint& p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }

  bool operator==(const UiRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const UiRect& o) const { return !(*this == o); }
};

}  // namespace ui

#endif  // UI_UTIL_GEOMETRY_H_
