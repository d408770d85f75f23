#include "messaging/KV2Service.h"

#include <cstring>
#include <new>
#include <utility>

#include "infra/Dispatcher.h"
#include "infra/IPAddress.h"
#include "infra/IPCMessageHeader.h"
#include "infra/ProxyTCPSocket.h"
#include "infra/Singleton.h"
#include "infra/ThreadManager.h"
#include "infra/os/Clock.h"
#include "infra/os/Socket.h"
#include "messaging/ClientBufferAllocator.h"
#include "messaging/Communicator.h"
#include "messaging/MessageVerifier.h"
#include "messaging/Protocol.h"
#include "messaging/RoutingStrategy.h"
#include "messaging/ServerConfig.h"
#include "transport/ant/Ant.h"
#include "transport/transfer/TransportManagerThread.h"

using namespace KV2Protocol;

namespace KV2Service {

namespace {

constexpr std::uint16_t SERVER_COMMANDS[] = {CMD_LOGIN_REPLY,      CMD_CONNECT_REQUEST, CMD_CONNECT_ANSWER,
                                             CMD_KEEP_ALIVE_REPLY, CMD_REDIRECT,        CMD_SESSION_ANSWER,
                                             CMD_SESSION_SETUP,    CMD_IGNORED,         CMD_SERVER_VALUE};

// Send mode of every message the service sends: queue what the socket does not take at once.
constexpr int SEND_MODE_QUEUED = 1;

} // namespace

CKV2Service* CKV2Service::Instance()
{
    return sti::CSingleton<CKV2Service>::Instance();
}

CKV2Service::CKV2Service() : CKV2Service(SServiceSettings()) {}

CKV2Service::CKV2Service(const SServiceSettings& settings)
    : sti::CNetworkThread("KV2Service"), m_settings(settings),
      m_host(settings.Host.empty() ? ServerHost() : settings.Host),
      m_port(settings.Port != 0 ? settings.Port : ServerPort()),
      m_retrySpread(settings.InitialRetrySpread != 0 ? settings.InitialRetrySpread : 1),
      m_random(static_cast<std::minstd_rand::result_type>(STI_OS::GetClock()))
{
    if (m_settings.PrivateCommunicator) {
        m_ownCommunicator.reset(new (std::nothrow) CCommunicator);
        m_communicator = m_ownCommunicator.get();
    } else {
        m_communicator = CCommunicator::Instance();
    }
}

CKV2Service::~CKV2Service()
{
    // The loop calls into this class, so it must end before this part goes.
    sti::threadman::CThreadManager* manager = sti::threadman::CThreadManager::Instance();
    if (manager == nullptr || manager->GetCurrentThread() != this) {
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(sti::WAIT_INFINITE);
    }
}

std::int64_t CKV2Service::Now()
{
    return static_cast<std::int64_t>(STI_OS::GetClock() / 1000);
}

bool CKV2Service::Prepare(CKV2ServiceEvents* events, const std::uint8_t clientId[TRANSFER_ID_SIZE],
                          std::uint16_t localUdpPort, bool advertiseLocalAddress)
{
    m_events = events;
    if (clientId)
        std::memcpy(m_clientId, clientId, TRANSFER_ID_SIZE);
    if (m_settings.UseTransport) {
        CAnt* transport = CAnt::Instance();
        // Without an Ant thread the messaging still works; transfers then fail on their own.
        if (transport)
            (void)transport->AntStart(m_host.c_str(), m_port, localUdpPort, advertiseLocalAddress);
    }
    return CreateMessageQueue() == ST_SUCCESS;
}

bool CKV2Service::Start(CKV2ServiceEvents* events, const std::uint8_t clientId[TRANSFER_ID_SIZE],
                        std::uint16_t localUdpPort, bool advertiseLocalAddress)
{
    if (m_started.exchange(true))
        return true;
    if (!Prepare(events, clientId, localUdpPort, advertiseLocalAddress))
        return false;
    return sti::CThread::Start() == ST_SUCCESS;
}

namespace {

bool PostKind(sti::CNetworkThread& thread, std::uint32_t kind)
{
    std::unique_ptr<sti::IPCMessageBlock> block(sti::IPCMessageAllocator::Allocate());
    if (!block || sti::WriteIPCMessageHeader(*block, kind) != ST_SUCCESS)
        return false;
    return thread.PostMessage(*block) == ST_SUCCESS;
}

} // namespace

bool CKV2Service::Connect()
{
    return PostKind(*this, MSG_CONNECT);
}

bool CKV2Service::Disconnect()
{
    return PostKind(*this, MSG_DISCONNECT);
}

std::uint16_t CKV2Service::GetAntLocalPort() const
{
    if (!m_settings.UseTransport)
        return 0;
    CAnt* transport = CAnt::Instance();
    return transport ? transport->GetLocalPort() : 0;
}

void CKV2Service::OnStart()
{
    sti::CNetworkThread::OnStart();
    m_stopping = false;
    const TransportManagerStarter& starter = m_settings.StartTransportManager;
    const Status started = starter ? starter(m_tmQueue, this) : ::StartTransportManager(m_tmQueue, this);
    m_tmQueueEnd = started == ST_SUCCESS ? m_tmQueue.get() : nullptr;
    if (!m_communicator)
        return;
    std::unique_ptr<CRoutingStrategy> strategy(new (std::nothrow) CClientRoutingStrategy);
    if (!strategy)
        return;
    // Fails only without an allocator (no memory); every send then fails on its own.
    (void)m_communicator.load()->Init(0, false, ClientBufferAllocator<MSG_MAX_LENGTH>::Instance(), std::move(strategy));
    // The codes are the table's own: registering them cannot fail.
    for (std::uint16_t code : SERVER_COMMANDS)
        (void)m_communicator.load()->RegisterCommand(code, this, false);
}

void CKV2Service::OnCleanup()
{
    // Send messages still in the pipe hold buffer references: handle them now, sending nothing.
    m_stopping = true;
    sti::CDispatcher* dispatcher = sti::CDispatcher::Existing();
    // Only the handling of queued messages matters here; a broken poller has nothing to hand out.
    if (dispatcher)
        (void)dispatcher->Run(0);
}

void CKV2Service::OnExit()
{
    sti::CNetworkThread::OnExit();
    CloseConnection();
    if (m_communicator) {
        // The codes are the table's own: clearing them cannot fail.
        for (std::uint16_t code : SERVER_COMMANDS)
            (void)m_communicator.load()->RegisterCommand(code, nullptr, false);
    }
    m_communicator = nullptr;
    m_events = nullptr;
}

Status CKV2Service::HandleMessage(std::uint32_t type, sti::CMessageReader& reader)
{
    switch (type) {
    case MSG_CONNECT:
        if (!m_stopping)
            Reconnect();
        return ST_SUCCESS;
    case MSG_DISCONNECT:
        CloseConnection();
        SetState(STATE_IDLE);
        return ST_SUCCESS;
    case MSG_SEND: {
        std::uint32_t command = 0;
        std::uint32_t target = 0;
        CMsgBuffer* buffer = nullptr;
        // A failed field sticks in the reader, checked once below.
        (void)reader.ReadU32(command);
        (void)reader.ReadU32(target);
        (void)reader.Read(&buffer, sizeof buffer);
        if (reader.HasError() || !buffer)
            return ST_INVALID_MESSAGE;
        Status status = ST_SUCCESS;
        const bool live = !m_stopping && m_communicator && m_connectionLive;
        // A mail without its connection is given back rather than left to a closing one, so
        // that it is never both sent and kept.
        const bool mail = command == CMD_MAIL_REQUEST;
        CMsgSockHandler* handler = mail && live ? m_handler : nullptr;
        if (handler && m_settings.BeforeMailHandedOver)
            m_settings.BeforeMailHandedOver(*handler);
        const std::uint64_t sentBefore = handler ? handler->GetSentCount() : 0;
        if (!m_stopping && m_communicator && (!mail || handler))
            status = m_communicator.load()->Send(ADDR_CLIENT_SERVICE, target, static_cast<std::uint16_t>(command),
                                                 buffer, SEND_MODE_QUEUED);
        ClientBufferAllocator<MSG_MAX_LENGTH>::Instance()->Release(buffer);
        if (mail) {
            // Taken when its handler counted it: from then on the handler's written count tells
            // whether it left, whatever the send's status said.
            const bool taken = handler && handler->GetSentCount() > sentBefore;
            OnMailHandled(taken ? handler : nullptr, taken ? handler->GetSentCount() : 0);
        }
        return status;
    }
    default:
        return ST_NOT_IMPLEMENTED;
    }
}

void CKV2Service::OnMailHandled(const CMsgSockHandler* handler, std::uint64_t ordinal)
{
    std::pair<std::uint32_t, std::string> mail;
    {
        std::lock_guard<std::mutex> guard(m_mailLock);
        if (m_mailsInFlight.empty())
            return;
        mail = std::move(m_mailsInFlight.front());
        m_mailsInFlight.pop_front();
    }
    if (!handler) {
        if (m_events)
            m_events->OnMailNotSent(mail.first, mail.second);
        return;
    }
    m_mailsOnWire.push_back(SMailOnWire{handler, ordinal, mail.first, std::move(mail.second)});
    SettleMails(nullptr);
}

void CKV2Service::SettleMails(const CMsgSockHandler* ending)
{
    // In the order taken: a handler writes its messages in the order it took them.
    while (!m_mailsOnWire.empty()) {
        SMailOnWire& first = m_mailsOnWire.front();
        const CMsgSockHandler* handler =
            first.handler == ending || first.handler == m_handler ? first.handler : nullptr;
        const bool written = handler && handler->GetWrittenCount() >= first.ordinal;
        if (!written && handler && handler != ending)
            break; // still queued on the live connection
        SMailOnWire mail = std::move(first);
        m_mailsOnWire.pop_front();
        if (!m_events)
            continue;
        if (written)
            m_events->OnMailSent(mail.kind, mail.text);
        else
            m_events->OnMailNotSent(mail.kind, mail.text);
    }
}

void CKV2Service::OnConnectionEnding(const CMsgSockHandler& handler)
{
    SettleMails(&handler);
    if (m_handler == &handler)
        m_handler = nullptr;
}

void CKV2Service::SetState(int state)
{
    if (m_state == state)
        return;
    m_state = state;
    if (m_events) {
        const std::uint8_t status =
            state == STATE_IDLE ? STATUS_OFFLINE : (state == STATE_ONLINE ? STATUS_ONLINE : STATUS_CONNECTING);
        m_events->OnStatusChanged(status);
    }
    m_stateStamp = (state == STATE_GREETING_SENT || state == STATE_LOGIN_SENT) ? Now() : 0;
}

void CKV2Service::OnIdle()
{
    SettleMails(nullptr);
    const int state = m_state;
    if (state == STATE_RETRY_PENDING || state == STATE_MAIN_UNREACHABLE || state == STATE_LIST_EXHAUSTED)
        RetryWithBackoff();

    if (m_state == STATE_REDIRECTED) {
        CloseConnection();
        SetState(STATE_RETRY_PENDING);
        // An empty list would send the client straight back to the main server, every turn.
        if (m_redirects.empty() && !m_serverStop)
            RetryWithBackoff();
        else
            Reconnect();
    }

    const std::int64_t now = Now();
    bool lost = false;
    if (m_stateStamp != 0 && now - m_stateStamp > static_cast<std::int64_t>(m_settings.AnswerLimitSeconds)) {
        NextAlternate();
        lost = true;
    }
    if (m_state == STATE_ONLINE && m_keepAliveSent != 0) {
        // Until a first reply the link counts from the log-in, so a keep-alive that is never
        // answered is noticed too.
        const std::int64_t answered = m_keepAliveReply != 0 ? m_keepAliveReply : m_onlineSince;
        if (m_keepAliveSent - answered > 2 * static_cast<std::int64_t>(m_keepAliveInterval))
            lost = true;
    }
    if (lost) {
        SetState(STATE_RETRY_PENDING);
        RetryWithBackoff();
    }
    if (m_state == STATE_ONLINE && m_keepAliveInterval != 0 &&
        now - m_keepAliveSent > static_cast<std::int64_t>(m_keepAliveInterval)) {
        SendKeepAlive();
        m_keepAliveSent = now;
    }
}

std::uint32_t CKV2Service::NextRandom(std::uint16_t spread)
{
    return spread == 0 ? 0 : static_cast<std::uint32_t>(m_random() % spread);
}

void CKV2Service::RetryWithBackoff()
{
    CloseConnection();
    const std::int64_t now = Now();
    if (m_nextRetry == 0)
        m_nextRetry = now + NextRandom(m_retrySpread);
    if (m_nextRetry >= now)
        return;
    if (Reconnect())
        m_nextRetry = 0;
    else
        m_nextRetry = Now() + NextRandom(m_retrySpread);
}

bool CKV2Service::Reconnect()
{
    if (m_serverStop) {
        SetState(STATE_IDLE);
        return false;
    }
    const int state = m_state;
    if (state == STATE_GREETING_SENT || state == STATE_REDIRECTED || state == STATE_LOGIN_SENT || state == STATE_ONLINE)
        return true;
    const bool listFresh = Now() - m_redirectTime <= static_cast<std::int64_t>(m_settings.RedirectLifetimeSeconds);
    if (m_redirectTime != 0 && listFresh && m_redirectIndex < m_redirects.size()) {
        if (ConnectAlternate(m_redirects[m_redirectIndex]))
            return true;
        NextAlternate();
        return false;
    }
    m_redirectIndex = 0;
    m_oneMoreRound = true;
    return ConnectMainServer();
}

bool CKV2Service::ConnectMainServer()
{
    SetState(STATE_CONNECTING);
    m_oneMoreRound = true;
    CloseConnection();
    Status status = OpenConnection(m_host, m_port);
    if (status != ST_SUCCESS) {
        m_oneMoreRound = false;
        status = OpenConnection(m_host, m_port);
    }
    if (status != ST_SUCCESS) {
        SetState(STATE_MAIN_UNREACHABLE);
        return false;
    }
    // An unsent greeting is like an unanswered one: the state's time limit tries again.
    (void)SendDirect(ADDR_GREETING_SERVICE, CMD_GREETING, [](CMsgStream& body) {
        // A failed field sticks in the stream, which the sender checks.
        (void)body.WriteU16(VERSION_MAJOR);
        (void)body.WriteU16(VERSION_MINOR);
    });
    SetState(STATE_GREETING_SENT);
    return true;
}

bool CKV2Service::ConnectAlternate(const SRedirectEntry& entry)
{
    CloseConnection();
    if (OpenConnection(STI_OS::AddressToString(entry.Address), entry.Port) != ST_SUCCESS)
        return false;
    // An unsent log-in is like an unanswered one: the state's time limit tries again.
    (void)SendDirect(ADDR_LOGIN_SERVICE, CMD_LOGIN, [this](CMsgStream& body) {
        // A failed field sticks in the stream, which the sender checks.
        (void)body.WriteId16(m_clientId);
        (void)body.WriteU16(VERSION_MAJOR);
        (void)body.WriteU16(VERSION_MINOR);
        (void)body.WriteU16(LOGIN_REVISION);
    });
    SetState(STATE_LOGIN_SENT);
    return true;
}

bool CKV2Service::NextAlternate()
{
    ++m_redirectIndex;
    if (m_redirectIndex < m_redirects.size())
        return true;
    m_redirectIndex = 0;
    if (m_oneMoreRound) {
        m_oneMoreRound = false;
        return true;
    }
    SetState(STATE_LIST_EXHAUSTED);
    return false;
}

Status CKV2Service::OpenConnection(const std::string& host, std::uint16_t port)
{
    if (!m_communicator)
        return ST_INTERNAL_ERROR;
    Status status = ST_SUCCESS;
    const CIPEndpoint server(host.c_str(), port, status);
    if (status != ST_SUCCESS)
        return status;
    std::unique_ptr<sti::CProxyTCPSocket> socket(new (std::nothrow) sti::CProxyTCPSocket);
    if (!socket)
        return ST_NO_MEMORY;
    // Always ST_SUCCESS.
    (void)socket->SetProxy(sti::CProxyTCPSocket::PROXY_DIRECT, CIPEndpoint(), "", "");
    status = socket->Connect(server);
    if (status != ST_SUCCESS)
        return status;
    std::unique_ptr<CKV2SockHandler> handler(new (std::nothrow) CKV2SockHandler(
        *this, *m_communicator.load(),
        std::unique_ptr<IMessageVerifier>(new (std::nothrow) CKV2ClientMsgSockVerifier)));
    if (!handler)
        return ST_NO_MEMORY;
    status = m_communicator.load()->AddHandler(socket.get(), handler.get());
    if (status != ST_SUCCESS)
        return status;
    SetConnection(socket.release());
    m_handler = handler.release(); // lives as long as the connection
    return ST_SUCCESS;
}

void CKV2Service::SetConnection(sti::CProxyTCPSocket* connection)
{
    m_connection = connection;
    m_connectionLive = connection != nullptr;
    if (!connection)
        m_handler = nullptr; // its end, still to come, settles its mails
}

void CKV2Service::CloseConnection()
{
    if (!m_connection)
        return;
    sti::CProxyTCPSocket* connection = m_connection;
    SetConnection(nullptr);
    // Without a dispatcher the connection is gone already.
    if (m_communicator)
        (void)m_communicator.load()->RemoveHandler(connection);
}

void CKV2Service::OnConnectionClosed()
{
    // The dispatcher deletes the connection: it must be forgotten whatever happens.
    SetConnection(nullptr);
    if (m_stopping || IsStopRequested())
        return;
    switch (m_state) {
    case STATE_ONLINE:
        SetState(STATE_RETRY_PENDING);
        break;
    case STATE_LOGIN_SENT:
        SetState(STATE_RETRY_PENDING);
        NextAlternate();
        break;
    case STATE_GREETING_SENT:
        SetState(m_oneMoreRound ? STATE_RETRY_PENDING : STATE_MAIN_UNREACHABLE);
        break;
    default:
        break;
    }
}

Status CKV2Service::SendDirect(std::uint32_t destination, std::uint16_t command,
                               const std::function<void(CMsgStream&)>& writeBody)
{
    CMsgStream stream;
    Status status = m_communicator.load()->AllocMessage(stream);
    if (status != ST_SUCCESS)
        return status;
    writeBody(stream);
    status = stream.Failed() ? ST_OUT_OF_BOUNDS
                             : m_communicator.load()->Send(destination, 0, command, stream.Buffer(), SEND_MODE_QUEUED);
    m_communicator.load()->FreeMessage(stream);
    return status;
}

} // namespace KV2Service
