#pragma once
// Test doubles for the transfer handlers: memory-backed transfer records behind the callback
// interfaces, a session manager that only records, a peer end that speaks raw data messages,
// and a harness that runs a download and an upload handler against each other over a
// loopback socket pair on this thread's dispatcher.

#include "infra/Dispatcher.h"
#include "infra/TCPSocket.h"
#include "transport/transfer/DataMessages.h"
#include "transport/transfer/DownloadHandler.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportSession.h"
#include "transport/transfer/UploadHandler.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace transfer_test {

using Bytes = std::vector<std::uint8_t>;

// Pseudo-random bytes that bzip2 cannot shrink.
Bytes RandomBytes(std::size_t length, std::uint32_t seed = 1);
// Bytes that bzip2 shrinks well.
Bytes TextBytes(std::size_t length);
std::string Hex(const std::uint8_t* data, std::size_t length);

// Shared by both records: a call log, reference counting, and a check that nothing is called
// after the last Release.
class CRecordBase {
public:
    std::vector<std::string> log;
    std::uint32_t refs = 0;
    bool released = false;
    std::vector<int> statuses;
    int closedBy = -1;
    int closedReason = -1;
    int closedCount = 0;

    bool Logged(const std::string& entry) const;
    int Count(const std::string& prefix) const;

protected:
    void Note(const std::string& entry);
    void NoteConnected(const std::uint32_t* ticket);
    void NoteClosed(int by, std::uint32_t reason);
    void NoteStatus(int status);
    std::uint32_t NoteAddRef();
    void NoteRelease();
};

// A download written into memory. It asks for the first missing run of bytes, at most
// rangeLimit long, and counts the file complete when no byte is missing.
class CMemoryDownload : public IDownloadCallback, public CRecordBase {
public:
    CMemoryDownload();

    void OnConnected(const std::uint32_t* ticket) override { NoteConnected(ticket); }
    void OnClosed(int by, std::uint32_t reason) override { NoteClosed(by, reason); }
    void SetSessionStatus(int status) override { NoteStatus(status); }
    std::uint32_t AddRef() override { return NoteAddRef(); }
    void Release() override { NoteRelease(); }

    void OnFileInfo(const std::uint8_t fileId[TRANSFER_ID_SIZE], const TransferFileList& entries) override;
    Status OnRangeEnd() override;
    void OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                 const std::uint8_t* data) override;
    void OnNotice(int value) override { Note("notice " + std::to_string(value)); }
    Status GetNextRange(std::uint64_t* start, std::uint64_t* end) override;

    bool IsComplete() const;

    // Set by the test.
    std::uint64_t rangeLimit = UINT64_MAX;
    Status nextRangeAnswer = ST_SUCCESS; // any other value is answered at once
    Status rangeEndAnswer = ST_SUCCESS;  // ST_SUCCESS: answer by the bookkeeping
    // Pretend some bytes are there already (e.g. a file that is whole before it starts).
    void MarkHave(std::uint64_t start, std::uint64_t end);

    // What arrived.
    std::uint64_t size = 0;
    TransferFileList entries;
    Bytes data;
    std::vector<bool> have;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> blocks; // offset, length
    std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges; // asked for
};

// An upload read from memory.
class CMemoryUpload : public IUploadCallback, public CRecordBase {
public:
    explicit CMemoryUpload(Bytes content = Bytes());

    void OnConnected(const std::uint32_t* ticket) override { NoteConnected(ticket); }
    void OnClosed(int by, std::uint32_t reason) override { NoteClosed(by, reason); }
    void SetSessionStatus(int status) override { NoteStatus(status); }
    std::uint32_t AddRef() override { return NoteAddRef(); }
    void Release() override { NoteRelease(); }

    Status OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& entries) override;
    Status ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength, std::uint8_t* buffer,
                     std::uint32_t* length) override;

    // Set by the test.
    Bytes content;
    std::string name = "file.bin";
    std::uint64_t announcedSize = UINT64_MAX; // UINT64_MAX: the content's size
    TransferFileList further;                 // entries after the file itself
    Status openAnswer = ST_SUCCESS;
    Status readAnswer = ST_SUCCESS;
    std::uint32_t readLimit = UINT32_MAX; // bytes one read returns at most

    std::vector<std::pair<std::uint64_t, std::uint32_t>> reads; // offset, max length
};

// Records what the handlers ask of the managers. Sessions handed to it are deleted by it at
// the end unless a handler released them first.
class CRecordingManager : public ISessionManagerBase {
public:
    ~CRecordingManager() override;

    Status OnTimer(int, const sti::CTimeValue&, void*) override { return ST_SUCCESS; }
    Status RemoveSession(CTransportSession* session) override;
    Status RestartSession(CTransportSession* session) override;
    Status BindFile(CTransportSession* session, const std::uint8_t fileId[TRANSFER_ID_SIZE]) override;

    void Adopt(CTransportSession* session) { live.push_back(session); }
    bool IsLive(const CTransportSession* session) const;
    // Deletes the sessions still here (before their records go).
    void DeleteAll();

    std::vector<CTransportSession*> live;
    int removed = 0;
    int restarted = 0;
    std::vector<std::string> bound; // hex of the file ids
};

