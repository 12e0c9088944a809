// Small helpers the benchmark programs share: the clock, durations as numbers, percentiles.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }
inline double millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The value at fraction p (0.5 the median, 0.99 the 99th percentile) of the samples; 0 for none.
inline double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5))];
}

} // namespace bench
