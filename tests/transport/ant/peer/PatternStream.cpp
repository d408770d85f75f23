#include "PatternStream.h"

// xorshift has a fixed point at 0; any other seed starts a full-period stream.
CPatternStream::CPatternStream(std::uint64_t seed) : m_state(seed != 0 ? seed : 0x9E3779B97F4A7C15ull) {}

void CPatternStream::Fill(std::uint8_t* out, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        if (m_left == 0) {
            m_state ^= m_state << 13;
            m_state ^= m_state >> 7;
            m_state ^= m_state << 17;
            m_word = m_state;
            m_left = 8;
        }
        out[i] = static_cast<std::uint8_t>(m_word);
        m_word >>= 8;
        --m_left;
    }
}
