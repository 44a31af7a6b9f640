// Guards for the animation and drawing arithmetic: a division whose divisor
// is 0 and a double that is NaN or out of range never reach an int.
#ifndef UI_UTIL_SAFE_MATH_H_
#define UI_UTIL_SAFE_MATH_H_

#include <cmath>
#include <cstdint>

namespace ui {

// Truncation toward zero, clamped to the 32-bit range; NaN gives 0.
inline int32_t TruncToInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// a / b, or `otherwise` when b is 0 or the quotient is not finite.
inline double SafeDivide(double a, double b, double otherwise = 0.0) {
  if (b == 0.0) return otherwise;
  double q = a / b;
  return std::isfinite(q) ? q : otherwise;
}

}  // namespace ui

#endif  // UI_UTIL_SAFE_MATH_H_
