#include "server/Server.h"

#include <utility>
#include <vector>

#include "infra/Initialize.h"
#include "infra/os/Clock.h"
#include "infra/os/Poller.h"
#include "infra/os/Socket.h"

namespace TarnixServer {

namespace {

constexpr std::uint32_t TURN_MS = 250;
constexpr std::uint32_t DEADLINE_CHECK_MS = 1000;
// After a failed accept (out of descriptors, say) the listener stays readable; it is left alone
// for a while rather than spun on.
constexpr std::uint32_t ACCEPT_PAUSE_MS = 1000;
// Accepts per readiness of the listener, so a flood of connects cannot hold up the clients
// already served.
constexpr int ACCEPTS_PER_TURN = 32;
// Kernel send buffer per connection. Messages are at most 8 KiB; without a bound the system may
// grow it to megabytes for a client that never reads, and the queue limit would only bite late.
constexpr std::int32_t SOCKET_SEND_BUFFER = 64 * 1024;
// Ports tried with --port 0 before giving up on finding one free for both TCP and UDP.
constexpr int PORT_ATTEMPTS = 20;

std::string Endpoint(std::uint32_t address, std::uint16_t port)
{
    return STI_OS::AddressToString(address) + ":" + std::to_string(port);
}

std::string ReasonText(Status reason)
{
    switch (reason) {
    case ST_CONNECTION_CLOSED:
        return "closed by the client";
    case ST_OUT_OF_SYNC:
        return "message length out of range";
    case ST_QUEUE_FULL:
        return "client does not read its messages";
    case ST_TIMEOUT:
        return "silent too long";
    default:
        return "status " + std::to_string(reason);
    }
}

} // namespace

CServer::CServer(const SServerOptions& options, std::ostream& log, Clock clock)
    : m_options(options), m_clock(std::move(clock)), m_log(log, options.LogMessages), m_rendezvous(m_log),
      m_outbox(options.OutboxFolder), m_reports(options.ReportLogPath)
{}

CServer::~CServer()
{
    for (auto& entry : m_connections)
        m_loop.Remove(entry.second->Socket());
    m_connections.clear();
    m_loop.Remove(m_listener.Handle());
    m_loop.Remove(m_rendezvous.Handle());
}

Status CServer::Open()
{
    // The sockets library and the process poller; a no-op once the program has done it.
    sti::Initialize();
    Status status = m_random.Open();
    if (status != ST_SUCCESS) {
        m_log.Info("no random generator available");
        return status;
    }
    status = m_loop.Open();
    if (status == ST_SUCCESS)
        status = OpenSockets();
    if (status != ST_SUCCESS)
        return status;
    m_context.reset(new SServerContext{m_options, m_listener.Port(), m_directory, m_broker, m_limiter, m_outbox,
                                       m_reports, m_random, m_log});
    m_commands.reset(new CCommandHandlers(*m_context));
    status = m_loop.Add(m_listener.Handle(), STI_OS::POLL_READ, [this](int) { OnListenerReady(); });
    if (status == ST_SUCCESS)
        status = m_loop.Add(m_rendezvous.Handle(), STI_OS::POLL_READ, [this](int) { m_rendezvous.OnReadable(Now()); });
    if (status != ST_SUCCESS)
        return status;
    m_lastDeadlineCheck = Now();
    m_log.Info("listening on " + Endpoint(m_listener.Address(), m_listener.Port()) +
               (m_options.Keyed ? ", keyed" : ", in clear") + "; rendezvous on UDP port " +
               std::to_string(m_rendezvous.Port()));
    return ST_SUCCESS;
}

std::uint64_t CServer::Now() const
{
    return m_clock ? m_clock() : STI_OS::GetClock();
}

Status CServer::OpenSockets()
{
    const int attempts = m_options.ListenPort == 0 ? PORT_ATTEMPTS : 1;
    Status status = ST_FAIL;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        status = m_listener.Open(m_options.ListenAddress, m_options.ListenPort);
        if (status != ST_SUCCESS) {
            m_log.Info("cannot listen on " + Endpoint(m_options.ListenAddress, m_options.ListenPort) + " (status " +
                       StatusText(status) + ")");
            return status;
        }
        status = m_rendezvous.Open(m_listener.Address(), m_listener.Port());
        if (status == ST_SUCCESS)
            return ST_SUCCESS;
        m_log.Info("cannot bind the rendezvous socket to UDP " + Endpoint(m_listener.Address(), m_listener.Port()) +
                   " (status " + StatusText(status) + ")" + (attempt + 1 < attempts ? ", trying another port" : ""));
        m_listener.Close();
    }
    return status;
}

