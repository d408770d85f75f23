#pragma once

#include "infra/ConditionVariable.h"
#include "infra/Lock.h"

#include <cstdint>
#include <memory>

// One-shot signal: goes from not done to done once. Waiters that come after the signal
// return at once, because the done flag is tested under the mutex.
class CCompletionEvent {
public:
    CCompletionEvent();
    ~CCompletionEvent();

    CCompletionEvent(const CCompletionEvent&) = delete;
    CCompletionEvent& operator=(const CCompletionEvent&) = delete;

    // Sets the result to 1 and the done flag, then wakes every waiter.
    void Signal();
    // Blocks until signalled; returns the address of the result byte.
    std::uint8_t* Wait();

private:
    std::uint8_t m_done = 0;
    std::uint8_t m_result = 0;
    sti::CMutex m_mutex;
    std::unique_ptr<sti::CConditionVariable> m_condition; // outer lock is m_mutex
};
