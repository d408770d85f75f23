#pragma once
// Pumps bytes between a session and its loopback socket (the user's descriptor is the other
// end). Received payloads wait in a short queue until the socket takes them; while the queue
// is full the session keeps them in its receive window, and once the queue drains the
// session is told to deliver again. Reading is driven by the session's send flush: a
// readable socket only asks the session for a turn. Owned by the dispatcher with its socket.
// A socket call is dear on some platforms (about 100 us under Wine), so the socket is read in
// large chunks that packets are then cut from, and queued payloads leave in one write.

#include "infra/Dispatcher.h"
#include "infra/SocketEventHandler.h"
#include "infra/TCPSocket.h"
#include "transport/ant/wire/AntPacket.h"
#include "transport/ant/PacketPool.h"

#include <cstdint>
#include <deque>
#include <memory>

class CAntSession;
class CAntSessionManager;

class CAntBackendHandler : public sti::CSocketAttachedEventHandler<sti::CTCPSocket> {
public:
    // Payloads queued for the loopback socket at most; more waits in the receive window.
    static constexpr std::size_t QUEUE_LIMIT = 64;
    // Time a closing backend has to hand the user what it still holds.
    static constexpr std::int32_t FLUSH_LIMIT_MS = 5000;
    static constexpr int FLUSH_TIMER_KEY = 1;
    // Bytes taken from a failed loopback socket at most (see OnError).
    static constexpr std::size_t REMAINDER_LIMIT = 8 * 1024 * 1024;
    // Bytes taken from the loopback socket in one read at most.
    static constexpr std::uint32_t READ_CHUNK = 65536;
    // Bytes gathered for one write to the loopback socket at most: a full queue.
    static constexpr std::uint32_t WRITE_CHUNK = QUEUE_LIMIT * ANT_MAX_DATAGRAM;

    CAntBackendHandler(CAntSessionManager& manager, CAntSession& session);

    // The session is going: nothing reaches it any more.
    void ForgetSession() { m_session = nullptr; }

    bool CanAccept() const { return m_queue.size() < QUEUE_LIMIT && !m_closing; }
    bool HasQueued() const { return !m_queue.empty(); }
    // Bytes read from the socket that no packet carries yet.
    std::uint32_t GetBuffered() const { return m_readEnd - m_readStart; }
    // Queues the payload of a data packet (bytes 8 to its length) for the loopback socket.
    // ST_TRY_LATER when the queue is full.
    Status Deliver(const CPacketRef& packet);
    // Up to size bytes from the loopback socket, buffered ones first; the socket is read only
    // when fewer than size are buffered. ST_TRY_LATER (read interest re-armed) when nothing
    // is there; ST_CONNECTION_CLOSED when the user closed its end and every byte is taken.
    Status Read(void* buffer, std::uint32_t size, std::uint32_t& count);
    // Closes once the queue is written, FLUSH_LIMIT_MS at most; at once when it is empty.
    // Either way the user's end then sees an orderly close, not a reset.
    void CloseAfterFlush();
    // Closes now, dropping what is queued.
    void CloseNow();

    Status OnRead(sti::CTCPSocket* socket) override;
    Status OnWrite(sti::CTCPSocket* socket) override;
    Status OnTimer(sti::CTCPSocket* socket, const sti::CTimeValue& now, int key) override;
    // The user's end failed, typically reset because the user closed while our bytes were
    // still unread. Whatever it wrote before is still readable here on most systems: the
    // session gets it, to send it on before it closes.
    Status OnError(sti::CTCPSocket* socket, Status code) override;
    Status OnRemoved(sti::CTCPSocket* socket) override;

private:
    struct SPending {
        CPacketRef Packet;
        std::uint32_t Offset = 0;
    };

    sti::CDispatcher* Dispatcher() const;
    void EndGracefully(sti::CDispatcher& dispatcher, sti::CTCPSocket* socket);
    // One socket read into room bytes at into; the end of the stream is
    // ST_CONNECTION_CLOSED, nothing there ST_TRY_LATER with read interest armed.
    Status ReadSocket(std::uint8_t* into, std::uint32_t room, std::uint32_t& count);
    // One socket read appended to the buffered bytes.
    Status FillReadBuffer();
    // The queued payloads from the front, as many whole ones as fit WRITE_CHUNK, in one
    // buffer; a single one is not copied.
    void GatherQueued(const std::uint8_t*& data, std::uint32_t& length);
    // Drops count written bytes from the front of the queue.
    void Consume(std::uint32_t count);

    CAntSessionManager& m_manager;
    CAntSession* m_session; // null once the session is gone
    std::deque<SPending> m_queue;
    bool m_closing = false;
    // The socket had nothing: read interest is armed and no read is tried until it fires.
    bool m_awaitingData = false;
    std::uint32_t m_readStart = 0;
    std::uint32_t m_readEnd = 0;
    // Each made on first use: a session that moves nothing one way needs no buffer for it.
    // Held in the handler they made one 144 KiB block per session, which allocators serve
    // by mapping fresh pages every time.
    std::unique_ptr<std::uint8_t[]> m_readBuffer;  // READ_CHUNK bytes
    std::unique_ptr<std::uint8_t[]> m_writeBuffer; // WRITE_CHUNK bytes
};
