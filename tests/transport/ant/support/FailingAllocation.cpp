#include "support/FailingAllocation.h"

#include <atomic>
#include <cstddef>
#include <new>

namespace {

std::atomic<int> g_failures{0};

} // namespace

void FailNextNothrowAllocations(int count)
{
    g_failures = count;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (g_failures.load() > 0 && g_failures.fetch_sub(1) > 0)
        return nullptr;
    try {
        return ::operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
