#pragma once

#include <cstdint>

#include "infra/Status.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgHeader.h"
#include "messaging/MsgStream.h"
#include "server/ClientConnection.h"
#include "server/Outbox.h"
#include "server/RelayLimiter.h"
#include "server/ReportLog.h"
#include "server/ServerLog.h"
#include "server/ServerOptions.h"
#include "server/ServerRandom.h"
#include "server/SessionBroker.h"
#include "server/UserDirectory.h"

namespace TarnixServer {

// What the commands work on; owned by the server.
struct SServerContext {
    const SServerOptions& Options;
    std::uint16_t ListenPort;
    CUserDirectory& Directory;
    CSessionBroker& Broker;
    CRelayLimiter& Limiter;
    COutbox& Outbox;
    CReportLog& Reports;
    CServerRandom& Random;
    CServerLog& Log;
};

// Answers the clients' commands. A message that cannot be taken (body shorter than its fields,
// a command before log-in, an unknown command, an addressee who is not online) is dropped with a
// log line; the connection carries on.
class CCommandHandlers {
public:
    explicit CCommandHandlers(SServerContext& context);

    void Handle(CClientConnection& from, CMsgBuffer& message, const CMsgHeader& header, std::uint64_t now);

private:
    Status OnGreeting(CClientConnection& from, CMsgStream& body);
    Status OnLogin(CClientConnection& from, CMsgStream& body);
    Status OnKeepAlive(CClientConnection& from);
    Status OnSessionRequest(CClientConnection& from, CMsgStream& body);
    Status OnConnectRequest(CClientConnection& from, CMsgStream& body, std::uint64_t now);
    Status OnConnectAnswer(CClientConnection& from, CMsgStream& body, std::uint64_t now);
    Status OnMail(CClientConnection& from, CMsgStream& body, std::uint64_t now);
    Status OnReport(CClientConnection& from, CMsgStream& body, std::uint64_t now);

    // False when the limiter drops what the client would have relayed to the addressee; the first
    // drop of a burst is logged.
    bool Admit(CClientConnection& from, std::uint32_t addressee, std::uint16_t command, std::uint64_t now);
    Status SendLoginReply(CClientConnection& to, std::uint32_t address, bool refused, const std::uint8_t* keyBlock);

    SServerContext& m_context;
};

} // namespace TarnixServer
