#include "infra/ConditionVariable.h"

#include <chrono>

namespace sti {

CConditionVariable::CConditionVariable(implementation::CLockObject& outer) : m_outer(outer) {}

CConditionVariable::~CConditionVariable() = default;

int CConditionVariable::Wait(std::uint32_t milliseconds)
{
    bool woken = false;
    {
        std::unique_lock<std::mutex> section(m_section);
        ++m_waiters;
        const std::uint32_t generation = m_generation;
        // The internal section is held while the outer lock is released, so a broadcast
        // cannot slip in between the unlock and the wait.
        // The library's locks are std mutexes, which cannot fail.
        (void)m_outer.Unlock();
        auto wasBroadcast = [&] { return m_generation != generation; };
        if (milliseconds == WAIT_INFINITE) {
            m_wake.wait(section, wasBroadcast);
            woken = true;
        } else {
            woken = m_wake.wait_for(section, std::chrono::milliseconds(milliseconds), wasBroadcast);
        }
        --m_waiters;
    }
    // The library's locks are std mutexes, which cannot fail.
    (void)m_outer.Lock();
    return woken ? 0 : -1;
}

void CConditionVariable::Broadcast()
{
    std::lock_guard<std::mutex> section(m_section);
    // With nobody waiting nothing is recorded: a broadcast is not remembered.
    if (m_waiters > 0) {
        ++m_generation;
        m_wake.notify_all();
    }
}

} // namespace sti
