#include "transport/transfer/TransportManagerInternalMsg.h"

#include <cstring>

STransportManagerInternalMsg STransportManagerInternalMsg::Make(std::uint32_t type)
{
    STransportManagerInternalMsg message;
    std::memset(static_cast<void*>(&message), 0, sizeof message);
    message.Type = type;
    return message;
}

namespace {

Status Post(CTransportManagerQueue* queue, const STransportManagerInternalMsg& message)
{
    if (queue == nullptr) {
        return ST_NOT_CONNECTED;
    }
    return queue->Write(message);
}

void CopyId(std::uint8_t* to, const std::uint8_t* from)
{
    if (from != nullptr) {
        std::memcpy(to, from, TRANSFER_ID_SIZE);
    }
}

} // namespace

Status PostTMStartDownload(CTransportManagerQueue* queue, const std::uint8_t fileId[TRANSFER_ID_SIZE],
                           const std::uint8_t peerId[TRANSFER_ID_SIZE], IDownloadCallback* callback)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_START_DOWNLOAD);
    CopyId(message.StartFileId, fileId);
    CopyId(message.StartPeerId, peerId);
    message.StartCallback = callback;
    return Post(queue, message);
}

Status PostTMCloseDownload(CTransportManagerQueue* queue, const std::uint8_t fileId[TRANSFER_ID_SIZE],
                           std::uint32_t reason)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_CLOSE_DOWNLOAD);
    CopyId(message.CloseFileId, fileId);
    message.CloseReason = reason;
    return Post(queue, message);
}

Status PostTMCloseUpload(CTransportManagerQueue* queue, const std::uint8_t fileId[TRANSFER_ID_SIZE],
                         std::uint32_t reason)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_CLOSE_UPLOAD);
    CopyId(message.CloseFileId, fileId);
    message.CloseReason = reason;
    return Post(queue, message);
}

Status PostTMAnswer(CTransportManagerQueue* queue, const std::uint8_t unused[TRANSFER_ID_SIZE],
                    const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t ticket)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_SESSION_ANSWER);
    CopyId(message.AnswerUnused, unused);
    CopyId(message.AnswerFileId, fileId);
    message.AnswerTicket = ticket;
    return Post(queue, message);
}

Status PostTMIncomingDownload(CTransportManagerQueue* queue, std::uint32_t sessionHandle, std::uint32_t ticket,
                              std::uint32_t keyLow, std::uint32_t keyHigh)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_INCOMING_DOWNLOAD);
    message.IncomingSession = sessionHandle;
    message.IncomingTicket = ticket;
    message.IncomingKeyLow = keyLow;
    message.IncomingKeyHigh = keyHigh;
    return Post(queue, message);
}

Status PostTMNewUpload(CTransportManagerQueue* queue, std::uint32_t peer, std::uint32_t keyLow, std::uint32_t keyHigh,
                       IUploadCallback* callback)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_NEW_UPLOAD);
    message.UploadPeer = peer;
    message.UploadKeyLow = keyLow;
    message.UploadKeyHigh = keyHigh;
    message.UploadCallback = callback;
    return Post(queue, message);
}

Status PostTMSessionNotify(CTransportManagerQueue* queue, std::uint32_t sessionHandle, std::uint32_t unused,
                           std::uint32_t value)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_SESSION_NOTICE);
    message.NoticeSession = sessionHandle;
    message.NoticeUnused = unused;
    message.NoticeValue = value;
    return Post(queue, message);
}

Status PostTMUploadLevel(CTransportManagerQueue* queue, const std::uint8_t fileId[TRANSFER_ID_SIZE],
                         std::uint32_t level)
{
    if (level > 2) {
        return ST_INVALID_PARAM;
    }
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_UPLOAD_LEVEL);
    CopyId(message.LevelFileId, fileId);
    message.Level = level;
    return Post(queue, message);
}
