#include "transport/ant/AntThread.h"

#include "infra/Singleton.h"
#include "infra/TimeValue.h"
#include "transport/ant/Ant.h"
#include "transport/ant/AntSessionLink.h"
#include "transport/ant/AntSocketMap.h"
#include "transport/ant/AntStartEvent.h"
#include "transport/ant/AntUDPSockHandler.h"
#include "transport/SpeedSwitches.h"

#include <cstring>
#include <new>
#include <utility>

CAntThread* CAntThread::Instance()
{
    return sti::CSingleton<CAntThread>::Instance();
}

CAntThread::CAntThread() : CQueueThread("ANT"), m_ownSessions(new (std::nothrow) CAntSessionLink)
{
    m_sessions = m_ownSessions.get();
}

CAntThread::CAntThread(IAntSessionManager& sessions) : CQueueThread("ANT"), m_sessions(&sessions) {}

CAntThread::~CAntThread()
{
    StopAndWait();
}

void CAntThread::Attach(std::unique_ptr<CAntMessageQueue> queue, CAnt* owner)
{
    m_pendingQueue = std::move(queue);
    m_owner = owner;
}

sti::IBaseSockEventHandler* CAntThread::NewQueueHandler()
{
    if (m_sessions == nullptr) {
        return nullptr;
    }
    // Retransmission and NAK timers run at a few milliseconds on a fast path.
    m_dispatcher->SetTimelyTimers(SpeedSwitches().TimelyTimers);
    m_sessions->SetAntThread(this);
    return new (std::nothrow) CAntControlHandler(*this);
}

std::uint32_t CAntThread::Run()
{
    // Nothing could ever reach a thread without its queue: end now, so that AntStart learns
    // of it instead of waiting.
    if (m_dispatcher == nullptr || m_sessions == nullptr || m_queue == nullptr) {
        return 1;
    }
    bool stopping = false;
    sti::CTimeValue stoppedAt;
    for (;;) {
        const bool stopRequested = IsStopRequested();
        if (stopRequested && m_sessions->GetSessionCount() == 0) {
            break;
        }
        // The dispatcher handles its own errors and sleeps the round on a broken poller.
        (void)m_dispatcher->Run(TURN_MS);
        if (stopRequested && !stopping) {
            stopping = true;
            CloseQueue();
            m_sessions->CloseAllBackends();
            stoppedAt = sti::CTimeValue::Now();
        }
        if (stopping && (sti::CTimeValue::Now() - stoppedAt).GetMilliseconds() > std::int32_t(STOP_GRACE_MS)) {
            m_sessions->DestroyAllSessions();
        }
    }
    return 0;
}

void CAntThread::OnExit()
{
    CloseQueue();
    CloseUDPSocket();
    m_pendingQueue.reset();
    if (m_sessions != nullptr) {
        m_sessions->SetUDPHandler(nullptr);
        m_sessions->SetAntThread(nullptr);
    }
    if (m_owner != nullptr) {
        // A start that never came through is answered now, not never.
        m_owner->SignalStart(CAntStartEvent::RESULT_NOT_RUNNING);
    }
    CQueueThread::OnExit();
}

Status CAntThread::Dispatch(const SAntInternalMsg& message)
{
    STI_OWNING_THREAD(m_threadOwner);
    switch (message.Type) {
    case ANT_MSG_START:
        return OnStartMessage(message.Body.Start);
    case ANT_MSG_CONNECT: {
        if (m_sessions == nullptr) {
            return ST_INTERNAL_ERROR;
        }
        const SAntInternalMsg::SConnect& connect = message.Body.Connect;
        CAntSession* session = nullptr;
        Status status = m_sessions->CreateSession(connect.Descriptor, connect.Serial, connect.PeerId, connect.KeyLow,
                                                  connect.KeyHigh, session);
        if (status != ST_SUCCESS) {
            return status;
        }
        return m_sessions->StartSession(session);
    }
    case ANT_MSG_NONE:
        return ST_SUCCESS;
    case ANT_MSG_CLIENT_ID:
        m_clientId = message.Body.ClientId.ClientId;
        return ST_SUCCESS;
    case ANT_MSG_LEVEL: {
        // Sending does not follow the level; the session is only looked up.
        CAntSocketMap* map = CAntSocketMap::Instance();
        CAntSession* session = map != nullptr ? map->Find(message.Body.Level.Descriptor) : nullptr;
        return session != nullptr ? ST_SUCCESS : ST_NOT_FOUND;
    }
    default:
        return ST_INTERNAL_ERROR;
    }
}

