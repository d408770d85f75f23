#include "transport/transfer/DownloadHandler.h"

#include "transport/transfer/Bzip2.h"
#include "transport/transfer/Checksum.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportSession.h"

namespace {

bool EndsSession(std::uint32_t reason)
{
    switch (reason) {
    case CLOSE_REASON_CANCELED:
    case CLOSE_REASON_FILE_NOT_FOUND:
    case CLOSE_REASON_NO_SESSION:
    case CLOSE_REASON_FILE_ERROR:
    case CLOSE_REASON_SHUTDOWN:
        return true;
    default:
        // No reason, a network error, a pause, or a reason this copy does not know: the
        // session waits for the connection to drop and then asks again.
        return false;
    }
}

} // namespace

CDownloadHandler::CDownloadHandler(CTransportSession* session, std::int32_t idleTimeoutMs)
    : CTransportManagerHandler(session), m_idleTimeoutMs(idleTimeoutMs)
{}

Status CDownloadHandler::OnConnected(TransportSocket* object)
{
    (void)object;
    if (m_session == nullptr) {
        return ST_CONNECTION_CLOSED;
    }
    m_session->SetStatus(SESSION_STATUS_RUNNING);
    const std::uint32_t ticket = m_session->GetTicket();
    m_session->GetCallback()->OnConnected(&ticket);

    DataMessageBlock* message = DataMessageAllocator::Allocate();
    if (message == nullptr) {
        return ST_NO_MEMORY;
    }
    Status status = WriteFileRequest(*message, m_session->GetFileId());
    if (status != ST_SUCCESS) {
        DataMessageAllocator::Free(message);
        return status;
    }
    status = Send(message);
    if (status != ST_SUCCESS) {
        return status;
    }
    return StartIdleTimer(m_idleTimeoutMs);
}

Status CDownloadHandler::OnMessage(const CTNDataMessageHeader& header, sti::CMessageReader& reader)
{
    switch (header.Type) {
    case DATA_MSG_DATA_BLOCK:
        return OnDataBlock(reader);
    case DATA_MSG_FILE_INFO:
        return OnFileInfo(reader);
    case DATA_MSG_RANGE_END:
        return OnRangeEnd(reader);
    case DATA_MSG_CLOSE:
        return OnCloseMessage(reader);
    default:
        return ST_INVALID_MESSAGE;
    }
}

bool CDownloadHandler::IsRunning() const
{
    return m_session != nullptr && m_session->GetStatus() == SESSION_STATUS_RUNNING;
}

bool CDownloadHandler::IsInRange(std::uint64_t offset, std::uint32_t length) const
{
    return m_rangeOpen && offset >= m_rangeStart && offset <= m_rangeEnd && length <= m_rangeEnd - offset;
}

Status CDownloadHandler::OnDataBlock(sti::CMessageReader& reader)
{
    SDataBlock block;
    Status status = ReadDataBlock(reader, block);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (!IsRunning()) {
        return ST_INVALID_MESSAGE;
    }
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    switch (block.Compression) {
    case BLOCK_BZIP2:
        if (Bzip2Decompress(block.Payload, block.Length, m_block, sizeof(m_block), length) != ST_SUCCESS) {
            return ST_OUT_OF_BOUNDS;
        }
        data = m_block;
        break;
    case BLOCK_RAW:
        if (block.Length > MAX_CHUNK_SIZE) {
            return ST_OUT_OF_BOUNDS;
        }
        data = block.Payload;
        length = block.Length;
        break;
    default:
        return ST_NOT_IMPLEMENTED;
    }
    // A damaged block, an empty one, or one the range did not ask for is dropped without an
    // answer: the callback's own bookkeeping asks again for what is missing.
    if (CChecksum().Verify(data, length, block.Checksum) != ST_SUCCESS) {
        return ST_SUCCESS;
    }
    if (length == 0 || !IsInRange(block.Offset, length)) {
        return ST_SUCCESS;
    }
    m_session->GetDownloadCallback()->OnBlock(static_cast<std::uint32_t>(block.Offset),
                                              static_cast<std::uint32_t>(block.Offset >> 32), length, data);
    return ST_SUCCESS;
}

