#include "support/TransferTestSupport.h"

#include "infra/Initialize.h"
#include "infra/os/Clock.h"
#include "transport/transfer/Bzip2.h"
#include "transport/transfer/Checksum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace transfer_test {

const std::uint8_t FILE_ID[TRANSFER_ID_SIZE] = {0xF1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xFF};
const std::uint8_t PEER_ID[TRANSFER_ID_SIZE] = {0xB0, 0xB1, 0xB2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

Bytes RandomBytes(std::size_t length, std::uint32_t seed)
{
    Bytes bytes(length);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::uint8_t& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

Bytes TextBytes(std::size_t length)
{
    static const char text[] = "the quick brown fox jumps over the lazy dog; ";
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(text[i % (sizeof(text) - 1)]);
    }
    return bytes;
}

std::string Hex(const std::uint8_t* data, std::size_t length)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

// --- records ---------------------------------------------------------------------------

bool CRecordBase::Logged(const std::string& entry) const
{
    return std::find(log.begin(), log.end(), entry) != log.end();
}

int CRecordBase::Count(const std::string& prefix) const
{
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&prefix](const std::string& entry) {
        return entry.compare(0, prefix.size(), prefix) == 0;
    }));
}

void CRecordBase::Note(const std::string& entry)
{
    if (released) {
        ADD_FAILURE() << "called after the last Release: " << entry;
    }
    log.push_back(entry);
}

void CRecordBase::NoteConnected(const std::uint32_t* ticket)
{
    Note("connected " + std::to_string(ticket != nullptr ? *ticket : 0xFFFFFFFFu));
}

void CRecordBase::NoteClosed(int by, std::uint32_t reason)
{
    Note("closed " + std::to_string(by) + " " + std::to_string(reason));
    closedBy = by;
    closedReason = static_cast<int>(reason);
    ++closedCount;
}

void CRecordBase::NoteStatus(int status)
{
    Note("status " + std::to_string(status));
    statuses.push_back(status);
}

std::uint32_t CRecordBase::NoteAddRef()
{
    Note("addref");
    return ++refs;
}

void CRecordBase::NoteRelease()
{
    Note("release");
    if (refs == 0) {
        ADD_FAILURE() << "Release without AddRef";
        return;
    }
    if (--refs == 0) {
        released = true;
    }
}

CMemoryDownload::CMemoryDownload() = default;

void CMemoryDownload::OnFileInfo(const std::uint8_t fileId[TRANSFER_ID_SIZE], const TransferFileList& list)
{
    Note("fileinfo " + std::to_string(list.size()));
    EXPECT_FALSE(list.empty());
    (void)fileId;
    entries = list;
    if (!list.empty()) {
        size = list.front().Size;
        data.assign(static_cast<std::size_t>(size), 0);
        have.assign(static_cast<std::size_t>(size), false);
    }
}

void CMemoryDownload::MarkHave(std::uint64_t start, std::uint64_t end)
{
    for (std::uint64_t i = start; i < end && i < have.size(); ++i) {
        have[static_cast<std::size_t>(i)] = true;
    }
}

Status CMemoryDownload::OnRangeEnd()
{
    Note("rangeend");
    if (rangeEndAnswer != ST_SUCCESS) {
        return rangeEndAnswer;
    }
    return IsComplete() ? ST_NO_MORE_DATA : ST_MORE_DATA;
}

void CMemoryDownload::OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                              const std::uint8_t* bytes)
{
    const std::uint64_t offset = (std::uint64_t(offsetHigh) << 32) | offsetLow;
    Note("block " + std::to_string(offset) + "+" + std::to_string(length));
    blocks.emplace_back(offset, length);
    if (offset + length > data.size()) {
        ADD_FAILURE() << "block past the file: " << offset << "+" << length;
        return;
    }
    std::memcpy(data.data() + offset, bytes, length);
    for (std::uint32_t i = 0; i < length; ++i) {
        have[static_cast<std::size_t>(offset + i)] = true;
    }
}

Status CMemoryDownload::GetNextRange(std::uint64_t* start, std::uint64_t* end)
{
    if (nextRangeAnswer != ST_SUCCESS) {
        Note("nextrange " + std::to_string(nextRangeAnswer));
        return nextRangeAnswer;
    }
    auto first = std::find(have.begin(), have.end(), false);
    if (first == have.end()) {
        Note("nextrange none");
        return ST_NO_MORE_DATA;
    }
    auto last = std::find(first, have.end(), true);
    *start = static_cast<std::uint64_t>(first - have.begin());
    *end = static_cast<std::uint64_t>(last - have.begin());
    if (*end - *start > rangeLimit) {
        *end = *start + rangeLimit;
    }
    ranges.emplace_back(*start, *end);
    Note("range " + std::to_string(*start) + "-" + std::to_string(*end));
    return ST_SUCCESS;
}

