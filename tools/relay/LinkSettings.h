#pragma once

#include <cstdint>

namespace TarnixRelay {

// How one direction of a link mistreats datagrams. Percentages are 0..100; times microseconds.
struct SLinkSettings {
    double LossPercent = 0;       // independent loss
    double BurstStartPercent = 0; // chance per datagram that a loss burst begins
    double BurstLength = 1;       // mean length of a burst in datagrams (geometric)
    std::int64_t Delay = 0;
    std::int64_t Jitter = 0;   // each datagram is delayed by Delay +- Jitter (uniform)
    double ReorderPercent = 0; // chance that a datagram is held back by ReorderGap
    std::int64_t ReorderGap = 10000;
    double DuplicatePercent = 0;
    double CorruptPercent = 0;   // chance that one random bit of the datagram is flipped
    std::uint64_t Rate = 0;      // bytes per second, 0 = no cap
    std::uint32_t RateBurst = 0; // bucket depth in bytes, 0 = chosen from the rate
    std::uint32_t QueueLimit = 64 * 1024;

    // The bucket depth in effect: at least one full datagram, else 10 ms worth of the rate.
    std::uint32_t EffectiveBurst() const;
};

} // namespace TarnixRelay
