#include "transport/transfer/AntConnectWait.h"

#include "infra/BaseSockEventHandler.h"
#include "infra/PollableObject.h"
#include "infra/os/Socket.h"
#include "transport/ant/AntSocket.h"
#include "transport/transfer/TransportManagerHandler.h"
#include "transport/transfer/TransportSession.h"

#include <new>
#include <utility>

namespace {

// ST_IN_PROGRESS until the descriptor has its peer.
Status ConnectState(const CAntSocket& socket)
{
    const Status error = STI_OS::GetSocketError(socket.GetHandle());
    if (error != ST_SUCCESS) {
        return error;
    }
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    return STI_OS::GetPeerName(socket.GetHandle(), address, port) == ST_SUCCESS ? ST_SUCCESS : ST_IN_PROGRESS;
}

} // namespace

CAntConnectWait::CAntConnectWait(CAnt* ant) : m_ant(ant) {}

CAntConnectWait::~CAntConnectWait()
{
    m_waits.clear();
}

Status CAntConnectWait::Connect(CTransportSession* session, CTransportManagerHandler* handler,
                                const CAntAddress& address)
{
    if (session == nullptr || handler == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    // Until a wait holds it, the socket closes its descriptor through the transport, which
    // then never connects it.
    std::unique_ptr<CAntSocket> socket(new (std::nothrow) CAntSocket(m_ant));
    if (!socket) {
        return ST_NO_MEMORY;
    }
    try {
        m_waits.reserve(m_waits.size() + 1);
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    Status status = socket->Connect(address, true);
    if (status != ST_IN_PROGRESS) {
        return status == ST_SUCCESS ? ST_INTERNAL_ERROR : status;
    }
    status = ArmTimer();
    if (status != ST_SUCCESS) {
        return status;
    }
    const sti::CTimeValue deadline = sti::CTimeValue::Now() + sti::CTimeSpan(m_timeoutMs);
    m_waits.push_back(SWait{session, handler, std::move(socket), deadline});
    return ST_SUCCESS;
}

void CAntConnectWait::Drop(const CTransportSession* session)
{
    for (auto it = m_waits.begin(); it != m_waits.end();) {
        it = it->session == session ? m_waits.erase(it) : it + 1;
    }
}

Status CAntConnectWait::ArmTimer()
{
    if (m_timerId >= 0) {
        return ST_SUCCESS;
    }
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    if (dispatcher == nullptr) {
        return ST_NO_MEMORY;
    }
    return dispatcher->ScheduleTimer(sti::CTimeValue::Now() + sti::CTimeSpan(POLL_MS), this, nullptr, m_timerId);
}

Status CAntConnectWait::OnTimer(int timerId, const sti::CTimeValue& now, void* parameter)
{
    (void)parameter;
    if (timerId != m_timerId) {
        return ST_NOT_FOUND;
    }
    // The handlers' calls may start or drop waits: the finished ones leave the list first.
    std::vector<SWait> connected;
    std::vector<std::pair<SWait, Status>> failed;
    for (auto it = m_waits.begin(); it != m_waits.end();) {
        const Status state = ConnectState(*it->socket);
        if (state == ST_SUCCESS) {
            connected.push_back(std::move(*it));
        } else if (state != ST_IN_PROGRESS) {
            failed.emplace_back(std::move(*it), ST_SOCKET_ERROR);
        } else if (now >= it->deadline) {
            failed.emplace_back(std::move(*it), ST_TIMEOUT);
        } else {
            ++it;
            continue;
        }
        it = m_waits.erase(it);
    }
    if (!m_waits.empty()) {
        sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
        if (dispatcher != nullptr) {
            // Rescheduled from its own firing, the timer is alive: this cannot fail.
            (void)dispatcher->RescheduleTimer(timerId, POLL_MS);
        }
    }
    for (SWait& wait : connected) {
        Hand(std::move(wait));
    }
    for (auto& entry : failed) {
        Fail(std::move(entry.first), entry.second);
    }
    return ST_SUCCESS;
}

Status CAntConnectWait::OnTimerRemoved(int timerId, void* parameter)
{
    (void)parameter;
    if (timerId == m_timerId) {
        m_timerId = -1;
    }
    return ST_SUCCESS;
}

void CAntConnectWait::Hand(SWait wait)
{
    // A handler that let its session go is gone with it; only a linked pair is served.
    if (wait.session->GetHandler() != wait.handler) {
        return;
    }
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    sti::IBaseSockEventHandler* handler = wait.handler;
    CAntSocket* socket = wait.socket.get();
    const Status status =
        dispatcher != nullptr ? dispatcher->Register(socket, handler, sti::INTEREST_READ) : ST_NO_MEMORY;
    if (status != ST_SUCCESS) {
        Fail(std::move(wait), status);
        return;
    }
    wait.socket.release(); // the dispatcher's now
    socket->SetState(sti::STATE_CONNECTED);
    if (handler->OnConnected(socket) != ST_SUCCESS) {
        // As for a connection that failed in its first round: the handler hears it dropped.
        dispatcher->Close(socket, true);
    }
}

void CAntConnectWait::Fail(SWait wait, Status status)
{
    if (wait.session->GetHandler() != wait.handler) {
        return;
    }
    sti::IBaseSockEventHandler* handler = wait.handler;
    // The handler deletes itself here; the socket goes after it.
    // A notice: the handler ends itself here.
    (void)handler->OnConnectFailed(wait.socket.get(), status);
}