Status CServer::Run()
{
    // A failed wait slept its time; the next turn tries again.
    while (!m_stop.load(std::memory_order_acquire))
        (void)RunTurn(TURN_MS);
    m_log.Info("stopped");
    return ST_SUCCESS;
}

void CServer::Stop()
{
    m_stop.store(true, std::memory_order_release);
    m_loop.Wake();
}

Status CServer::RunTurn(std::uint32_t milliseconds)
{
    const Status status = m_loop.RunTurn(milliseconds);
    const std::uint64_t now = Now();
    if (m_acceptPausedUntil != 0 && now >= m_acceptPausedUntil) {
        // Refused, the pause lasts and the next turn asks again: accepting must not stop for good.
        if (m_loop.SetInterest(m_listener.Handle(), STI_OS::POLL_READ) == ST_SUCCESS)
            m_acceptPausedUntil = 0;
    }
    if (now - m_lastDeadlineCheck >= DEADLINE_CHECK_MS) {
        m_lastDeadlineCheck = now;
        CheckDeadlines(now);
        m_rendezvous.Expire(now);
        m_broker.Expire(now);
        m_limiter.Expire(now);
    }
    Sweep();
    PublishSizes();
    return status;
}

void CServer::PublishSizes()
{
    m_sizeConnections.store(m_connections.size(), std::memory_order_relaxed);
    m_sizePending.store(m_broker.Count(), std::memory_order_relaxed);
    m_sizeRelay.store(m_limiter.Count(), std::memory_order_relaxed);
    m_sizeRendezvous.store(m_rendezvous.KeyCount(), std::memory_order_relaxed);
}

CServer::STableSizes CServer::TableSizes() const
{
    STableSizes sizes;
    sizes.Connections = m_sizeConnections.load(std::memory_order_relaxed);
    sizes.PendingRequests = m_sizePending.load(std::memory_order_relaxed);
    sizes.RelayBuckets = m_sizeRelay.load(std::memory_order_relaxed);
    sizes.RendezvousKeys = m_sizeRendezvous.load(std::memory_order_relaxed);
    return sizes;
}

void CServer::OnListenerReady()
{
    for (int i = 0; i < ACCEPTS_PER_TURN; ++i) {
        STI_OS::SocketHandle socket = STI_OS::INVALID_SOCKET_HANDLE;
        std::uint32_t peerAddress = 0;
        std::uint16_t peerPort = 0;
        const Status status = m_listener.Accept(socket, peerAddress, peerPort);
        if (status == ST_TRY_LATER)
            return;
        if (status != ST_SUCCESS) {
            m_log.Info(std::string("accept failed (status ") + StatusText(status) + "), pausing");
            m_acceptPausedUntil = Now() + ACCEPT_PAUSE_MS;
            // Dropping every interest cannot fail.
            (void)m_loop.SetInterest(m_listener.Handle(), 0);
            return;
        }
        if (m_connections.size() >= m_options.MaxConnections) {
            m_log.Info("connection from " + Endpoint(peerAddress, peerPort) + " refused: limit of " +
                       std::to_string(m_options.MaxConnections) + " reached");
            // The handle is given up either way; a failed close leaves nothing to undo.
            (void)STI_OS::CloseSocket(socket);
            continue;
        }
        // The system's default size only slows a large relay.
        (void)STI_OS::SetSendBufferSize(socket, SOCKET_SEND_BUFFER);
        CClientConnection::SLimits limits;
        limits.MaxQueuedBytes = m_options.MaxQueuedBytes;
        const std::uint32_t id = m_nextConnectionId++;
        std::unique_ptr<CClientConnection> connection(new CClientConnection(id, socket, m_loop, limits, &m_log));
        connection->PeerAddress = peerAddress;
        connection->PeerPort = peerPort;
        std::uint16_t localPort = 0;
        if (STI_OS::GetSockName(socket, connection->LocalAddress, localPort) != ST_SUCCESS)
            connection->LocalAddress = m_listener.Address();
        connection->ConnectedAt = connection->LastHeard = Now();
        const Status added =
            m_loop.Add(socket, STI_OS::POLL_READ, [this, id](int flags) { OnConnectionReady(id, flags); });
        if (added != ST_SUCCESS) {
            m_log.Info("connection from " + Endpoint(peerAddress, peerPort) + " refused (status " + StatusText(added) +
                       ")");
            continue; // the connection's destructor closes the socket
        }
        m_log.Info(CServerLog::Describe(*connection) + ": connected");
        m_connections.emplace(id, std::move(connection));
    }
}

