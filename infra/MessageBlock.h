#pragma once
// Fixed-size message buffers for the framed streams: one allocation per message, made at
// the largest size so that nothing is reallocated while a message arrives.

#include <cstdint>
#include <new>

namespace sti {

// Largest data message between two peers, header included.
constexpr std::uint32_t DATA_MESSAGE_CAPACITY = 66564;
// Largest thread message on a network thread's pipe, header included.
constexpr std::uint32_t IPC_MESSAGE_CAPACITY = 8192;

// The whole message (header first) followed by the count of bytes in use.
template <std::uint32_t N>
struct SMessageBlock {
    static constexpr std::uint32_t CAPACITY = N;

    std::uint8_t Data[N];
    std::uint32_t Used;
};

// Hands out zero-filled blocks of one size; stateless, so any thread may use it.
template <std::uint32_t N>
class SimpleAllocator {
public:
    using Block = SMessageBlock<N>;
    static constexpr std::uint32_t CAPACITY = N;

    // Null when no memory is left.
    static Block* Allocate() { return new (std::nothrow) Block(); }
    static void Free(Block* block) { delete block; }
};

} // namespace sti