Status CAntThread::OnStartMessage(const SAntInternalMsg::SStart& start)
{
    // The record's host field need not be terminated.
    const void* end = std::memchr(start.Host, 0, ANT_HOST_NAME_SIZE);
    const std::size_t length =
        end != nullptr ? std::size_t(static_cast<const char*>(end) - start.Host) : ANT_HOST_NAME_SIZE - 1;
    m_serverHost.assign(start.Host, length);
    m_server = CIPEndpoint(CIPAddress(0u), start.ServerPort);
    Status status = ST_SUCCESS;
    if (m_udpSocket == nullptr) {
        m_localBind.SetPort(start.LocalPort);
        status = OpenUDPSocket(start.LocalPort);
    }
    if (m_sessions != nullptr) {
        m_sessions->SetAdvertiseLocalAddress(start.AdvertiseLocalAddress != 0);
    }
    if (m_owner != nullptr) {
        m_owner->SignalStart(CAntStartEvent::RESULT_STARTED);
    }
    return status;
}

Status CAntThread::OpenUDPSocket(std::uint16_t port)
{
    if (m_dispatcher == nullptr || m_sessions == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    std::unique_ptr<sti::CUDPSocket> socket(new (std::nothrow) sti::CUDPSocket);
    std::unique_ptr<CAntUDPSockHandler> handler(new (std::nothrow)
                                                    CAntUDPSockHandler(*m_sessions, *m_dispatcher, this));
    if (!socket || !handler) {
        return ST_NO_MEMORY;
    }
    Status status = socket->Bind(port);
    if (status != ST_SUCCESS && port != 0) {
        // The wanted port is taken: any free one will do.
        status = socket->Bind(std::uint16_t(0));
    }
    if (status != ST_SUCCESS) {
        return status;
    }
    // The handler reads until the socket has nothing more.
    if (!socket->SetNonBlocking()) {
        return ST_SOCKET_ERROR;
    }
    CIPEndpoint local;
    status = socket->GetLocalAddress(local);
    if (status != ST_SUCCESS) {
        return status;
    }
    status = m_dispatcher->Register(socket.get(), handler.get(), sti::INTEREST_READ);
    if (status != ST_SUCCESS) {
        return status;
    }
    m_udpSocket = socket.release();
    m_udpHandler = handler.release();
    m_localBind = local;
    m_sessions->SetUDPHandler(m_udpHandler);
    if (m_owner != nullptr) {
        m_owner->SetLocalPort(local.GetPort());
    }
    return ST_SUCCESS;
}

Status CAntThread::GetRendezvousAddress(CIPEndpoint& server)
{
    STI_OWNING_THREAD(m_threadOwner);
    if (m_server.GetAddress().Get() == 0) {
        if (m_serverHost.empty()) {
            return ST_NOT_FOUND;
        }
        CIPAddress address;
        const Status status = address.Resolve(m_serverHost.c_str());
        if (status != ST_SUCCESS) {
            return status; // tried again next time
        }
        m_server.SetAddress(address);
    }
    server = m_server;
    return ST_SUCCESS;
}

Status CAntThread::ConnectUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial, const CIPEndpoint& listener)
{
    if (m_owner == nullptr) {
        return ST_NOT_CONNECTED;
    }
    return m_owner->ConnectUserSocket(descriptor, serial, listener);
}

Status CAntThread::CloseUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial)
{
    if (m_owner == nullptr) {
        return ST_NOT_CONNECTED;
    }
    return m_owner->AntCloseSocket(descriptor, serial);
}

void CAntThread::OnUDPHandlerRemoved(CAntUDPSockHandler* handler)
{
    STI_OWNING_THREAD(m_threadOwner);
    if (handler != m_udpHandler) {
        return;
    }
    m_udpHandler = nullptr;
    m_udpSocket = nullptr;
    if (m_sessions != nullptr) {
        m_sessions->SetUDPHandler(nullptr);
    }
}

void CAntThread::CloseUDPSocket()
{
    if (m_udpSocket != nullptr && m_dispatcher != nullptr) {
        m_dispatcher->Close(m_udpSocket, true);
    }
    if (m_sessions != nullptr && m_udpHandler != nullptr) {
        m_sessions->SetUDPHandler(nullptr);
    }
    m_udpSocket = nullptr;
    m_udpHandler = nullptr;
}
