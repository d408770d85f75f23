#include "support/FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

thread_local long t_countdown = -1;
thread_local bool t_failed = false;

} // namespace

namespace coretest {

void FailAllocationAfter(long count)
{
    t_countdown = count;
    t_failed = false;
}

bool AllocationFailed()
{
    return t_failed;
}

} // namespace coretest

// The standard allocation (malloc, which the standard delete frees), failing once when armed.
void* operator new(std::size_t size)
{
    if (t_countdown >= 0 && t_countdown-- == 0) {
        t_failed = true;
        throw std::bad_alloc();
    }
    if (size == 0)
        size = 1;
    for (;;) {
        if (void* memory = std::malloc(size))
            return memory;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}
