#include "server/CommandHandlers.h"

#include <memory>

#include "infra/Uid.h"
#include "messaging/SessionKeys.h"

namespace TarnixServer {

namespace {

using namespace KV2Protocol;

// A message being written: the body starts past the header, which the connection fills in.
struct SOutgoing {
    CMsgBuffer Buffer;
    CMsgStream Body{&Buffer, CMsgStream::MODE_WRITE};
};

// After a run of field reads or writes: the first failure, ST_OUT_OF_BOUNDS for a short body.
Status StreamStatus(const CMsgStream& stream)
{
    return stream.Failed() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
}

std::string UserText(const ClientId& user)
{
    return FormatUid(user.data());
}

// A relayed message that cannot go does not fail the sender's command: the addressee's
// connection has failed and goes on its own. The log says what was lost.
void Relay(SServerContext& context, CClientConnection& to, std::uint16_t command, std::uint32_t source,
           CMsgBuffer& message)
{
    const Status status = to.Send(command, source, message);
    if (status != ST_SUCCESS)
        context.Log.Info(CServerLog::Describe(to) + ": command " + std::to_string(command) + " not relayed (status " +
                         StatusText(status) + ")");
}

} // namespace

CCommandHandlers::CCommandHandlers(SServerContext& context) : m_context(context) {}

void CCommandHandlers::Handle(CClientConnection& from, CMsgBuffer& message, const CMsgHeader& header, std::uint64_t now)
{
    CMsgStream body(&message, CMsgStream::MODE_READ);
    const std::uint16_t code = header.CommandCode();
    Status status = ST_SUCCESS;
    if (!from.LoggedIn && code != CMD_GREETING && code != CMD_LOGIN) {
        status = ST_ACCESS_DENIED;
    } else {
        switch (code) {
        case CMD_GREETING:
            status = OnGreeting(from, body);
            break;
        case CMD_LOGIN:
            status = OnLogin(from, body);
            break;
        case CMD_KEEP_ALIVE:
            status = OnKeepAlive(from);
            break;
        case CMD_SESSION_REQUEST:
            status = OnSessionRequest(from, body);
            break;
        case CMD_CONNECT_REQUEST:
            status = OnConnectRequest(from, body, now);
            break;
        case CMD_CONNECT_ANSWER:
            status = OnConnectAnswer(from, body, now);
            break;
        case CMD_MAIL_REQUEST:
            status = OnMail(from, body, now);
            break;
        case CMD_REPORT:
            status = OnReport(from, body, now);
            break;
        default:
            status = ST_NOT_FOUND;
            break;
        }
    }
    if (status != ST_SUCCESS)
        m_context.Log.Info(CServerLog::Describe(from) + ": dropped command " + std::to_string(code) + " (status " +
                           StatusText(status) + ")");
}

Status CCommandHandlers::OnGreeting(CClientConnection& from, CMsgStream& body)
{
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU16(major);
    (void)body.ReadU16(minor);
    if (body.Failed())
        return StreamStatus(body);
    if (m_context.Options.SilentAfterGreeting) {
        m_context.Log.Info(CServerLog::Describe(from) + ": greeting left unanswered");
        return ST_SUCCESS;
    }
    // The client is sent back to this server for its log-in, at the address it reached.
    const std::vector<SMsgAddressEntry> servers{{from.LocalAddress, m_context.ListenPort}};
    SOutgoing reply;
    // A failed field sticks in the stream; StreamStatus below covers the chain.
    (void)reply.Body.WriteBool(m_context.Options.NoticeFlag);
    (void)reply.Body.WriteByte(m_context.Options.NoticeType);
    (void)reply.Body.WriteAddressList(servers);
    (void)reply.Body.WriteU16(0);
    (void)reply.Body.WriteU16(m_context.Options.RetrySpread);
    const Status status = StreamStatus(reply.Body);
    return status == ST_SUCCESS ? from.Send(CMD_REDIRECT, 0, reply.Buffer) : status;
}

Status CCommandHandlers::OnLogin(CClientConnection& from, CMsgStream& body)
{
    ClientId user{};
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t revision = 0;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadId16(user.data());
    (void)body.ReadU16(major);
    (void)body.ReadU16(minor);
    (void)body.ReadU16(revision);
    if (body.Failed())
        return StreamStatus(body);
    // A second log-in on one connection would have to re-key a running codec.
    if (from.LoggedIn)
        return ST_DUPLICATE;

    const std::uint32_t address = m_context.Options.RefuseLogin ? 0 : m_context.Directory.NextAddress();
    if (address == 0) {
        m_context.Log.Info(CServerLog::Describe(from) + ": log-in of " + UserText(user) + " refused");
        return SendLoginReply(from, 0, true, nullptr);
    }

    std::uint8_t block[KEY_BLOCK_SIZE];
    std::unique_ptr<CEncoder> encoder;
    std::unique_ptr<CDecoder> decoder;
    if (m_context.Options.Keyed) {
        m_context.Random.Fill(block, sizeof(block));
        SSessionKeys keys;
        Status status = DeriveSessionKeys(block, sizeof(block), keys);
        if (status == ST_SUCCESS)
            status = MakeCodecs(ServerView(keys), encoder, decoder);
        if (status != ST_SUCCESS)
            return status;
    }

    from.Address = address;
    from.UserId = user;
    from.LoggedIn = true;
    m_context.Directory.Add(from);
    m_context.Log.Info(CServerLog::Describe(from) + ": logged in as " + UserText(user) +
                       (m_context.Options.Keyed ? " (keyed)" : " (in clear)"));

    // The reply itself travels in clear; everything after it is encoded.
    const Status status = SendLoginReply(from, address, false, m_context.Options.Keyed ? block : nullptr);
    if (m_context.Options.Keyed)
        from.InstallCodecs(std::move(encoder), std::move(decoder));
    return status;
}

Status CCommandHandlers::SendLoginReply(CClientConnection& to, std::uint32_t address, bool refused,
                                        const std::uint8_t* keyBlock)
{
    SOutgoing reply;
    // A failed field sticks in the stream; StreamStatus below covers the chain.
    (void)reply.Body.WriteU32(address);
    (void)reply.Body.WriteU16(m_context.Options.KeepAliveInterval);
    (void)reply.Body.WriteU16(refused ? 1 : 0);
    (void)reply.Body.WriteU16(keyBlock ? 1 : 0);
    (void)reply.Body.WriteBlock(keyBlock, keyBlock ? static_cast<std::uint16_t>(KEY_BLOCK_SIZE) : 0);
    (void)reply.Body.WriteU32(0);
    (void)reply.Body.WriteU16(0);
    const Status status = StreamStatus(reply.Body);
    return status == ST_SUCCESS ? to.Send(CMD_LOGIN_REPLY, 0, reply.Buffer) : status;
}

Status CCommandHandlers::OnKeepAlive(CClientConnection& from)
{
    SOutgoing reply;
    // A fresh message has room for one field.
    (void)reply.Body.WriteU32(0);
    return from.Send(CMD_KEEP_ALIVE_REPLY, 0, reply.Buffer);
}

Status CCommandHandlers::OnSessionRequest(CClientConnection& from, CMsgStream& body)
{
    ClientId peer{};
    std::uint8_t file[CMsgStream::ID_SIZE];
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadId16(peer.data());
    (void)body.ReadId16(file);
    if (body.Failed())
        return StreamStatus(body);
    SOutgoing reply;
    // A failed field sticks in the stream; StreamStatus below covers the chain.
    (void)reply.Body.WriteId16(peer.data());
    (void)reply.Body.WriteId16(file);
    (void)reply.Body.WriteU32(m_context.Directory.Locate(peer));
    const Status status = StreamStatus(reply.Body);
    return status == ST_SUCCESS ? from.Send(CMD_SESSION_ANSWER, 0, reply.Buffer) : status;
}

Status CCommandHandlers::OnConnectRequest(CClientConnection& from, CMsgStream& body, std::uint64_t now)
{
    std::uint32_t ticket = 0;
    std::uint8_t claimedId[CMsgStream::ID_SIZE];
    std::uint32_t claimedAddress = 0;
    std::uint32_t session = 0;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU32(ticket);
    (void)body.ReadId16(claimedId);
    (void)body.ReadU32(claimedAddress);
    (void)body.ReadU32(session);
    if (body.Failed())
        return StreamStatus(body);
    CClientConnection* answerer = m_context.Directory.Find(ticket);
    if (!answerer)
        return ST_NO_REACH;
    if (!Admit(from, ticket, CMD_CONNECT_REQUEST, now))
        return ST_SUCCESS;
    m_context.Broker.OnRequest(from.Address, ticket, session, now);
    // Who asks is known from the connection; the body's claim is not passed on.
    SOutgoing request;
    // A failed field sticks in the stream; StreamStatus below covers the chain.
    (void)request.Body.WriteU32(ticket);
    (void)request.Body.WriteId16(from.UserId.data());
    (void)request.Body.WriteU32(from.Address);
    (void)request.Body.WriteU32(session);
    const Status status = StreamStatus(request.Body);
    if (status != ST_SUCCESS)
        return status;
    Relay(m_context, *answerer, CMD_CONNECT_REQUEST, from.Address, request.Buffer);
    return ST_SUCCESS;
}

Status CCommandHandlers::OnConnectAnswer(CClientConnection& from, CMsgStream& body, std::uint64_t now)
{
    std::uint32_t claimedAnswerer = 0;
    std::uint32_t requester = 0;
    std::uint32_t session = 0;
    std::uint32_t extra = 0;
    std::uint8_t answer = CONNECT_REFUSE;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU32(claimedAnswerer);
    (void)body.ReadU32(requester);
    (void)body.ReadU32(session);
    (void)body.ReadU32(extra);
    (void)body.ReadByte(answer);
    if (body.Failed())
        return StreamStatus(body);
    if (!Admit(from, requester, CMD_CONNECT_ANSWER, now))
        return ST_SUCCESS;
    const CSessionBroker::Outcome outcome =
        m_context.Broker.OnAnswer(from.Address, requester, session, answer == CONNECT_ACCEPT, now);
    if (outcome == CSessionBroker::ANSWER_UNKNOWN)
        return ST_NOT_FOUND;
    CClientConnection* target = m_context.Directory.Find(requester);
    if (!target)
        return ST_NO_REACH;

    SOutgoing relayed;
    // A failed field sticks in the stream; StreamStatus below covers the chain.
    (void)relayed.Body.WriteU32(from.Address);
    (void)relayed.Body.WriteU32(requester);
    (void)relayed.Body.WriteU32(session);
    (void)relayed.Body.WriteU32(extra);
    (void)relayed.Body.WriteByte(answer);
    Status status = StreamStatus(relayed.Body);
    if (status != ST_SUCCESS)
        return status;
    Relay(m_context, *target, CMD_CONNECT_ANSWER, from.Address, relayed.Buffer);
    if (outcome != CSessionBroker::ANSWER_RELAY_SET_UP)
        return ST_SUCCESS;

    // The same handle and key to both; the side that asked is the one that downloads.
    const std::uint32_t keyLow = m_context.Random.NextU32();
    const std::uint32_t keyHigh = m_context.Random.NextU32();
    struct {
        CClientConnection* To;
        std::uint32_t Peer;
        bool Download;
    } sides[] = {
        {target, from.Address, true},
        {&from, requester, false},
    };
    for (const auto& side : sides) {
        SOutgoing setup;
        // A failed field sticks in the stream; StreamStatus below covers the chain.
        (void)setup.Body.WriteU32(side.Peer);
        (void)setup.Body.WriteU32(session);
        (void)setup.Body.WriteU32(keyLow);
        (void)setup.Body.WriteU32(keyHigh);
        (void)setup.Body.WriteBool(side.Download);
        status = StreamStatus(setup.Body);
        if (status != ST_SUCCESS)
            return status;
        Relay(m_context, *side.To, CMD_SESSION_SETUP, 0, setup.Buffer);
    }
    m_context.Log.Info(CServerLog::Describe(from) + ": session " + std::to_string(session) + " set up with address " +
                       std::to_string(requester));
    return ST_SUCCESS;
}

bool CCommandHandlers::Admit(CClientConnection& from, std::uint32_t addressee, std::uint16_t command, std::uint64_t now)
{
    const CRelayLimiter::Verdict verdict = m_context.Limiter.OnMessage(from.Address, addressee, now);
    if (verdict == CRelayLimiter::DROP_FIRST)
        m_context.Log.Info(CServerLog::Describe(from) + ": command " + std::to_string(command) + " to address " +
                           std::to_string(addressee) + " over the relay limit (" +
                           std::to_string(CRelayLimiter::BURST) + " at once, " +
                           std::to_string(CRelayLimiter::PER_SECOND) + " a second, " +
                           std::to_string(CRelayLimiter::MAX_ADDRESSEES_PER_SENDER) +
                           " addressees): dropped, and the rest of this burst silently");
    return verdict == CRelayLimiter::PASS;
}

Status CCommandHandlers::OnMail(CClientConnection& from, CMsgStream& body, std::uint64_t now)
{
    std::uint32_t kind = 0;
    std::string text;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU32(kind);
    (void)body.ReadString(text);
    if (body.Failed())
        return StreamStatus(body);
    COutbox::SStored stored;
    const Status status = m_context.Outbox.Store(text, now, stored);
    if (status != ST_SUCCESS) {
        m_context.Log.Info(CServerLog::Describe(from) + ": mail could not be written to " + m_context.Outbox.Folder());
        return status;
    }
    m_context.Log.Info(CServerLog::Describe(from) + ": mail (kind " + std::to_string(kind) + ", " +
                       (stored.Kind.empty() ? std::string("not XML") : stored.Kind) + ") written to " +
                       stored.MailPath + (stored.LinkPath.empty() ? std::string() : " and " + stored.LinkPath));
    return ST_SUCCESS;
}

Status CCommandHandlers::OnReport(CClientConnection& from, CMsgStream& body, std::uint64_t now)
{
    std::string text;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadString(text);
    if (body.Failed())
        return StreamStatus(body);
    const Status status = m_context.Reports.Append(now, from.Address, from.UserId, text);
    if (status != ST_SUCCESS)
        m_context.Log.Info(CServerLog::Describe(from) + ": report could not be written to " + m_context.Reports.Path());
    return status;
}

} // namespace TarnixServer
