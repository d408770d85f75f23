#include "infra/CompletionEvent.h"

CCompletionEvent::CCompletionEvent() : m_condition(std::make_unique<sti::CConditionVariable>(m_mutex)) {}

CCompletionEvent::~CCompletionEvent() = default;

void CCompletionEvent::Signal()
{
    sti::CScopedLock lock(m_mutex);
    m_result = 1;
    m_done = 1;
    m_condition->Broadcast();
}

std::uint8_t* CCompletionEvent::Wait()
{
    sti::CScopedLock lock(m_mutex);
    while (!m_done)
        m_condition->Wait(sti::WAIT_INFINITE);
    return &m_result;
}
