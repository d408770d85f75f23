// The service's senders and its posters to the transport-manager thread: any thread.
#include "messaging/KV2Service.h"

#include <memory>

#include "infra/IPCMessageHeader.h"
#include "infra/MessageWriter.h"
#include "messaging/Communicator.h"
#include "messaging/Protocol.h"
#include "transport/transfer/TransportCallback.h"

using namespace KV2Protocol;

namespace KV2Service {

bool CKV2Service::CanSend() const
{
    const int state = m_state;
    return state == STATE_MAIN_UNREACHABLE || state == STATE_LIST_EXHAUSTED || state == STATE_ONLINE;
}

bool CKV2Service::PostToServer(std::uint16_t command, std::uint32_t target,
                               const std::function<void(CMsgStream&)>& writeBody)
{
    CCommunicator* communicator = m_communicator;
    if (!communicator)
        return false;
    CMsgStream stream;
    if (communicator->AllocMessage(stream) != ST_SUCCESS)
        return false;
    if (writeBody)
        writeBody(stream);
    std::unique_ptr<sti::IPCMessageBlock> block(sti::IPCMessageAllocator::Allocate());
    if (stream.Failed() || !block) {
        communicator->FreeMessage(stream);
        return false;
    }
    // The buffer reference travels with the message; the service thread releases it.
    CMsgBuffer* buffer = stream.Buffer();
    sti::CMessageWriter writer(*block, sti::IPCMessageHeader::SIZE);
    // A failed field sticks in the writer, checked once below.
    (void)writer.WriteU32(command);
    (void)writer.WriteU32(target);
    (void)writer.Write(&buffer, sizeof buffer);
    if (writer.HasError() || sti::WriteIPCMessageHeader(*block, MSG_SEND) != ST_SUCCESS ||
        PostMessage(*block) != ST_SUCCESS) {
        communicator->FreeMessage(stream);
        return false;
    }
    return true;
}

bool CKV2Service::SendConnectRequest(std::uint32_t ticket, std::uint32_t sessionHandle)
{
    const std::uint32_t own = m_ownAddress;
    if (!CanSend() || !m_connectionLive || ticket == own)
        return false;
    return PostToServer(CMD_CONNECT_REQUEST, 0, [&](CMsgStream& body) {
        // A failed field sticks in the stream, which PostToServer checks.
        (void)body.WriteU32(ticket);
        (void)body.WriteId16(m_clientId);
        (void)body.WriteU32(own);
        (void)body.WriteU32(sessionHandle);
    });
}

bool CKV2Service::SendConnectAnswer(std::uint32_t requester, std::uint32_t session, std::uint8_t status)
{
    if (!CanSend())
        return false;
    return PostToServer(CMD_CONNECT_ANSWER, requester, [&](CMsgStream& body) {
        // A failed field sticks in the stream, which PostToServer checks.
        (void)body.WriteU32(m_ownAddress);
        (void)body.WriteU32(requester);
        (void)body.WriteU32(session);
        (void)body.WriteU32(0);
        (void)body.WriteByte(status);
    });
}

bool CKV2Service::SendKeepAlive()
{
    if (!CanSend())
        return false;
    return PostToServer(CMD_KEEP_ALIVE, 0, nullptr);
}

bool CKV2Service::SendSessionRequest(const std::uint8_t peerId[TRANSFER_ID_SIZE],
                                     const std::uint8_t fileId[TRANSFER_ID_SIZE])
{
    if (!CanSend() || !peerId || !fileId)
        return false;
    return PostToServer(CMD_SESSION_REQUEST, 0, [&](CMsgStream& body) {
        // A failed field sticks in the stream, which PostToServer checks.
        (void)body.WriteId16(peerId);
        (void)body.WriteId16(fileId);
    });
}

bool CKV2Service::SendMailRequest(std::uint32_t kind, const std::string& text)
{
    // A mail posted while offline would be dropped on the service thread without a route, and
    // the caller would have thrown it away believing it sent.
    if (m_state != STATE_ONLINE || !m_connectionLive)
        return false;
    std::lock_guard<std::mutex> guard(m_mailLock);
    if (!PostToServer(CMD_MAIL_REQUEST, 0, [&](CMsgStream& body) {
            // A failed field sticks in the stream, which PostToServer checks.
            (void)body.WriteU32(kind);
            (void)body.WriteString(text);
        }))
        return false;
    m_mailsInFlight.emplace_back(kind, text);
    return true;
}

bool CKV2Service::SendReport(const std::string& text)
{
    if (!CanSend())
        return false;
    // A failed field sticks in the stream, which PostToServer checks.
    return PostToServer(CMD_REPORT, 0, [&](CMsgStream& body) { (void)body.WriteString(text); });
}

Status CKV2Service::PostStartDownload(const std::uint8_t fileId[TRANSFER_ID_SIZE],
                                      const std::uint8_t peerId[TRANSFER_ID_SIZE], IDownloadCallback* callback)
{
    // The message holds a reference of its own until the transport manager's session has one.
    if (callback)
        callback->AddRef();
    const Status status = PostTMStartDownload(m_tmQueueEnd, fileId, peerId, callback);
    if (status != ST_SUCCESS && callback)
        callback->Release();
    return status;
}

Status CKV2Service::PostDownloadCommand(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t value)
{
    return PostTMCloseDownload(m_tmQueueEnd, fileId, value);
}

Status CKV2Service::PostUploadCommand(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t value)
{
    return PostTMCloseUpload(m_tmQueueEnd, fileId, value);
}

Status CKV2Service::PostUploadLevel(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t level)
{
    return PostTMUploadLevel(m_tmQueueEnd, fileId, level);
}

} // namespace KV2Service
