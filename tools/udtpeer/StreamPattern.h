#pragma once
// The bytes of a benchmark stream: a function of the seed and the position alone, so that a
// receiver can check any chunk, however the transport cut the stream, without keeping state.

#include <cstddef>
#include <cstdint>

namespace UdtPeer {

// Fills out with the length bytes of the stream from position offset.
void FillPattern(std::uint64_t seed, std::uint64_t offset, std::uint8_t* out, std::size_t length);

// The position of the first byte that differs from the stream, or offset + length when all match.
std::uint64_t CheckPattern(std::uint64_t seed, std::uint64_t offset, const std::uint8_t* data, std::size_t length);

} // namespace UdtPeer
