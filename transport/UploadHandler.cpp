#include "transport/UploadHandler.h"

#include "infra/Dispatcher.h"
#include "transport/Bzip2.h"
#include "transport/Checksum.h"
#include "transport/CloseReason.h"
#include "transport/TransportCallback.h"
#include "transport/TransportSession.h"

namespace {

std::uint32_t CloseReasonForOpenFailure(Status status)
{
    switch (status) {
    case ST_NOT_FOUND:
        return CLOSE_REASON_NO_SESSION;
    case ST_TRY_LATER:
        return CLOSE_REASON_PAUSED;
    case ST_IO_ERROR:
        return CLOSE_REASON_FILE_ERROR;
    case ST_FILE_NOT_FOUND:
        return CLOSE_REASON_FILE_NOT_FOUND;
    default:
        return CLOSE_REASON_NO_REASON;
    }
}

} // namespace

CUploadHandler::CUploadHandler(CTransportSession* session) : CTransportManagerHandler(session) {}

Status CUploadHandler::OnConnected(TransportSocket* object)
{
    (void)object;
    if (m_session == nullptr) {
        return ST_CONNECTION_CLOSED;
    }
    m_session->SetStatus(SESSION_STATUS_RUNNING);
    const std::uint32_t ticket = m_session->GetTicket();
    m_session->GetCallback()->OnConnected(&ticket);
    return ST_SUCCESS;
}

Status CUploadHandler::OnMessage(const CTNDataMessageHeader& header, sti::CMessageReader& reader)
{
    switch (header.Type) {
    case DATA_MSG_RANGE_REQUEST:
        return OnRangeRequest(reader);
    case DATA_MSG_FILE_REQUEST:
        return OnFileRequest(reader);
    case DATA_MSG_CLOSE:
        return OnCloseMessage(reader);
    default:
        return ST_INVALID_MESSAGE;
    }
}

Status CUploadHandler::ProduceOutput()
{
    Status status = SendNextBlock();
    if (status != ST_SUCCESS) {
        return status;
    }
    return IsOutputWanted() ? ST_MORE_DATA : ST_NO_MORE_DATA;
}

Status CUploadHandler::OnRangeRequest(sti::CMessageReader& reader)
{
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    Status status = ReadRangeRequest(reader, first, end);
    if (status != ST_SUCCESS) {
        return status;
    }
    m_position = first;
    m_end = end < m_fileSize ? end : m_fileSize;
    return SendNextBlock();
}

Status CUploadHandler::OnFileRequest(sti::CMessageReader& reader)
{
    std::uint8_t fileId[TRANSFER_ID_SIZE];
    Status status = ReadFileRequest(reader, fileId);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (m_session == nullptr || m_session->GetStatus() == SESSION_STATUS_WAITING) {
        return ST_CONNECTION_CLOSED;
    }
    if (m_session->GetManager() != nullptr) {
        // An id already bound elsewhere leaves the manager's tables as they are; the file
        // is served all the same.
        m_session->GetManager()->BindFile(m_session, fileId);
    }
    TransferFileList entries;
    const Status answer = m_session->GetUploadCallback()->OpenFile(fileId, entries);
    if (answer != ST_SUCCESS) {
        return Close(CloseReasonForOpenFailure(answer), CLOSED_HERE);
    }
    DataMessageBlock* message = DataMessageAllocator::Allocate();
    if (message == nullptr) {
        return ST_NO_MEMORY;
    }
    status = WriteFileInfo(*message, fileId, entries);
    if (status != ST_SUCCESS) {
        DataMessageAllocator::Free(message);
        return status;
    }
    m_fileSize = entries.empty() ? 0 : entries.front().Size;
    return Send(message);
}

Status CUploadHandler::OnCloseMessage(sti::CMessageReader& reader)
{
    std::uint32_t reason = 0;
    Status status = ReadClose(reader, reason);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (m_session == nullptr) {
        return ST_CONNECTION_CLOSED;
    }
    SetOutputWanted(false);
    m_session->SetStatus(SESSION_STATUS_WAITING);
    m_session->GetCallback()->OnClosed(reason == CLOSE_REASON_NETWORK_ERROR ? CLOSED_HERE : CLOSED_BY_PEER, reason);
    EndSession();
    CloseConnection();
    return ST_SUCCESS;
}

Status CUploadHandler::SendNextBlock()
{
    if (m_session == nullptr || m_session->GetStatus() == SESSION_STATUS_WAITING) {
        return ST_CONNECTION_CLOSED;
    }
    if (m_position >= m_end) {
        return SendRangeEnd();
    }
    std::uint32_t length = 0;
    Status status = m_session->GetUploadCallback()->ReadChunk(static_cast<std::uint32_t>(m_position),
                                                              static_cast<std::uint32_t>(m_position >> 32),
                                                              MAX_CHUNK_SIZE, m_chunk, &length);
    if (status != ST_SUCCESS) {
        return status;
    }
    // A read that brings nothing would never finish the range.
    if (length == 0) {
        return Close(CLOSE_REASON_FILE_ERROR, CLOSED_HERE);
    }
    if (length > MAX_CHUNK_SIZE) {
        length = MAX_CHUNK_SIZE;
    }
    if (length > m_end - m_position) {
        length = static_cast<std::uint32_t>(m_end - m_position);
    }
    status = SendBlock(m_position, length);
    if (status != ST_SUCCESS) {
        return status;
    }
    m_position += length;
    if (m_position >= m_end) {
        return SendRangeEnd();
    }
    if (!IsOutputWanted()) {
        SetOutputWanted(true);
        sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
        return dispatcher == nullptr ? ST_NO_MEMORY : dispatcher->EnableWrite(m_object, true);
    }
    return ST_SUCCESS;
}

Status CUploadHandler::SendBlock(std::uint64_t offset, std::uint32_t length)
{
    SDataBlock body;
    body.Offset = offset;
    CChecksum().Compute(m_chunk, length, body.Checksum);
    // Raw when bzip2 gains nothing or its stream would not fit the message: every
    // receiver reads both forms, and incompressible data must still get through.
    std::uint32_t packed = 0;
    if (Bzip2Compress(m_chunk, length, m_compressed, sizeof(m_compressed), packed) == ST_SUCCESS && packed < length) {
        body.Compression = BLOCK_BZIP2;
        body.Payload = m_compressed;
        body.Length = packed;
    } else {
        body.Compression = BLOCK_RAW;
        body.Payload = m_chunk;
        body.Length = length;
    }
    DataMessageBlock* message = DataMessageAllocator::Allocate();
    if (message == nullptr) {
        return ST_NO_MEMORY;
    }
    Status status = WriteDataBlock(*message, body);
    if (status != ST_SUCCESS) {
        DataMessageAllocator::Free(message);
        return status;
    }
    return Send(message);
}

Status CUploadHandler::SendRangeEnd()
{
    SetOutputWanted(false);
    DataMessageBlock* message = DataMessageAllocator::Allocate();
    if (message == nullptr) {
        return ST_NO_MEMORY;
    }
    Status status = WriteRangeEnd(*message, 0);
    if (status != ST_SUCCESS) {
        DataMessageAllocator::Free(message);
        return status;
    }
    return Send(message);
}

void CUploadHandler::OnConnectionLost()
{
    SetOutputWanted(false);
    m_session->SetStatus(SESSION_STATUS_WAITING);
    m_session->GetCallback()->OnClosed(CLOSED_HERE, CLOSE_REASON_NETWORK_ERROR);
    EndSession();
}