void CServer::OnConnectionReady(std::uint32_t id, int flags)
{
    auto found = m_connections.find(id);
    if (found == m_connections.end())
        return;
    CClientConnection& connection = *found->second;
    if (!connection.Failed() && (flags & (STI_OS::POLL_READ | STI_OS::POLL_EXCEPTION)))
        connection.OnReadable(*this);
    if (!connection.Failed() && (flags & STI_OS::POLL_WRITE))
        connection.OnWritable();
}

void CServer::OnMessage(CClientConnection& connection, CMsgBuffer& message, const CMsgHeader& header)
{
    const std::uint64_t now = Now();
    connection.LastHeard = now;
    m_log.TraceMessage("in", connection, header, message);
    m_commands->Handle(connection, message, header, now);
}

void CServer::OnDropped(CClientConnection& connection, Status reason, std::uint32_t length)
{
    connection.LastHeard = Now();
    m_log.Info(CServerLog::Describe(connection) + ": dropped a message of " + std::to_string(length) + " bytes (" +
               (reason == ST_AUTH_FAILED ? std::string("checksum mismatch") : "status " + std::to_string(reason)) +
               ")");
}

void CServer::CheckDeadlines(std::uint64_t now)
{
    const std::uint64_t loginLimit = std::uint64_t(m_options.LoginDeadlineSeconds) * 1000;
    const std::uint64_t idleLimit =
        std::uint64_t(m_options.IdleKeepAliveIntervals) * m_options.KeepAliveInterval * 1000;
    for (auto& entry : m_connections) {
        CClientConnection& connection = *entry.second;
        if (connection.Failed())
            continue;
        if (!connection.LoggedIn && loginLimit > 0 && now - connection.ConnectedAt > loginLimit)
            connection.Fail(ST_TIMEOUT);
        else if (connection.LoggedIn && idleLimit > 0 && now - connection.LastHeard > idleLimit)
            connection.Fail(ST_TIMEOUT);
    }
}

void CServer::Sweep()
{
    std::vector<std::uint32_t> failed;
    for (auto& entry : m_connections)
        if (entry.second->Failed())
            failed.push_back(entry.first);
    for (std::uint32_t id : failed) {
        auto found = m_connections.find(id);
        Close(*found->second, ReasonText(found->second->FailReason()));
        m_connections.erase(found);
    }
}

void CServer::Close(CClientConnection& connection, const std::string& why)
{
    m_log.Info(CServerLog::Describe(connection) + ": closed, " + why);
    m_directory.Remove(connection);
    if (connection.LoggedIn) {
        m_broker.Forget(connection.Address);
        m_limiter.Forget(connection.Address);
    }
    m_loop.Remove(connection.Socket());
    connection.CloseSocket();
}

} // namespace TarnixServer
