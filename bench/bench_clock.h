#pragma once
// The benchmarks' clock: microseconds per round since a start.

#include <chrono>

using Clock = std::chrono::steady_clock;

inline double us_since(Clock::time_point start, long rounds) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
           static_cast<double>(rounds);
}
