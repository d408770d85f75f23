#include "infra/os/SocketCalls.h"

#include <atomic>

namespace STI_OS {

namespace {

// Relaxed counters: a benchmark reads them once the traffic is over.
std::atomic<std::uint64_t> g_sends{0};
std::atomic<std::uint64_t> g_receives{0};
std::atomic<std::uint64_t> g_waits{0};

} // namespace

SSocketCalls GetSocketCalls()
{
    SSocketCalls calls;
    calls.Sends = g_sends.load(std::memory_order_relaxed);
    calls.Receives = g_receives.load(std::memory_order_relaxed);
    calls.Waits = g_waits.load(std::memory_order_relaxed);
    return calls;
}

namespace internal {

void CountSend()
{
    g_sends.fetch_add(1, std::memory_order_relaxed);
}
void CountReceive()
{
    g_receives.fetch_add(1, std::memory_order_relaxed);
}
void CountWait()
{
    g_waits.fetch_add(1, std::memory_order_relaxed);
}

} // namespace internal

} // namespace STI_OS
