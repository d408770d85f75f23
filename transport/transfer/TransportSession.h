#pragma once
// One transfer session and the manager that keeps it. The session holds its callback (with
// AddRef, released when the session is deleted) and links to its data-message handler once
// a connection exists. Sessions, managers and handlers all live on the transport-manager
// thread.

#include "infra/Status.h"
#include "infra/TimeEventHandler.h"
#include "infra/TimeValue.h"
#include "transport/transfer/TransferEntry.h"

#include <cstdint>

class CTransportManagerHandler;
class CTransportSession;
class IDownloadCallback;
class ITransportCallback;
class IUploadCallback;

enum SessionStatus : int {
    SESSION_STATUS_NONE = -1,
    SESSION_STATUS_WAITING = 0,
    SESSION_STATUS_PEER_OFFLINE = 1, // never set by the engine
    SESSION_STATUS_CONNECTING = 2,
    SESSION_STATUS_INITIATING = 3,
    SESSION_STATUS_CONNECTED = 4,
    SESSION_STATUS_RUNNING = 5
};

// The downloads and the uploads manager; a timer handler for the download sessions' timers.
class ISessionManagerBase : public sti::ITimeEventHandler {
public:
    // Takes the session out of the manager's tables and cancels its timer; the caller
    // deletes it.
    virtual Status RemoveSession(CTransportSession* session) = 0;
    // A download whose connection dropped starts again as a new request (status
    // CONNECTING, timer by the delay rule).
    virtual Status RestartSession(CTransportSession* session)
    {
        (void)session;
        return ST_NOT_IMPLEMENTED;
    }
    // An upload learnt which file it serves: it takes the id and enters the file-id table
    // (ST_ALREADY_EXISTS leaves the tables unchanged).
    virtual Status BindFile(CTransportSession* session, const std::uint8_t fileId[TRANSFER_ID_SIZE])
    {
        (void)session;
        (void)fileId;
        return ST_NOT_IMPLEMENTED;
    }
};

class CTransportSession {
public:
    // A download of fileId from the peer.
    CTransportSession(ISessionManagerBase* manager, IDownloadCallback* callback,
                      const std::uint8_t fileId[TRANSFER_ID_SIZE], const std::uint8_t peerId[TRANSFER_ID_SIZE]);
    // An upload reached through the connection key; the file id comes with the file request.
    CTransportSession(ISessionManagerBase* manager, IUploadCallback* callback, std::uint32_t keyLow,
                      std::uint32_t keyHigh);
    // Releases the callback; the handler, if any, forgets the session.
    ~CTransportSession();

    CTransportSession(const CTransportSession&) = delete;
    CTransportSession& operator=(const CTransportSession&) = delete;

    // Out of the manager's tables and deleted (the callback hears Release).
    static void Destroy(CTransportSession* session);

    bool IsDownload() const { return m_download != nullptr; }
    ITransportCallback* GetCallback() const;
    IDownloadCallback* GetDownloadCallback() const { return m_download; }
    IUploadCallback* GetUploadCallback() const { return m_upload; }
    ISessionManagerBase* GetManager() const { return m_manager; }

    // Stores the status and reports it to the callback.
    void SetStatus(int status);
    int GetStatus() const { return m_status; }

    const std::uint8_t* GetFileId() const { return m_fileId; }
    void SetFileId(const std::uint8_t fileId[TRANSFER_ID_SIZE]);
    const std::uint8_t* GetPeerId() const { return m_peerId; }

    // The id of the session's dispatcher timer, -1 when none.
    int GetHandle() const { return m_handle; }
    void SetHandle(int handle) { m_handle = handle; }
    std::uint32_t GetTicket() const { return m_ticket; }
    void SetTicket(std::uint32_t ticket) { m_ticket = ticket; }
    int GetRetries() const { return m_retries; }
    void SetRetries(int retries) { m_retries = retries; }
    std::uint32_t GetKeyLow() const { return m_keyLow; }
    std::uint32_t GetKeyHigh() const { return m_keyHigh; }
    const sti::CTimeValue& GetLastRequestTime() const { return m_lastRequest; }
    void SetLastRequestTime(const sti::CTimeValue& time) { m_lastRequest = time; }

    // Set by the handler itself (see CTransportManagerHandler).
    CTransportManagerHandler* GetHandler() const { return m_handler; }
    void SetHandler(CTransportManagerHandler* handler) { m_handler = handler; }

private:
    ISessionManagerBase* m_manager;          // not owned
    IDownloadCallback* m_download = nullptr; // held with AddRef (one of the two)
    IUploadCallback* m_upload = nullptr;
    CTransportManagerHandler* m_handler = nullptr; // not owned; null until connected
    std::uint8_t m_fileId[TRANSFER_ID_SIZE] = {};
    std::uint8_t m_peerId[TRANSFER_ID_SIZE] = {};
    int m_handle = -1;
    int m_status = SESSION_STATUS_NONE;
    std::uint32_t m_ticket = 0;
    int m_retries = 0;
    std::uint32_t m_keyLow = 0;
    std::uint32_t m_keyHigh = 0;
    sti::CTimeValue m_lastRequest;
};
