#pragma once
// Connects data-message handlers over new Ant sockets and waits for the Ant thread to
// connect each one. Until then a descriptor has no connect of its own in progress, and some
// platforms report such a descriptor as failed to a poller; so the socket stays here,
// looked at every POLL_MS, and reaches the dispatcher only once it is connected: then it is
// registered for reading and the handler gets OnConnected. A failure, or no connection
// within the dispatcher's connect time-out, reaches the handler as a failed connect.
//
// Owns the sockets it waits for; runs on the calling thread's dispatcher (its timer).

#include "infra/Dispatcher.h"
#include "infra/Status.h"
#include "infra/TimeEventHandler.h"
#include "infra/TimeValue.h"
#include "transport/ant/AntAddress.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CAnt;
class CAntSocket;
class CTransportManagerHandler;
class CTransportSession;

class CAntConnectWait : public sti::ITimeEventHandler {
public:
    static constexpr std::int32_t POLL_MS = 10;

    // Sockets connect through the given transport (it outlives this), the process's when null.
    explicit CAntConnectWait(CAnt* ant = nullptr);
    // Closes every socket still waiting; their handlers are not told.
    ~CAntConnectWait() override;

    CAntConnectWait(const CAntConnectWait&) = delete;
    CAntConnectWait& operator=(const CAntConnectWait&) = delete;

    // A new Ant socket for the handler of the session, asked to connect to the address.
    // ST_SUCCESS once it waits here; any failure leaves nothing behind and the handler
    // untouched.
    Status Connect(CTransportSession* session, CTransportManagerHandler* handler, const CAntAddress& address);
    // The session goes: its socket, if still waiting, is closed.
    void Drop(const CTransportSession* session);
    std::size_t GetCount() const { return m_waits.size(); }
    void SetTimeout(std::int32_t milliseconds) { m_timeoutMs = milliseconds; }

    Status OnTimer(int timerId, const sti::CTimeValue& now, void* parameter) override;
    Status OnTimerRemoved(int timerId, void* parameter) override;

private:
    struct SWait {
        CTransportSession* session;        // not owned
        CTransportManagerHandler* handler; // not owned
        std::unique_ptr<CAntSocket> socket;
        sti::CTimeValue deadline;
    };

    Status ArmTimer();
    // Connected: the dispatcher takes the socket and the handler hears of it.
    void Hand(SWait wait);
    void Fail(SWait wait, Status status);

    CAnt* m_ant; // not owned
    std::vector<SWait> m_waits;
    int m_timerId = -1;
    std::int32_t m_timeoutMs = sti::CDispatcher::CONNECT_TIMEOUT_MS;
};
