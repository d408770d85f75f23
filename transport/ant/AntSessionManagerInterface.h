#pragma once
// What the Ant thread asks of the session layer. Every call comes on the Ant thread. The
// process's sessions (CAntSessionManager) are reached through CAntSessionLink; tests give
// their own.

#include "infra/IPAddress.h"
#include "infra/Status.h"
#include "infra/os/Socket.h"

#include <cstddef>
#include <cstdint>

class CAntSession;
class CAntThread;
class CAntUDPSockHandler;
struct SAntPacket;

class IAntSessionManager {
public:
    virtual ~IAntSessionManager() = default;

    // The thread whose sessions these are (own client id, rendezvous address, user socket
    // connection); null when it ends.
    virtual void SetAntThread(CAntThread* thread) = 0;
    // The handler of the transport's UDP socket, for sending and session timers; null when
    // the socket goes.
    virtual void SetUDPHandler(CAntUDPSockHandler* handler) = 0;
    // Whether connect requests advertise the local address.
    virtual void SetAdvertiseLocalAddress(bool advertise) = 0;

    // A new session for the user's descriptor, entered in the indexes and in CAntSocketMap;
    // the caller starts it. serial tells this descriptor from later ones of the same number
    // (CAntThread::ConnectUserSocket wants it).
    virtual Status CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                                 std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session) = 0;
    // Starts the session's handshake.
    virtual Status StartSession(CAntSession* session) = 0;

    // A datagram arrived (its length is the bytes received, at most ANT_MAX_DATAGRAM). A
    // session that keeps the buffer takes a reference of its own. The result concerns this
    // datagram only.
    virtual Status OnDatagram(SAntPacket& packet, const CIPEndpoint& source) = 0;
    // A previous send to address was reported unreachable.
    virtual Status OnUnreachable(const CIPEndpoint& address) = 0;
    // The UDP socket takes more: the send flush. ST_NO_MORE_DATA when nobody waits to send.
    virtual Status OnWritable() = 0;
    // Timer kind of session id expired (CAntUDPSockHandler::ArmTimer); ST_NOT_FOUND for an
    // unknown session.
    virtual Status OnSessionTimer(std::uint16_t sessionId, std::uint16_t kind) = 0;

    virtual std::size_t GetSessionCount() const = 0;
    // Shutdown steps: close the loopback backend of every session; destroy every session.
    virtual void CloseAllBackends() = 0;
    virtual void DestroyAllSessions() = 0;
};
