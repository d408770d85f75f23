#include "tools/udtpeer/StreamPattern.h"

namespace UdtPeer {

namespace {

// splitmix64 of the word index: cheap, and no two nearby words alike.
std::uint64_t Word(std::uint64_t seed, std::uint64_t index)
{
    std::uint64_t z = seed * 0x9E3779B97F4A7C15ull + index * 0xBF58476D1CE4E5B9ull + 1;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint8_t ByteAt(std::uint64_t seed, std::uint64_t position)
{
    return std::uint8_t(Word(seed, position / 8) >> ((position % 8) * 8));
}

} // namespace

void FillPattern(std::uint64_t seed, std::uint64_t offset, std::uint8_t* out, std::size_t length)
{
    std::size_t i = 0;
    for (; i < length && (offset + i) % 8 != 0; ++i)
        out[i] = ByteAt(seed, offset + i);
    for (; i + 8 <= length; i += 8) {
        const std::uint64_t w = Word(seed, (offset + i) / 8);
        for (int b = 0; b < 8; ++b)
            out[i + b] = std::uint8_t(w >> (b * 8));
    }
    for (; i < length; ++i)
        out[i] = ByteAt(seed, offset + i);
}

std::uint64_t CheckPattern(std::uint64_t seed, std::uint64_t offset, const std::uint8_t* data, std::size_t length)
{
    std::uint8_t expected[4096];
    for (std::size_t done = 0; done < length;) {
        const std::size_t n = length - done < sizeof(expected) ? length - done : sizeof(expected);
        FillPattern(seed, offset + done, expected, n);
        for (std::size_t i = 0; i < n; ++i)
            if (data[done + i] != expected[i])
                return offset + done + i;
        done += n;
    }
    return offset + length;
}

} // namespace UdtPeer
