#pragma once

#include <cstdint>
#include <string>

namespace TarnixRelay {

// What happened to the datagrams of one direction.
struct SLinkStats {
    std::uint64_t Received = 0;     // datagrams taken in
    std::uint64_t Forwarded = 0;    // copies handed on (duplicates included)
    std::uint64_t Lost = 0;         // independent loss
    std::uint64_t BurstLost = 0;    // lost inside a burst
    std::uint64_t QueueDropped = 0; // tail drop at the rate cap
    std::uint64_t Duplicated = 0;
    std::uint64_t Corrupted = 0;
    std::uint64_t Reordered = 0; // copies that come out ahead of one that came in before them
    std::uint64_t Bytes = 0;     // bytes handed on

    SLinkStats& operator+=(const SLinkStats& other);
    std::uint64_t Dropped() const { return Lost + BurstLost + QueueDropped; }
    // "in=.. fwd=.. drop=.. (loss=.. burst=.. queue=..) dup=.. corrupt=.. reorder=.. bytes=.."
    std::string Format() const;
};

} // namespace TarnixRelay
