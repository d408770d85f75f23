#pragma once
// Handler of the transport's one UDP socket on the Ant thread: it reads the waiting datagrams
// straight into packet buffers for the session layer, runs the send flush while the socket takes
// more, and carries the sessions' timers as keyed timers of the socket, keyed (kind << 16) |
// session id. Where the platform has batched datagram calls it reads in batches, and what one
// read event or one flush sends leaves in batches. Whatever goes wrong with one datagram, one
// send or one session stays with it: nothing here ever gives the dispatcher a reason to close
// the socket.

#include "infra/Dispatcher.h"
#include "infra/SocketEventHandler.h"
#include "infra/UDPSocket.h"
#include "transport/ant/AntSendBatch.h"
#include "transport/ant/PacketPool.h"
#include "transport/ant/wire/AntPacket.h"

#include <cstdint>

class CAntThread;
class IAntSessionManager;

class CAntUDPSockHandler : public sti::CSocketAttachedEventHandler<sti::CUDPSocket> {
public:
    // Datagrams read per readable event; more wait for the next round, so the other
    // sockets of the thread get their turn.
    static constexpr int MAX_DATAGRAMS_PER_EVENT = 64;
    static_assert(MAX_DATAGRAMS_PER_EVENT <= int(STI_OS::MAX_DATAGRAM_BATCH), "one event, one batch at best");

    // All three outlive the handler, which the dispatcher deletes together with its socket;
    // the thread (if any) hears of that removal.
    CAntUDPSockHandler(IAntSessionManager& sessions, sti::CDispatcher& dispatcher, CAntThread* thread = nullptr);

    using sti::CSocketAttachedEventHandler<sti::CUDPSocket>::OnRead;
    using sti::CSocketAttachedEventHandler<sti::CUDPSocket>::OnWrite;
    using sti::CSocketAttachedEventHandler<sti::CUDPSocket>::OnTimer;
    using sti::CSocketAttachedEventHandler<sti::CUDPSocket>::OnRemoved;

    Status OnRead(sti::CUDPSocket* socket) override;
    Status OnWrite(sti::CUDPSocket* socket) override;
    Status OnTimer(sti::CUDPSocket* socket, const sti::CTimeValue& now, int key) override;
    Status OnRemoved(sti::CUDPSocket* socket) override;

    // For the session layer. One datagram of packet.Length bytes; a failure is the caller's
    // alone. ST_NOT_CONNECTED when the socket is gone. During the send flush and a read event,
    // where the platform sends batches, the datagram is held for their batch and ST_SUCCESS
    // means only that: one the socket then refuses is lost as a send that would block is.
    Status SendTo(const SAntPacket& packet, const CIPEndpoint& destination);
    Status GetLocalAddress(CIPEndpoint& local) const;
    // Write interest until the flush answers that nobody waits.
    Status RequestWrite();
    // Arms (or re-arms) the session's timer of that kind.
    Status ArmTimer(std::uint16_t sessionId, std::uint16_t kind, std::int32_t milliseconds);
    // ST_NOT_FOUND when it is not armed.
    Status CancelTimer(std::uint16_t sessionId, std::uint16_t kind);
    sti::CDispatcher& GetDispatcher() const { return m_dispatcher; }

    static int MakeTimerKey(std::uint16_t sessionId, std::uint16_t kind)
    {
        return int((std::uint32_t(kind) << 16) | sessionId);
    }

private:
    IAntSessionManager& m_sessions;
    sti::CDispatcher& m_dispatcher;
    CAntThread* m_thread;
    // Reads the event's datagrams and hands them to the sessions.
    void ReadDatagrams(STI_OS::SocketHandle handle);
    // Makes every receive slot a packet buffer; at least the first gets one (the discard
    // buffer when memory is out). Returns the slots ready.
    std::uint32_t PrepareSlots(STI_OS::SDatagramIn* slots, std::uint32_t count);

    // Buffers for the next receive, kept between events while nobody else holds them.
    CPacketRef m_buffers[MAX_DATAGRAMS_PER_EVENT];
    // Takes a datagram that no buffer can be had for, so that it is read and lost.
    std::uint8_t m_discard[ANT_MAX_DATAGRAM];
    CAntSendBatch m_batch;
    // Where the platform moves a batch in one call; elsewhere datagrams are read, handed over
    // and answered one at a time.
    const bool m_batched;
    // Set while the send flush or a read event runs: sends go to m_batch.
    bool m_gathering = false;
};
