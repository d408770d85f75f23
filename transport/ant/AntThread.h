#pragma once
// The Ant thread ("ANT"): every session, packet, timer and the UDP socket of the transport
// live here, driven by the thread's own dispatcher in turns of at most 40 ms. Other threads
// reach it only through CAnt's pipe queue (SAntInternalMsg records); the fields below are
// touched by this thread alone once it runs.
//
// A stop request ends the loop once no session is left: the queue closes, every session's
// loopback backend is closed, and sessions still there after 5000 ms are destroyed.

#include "infra/IPAddress.h"
#include "infra/Longevity.h"
#include "infra/QueueThread.h"
#include "infra/UDPSocket.h"
#include "transport/ant/AntControlHandler.h"
#include "transport/ant/AntInternalMsg.h"

#include <cstdint>
#include <memory>
#include <string>

class CAnt;
class CAntUDPSockHandler;
class IAntSessionManager;

class CAntThread : public sti::CQueueThread<SAntInternalMsg> {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::ANT_THREAD;
    static constexpr std::uint32_t TURN_MS = 40;
    static constexpr std::uint32_t STOP_GRACE_MS = 5000;

    // The process's Ant thread (null only if it cannot be created).
    static CAntThread* Instance();

    // Sessions of the process's CAntSessionManager.
    CAntThread();
    // Sessions of the given manager, which outlives the thread.
    explicit CAntThread(IAntSessionManager& sessions);
    // Requests the stop and waits for the thread to end.
    ~CAntThread() override;

    // Before Start, by CAnt: the reading end of its queue, and CAnt itself to report the
    // bound port and the start to. Null drops both.
    void Attach(std::unique_ptr<CAntMessageQueue> queue, CAnt* owner);

    // Ant thread only from here on (checked in debug builds).

    // One record from the queue. ST_INTERNAL_ERROR for an unknown type.
    Status Dispatch(const SAntInternalMsg& message);

    std::uint32_t GetClientId() const { return m_clientId; }
    const std::string& GetRendezvousHost() const { return m_serverHost; }
    // The rendezvous server; its host name is resolved on the first call that needs it and
    // kept from then on.
    Status GetRendezvousAddress(CIPEndpoint& server);
    // Address and port the UDP socket is bound to (port 0 before the start).
    const CIPEndpoint& GetLocalBindAddress() const { return m_localBind; }
    // Null while the transport has no UDP socket.
    CAntUDPSockHandler* GetUDPHandler() const { return m_udpHandler; }
    IAntSessionManager* GetSessionManager() const { return m_sessions; }
    // Connects a user's descriptor to a session's loopback listener, unless its owner has
    // closed it meanwhile (ST_CONNECTION_CLOSED); see CAnt::ConnectUserSocket. This and
    // CloseUserSocket touch only CAnt, which locks, so any thread may call them.
    Status ConnectUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial, const CIPEndpoint& listener);
    // Closes a user's descriptor through its owner, unless that descriptor was closed already
    // (ST_NOT_FOUND); see CAnt::AntCloseSocket.
    Status CloseUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial);

    // Removal notice of the UDP socket's handler by the dispatcher (the queue's: OnQueueDetached).
    void OnUDPHandlerRemoved(CAntUDPSockHandler* handler);

protected:
    std::uint32_t Run() override;
    sti::IBaseSockEventHandler* NewQueueHandler() override;
    void OnExit() override;

private:
    Status OnStartMessage(const SAntInternalMsg::SStart& start);
    Status OpenUDPSocket(std::uint16_t port);
    void CloseUDPSocket();

    std::unique_ptr<IAntSessionManager> m_ownSessions; // the link to the process's sessions
    IAntSessionManager* m_sessions = nullptr;          // m_ownSessions or the caller's
    CAnt* m_owner = nullptr;                           // not owned
    sti::CUDPSocket* m_udpSocket = nullptr;            // the dispatcher's
    CAntUDPSockHandler* m_udpHandler = nullptr;        // deleted with the socket
    std::uint32_t m_clientId = 0;
    std::string m_serverHost;
    CIPEndpoint m_server; // address 0 until resolved
    CIPEndpoint m_localBind;
};
