#pragma once
// The upload sessions of the transport manager, by connection key and, once the downloader
// has named its file, by file id. An upload starts when the server reports a downloader:
// a new Ant connection to it (by the peer value and the key) runs a CUploadHandler.
// Owns its sessions until their handlers end them; lives on the transport-manager thread.

#include "infra/Status.h"
#include "transport/transfer/AntConnectWait.h"
#include "transport/transfer/TransferEntry.h"
#include "transport/transfer/TransportSession.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>

class CAnt;

class CUploadsManager : public ISessionManagerBase {
public:
    // Connections go through the given transport (it outlives this), the process's when null.
    explicit CUploadsManager(CAnt* ant = nullptr);
    // Deletes the sessions still here without a word to their callbacks (CloseAll first).
    ~CUploadsManager() override;

    CUploadsManager(const CUploadsManager&) = delete;
    CUploadsManager& operator=(const CUploadsManager&) = delete;

    // A downloader waits for us at the peer value with the key: a session (status CONNECTED)
    // whose handler connects a new Ant socket. ST_ALREADY_EXISTS for a key in use: the
    // callback then hears AddRef and Release and nothing else. ST_NO_MEMORY, or the
    // connect's failure, leave nothing behind in the same way. ST_INVALID_PARAM for a null
    // callback.
    Status NewUpload(std::uint32_t peer, std::uint32_t keyLow, std::uint32_t keyHigh, IUploadCallback* callback);
    // Ends the upload of the file with the reason. ST_NOT_FOUND when none.
    Status CloseUpload(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t reason);
    // Passes the bandwidth level (0, 1 or 2) to the upload's Ant socket; the upload goes on.
    // ST_NOT_FOUND when none, ST_NOT_CONNECTED while its connection is not up yet.
    Status SetLevel(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t level);
    // Ends every upload with the reason.
    void CloseAll(std::uint32_t reason);

    CTransportSession* FindByKey(std::uint32_t keyLow, std::uint32_t keyHigh) const;
    CTransportSession* FindByFileId(const std::uint8_t fileId[TRANSFER_ID_SIZE]) const;
    std::size_t GetCount() const { return m_byKey.size(); }
    CAntConnectWait& Connects() { return m_connects; }

    // ISessionManagerBase. Uploads have no timers.
    Status OnTimer(int timerId, const sti::CTimeValue& now, void* parameter) override;
    Status RemoveSession(CTransportSession* session) override;
    Status BindFile(CTransportSession* session, const std::uint8_t fileId[TRANSFER_ID_SIZE]) override;

private:
    using FileKey = std::array<std::uint8_t, TRANSFER_ID_SIZE>;

    static std::uint64_t KeyOf(std::uint32_t keyLow, std::uint32_t keyHigh);
    static FileKey FileKeyOf(const std::uint8_t fileId[TRANSFER_ID_SIZE]);
    void EraseFileEntry(CTransportSession* session);

    CAntConnectWait m_connects;
    std::map<std::uint64_t, CTransportSession*> m_byKey; // owns the sessions
    std::map<FileKey, CTransportSession*> m_byFileId;
};
