// The benchmarks' short mode. The test command runs every benchmark once as a
// test (ctest label "bench") with KORVEX_BENCH_SHORT=1: small sizes, seconds
// in all, so that it shows the benchmark still runs and its checks still
// hold; the figures of such a run mean nothing. Without it each benchmark
// measures at its full size.
#pragma once

#include <cstdlib>

namespace korvex {

inline bool BenchShort() {
  const char* value = std::getenv("KORVEX_BENCH_SHORT");
  return value != nullptr && *value != '\0' && *value != '0';
}

// `full`, or `small` in the short mode.
inline int BenchSize(int full, int small) {
  return BenchShort() ? small : full;
}

}  // namespace korvex
