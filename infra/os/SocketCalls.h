#pragma once
// Counts of the socket-layer calls this process made (sends, receives, readiness waits), for
// the benchmarks: calls per packet is a figure that does not depend on the machine, and under
// Wine, where each call costs about 100 us, the one that matters. Any thread.

#include <cstdint>

namespace STI_OS {

struct SSocketCalls {
    std::uint64_t Sends = 0;
    std::uint64_t Receives = 0;
    std::uint64_t Waits = 0;
};

SSocketCalls GetSocketCalls();

namespace internal {
void CountSend();
void CountReceive();
void CountWait();
} // namespace internal

} // namespace STI_OS
