// Timing a call under Wine, for the benchmarks of the Windows builds (Google
// Benchmark is not built for Windows here). Each figure comes from several
// runs of many calls after a warm-up, in nanoseconds a call; a benchmark
// reports the median, or the fastest run where the median moves by tens of
// nanoseconds from one run to the next on a shared machine.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace korvane::bench {

inline double now_ns() {
  static const double scale = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1e9 / static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * scale;
}

struct Timing {
  double median;
  double fastest;
};

// runs runs of calls calls of f, after a tenth of that to warm up.
template <class F>
Timing ns_per_call(F&& f, int runs, int calls) {
  for (int i = 0; i < calls / 10; ++i) f();
  std::vector<double> each(static_cast<std::size_t>(runs));
  for (double& r : each) {
    const double start = now_ns();
    for (int i = 0; i < calls; ++i) f();
    r = (now_ns() - start) / calls;
  }
  std::sort(each.begin(), each.end());
  return {each[each.size() / 2], each.front()};
}

}  // namespace korvane::bench
