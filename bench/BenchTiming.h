#pragma once

// The timing helpers the window benchmarks share: elapsed milliseconds and the median of a run.

#include <algorithm>
#include <chrono>
#include <vector>

namespace BenchTiming {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace BenchTiming