Status CDownloadHandler::OnFileInfo(sti::CMessageReader& reader)
{
    SFileInfo info;
    Status status = ReadFileInfo(reader, info);
    if (status != ST_SUCCESS) {
        return status;
    }
    // Without an entry there is no file to write.
    if (!IsRunning() || info.Entries.empty()) {
        return ST_INVALID_MESSAGE;
    }
    m_session->GetDownloadCallback()->OnFileInfo(info.Id, info.Entries);
    return RequestNextRange();
}

Status CDownloadHandler::OnRangeEnd(sti::CMessageReader& reader)
{
    std::uint32_t value = 0;
    Status status = ReadRangeEnd(reader, value);
    if (status != ST_SUCCESS) {
        return status;
    }
    // A range end that answers no request would let the callback take the file as complete.
    if (!IsRunning() || !m_rangeOpen) {
        return ST_INVALID_MESSAGE;
    }
    m_rangeOpen = false;
    m_rangeStart = 0;
    m_rangeEnd = 0;
    const Status answer = m_session->GetDownloadCallback()->OnRangeEnd();
    switch (answer) {
    case ST_SUCCESS:
    case ST_NO_MORE_DATA:
        return Close(CLOSE_REASON_COMPLETED, CLOSED_HERE);
    case ST_MORE_DATA:
        return RequestNextRange();
    default:
        return answer;
    }
}

Status CDownloadHandler::OnCloseMessage(sti::CMessageReader& reader)
{
    std::uint32_t reason = 0;
    Status status = ReadClose(reader, reason);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (m_session == nullptr) {
        return ST_CONNECTION_CLOSED;
    }
    if (reason == CLOSE_REASON_COMPLETED) {
        // Only this side can tell that the file is whole, and once its callback has said so the
        // session is gone. A peer's "completed" on a running session leaves bytes missing: the
        // session is interrupted, and the dropped connection starts it again.
        m_session->GetCallback()->OnClosed(CLOSED_BY_PEER, CLOSE_REASON_NO_REASON);
        return ST_INVALID_MESSAGE;
    }
    m_session->GetCallback()->OnClosed(reason == CLOSE_REASON_NETWORK_ERROR ? CLOSED_HERE : CLOSED_BY_PEER, reason);
    if (EndsSession(reason)) {
        m_session->SetStatus(SESSION_STATUS_WAITING);
        EndSession();
        CloseConnection();
    }
    return ST_SUCCESS;
}

Status CDownloadHandler::RequestNextRange()
{
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    const Status answer = m_session->GetDownloadCallback()->GetNextRange(&start, &end);
    switch (answer) {
    case ST_SUCCESS:
        break;
    case ST_NO_MORE_DATA:
        return Close(CLOSE_REASON_COMPLETED, CLOSED_HERE);
    case ST_IO_ERROR:
        return Close(CLOSE_REASON_FILE_ERROR, CLOSED_HERE);
    default:
        return Close(CLOSE_REASON_NO_REASON, CLOSED_HERE);
    }
    DataMessageBlock* message = DataMessageAllocator::Allocate();
    if (message == nullptr) {
        return ST_NO_MEMORY;
    }
    Status status = WriteRangeRequest(*message, start, end);
    if (status != ST_SUCCESS) {
        DataMessageAllocator::Free(message);
        return status;
    }
    m_rangeOpen = true;
    m_rangeStart = start;
    m_rangeEnd = end;
    return Send(message);
}

void CDownloadHandler::OnConnectionLost()
{
    CTransportSession* session = m_session;
    session->SetHandler(nullptr);
    m_session = nullptr;
    if (session->GetStatus() != SESSION_STATUS_WAITING && session->GetManager() != nullptr) {
        // A session that cannot start again is closed inside.
        (void)session->GetManager()->RestartSession(session);
    }
}