bool CMemoryDownload::IsComplete() const
{
    return std::find(have.begin(), have.end(), false) == have.end();
}

CMemoryUpload::CMemoryUpload(Bytes bytes) : content(std::move(bytes)) {}

Status CMemoryUpload::OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& list)
{
    Note("open " + Hex(fileId, TRANSFER_ID_SIZE));
    if (openAnswer != ST_SUCCESS) {
        return openAnswer;
    }
    STransferFileEntry entry;
    std::memcpy(entry.Id, fileId, TRANSFER_ID_SIZE);
    entry.Name = name;
    entry.Size = announcedSize == UINT64_MAX ? content.size() : announcedSize;
    list.push_back(entry);
    list.insert(list.end(), further.begin(), further.end());
    return ST_SUCCESS;
}

Status CMemoryUpload::ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength,
                                std::uint8_t* buffer, std::uint32_t* length)
{
    const std::uint64_t offset = (std::uint64_t(offsetHigh) << 32) | offsetLow;
    Note("read " + std::to_string(offset));
    reads.emplace_back(offset, maxLength);
    *length = 0;
    if (readAnswer != ST_SUCCESS) {
        return readAnswer;
    }
    if (offset >= content.size()) {
        return ST_SUCCESS;
    }
    std::uint64_t count = std::min<std::uint64_t>({maxLength, readLimit, content.size() - offset});
    std::memcpy(buffer, content.data() + offset, static_cast<std::size_t>(count));
    *length = static_cast<std::uint32_t>(count);
    return ST_SUCCESS;
}

// --- manager -----------------------------------------------------------------------------

CRecordingManager::~CRecordingManager()
{
    DeleteAll();
}

void CRecordingManager::DeleteAll()
{
    while (!live.empty()) {
        CTransportSession* session = live.back();
        live.pop_back();
        delete session;
    }
}

Status CRecordingManager::RemoveSession(CTransportSession* session)
{
    auto found = std::find(live.begin(), live.end(), session);
    if (found == live.end()) {
        ADD_FAILURE() << "removal of a session the manager does not hold";
        return ST_NOT_FOUND;
    }
    live.erase(found);
    ++removed;
    return ST_SUCCESS;
}

Status CRecordingManager::RestartSession(CTransportSession* session)
{
    EXPECT_TRUE(IsLive(session));
    EXPECT_EQ(nullptr, session->GetHandler());
    ++restarted;
    session->SetStatus(SESSION_STATUS_CONNECTING);
    return ST_SUCCESS;
}

Status CRecordingManager::BindFile(CTransportSession* session, const std::uint8_t fileId[TRANSFER_ID_SIZE])
{
    bound.push_back(Hex(fileId, TRANSFER_ID_SIZE));
    session->SetFileId(fileId);
    return ST_SUCCESS;
}

bool CRecordingManager::IsLive(const CTransportSession* session) const
{
    return std::find(live.begin(), live.end(), session) != live.end();
}

// --- raw peer ----------------------------------------------------------------------------

CMessagePeer::CMessagePeer(STI_OS::SocketHandle handle) : m_handle(handle)
{
    EXPECT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(m_handle, true));
}

CMessagePeer::~CMessagePeer()
{
    Close();
}

void CMessagePeer::Close()
{
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(m_handle));
    m_handle = STI_OS::INVALID_SOCKET_HANDLE;
}

bool CMessagePeer::Send(const DataMessageBlock& message)
{
    return SendBytes(Bytes(message.Data, message.Data + message.Used));
}

bool CMessagePeer::SendBytes(const Bytes& bytes)
{
    std::size_t sent = 0;
    for (int tries = 0; sent < bytes.size() && tries < 1000; ++tries) {
        std::uint32_t count = 0;
        Status status =
            STI_OS::Send(m_handle, bytes.data() + sent, static_cast<std::uint32_t>(bytes.size() - sent), count);
        if (status != ST_SUCCESS && status != ST_TRY_LATER && status != ST_WOULD_BLOCK && status != ST_TIMEOUT) {
            return false;
        }
        sent += count;
        if (sent < bytes.size()) {
            STI_OS::Sleep(1);
        }
    }
    return sent == bytes.size();
}

