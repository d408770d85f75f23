#pragma once
// The buffer of one Ant datagram. Buffers come from CPacketPool and are shared by reference
// count between the windows and queues of the Ant thread, never copied; only that thread
// touches them.

#include <cstdint>

// Largest datagram, header included; anything longer is refused.
constexpr std::uint32_t ANT_MAX_DATAGRAM = 1272;
constexpr std::uint32_t ANT_HEADER_SIZE = 8;
constexpr std::uint32_t ANT_MAX_PAYLOAD = ANT_MAX_DATAGRAM - ANT_HEADER_SIZE;

struct SAntPacket {
    std::uint8_t Data[ANT_MAX_DATAGRAM];
    // Highest byte position written so far, or the number of bytes received.
    std::uint32_t Length;
    std::uint32_t RefCount;
};
