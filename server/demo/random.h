// The demo data's random numbers: SplitMix64, the same sequence on every platform and compiler.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iterator>

namespace demo {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (n > 0).
    int below(int n) { return int(next() % std::uint64_t(n)); }
    // lo .. hi, both included.
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool percent(int p) { return below(100) < p; }
    template <class C> const auto& pick(const C& c) { return c[below(int(std::size(c)))]; }
    template <class T> T pick(std::initializer_list<T> c) { return *(c.begin() + below(int(c.size()))); }
    // An independent stream for one part of the data, so that changing one part leaves the others.
    Random fork(std::uint64_t salt) { return Random(next() ^ (salt * 0xD1B54A32D192ED03ull)); }

private:
    std::uint64_t state_;
};

} // namespace demo
