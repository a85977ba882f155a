#pragma once
// Small deterministic random generator (splitmix64): the same sequence on every platform, for
// the fault dice of the line and the plant scenarios.
#include <cstdint>

namespace sim {

struct SplitMix64 {
    uint64_t s = 1;
    uint64_t next() {
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
};

} // namespace sim
