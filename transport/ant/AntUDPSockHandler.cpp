#include "transport/ant/AntUDPSockHandler.h"

#include "transport/ant/AntSessionManagerInterface.h"
#include "transport/ant/AntThread.h"
#include "transport/ant/PacketPool.h"

#include <cstring>

namespace {

bool NothingWaiting(Status status)
{
    return status == ST_TRY_LATER || status == ST_WOULD_BLOCK || status == ST_TIMEOUT;
}

} // namespace

CAntUDPSockHandler::CAntUDPSockHandler(IAntSessionManager& sessions, sti::CDispatcher& dispatcher, CAntThread* thread)
    : m_sessions(sessions), m_dispatcher(dispatcher), m_thread(thread)
{}

Status CAntUDPSockHandler::OnRead(sti::CUDPSocket* socket)
{
    for (int i = 0; i < MAX_DATAGRAMS_PER_EVENT; ++i) {
        std::uint32_t count = 0;
        // Preset: the address of an unreachable report is known only where the platform
        // tells it.
        std::uint32_t address = 0;
        std::uint16_t port = 0;
        const Status status = STI_OS::RecvFrom(socket->GetHandle(), m_receive, sizeof m_receive, count, address, port);
        if (NothingWaiting(status)) {
            return ST_SUCCESS;
        }
        const CIPEndpoint source(CIPAddress(address), port);
        if (status == ST_CONN_RESET) {
            // A report the sessions cannot place is dropped: there is no one to answer.
            (void)m_sessions.OnUnreachable(source);
            continue;
        }
        if (status != ST_SUCCESS || count > ANT_MAX_DATAGRAM) {
            continue; // this datagram is lost, the socket and the others are not
        }
        CPacketRef packet = CPacketRef::Allocate();
        if (!packet) {
            continue;
        }
        std::memcpy(packet->Data, m_receive, count);
        packet->Length = count;
        // A datagram the sessions refuse is dropped: there is no one to answer.
        (void)m_sessions.OnDatagram(*packet, source);
    }
    return ST_SUCCESS;
}

Status CAntUDPSockHandler::OnWrite(sti::CUDPSocket* socket)
{
    (void)socket;
    const Status status = m_sessions.OnWritable();
    if (status == ST_SUCCESS || status == ST_MORE_DATA) {
        return ST_MORE_DATA;
    }
    // A failed flush drops write interest; a session that still wants to send asks again.
    return ST_NO_MORE_DATA;
}

Status CAntUDPSockHandler::OnTimer(sti::CUDPSocket* socket, const sti::CTimeValue& now, int key)
{
    (void)socket;
    (void)now;
    const std::uint32_t id = std::uint32_t(key);
    return m_sessions.OnSessionTimer(std::uint16_t(id & 0xFFFF), std::uint16_t(id >> 16));
}

Status CAntUDPSockHandler::OnRemoved(sti::CUDPSocket* socket)
{
    (void)socket;
    if (m_thread != nullptr) {
        m_thread->OnUDPHandlerRemoved(this);
    } else {
        m_sessions.SetUDPHandler(nullptr);
    }
    delete this;
    return ST_SUCCESS;
}

Status CAntUDPSockHandler::SendTo(const SAntPacket& packet, const CIPEndpoint& destination)
{
    if (m_object == nullptr) {
        return ST_NOT_CONNECTED;
    }
    if (packet.Length == 0 || packet.Length > ANT_MAX_DATAGRAM) {
        return ST_OUT_OF_BOUNDS;
    }
    return STI_OS::SendTo(m_object->GetHandle(), packet.Data, packet.Length, destination.GetAddress().Get(),
                          destination.GetPort());
}

Status CAntUDPSockHandler::GetLocalAddress(CIPEndpoint& local) const
{
    if (m_object == nullptr) {
        return ST_NOT_CONNECTED;
    }
    return m_object->GetLocalAddress(local);
}

Status CAntUDPSockHandler::RequestWrite()
{
    if (m_object == nullptr) {
        return ST_NOT_CONNECTED;
    }
    return m_dispatcher.EnableWrite(m_object, true);
}

Status CAntUDPSockHandler::ArmTimer(std::uint16_t sessionId, std::uint16_t kind, std::int32_t milliseconds)
{
    if (m_object == nullptr) {
        return ST_NOT_CONNECTED;
    }
    const int key = MakeTimerKey(sessionId, kind);
    Status status = m_dispatcher.SetObjectTimer(m_object, milliseconds, key);
    if (status == ST_ALREADY_EXISTS) {
        status = m_dispatcher.RestartObjectTimer(m_object, key, milliseconds);
    }
    return status;
}

Status CAntUDPSockHandler::CancelTimer(std::uint16_t sessionId, std::uint16_t kind)
{
    if (m_object == nullptr) {
        return ST_NOT_CONNECTED;
    }
    const Status status = m_dispatcher.CancelObjectTimer(m_object, MakeTimerKey(sessionId, kind));
    // A socket that never had a timer answers ST_INTERNAL_ERROR: nothing was armed either.
    return status == ST_INTERNAL_ERROR ? ST_NOT_FOUND : status;
}
