#pragma once
// The end of a close after write on a stream socket. Closing a socket while bytes from the
// peer are still unread makes the system reset the connection, and a reset can destroy what
// the peer has not read yet of ours: the last message, typically, which a peer that is still
// sending never sees. So the sending direction is shut down instead (the peer reads all we
// wrote, then the end of the stream), and whatever still arrives is read and dropped until
// the peer closes too, the socket fails, or LIMIT_MS pass; only then is the socket closed.
// One handler serves one socket and dies with it; the dispatcher owns the socket throughout.

#include "infra/PollableObject.h"
#include "infra/SocketEventHandler.h"

#include <cstdint>

namespace sti {

class CDispatcher;

class CLingeringCloseHandler : public CSocketEventHandler<IRWPollableObject> {
public:
    static constexpr std::int32_t LIMIT_MS = 5000;
    static constexpr int LIMIT_TIMER_KEY = 1;
    // Bytes dropped per readable event at most, so that one busy peer cannot hold the thread.
    static constexpr std::uint32_t READ_LIMIT = 64 * 1024;

    // Takes over a closed object that its handler has let go (OnRemoved done, no keyed
    // timers left) and that is out of the poller. False, nothing changed, when the object is
    // no connected stream or cannot be watched: the caller then deletes it.
    static bool Start(CDispatcher& dispatcher, IPollableObject* object);

    Status OnRead(IRWPollableObject* object) override;
    Status OnWrite(IRWPollableObject* object) override;
    Status OnTimer(IRWPollableObject* object, const CTimeValue& now, int key) override;

private:
    explicit CLingeringCloseHandler(CDispatcher& dispatcher) : m_dispatcher(dispatcher) {}

    CDispatcher& m_dispatcher;
};

} // namespace sti
