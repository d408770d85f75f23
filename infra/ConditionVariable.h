#pragma once

#include "infra/Lock.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace sti {

constexpr std::uint32_t WAIT_INFINITE = 0xFFFFFFFF;

// Condition variable over an outer lock that the caller holds around Wait and Broadcast.
// A broadcast wakes the waiters counted at that moment and is not remembered when there
// are none; a waiter that has released the outer lock but not yet blocked still gets it.
// Does not own the outer lock.
class CConditionVariable {
public:
    explicit CConditionVariable(implementation::CLockObject& outer);
    virtual ~CConditionVariable();

    CConditionVariable(const CConditionVariable&) = delete;
    CConditionVariable& operator=(const CConditionVariable&) = delete;

    // 0 when woken, -1 when the time ran out; the outer lock is held again in both cases.
    int Wait(std::uint32_t milliseconds);
    void Broadcast();

private:
    std::int32_t m_waiters = 0;
    std::uint32_t m_generation = 0; // bumped by every broadcast that has waiters
    std::mutex m_section;           // guards the two counters
    std::condition_variable m_wake;
    implementation::CLockObject& m_outer;
};

} // namespace sti