void CMessagePeer::Poll()
{
    std::uint8_t buffer[16384];
    while (m_handle != STI_OS::INVALID_SOCKET_HANDLE) {
        std::uint32_t count = 0;
        Status status = STI_OS::Recv(m_handle, buffer, sizeof(buffer), count);
        if (status != ST_SUCCESS) {
            if (status != ST_TRY_LATER && status != ST_WOULD_BLOCK && status != ST_TIMEOUT) {
                closed = true;
                Close();
            }
            break;
        }
        m_pending.insert(m_pending.end(), buffer, buffer + count);
    }
    while (m_pending.size() >= 4) {
        const std::uint32_t value = std::uint32_t(m_pending[0]) | (std::uint32_t(m_pending[1]) << 8) |
                                    (std::uint32_t(m_pending[2]) << 16) | (std::uint32_t(m_pending[3]) << 24);
        const std::uint32_t length = ValidateDataMessageHeader(value);
        if (length == 0) {
            ADD_FAILURE() << "the handler sent a broken header";
            m_pending.clear();
            return;
        }
        if (m_pending.size() < length) {
            return;
        }
        messages.push_back(SReceivedMessage{value & 0xFF, Bytes(m_pending.begin() + 4, m_pending.begin() + length)});
        m_pending.erase(m_pending.begin(), m_pending.begin() + length);
    }
}

SReceivedMessage CMessagePeer::Pop()
{
    SReceivedMessage message = messages.front();
    messages.pop_front();
    return message;
}

std::unique_ptr<DataMessageBlock> Build(const std::function<Status(DataMessageBlock&)>& writer)
{
    std::unique_ptr<DataMessageBlock> block(new DataMessageBlock());
    EXPECT_EQ(ST_SUCCESS, writer(*block));
    return block;
}

std::unique_ptr<DataMessageBlock> BuildBlock(std::uint64_t offset, const Bytes& chunk, bool compress)
{
    SDataBlock body;
    body.Offset = offset;
    EXPECT_EQ(ST_SUCCESS, CChecksum().Compute(chunk.data(), chunk.size(), body.Checksum));
    Bytes packed(MAX_DATA_BLOCK_PAYLOAD);
    std::uint32_t packedLength = 0;
    if (compress) {
        EXPECT_EQ(ST_SUCCESS, Bzip2Compress(chunk.data(), static_cast<std::uint32_t>(chunk.size()), packed.data(),
                                            static_cast<std::uint32_t>(packed.size()), packedLength));
        body.Compression = BLOCK_BZIP2;
        body.Payload = packed.data();
        body.Length = packedLength;
    } else {
        body.Compression = BLOCK_RAW;
        body.Payload = chunk.data();
        body.Length = static_cast<std::uint32_t>(chunk.size());
    }
    return Build([&body](DataMessageBlock& block) { return WriteDataBlock(block, body); });
}

// --- harnesses ---------------------------------------------------------------------------

namespace {

CTrackedSocket* NewSocket(STI_OS::SocketHandle handle, std::shared_ptr<bool>& deleted)
{
    deleted = std::make_shared<bool>(false);
    CTrackedSocket* socket = new CTrackedSocket(deleted);
    socket->AttachHandle(handle);
    socket->SetState(sti::STATE_CONNECTED);
    return socket;
}

} // namespace

CHarnessBase::CHarnessBase()
{
    sti::Initialize();
    dispatcher = sti::CDispatcher::Instance();
}

CHarnessBase::~CHarnessBase() = default;

bool CHarnessBase::RunUntil(const std::function<bool()>& condition, int milliseconds)
{
    const sti::CTimeValue end = sti::CTimeValue::Now() + sti::CTimeSpan(milliseconds);
    while (!condition()) {
        if (sti::CTimeValue::Now() > end) {
            return false;
        }
        EXPECT_EQ(ST_SUCCESS, dispatcher->Run(5));
    }
    return true;
}

void CHarnessBase::RunFor(int milliseconds)
{
    const sti::CTimeValue end = sti::CTimeValue::Now() + sti::CTimeSpan(milliseconds);
    while (!(sti::CTimeValue::Now() > end)) {
        EXPECT_EQ(ST_SUCCESS, dispatcher->Run(5));
    }
}

CTrackedSocket* CHarnessBase::Attach(sti::IBaseSockEventHandler* handler, std::shared_ptr<bool>& deleted,
                                     STI_OS::SocketHandle& other)
{
    STI_OS::SocketHandle mine = STI_OS::INVALID_SOCKET_HANDLE;
    other = STI_OS::INVALID_SOCKET_HANDLE;
    EXPECT_EQ(ST_SUCCESS, STI_OS::CreateLoopbackPair(mine, other));
    CTrackedSocket* socket = NewSocket(mine, deleted);
    EXPECT_EQ(ST_SUCCESS, dispatcher->Register(socket, handler, sti::INTEREST_READ));
    return socket;
}

