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
    : m_sessions(sessions), m_dispatcher(dispatcher), m_thread(thread), m_batched(STI_OS::HasBatchedDatagramCalls())
{}

std::uint32_t CAntUDPSockHandler::PrepareSlots(STI_OS::SDatagramIn* slots, std::uint32_t count)
{
    std::uint32_t ready = 0;
    for (; ready < count; ++ready) {
        CPacketRef& buffer = m_buffers[ready];
        if (!buffer)
            buffer = CPacketRef::Allocate();
        if (!buffer)
            break;
        slots[ready] = STI_OS::SDatagramIn();
        slots[ready].Buffer = buffer->Data;
        slots[ready].Size = ANT_MAX_DATAGRAM;
    }
    if (ready == 0) {
        slots[0] = STI_OS::SDatagramIn();
        slots[0].Buffer = m_discard;
        slots[0].Size = sizeof m_discard;
        return 1;
    }
    return ready;
}

Status CAntUDPSockHandler::OnRead(sti::CUDPSocket* socket)
{
    // The sessions answer most datagrams (acknowledgements above all): the answers to one
    // event's datagrams leave together.
    m_gathering = m_batched;
    ReadDatagrams(socket->GetHandle());
    m_gathering = false;
    m_batch.Send(socket->GetHandle());
    return ST_SUCCESS;
}

void CAntUDPSockHandler::ReadDatagrams(STI_OS::SocketHandle handle)
{
    STI_OS::SDatagramIn slots[MAX_DATAGRAMS_PER_EVENT];
    std::uint32_t left = MAX_DATAGRAMS_PER_EVENT;
    while (left > 0) {
        const std::uint32_t asked = PrepareSlots(slots, m_batched ? left : 1);
        std::uint32_t received = 0;
        // Slot presets: the address of an unreachable report is known only where the
        // platform tells it.
        const Status status = STI_OS::RecvFromBatch(handle, slots, asked, received);
        if (NothingWaiting(status) || received == 0) {
            return;
        }
        left -= received;
        for (std::uint32_t i = 0; i < received; ++i) {
            const STI_OS::SDatagramIn& slot = slots[i];
            const CIPEndpoint source(CIPAddress(slot.Address), slot.Port);
            if (slot.Result == ST_CONN_RESET) {
                // A report the sessions cannot place is dropped: there is no one to answer.
                (void)m_sessions.OnUnreachable(source);
                continue;
            }
            if (slot.Result != ST_SUCCESS || slot.Buffer == m_discard) {
                continue; // this datagram is lost (too long, say), the socket and the others are not
            }
            CPacketRef& buffer = m_buffers[i];
            buffer->Length = slot.Count;
            if (slot.Count < ANT_HEADER_SIZE) {
                // A reused buffer reads as a fresh one, whose header is zeroed.
                std::memset(buffer->Data + slot.Count, 0, ANT_HEADER_SIZE - slot.Count);
            }
            // A datagram the sessions refuse is dropped: there is no one to answer.
            (void)m_sessions.OnDatagram(*buffer, source);
            // A buffer the sessions keep is theirs now; one they let go serves the next read.
            if (buffer->RefCount > 1) {
                buffer.Reset();
            }
        }
        const bool drained = received < asked && slots[received - 1].Result == ST_SUCCESS;
        if (drained) {
            return;
        }
    }
}

Status CAntUDPSockHandler::OnWrite(sti::CUDPSocket* socket)
{
    m_gathering = m_batched;
    const Status status = m_sessions.OnWritable();
    m_gathering = false;
    m_batch.Send(socket->GetHandle());
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
    if (m_gathering) {
        if (m_batch.IsFull()) {
            m_batch.Send(m_object->GetHandle());
        }
        m_batch.Add(packet, destination);
        return ST_SUCCESS;
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
