#include "infra/PollableObject.h"

#include "infra/KeyedTimer.h"

namespace sti {

IPollableObject::IPollableObject() = default;

IPollableObject::~IPollableObject() = default;

void IPollableObject::SetKeyedTimers(std::unique_ptr<CKeyedTimerSet> timers)
{
    m_keyedTimers = std::move(timers);
}

std::unique_ptr<CKeyedTimerSet> IPollableObject::TakeKeyedTimers()
{
    return std::move(m_keyedTimers);
}

} // namespace sti
