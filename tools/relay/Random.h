#pragma once

#include <cstdint>

namespace TarnixRelay {

// A seeded generator (xoshiro256**) whose sequence is fixed by its seed on every platform and
// compiler, unlike the standard distributions, so a run can be repeated exactly.
class CRandom {
public:
    explicit CRandom(std::uint64_t seed);

    std::uint64_t Next();
    // Uniform in [0, 1).
    double Uniform();

    // Derives the seed of an independent stream (a mapping's direction) from a base seed.
    static std::uint64_t Derive(std::uint64_t seed, std::uint64_t stream);

private:
    std::uint64_t m_state[4];
};

} // namespace TarnixRelay
