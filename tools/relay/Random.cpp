#include "tools/relay/Random.h"

namespace TarnixRelay {

namespace {

std::uint64_t SplitMix(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t Rotl(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

} // namespace

CRandom::CRandom(std::uint64_t seed)
{
    // SplitMix never yields an all-zero state, which xoshiro could not leave.
    for (std::uint64_t& word : m_state)
        word = SplitMix(seed);
}

std::uint64_t CRandom::Next()
{
    const std::uint64_t result = Rotl(m_state[1] * 5, 7) * 9;
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = Rotl(m_state[3], 45);
    return result;
}

double CRandom::Uniform()
{
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

std::uint64_t CRandom::Derive(std::uint64_t seed, std::uint64_t stream)
{
    std::uint64_t x = seed ^ (stream * 0xD1B54A32D192ED03ULL);
    SplitMix(x);
    return SplitMix(x);
}

} // namespace TarnixRelay
