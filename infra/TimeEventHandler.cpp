#include "infra/TimeEventHandler.h"

#include "infra/TimerQueue.h"

#include <new>

namespace sti {

ITimeEventHandler::~ITimeEventHandler()
{
    // A cancel forgets the id itself; pop first so a refused cancel cannot loop.
    while (m_timers && !m_timers->empty()) {
        OwnTimer timer = m_timers->back();
        m_timers->pop_back();
        // A timer that fired meanwhile is gone already.
        (void)timer.queue->CancelOwned(timer.id, this);
    }
}

Status ITimeEventHandler::OnTimerRemoved(int timerId, void* parameter)
{
    (void)timerId;
    (void)parameter;
    return ST_SUCCESS;
}

int ITimeEventHandler::RememberTimer(CTimerQueue* queue, int id)
{
    try {
        if (!m_timers) {
            m_timers.reset(new std::vector<OwnTimer>);
        }
        m_timers->push_back(OwnTimer{queue, id});
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return static_cast<int>(m_timers->size() - 1);
}

void ITimeEventHandler::ForgetTimer(CTimerQueue* queue, int id, int slot)
{
    if (!m_timers || slot < 0 || static_cast<std::size_t>(slot) >= m_timers->size()) {
        return;
    }
    OwnTimer& forgotten = (*m_timers)[static_cast<std::size_t>(slot)];
    if (forgotten.queue != queue || forgotten.id != id) {
        return;
    }
    forgotten = m_timers->back();
    m_timers->pop_back();
    if (static_cast<std::size_t>(slot) < m_timers->size()) {
        forgotten.queue->MoveOwnerSlot(forgotten.id, slot);
    }
}

} // namespace sti
