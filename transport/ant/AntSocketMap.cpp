#include "transport/ant/AntSocketMap.h"

#include "infra/Singleton.h"

#include <iterator>
#include <new>

CAntSocketMap* CAntSocketMap::Instance()
{
    return sti::CSingleton<CAntSocketMap>::Instance();
}

Status CAntSocketMap::Insert(STI_OS::SocketHandle descriptor, CAntSession* session)
{
    sti::CScopedLock guard(m_lock);
    auto found = m_sessions.find(descriptor);
    if (found != m_sessions.end()) {
        found->second = session;
        // One descriptor leads to one session.
        auto next = std::next(found);
        while (next != m_sessions.end() && next->first == descriptor) {
            next = m_sessions.erase(next);
        }
        return ST_SUCCESS;
    }
    try {
        m_sessions.emplace(descriptor, session);
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    return ST_SUCCESS;
}

CAntSession* CAntSocketMap::Find(STI_OS::SocketHandle descriptor) const
{
    sti::CScopedLock guard(m_lock);
    auto found = m_sessions.find(descriptor);
    return found != m_sessions.end() ? found->second : nullptr;
}

void CAntSocketMap::EraseAll(STI_OS::SocketHandle descriptor)
{
    sti::CScopedLock guard(m_lock);
    m_sessions.erase(descriptor);
}

void CAntSocketMap::Erase(STI_OS::SocketHandle descriptor, const CAntSession* session)
{
    sti::CScopedLock guard(m_lock);
    auto range = m_sessions.equal_range(descriptor);
    for (auto it = range.first; it != range.second;) {
        it = it->second == session ? m_sessions.erase(it) : std::next(it);
    }
}

std::size_t CAntSocketMap::GetCount() const
{
    sti::CScopedLock guard(m_lock);
    return m_sessions.size();
}
