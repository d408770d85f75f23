#pragma once
// The signal by which the Ant thread tells AntStart that its UDP socket is set up (or could
// not be): a done flag and a result byte, set once under the mutex; waiters test the flag
// under the mutex, so a signal before the wait is not missed.

#include "infra/ConditionVariable.h"
#include "infra/Lock.h"

#include <cstdint>

class CAntStartEvent {
public:
    // The start was taken (socket bound or not).
    static constexpr std::uint8_t RESULT_STARTED = 1;
    // The Ant thread ended without taking it.
    static constexpr std::uint8_t RESULT_NOT_RUNNING = 0;

    CAntStartEvent() : m_condition(m_mutex) {}
    CAntStartEvent(const CAntStartEvent&) = delete;
    CAntStartEvent& operator=(const CAntStartEvent&) = delete;

    // The first signal counts; later ones change nothing.
    void Signal(std::uint8_t result);
    // True once signalled (result set); false when the time ran out first.
    bool Wait(std::uint32_t milliseconds, std::uint8_t& result);
    bool IsSignalled();

private:
    bool m_done = false;
    std::uint8_t m_result = 0;
    sti::CMutex m_mutex;
    sti::CConditionVariable m_condition; // outer lock is m_mutex
};