// A TCP socket that tells when the dispatcher deletes it.
class CTrackedSocket : public sti::CTCPSocket {
public:
    explicit CTrackedSocket(std::shared_ptr<bool> deleted) : m_deleted(std::move(deleted)) { *m_deleted = false; }
    ~CTrackedSocket() override { *m_deleted = true; }

private:
    std::shared_ptr<bool> m_deleted;
};

struct SReceivedMessage {
    std::uint32_t type;
    Bytes body;
};

// The far end of a connection, driven by the test with raw data messages (non-blocking).
class CMessagePeer {
public:
    explicit CMessagePeer(STI_OS::SocketHandle handle);
    ~CMessagePeer();
    CMessagePeer(const CMessagePeer&) = delete;
    CMessagePeer& operator=(const CMessagePeer&) = delete;

    bool Send(const DataMessageBlock& message);
    bool SendBytes(const Bytes& bytes);
    // Takes what has arrived; complete messages go to the queue. At the end of the stream
    // (or a failure) closes this end too.
    void Poll();
    bool HasMessage() const { return !messages.empty(); }
    SReceivedMessage Pop();
    void Close();

    std::deque<SReceivedMessage> messages;
    bool closed = false; // the handler's side closed

private:
    STI_OS::SocketHandle m_handle;
    Bytes m_pending;
};

// Builds a message with one of the writers; fails the test when the writer fails.
std::unique_ptr<DataMessageBlock> Build(const std::function<Status(DataMessageBlock&)>& writer);
// A DataBlock body over the given chunk, compressed with bzip2 when asked.
std::unique_ptr<DataMessageBlock> BuildBlock(std::uint64_t offset, const Bytes& chunk, bool compress);

extern const std::uint8_t FILE_ID[TRANSFER_ID_SIZE];
extern const std::uint8_t PEER_ID[TRANSFER_ID_SIZE];

// One side's handler over one end of a socket pair; the test plays the other end.
class CHarnessBase {
public:
    CHarnessBase();
    virtual ~CHarnessBase();

    // Dispatcher rounds until the condition holds (false after about the time given).
    bool RunUntil(const std::function<bool()>& condition, int milliseconds = 5000);
    void RunFor(int milliseconds);

    sti::CDispatcher* dispatcher;
    CRecordingManager manager;

protected:
    // A registered socket over one end of a new pair; the other end's handle comes back.
    CTrackedSocket* Attach(sti::IBaseSockEventHandler* handler, std::shared_ptr<bool>& deleted,
                           STI_OS::SocketHandle& other);
    void Drop(CTrackedSocket* socket, const std::shared_ptr<bool>& deleted);
};

// A download handler against a scripted uploader.
class CDownloadHarness : public CHarnessBase {
public:
    explicit CDownloadHarness(std::int32_t idleTimeoutMs = CDownloadHandler::IDLE_TIMEOUT_MS);
    ~CDownloadHarness() override;

    // Status CONNECTED, then the handler's OnConnected.
    void Connect();
    bool SessionLive() const { return manager.IsLive(session); }
    // A connection closed after its last write lingers until its peer closes too: the peer
    // reads on, and closes once it has seen the end.
    bool ConnectionGone()
    {
        if (peer)
            peer->Poll();
        return *socketDeleted;
    }

    CMemoryDownload record;
    CTransportSession* session;
    CDownloadHandler* handler;
    CTrackedSocket* socket;
    std::shared_ptr<bool> socketDeleted;
    std::unique_ptr<CMessagePeer> peer;
};

// An upload handler against a scripted downloader.
class CUploadHarness : public CHarnessBase {
public:
    explicit CUploadHarness(Bytes content = Bytes());
    ~CUploadHarness() override;

    bool SessionLive() const { return manager.IsLive(session); }
    // A connection closed after its last write lingers until its peer closes too: the peer
    // reads on, and closes once it has seen the end.
    bool ConnectionGone()
    {
        if (peer)
            peer->Poll();
        return *socketDeleted;
    }
    // Sends FileRequest and waits for the answer.
    SReceivedMessage RequestFile();
    // Waits for the next message from the handler.
    bool Next(SReceivedMessage& message, int milliseconds = 5000);

    CMemoryUpload record;
    CTransportSession* session;
    CUploadHandler* handler;
    CTrackedSocket* socket;
    std::shared_ptr<bool> socketDeleted;
    std::unique_ptr<CMessagePeer> peer;
};

// Both handlers against each other.
class CTransferHarness : public CHarnessBase {
public:
    explicit CTransferHarness(Bytes content, std::int32_t idleTimeoutMs = CDownloadHandler::IDLE_TIMEOUT_MS);
    ~CTransferHarness() override;

    // Both sides connected: the upload first, then the download (which sends FileRequest).
    void Connect();
    // Runs until both sessions have ended or the download is back to CONNECTING.
    bool RunToEnd(int milliseconds = 10000);

    bool DownloadLive() const { return manager.IsLive(downloadSession); }
    bool UploadLive() const { return manager.IsLive(uploadSession); }

    CMemoryDownload download;
    CMemoryUpload upload;
    CTransportSession* downloadSession;
    CTransportSession* uploadSession;
    CDownloadHandler* downloadHandler;
    CUploadHandler* uploadHandler;
    CTrackedSocket* downloadSocket;
    CTrackedSocket* uploadSocket;
    std::shared_ptr<bool> downloadSocketDeleted;
    std::shared_ptr<bool> uploadSocketDeleted;
};

} // namespace transfer_test
