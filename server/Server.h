#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <ostream>

#include "infra/Status.h"
#include "server/ClientConnection.h"
#include "server/CommandHandlers.h"
#include "server/EventLoop.h"
#include "server/Listener.h"
#include "server/Outbox.h"
#include "server/RelayLimiter.h"
#include "server/Rendezvous.h"
#include "server/ReportLog.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"
#include "server/ServerRandom.h"
#include "server/SessionBroker.h"
#include "server/UserDirectory.h"

namespace TarnixServer {

// The stand-in messaging server: one thread runs the loop over the listener, every client
// connection and the rendezvous service's datagram socket, which shares the listener's port
// number.
//
// Open, then Run (or RunTurn) on one thread at a time; Stop may be called from any thread while
// the object lives.
class CServer : private IConnectionSink {
public:
    // Milliseconds since 1970; empty: STI_OS::GetClock. Tests pass their own to move time on.
    // Called by Open and on the loop's thread.
    using Clock = std::function<std::uint64_t()>;

    // How full the server's tables are, as of the end of its last turn; read from any thread.
    struct STableSizes {
        std::size_t Connections = 0;
        std::size_t PendingRequests = 0; // connect requests waiting for their answer or set up
        std::size_t RelayBuckets = 0;
        std::size_t RendezvousKeys = 0;
    };

    explicit CServer(const SServerOptions& options, std::ostream& log = std::cerr, Clock clock = Clock());
    ~CServer() override;
    CServer(const CServer&) = delete;
    CServer& operator=(const CServer&) = delete;

    // Listens on TCP and UDP; ListenPort() then tells the port (the chosen one when the options ask
    // for 0).
    Status Open();
    std::uint32_t ListenAddress() const { return m_listener.Address(); }
    std::uint16_t ListenPort() const { return m_listener.Port(); }

    // Serves until Stop.
    Status Run();
    void Stop();

    // One turn of the loop, waiting at most the time: for tests that drive the server themselves.
    Status RunTurn(std::uint32_t milliseconds);

    STableSizes TableSizes() const;

private:
    std::uint64_t Now() const;
    void PublishSizes();

    // The listener, then the rendezvous socket on the same port; with port 0 a few free ports are
    // tried, as the one the listener got may be taken for UDP.
    Status OpenSockets();
    void OnListenerReady();
    void OnConnectionReady(std::uint32_t id, int flags);
    void OnMessage(CClientConnection& connection, CMsgBuffer& message, const CMsgHeader& header) override;
    void OnDropped(CClientConnection& connection, Status reason, std::uint32_t length) override;

    void CheckDeadlines(std::uint64_t now);
    // Closes the connections that failed during the turn.
    void Sweep();
    void Close(CClientConnection& connection, const std::string& why);

    const SServerOptions m_options;
    const Clock m_clock;
    CServerLog m_log;
    CEventLoop m_loop;
    CListener m_listener;
    CRendezvous m_rendezvous;
    CUserDirectory m_directory;
    CSessionBroker m_broker;
    CRelayLimiter m_limiter;
    COutbox m_outbox;
    CReportLog m_reports;
    CServerRandom m_random;
    std::unique_ptr<SServerContext> m_context;
    std::unique_ptr<CCommandHandlers> m_commands;

    std::map<std::uint32_t, std::unique_ptr<CClientConnection>> m_connections; // by connection id
    std::uint32_t m_nextConnectionId = 1;
    std::uint64_t m_lastDeadlineCheck = 0;
    std::uint64_t m_acceptPausedUntil = 0; // 0: accepting
    std::atomic<bool> m_stop{false};
    std::atomic<std::size_t> m_sizeConnections{0}, m_sizePending{0}, m_sizeRelay{0}, m_sizeRendezvous{0};
};

} // namespace TarnixServer
