#pragma once
// The download sessions of the transport manager, by session handle (the id of the
// session's dispatcher timer) and by file id, and, inside, the uploads manager.
//
// A download session asks the server where the uploader is (command 29, every LocateMs, the
// first FirstLocateMs after creation: status CONNECTING). A ticket in the answer makes it
// ask the uploader to connect (command 4 at once, again after FirstConnectRetryMs, then every
// ConnectRetryMs; status INITIATING); after ConnectTries expiries it locates again. The
// uploader's incoming connection ends the timer (CONNECTED) and a CDownloadHandler runs the
// transfer on a new Ant socket. All of this on the transport-manager thread, whose
// dispatcher (CDispatcher::Instance) carries the timers.

#include "infra/Status.h"
#include "transport/transfer/AntConnectWait.h"
#include "transport/transfer/TransferEntry.h"
#include "transport/transfer/TransportSession.h"
#include "transport/transfer/TransportTimings.h"
#include "transport/transfer/UploadsManager.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>

class CAnt;
class ITransportManagerOutlet;

class CDownloadsManager : public ISessionManagerBase {
public:
    // Server commands go to the outlet (it outlives this; null sends nothing); connections
    // through the given transport, the process's when null.
    explicit CDownloadsManager(ITransportManagerOutlet* outlet, CAnt* ant = nullptr);
    // Deletes the sessions still here without a word to their callbacks (CloseAll first).
    ~CDownloadsManager() override;

    CDownloadsManager(const CDownloadsManager&) = delete;
    CDownloadsManager& operator=(const CDownloadsManager&) = delete;

    CUploadsManager& Uploads() { return m_uploads; }
    void SetTimings(const STransportTimings& timings) { m_timings = timings; }
    CAntConnectWait& Connects() { return m_connects; }
    const STransportTimings& GetTimings() const { return m_timings; }

    // A new session for the file from the peer, status CONNECTING. ST_ALREADY_EXISTS when
    // the file is downloading already: the callback then hears AddRef and Release and
    // nothing else. ST_NO_MEMORY leaves nothing behind in the same way. ST_INVALID_PARAM for
    // a null callback.
    Status StartDownload(const std::uint8_t fileId[TRANSFER_ID_SIZE], const std::uint8_t peerId[TRANSFER_ID_SIZE],
                         IDownloadCallback* callback);
    // Ends the download of the file with the reason. ST_NOT_FOUND when none.
    Status CloseDownload(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t reason);
    // The server's answer to a session request: a ticket starts the connect requests, none
    // tells the callback that the peer cannot be reached. ST_NOT_FOUND when no session of
    // the file is locating or waiting for its uploader.
    Status OnSessionAnswer(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t ticket);
    // The uploader connects to the session with the handle: a CDownloadHandler on a new Ant
    // socket. ST_NOT_FOUND for an unknown handle or a ticket not the session's (the session
    // goes on retrying; so it does after ST_NO_MEMORY or a failed connect).
    Status OnIncomingConnection(std::uint32_t handle, std::uint32_t ticket, std::uint32_t keyLow,
                                std::uint32_t keyHigh);
    // A server notice for the session with the handle reaches its callback. ST_NOT_FOUND.
    Status OnSessionNotice(std::uint32_t handle, std::uint32_t value);
    // Ends every download with the reason.
    void CloseAll(std::uint32_t reason);

    CTransportSession* FindByHandle(int handle) const;
    CTransportSession* FindByFileId(const std::uint8_t fileId[TRANSFER_ID_SIZE]) const;
    std::size_t GetCount() const { return m_byFileId.size(); }

    // ISessionManagerBase: the session timers.
    Status OnTimer(int timerId, const sti::CTimeValue& now, void* parameter) override;
    Status OnTimerRemoved(int timerId, void* parameter) override;
    Status RemoveSession(CTransportSession* session) override;
    Status RestartSession(CTransportSession* session) override;

private:
    using FileKey = std::array<std::uint8_t, TRANSFER_ID_SIZE>;

    static FileKey FileKeyOf(const std::uint8_t fileId[TRANSFER_ID_SIZE]);
    // Arms the session's timer by the locate rule, status CONNECTING. ST_ALREADY_CONNECTED
    // when it has a timer.
    Status StartSession(CTransportSession* session);
    std::int32_t LocateDelay(const CTransportSession* session, const sti::CTimeValue& now) const;
    Status Rearm(CTransportSession* session, std::int32_t milliseconds);
    void StopTimer(CTransportSession* session);
    void SendSessionRequest(const CTransportSession* session);
    void SendConnectRequest(const CTransportSession* session);

    ITransportManagerOutlet* m_outlet; // not owned
    STransportTimings m_timings;
    CAntConnectWait m_connects;
    CUploadsManager m_uploads;
    std::map<int, CTransportSession*> m_byHandle;
    std::map<FileKey, CTransportSession*> m_byFileId; // owns the sessions
};
