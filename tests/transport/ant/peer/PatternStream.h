#pragma once

#include <cstddef>
#include <cstdint>

// The test stream both peers make from one seed: xorshift64 words, low byte first. Cheap enough
// that generating it never limits a transfer.
class CPatternStream {
public:
    explicit CPatternStream(std::uint64_t seed);

    // The next length bytes of the stream.
    void Fill(std::uint8_t* out, std::size_t length);

private:
    std::uint64_t m_state;
    std::uint64_t m_word = 0;
    unsigned m_left = 0; // bytes of m_word not yet given out
};
