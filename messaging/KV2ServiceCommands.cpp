// The server's commands as the service handles them (service thread). Every body is read whole
// before anything changes, so a short body (ST_OUT_OF_BOUNDS) leaves no trace.
#include "messaging/KV2Service.h"
#include "transport/transfer/TransportCallback.h"

#include <memory>
#include <vector>

#include "messaging/Communicator.h"
#include "messaging/MsgCodec.h"
#include "messaging/MsgSockHandler.h"
#include "messaging/Protocol.h"
#include "messaging/SessionKeys.h"
#include "transport/ant/Ant.h"

using namespace KV2Protocol;

namespace KV2Service {

Status CKV2Service::HandleCommand(const SMsgConnectionContext& from, const CMsgHeader& header, CMsgStream& body)
{
    switch (header.CommandCode()) {
    case CMD_LOGIN_REPLY:
        return OnLoginReply(from, body);
    case CMD_CONNECT_REQUEST:
        return OnConnectRequest(body);
    case CMD_CONNECT_ANSWER:
        return OnConnectAnswer(body);
    case CMD_KEEP_ALIVE_REPLY:
        return OnKeepAliveReply(body);
    case CMD_REDIRECT:
        return OnRedirect(body);
    case CMD_SESSION_SETUP:
        return OnSessionSetup(body);
    case CMD_SESSION_ANSWER:
        return OnSessionAnswer(body);
    case CMD_IGNORED:
        return ST_SUCCESS;
    case CMD_SERVER_VALUE:
        return OnCommand35(body);
    default:
        return CCommandHandler::HandleCommand(from, header, body);
    }
}

Status CKV2Service::OnLoginReply(const SMsgConnectionContext& from, CMsgStream& body)
{
    std::uint32_t address = 0;
    std::uint16_t interval = 0;
    std::uint16_t refused = 0;
    std::uint16_t keyed = 0;
    std::vector<std::uint8_t> block;
    std::uint32_t unusedValue = 0;
    std::uint16_t unusedShort = 0;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU32(address);
    (void)body.ReadU16(interval);
    (void)body.ReadU16(refused);
    (void)body.ReadU16(keyed);
    (void)body.ReadBlock(block);
    (void)body.ReadU32(unusedValue);
    (void)body.ReadU16(unusedShort);
    if (body.Failed())
        return ST_OUT_OF_BOUNDS;

    if (refused != 0) {
        SetState(STATE_RETRY_PENDING);
        m_nextRetry = 0;
        return ST_SUCCESS;
    }

    // The server encodes everything after a keyed reply: without its keys nothing more could be
    // read or sent, so a bad key block fails the log-in instead of going online.
    std::unique_ptr<CEncoder> encoder;
    std::unique_ptr<CDecoder> decoder;
    if (keyed != 0) {
        SSessionKeys keys;
        Status status = DeriveSessionKeys(block.data(), block.size(), keys);
        if (status == ST_SUCCESS)
            status = MakeCodecs(keys, encoder, decoder);
        if (status == ST_SUCCESS && !from.Handler)
            status = ST_INTERNAL_ERROR;
        if (status != ST_SUCCESS) {
            SetState(STATE_RETRY_PENDING);
            m_nextRetry = 0;
            return status;
        }
        from.Handler->SetEncoder(std::move(encoder));
        from.Handler->SetDecoder(std::move(decoder));
    }

    SetState(STATE_ONLINE);
    m_ownAddress = address;
    if (m_settings.UseTransport) {
        CAnt* transport = CAnt::Instance();
        // Refused only without a queue, when there is no transport to tell.
        if (transport)
            (void)transport->Post(SAntInternalMsg::MakeClientId(address));
    }
    m_keepAliveInterval = interval;
    if (CCommunicator* communicator = m_communicator)
        communicator->SetOwnAddress(address);
    m_keepAliveSent = 0;
    m_keepAliveReply = 0;
    m_onlineSince = Now();
    return ST_SUCCESS;
}

Status CKV2Service::OnConnectRequest(CMsgStream& body)
{
    std::uint32_t addressee = 0;
    std::uint8_t clientId[TRANSFER_ID_SIZE] = {};
    std::uint32_t requester = 0;
    std::uint32_t session = 0;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU32(addressee);
    (void)body.ReadId16(clientId);
    (void)body.ReadU32(requester);
    (void)body.ReadU32(session);
    if (body.Failed())
        return ST_OUT_OF_BOUNDS;
    const bool accept = m_events && m_events->OnPeerRequest(requester, clientId, session);
    SendConnectAnswer(requester, session, accept ? CONNECT_ACCEPT : CONNECT_REFUSE);
    return ST_SUCCESS;
}

Status CKV2Service::OnConnectAnswer(CMsgStream& body)
{
    std::uint32_t answerer = 0;
    std::uint32_t requester = 0;
    std::uint32_t session = 0;
    std::uint32_t fourth = 0;
    std::uint8_t status = 0;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU32(answerer);
    (void)body.ReadU32(requester);
    (void)body.ReadU32(session);
    (void)body.ReadU32(fourth);
    (void)body.ReadByte(status);
    if (body.Failed())
        return ST_OUT_OF_BOUNDS;
    return PostTMSessionNotify(m_tmQueueEnd, session, fourth, status);
}

Status CKV2Service::OnKeepAliveReply(CMsgStream& body)
{
    std::uint32_t value = 0;
    if (body.ReadU32(value) != ST_SUCCESS)
        return ST_OUT_OF_BOUNDS;
    m_keepAliveReply = Now();
    if (m_events)
        m_events->OnKeepAliveReply(value);
    return ST_SUCCESS;
}

Status CKV2Service::OnRedirect(CMsgStream& body)
{
    bool notice = false;
    std::uint8_t type = 0;
    std::vector<SMsgAddressEntry> list;
    std::uint16_t unused = 0;
    std::uint16_t spread = 0;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadBool(notice);
    (void)body.ReadByte(type);
    (void)body.ReadAddressList(list);
    (void)body.ReadU16(unused);
    (void)body.ReadU16(spread);
    if (body.Failed())
        return ST_OUT_OF_BOUNDS; // the old list stays as it was

    m_redirects.clear();
    for (const SMsgAddressEntry& entry : list)
        m_redirects.push_back({entry.Address, entry.Port});
    m_redirectTime = Now();
    m_redirectIndex = 0;
    if (notice) {
        if (m_events)
            m_events->OnServerNotice(type);
        if (type == NOTICE_UPGRADE_REQUIRED)
            m_serverStop = true;
    }
    m_retrySpread = spread != 0 ? spread : 1;
    SetState(STATE_REDIRECTED);
    return ST_SUCCESS;
}

Status CKV2Service::OnSessionSetup(CMsgStream& body)
{
    std::uint32_t peer = 0;
    std::uint32_t session = 0;
    std::uint32_t keyLow = 0;
    std::uint32_t keyHigh = 0;
    bool download = false;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU32(peer);
    (void)body.ReadU32(session);
    (void)body.ReadU32(keyLow);
    (void)body.ReadU32(keyHigh);
    (void)body.ReadBool(download);
    if (body.Failed())
        return ST_OUT_OF_BOUNDS;
    if (download)
        return PostTMIncomingDownload(m_tmQueueEnd, session, peer, keyLow, keyHigh);
    IUploadCallback* callback = m_events ? m_events->GetUploadCallback(session) : nullptr;
    if (!callback)
        return ST_SUCCESS; // an upload the application does not know
    // The callback comes with the message's reference; a post that fails gives it back.
    const Status status = PostTMNewUpload(m_tmQueueEnd, peer, keyLow, keyHigh, callback);
    if (status != ST_SUCCESS)
        callback->Release();
    return status;
}

Status CKV2Service::OnSessionAnswer(CMsgStream& body)
{
    std::uint8_t unused[TRANSFER_ID_SIZE] = {};
    std::uint8_t fileId[TRANSFER_ID_SIZE] = {};
    std::uint32_t ticket = 0;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadId16(unused);
    (void)body.ReadId16(fileId);
    (void)body.ReadU32(ticket);
    if (body.Failed())
        return ST_OUT_OF_BOUNDS;
    return PostTMAnswer(m_tmQueueEnd, unused, fileId, ticket);
}

Status CKV2Service::OnCommand35(CMsgStream& body)
{
    std::uint32_t value = 0;
    bool flag = false;
    // A failed field sticks in the stream; Failed() below covers the chain.
    (void)body.ReadU32(value);
    (void)body.ReadBool(flag);
    if (body.Failed())
        return ST_OUT_OF_BOUNDS;
    if (m_events)
        m_events->OnCommand35(value, flag);
    return ST_SUCCESS;
}

} // namespace KV2Service
