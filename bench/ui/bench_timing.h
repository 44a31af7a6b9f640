// The clock and the percentile the UI benchmarks share.
#ifndef BENCH_UI_BENCH_TIMING_H_
#define BENCH_UI_BENCH_TIMING_H_

#include <windows.h>

#include <algorithm>
#include <vector>

namespace ui_bench {

// Milliseconds on the performance counter.
inline double NowMs() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return c.QuadPart * 1000.0 / frequency;
}

// The value at fraction p (0..1) of the sorted samples.
inline double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  size_t i = static_cast<size_t>(p * (v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

}  // namespace ui_bench

#endif  // BENCH_UI_BENCH_TIMING_H_