void CHarnessBase::Drop(CTrackedSocket* socket, const std::shared_ptr<bool>& deleted)
{
    if (!*deleted) {
        dispatcher->Close(socket, false);
    }
    // The closed socket (and with it its handler) goes at the next purge.
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(0));
    EXPECT_TRUE(*deleted);
}

CDownloadHarness::CDownloadHarness(std::int32_t idleTimeoutMs)
{
    session = new CTransportSession(&manager, &record, FILE_ID, PEER_ID);
    manager.Adopt(session);
    session->SetTicket(77);
    session->SetStatus(SESSION_STATUS_CONNECTED);
    handler = new CDownloadHandler(session, idleTimeoutMs);
    STI_OS::SocketHandle other = STI_OS::INVALID_SOCKET_HANDLE;
    socket = Attach(handler, socketDeleted, other);
    peer.reset(new CMessagePeer(other));
}

CDownloadHarness::~CDownloadHarness()
{
    Drop(socket, socketDeleted);
    manager.DeleteAll();
    EXPECT_EQ(0u, record.refs);
}

void CDownloadHarness::Connect()
{
    EXPECT_EQ(ST_SUCCESS, handler->OnConnected(socket));
}

CUploadHarness::CUploadHarness(Bytes content) : record(std::move(content))
{
    session = new CTransportSession(&manager, &record, 0x1111u, 0x2222u);
    manager.Adopt(session);
    session->SetStatus(SESSION_STATUS_CONNECTED);
    handler = new CUploadHandler(session);
    STI_OS::SocketHandle other = STI_OS::INVALID_SOCKET_HANDLE;
    socket = Attach(handler, socketDeleted, other);
    peer.reset(new CMessagePeer(other));
    EXPECT_EQ(ST_SUCCESS, handler->OnConnected(socket));
}

CUploadHarness::~CUploadHarness()
{
    Drop(socket, socketDeleted);
    manager.DeleteAll();
    EXPECT_EQ(0u, record.refs);
}

bool CUploadHarness::Next(SReceivedMessage& message, int milliseconds)
{
    bool got = RunUntil(
        [this] {
            peer->Poll();
            return peer->HasMessage();
        },
        milliseconds);
    if (got) {
        message = peer->Pop();
    }
    return got;
}

SReceivedMessage CUploadHarness::RequestFile()
{
    auto request = Build([](DataMessageBlock& block) { return WriteFileRequest(block, FILE_ID); });
    EXPECT_TRUE(peer->Send(*request));
    SReceivedMessage answer{0, Bytes()};
    EXPECT_TRUE(Next(answer));
    return answer;
}

CTransferHarness::CTransferHarness(Bytes content, std::int32_t idleTimeoutMs) : upload(std::move(content))
{
    downloadSession = new CTransportSession(&manager, &download, FILE_ID, PEER_ID);
    manager.Adopt(downloadSession);
    downloadSession->SetTicket(5);
    downloadSession->SetStatus(SESSION_STATUS_CONNECTED);
    uploadSession = new CTransportSession(&manager, &upload, 0xAAAAu, 0xBBBBu);
    manager.Adopt(uploadSession);
    uploadSession->SetStatus(SESSION_STATUS_CONNECTED);
    downloadHandler = new CDownloadHandler(downloadSession, idleTimeoutMs);
    uploadHandler = new CUploadHandler(uploadSession);

    STI_OS::SocketHandle other = STI_OS::INVALID_SOCKET_HANDLE;
    downloadSocket = Attach(downloadHandler, downloadSocketDeleted, other);
    uploadSocket = NewSocket(other, uploadSocketDeleted);
    EXPECT_EQ(ST_SUCCESS, dispatcher->Register(uploadSocket, uploadHandler, sti::INTEREST_READ));
}

CTransferHarness::~CTransferHarness()
{
    Drop(downloadSocket, downloadSocketDeleted);
    Drop(uploadSocket, uploadSocketDeleted);
    manager.DeleteAll();
    EXPECT_EQ(0u, download.refs);
    EXPECT_EQ(0u, upload.refs);
}

void CTransferHarness::Connect()
{
    EXPECT_EQ(ST_SUCCESS, uploadHandler->OnConnected(uploadSocket));
    EXPECT_EQ(ST_SUCCESS, downloadHandler->OnConnected(downloadSocket));
}

bool CTransferHarness::RunToEnd(int milliseconds)
{
    return RunUntil(
        [this] {
            const bool downloadDone = !DownloadLive() || downloadSession->GetStatus() == SESSION_STATUS_CONNECTING;
            return downloadDone && !UploadLive() && *downloadSocketDeleted && *uploadSocketDeleted;
        },
        milliseconds);
}

} // namespace transfer_test
