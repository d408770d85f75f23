#pragma once
// The fixed-size record by which other threads reach the transport-manager thread through
// its pipe queue. Records are zeroed before they are filled. Each type has its own fields and
// no two types share bytes, so the record is one flat struct. The two callbacks travel in
// pointer-sized fields: on the 32-bit target the layout is the one below; on a 64-bit build
// the fields behind a pointer move and the record grows.
//
//   +0   u32 type
//   0 start download:     +4 id file id | +20 id peer's client id | +36 IDownloadCallback*
//   1 close download:     +40 id file id | +56 u32 close reason
//   2 close upload:       +40 id file id | +56 u32 close reason
//   3 session answer:     +60 id (not used) | +76 id file id | +92 u32 ticket (0 = refused)
//   4 incoming download:  +96 u32 session handle | +100 u32 ticket | +104 u32 key low |
//                         +108 u32 key high
//   5 new upload:         +112 u32 (not used) | +116 u32 peer value for the connect |
//                         +120 u32 key low | +124 u32 key high | +128 IUploadCallback*
//   6 none (ignored)
//   7 session notice:     +152 u32 session handle | +156 u32 (not used) | +160 u32 value
//   8 upload level:       +164 id file id | +180 u32 level (0, 1 or 2)

#include "infra/MessageQueue.h"
#include "infra/Status.h"
#include "transport/transfer/TransferEntry.h"

#include <cstddef>
#include <cstdint>

class IDownloadCallback;
class IUploadCallback;

enum TransportManagerMsgType : std::uint32_t {
    TM_MSG_START_DOWNLOAD = 0,
    TM_MSG_CLOSE_DOWNLOAD = 1,
    TM_MSG_CLOSE_UPLOAD = 2,
    TM_MSG_SESSION_ANSWER = 3,
    TM_MSG_INCOMING_DOWNLOAD = 4,
    TM_MSG_NEW_UPLOAD = 5,
    TM_MSG_NONE = 6,
    TM_MSG_SESSION_NOTICE = 7,
    TM_MSG_UPLOAD_LEVEL = 8
};

struct STransportManagerInternalMsg {
    std::uint32_t Type;
    // 0
    std::uint8_t StartFileId[TRANSFER_ID_SIZE];
    std::uint8_t StartPeerId[TRANSFER_ID_SIZE];
    IDownloadCallback* StartCallback;
    // 1, 2
    std::uint8_t CloseFileId[TRANSFER_ID_SIZE];
    std::uint32_t CloseReason;
    // 3
    std::uint8_t AnswerUnused[TRANSFER_ID_SIZE];
    std::uint8_t AnswerFileId[TRANSFER_ID_SIZE];
    std::uint32_t AnswerTicket;
    // 4
    std::uint32_t IncomingSession;
    std::uint32_t IncomingTicket;
    std::uint32_t IncomingKeyLow;
    std::uint32_t IncomingKeyHigh;
    // 5
    std::uint32_t UploadUnused;
    std::uint32_t UploadPeer;
    std::uint32_t UploadKeyLow;
    std::uint32_t UploadKeyHigh;
    IUploadCallback* UploadCallback;
    std::uint8_t Reserved[20];
    // 7
    std::uint32_t NoticeSession;
    std::uint32_t NoticeUnused;
    std::uint32_t NoticeValue;
    // 8
    std::uint8_t LevelFileId[TRANSFER_ID_SIZE];
    std::uint32_t Level;

    // A zeroed record of the type.
    static STransportManagerInternalMsg Make(std::uint32_t type);
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(STransportManagerInternalMsg) == 184, "the 32-bit record is 184 bytes");
static_assert(offsetof(STransportManagerInternalMsg, StartCallback) == 36, "record layout");
static_assert(offsetof(STransportManagerInternalMsg, CloseFileId) == 40, "record layout");
static_assert(offsetof(STransportManagerInternalMsg, AnswerFileId) == 76, "record layout");
static_assert(offsetof(STransportManagerInternalMsg, IncomingSession) == 96, "record layout");
static_assert(offsetof(STransportManagerInternalMsg, UploadCallback) == 128, "record layout");
static_assert(offsetof(STransportManagerInternalMsg, NoticeSession) == 152, "record layout");
static_assert(offsetof(STransportManagerInternalMsg, Level) == 180, "record layout");
#else
static_assert(sizeof(STransportManagerInternalMsg) >= 184, "the record keeps its 184 bytes at least");
#endif

using CTransportManagerQueue = sti::CMessageQueue<STransportManagerInternalMsg>;

// Posters: each writes one whole record into the queue (the messaging service's end).
// ST_NOT_CONNECTED without a queue, else the queue's result.
Status PostTMStartDownload(CTransportManagerQueue* queue, const std::uint8_t fileId[TRANSFER_ID_SIZE],
                           const std::uint8_t peerId[TRANSFER_ID_SIZE], IDownloadCallback* callback);
Status PostTMCloseDownload(CTransportManagerQueue* queue, const std::uint8_t fileId[TRANSFER_ID_SIZE],
                           std::uint32_t reason);
Status PostTMCloseUpload(CTransportManagerQueue* queue, const std::uint8_t fileId[TRANSFER_ID_SIZE],
                         std::uint32_t reason);
Status PostTMAnswer(CTransportManagerQueue* queue, const std::uint8_t unused[TRANSFER_ID_SIZE],
                    const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t ticket);
Status PostTMIncomingDownload(CTransportManagerQueue* queue, std::uint32_t sessionHandle, std::uint32_t ticket,
                              std::uint32_t keyLow, std::uint32_t keyHigh);
Status PostTMNewUpload(CTransportManagerQueue* queue, std::uint32_t peer, std::uint32_t keyLow, std::uint32_t keyHigh,
                       IUploadCallback* callback);
Status PostTMSessionNotify(CTransportManagerQueue* queue, std::uint32_t sessionHandle, std::uint32_t unused,
                           std::uint32_t value);
// ST_INVALID_PARAM (nothing posted) for a level other than 0, 1 or 2.
Status PostTMUploadLevel(CTransportManagerQueue* queue, const std::uint8_t fileId[TRANSFER_ID_SIZE],
                         std::uint32_t level);
