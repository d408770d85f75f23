#pragma once
// From a user's Ant socket descriptor to its session. The one transport table shared with
// other threads: every access holds the map's mutex. Only the Ant thread follows the session
// pointers; other threads only erase entries.

#include "infra/Lock.h"
#include "infra/Longevity.h"
#include "infra/Status.h"
#include "infra/os/Socket.h"

#include <cstddef>
#include <map>

class CAntSession;

class CAntSocketMap {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::ANT_SOCKET_MAP;

    // The process's map (null only if it cannot be created).
    static CAntSocketMap* Instance();

    CAntSocketMap() = default;
    CAntSocketMap(const CAntSocketMap&) = delete;
    CAntSocketMap& operator=(const CAntSocketMap&) = delete;

    // The descriptor now leads to session, replacing whatever it led to. ST_NO_MEMORY when
    // the table cannot grow.
    Status Insert(STI_OS::SocketHandle descriptor, CAntSession* session);
    // Null when the descriptor has no session.
    CAntSession* Find(STI_OS::SocketHandle descriptor) const;
    // Every entry of the descriptor (stale ones of a reused descriptor number included).
    void EraseAll(STI_OS::SocketHandle descriptor);
    // Only the entry that leads to this session: a session going away must not take a newer
    // session's entry for the same descriptor number with it.
    void Erase(STI_OS::SocketHandle descriptor, const CAntSession* session);
    std::size_t GetCount() const;

private:
    std::multimap<STI_OS::SocketHandle, CAntSession*> m_sessions;
    mutable sti::CMutex m_lock;
};
