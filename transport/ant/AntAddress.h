#pragma once
// Whom an Ant socket connects to: the peer's client id and the session's 64-bit key.

#include <cstdint>

class CAntAddress {
public:
    CAntAddress() = default;
    CAntAddress(std::uint32_t peerId, std::uint32_t keyLow, std::uint32_t keyHigh)
        : PeerId(peerId), KeyLow(keyLow), KeyHigh(keyHigh)
    {}

    // Zeroes the words the transport uses.
    void Clear()
    {
        PeerId = 0;
        KeyLow = 0;
        KeyHigh = 0;
    }
    std::uint64_t GetKey() const { return (std::uint64_t(KeyHigh) << 32) | KeyLow; }

    std::uint32_t PeerId = 0;
    std::uint32_t Unused = 0; // carried for callers, not read by the transport
    std::uint32_t KeyLow = 0;
    std::uint32_t KeyHigh = 0;
};
