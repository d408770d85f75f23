#include "infra/ThreadOwner.h"

#ifndef NDEBUG

#include <cstdio>
#include <cstdlib>

namespace sti {

void CThreadOwner::Check(const char* file, int line, const char* function) const
{
    const std::thread::id caller = std::this_thread::get_id();
    std::thread::id owner;
    if (m_owner.compare_exchange_strong(owner, caller) || owner == caller) {
        return;
    }
    std::fprintf(stderr, "%s:%d: %s called off its owning thread\n", file, line, function);
    std::fflush(stderr);
    std::abort();
}

} // namespace sti

#endif
