#include "transport/ant/AntStartEvent.h"

#include "infra/TimeValue.h"

void CAntStartEvent::Signal(std::uint8_t result)
{
    sti::CScopedLock guard(m_mutex);
    if (m_done) {
        return;
    }
    m_done = true;
    m_result = result;
    m_condition.Broadcast();
}

bool CAntStartEvent::Wait(std::uint32_t milliseconds, std::uint8_t& result)
{
    const sti::CTimeValue deadline = sti::CTimeValue::Now() + sti::CTimeSpan(std::int32_t(milliseconds));
    sti::CScopedLock guard(m_mutex);
    while (!m_done) {
        const std::int32_t left = (deadline - sti::CTimeValue::Now()).GetMilliseconds();
        if (left <= 0) {
            return false;
        }
        m_condition.Wait(std::uint32_t(left));
    }
    result = m_result;
    return true;
}

bool CAntStartEvent::IsSignalled()
{
    sti::CScopedLock guard(m_mutex);
    return m_done;
}
