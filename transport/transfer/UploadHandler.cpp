#include "transport/transfer/UploadHandler.h"

#include "infra/Dispatcher.h"
#include "transport/transfer/CloseReason.h"
#include "transport/SpeedSwitches.h"
#include "transport/transfer/TransportCallback.h"
#include "transport/transfer/TransportSession.h"

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

CUploadHandler::CUploadHandler(CTransportSession* session)
    : CTransportManagerHandler(session), m_gate(SpeedSwitches().SkipVainCompression)
{}

CUploadHandler::~CUploadHandler()
{
    DropReadAhead();
}

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
    DropReadAhead();
    m_position = first;
    m_readPosition = first;
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
        (void)m_session->GetManager()->BindFile(m_session, fileId);
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
    if (!m_poolTried) {
        m_poolTried = true;
        if (SpeedSwitches().CompressionPool) {
            m_pool = CCompressionPool::ForThisThread(); // none: blocks are packed here
        }
    }
    return m_pool ? SendPooledBlock() : SendInlineBlock();
}

Status CUploadHandler::SendInlineBlock()
{
    if (m_position >= m_end) {
        return SendRangeEnd();
    }
    if (!m_block) {
        m_block.reset(new (std::nothrow) SPackedBlock);
        if (!m_block) {
            return ST_NO_MEMORY;
        }
    }
    SPackedBlock& block = *m_block;
    std::uint32_t length = 0;
    Status status = m_session->GetUploadCallback()->ReadChunk(static_cast<std::uint32_t>(m_position),
                                                              static_cast<std::uint32_t>(m_position >> 32),
                                                              MAX_CHUNK_SIZE, block.Chunk, &length);
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
    block.Offset = m_position;
    block.Length = length;
    block.TryCompression = m_gate.ShouldTry();
    PackBlock(block);
    if (block.TryCompression) {
        m_gate.Report(Shrank(block));
    }
    status = SendPacked(block);
    if (status != ST_SUCCESS) {
        return status;
    }
    m_position += length;
    if (m_position >= m_end) {
        return SendRangeEnd();
    }
    return WantOutput();
}

Status CUploadHandler::SendPooledBlock()
{
    Status status = ReadAhead();
    if (status != ST_SUCCESS) {
        return status;
    }
    if (m_ahead.empty()) {
        if (m_readEmpty) {
            m_readEmpty = false;
            return Close(CLOSE_REASON_FILE_ERROR, CLOSED_HERE);
        }
        if (m_readFailure != ST_SUCCESS) {
            status = m_readFailure;
            m_readFailure = ST_SUCCESS;
            return status;
        }
        return SendRangeEnd();
    }
    SPackedBlock& block = *m_ahead.front();
    if (!block.Packed.load(std::memory_order_acquire)) {
        // Nothing to send until a worker is done: no write interest meanwhile.
        SetOutputWanted(false);
        m_pool->WaitForBlocks(this);
        return ST_SUCCESS;
    }
    if (block.TryCompression) {
        m_gate.Report(Shrank(block));
    }
    status = SendPacked(block);
    if (status != ST_SUCCESS) {
        return status;
    }
    m_position += block.Length;
    m_spare.push_back(std::move(m_ahead.front()));
    m_ahead.pop_front();
    status = ReadAhead();
    if (status != ST_SUCCESS) {
        return status;
    }
    if (m_ahead.empty() && m_position >= m_end && !m_readEmpty && m_readFailure == ST_SUCCESS) {
        return SendRangeEnd();
    }
    return WantOutput();
}

Status CUploadHandler::ReadAhead()
{
    while (m_ahead.size() < CCompressionPool::BLOCKS_PER_CLIENT && m_readPosition < m_end && !m_readEmpty &&
           m_readFailure == ST_SUCCESS) {
        std::unique_ptr<SPackedBlock> block;
        if (!m_spare.empty()) {
            block = std::move(m_spare.back());
            m_spare.pop_back();
        } else {
            block.reset(new (std::nothrow) SPackedBlock);
            if (!block) {
                return m_ahead.empty() ? ST_NO_MEMORY : ST_SUCCESS;
            }
        }
        std::uint32_t length = 0;
        const Status status = m_session->GetUploadCallback()->ReadChunk(
            static_cast<std::uint32_t>(m_readPosition), static_cast<std::uint32_t>(m_readPosition >> 32),
            MAX_CHUNK_SIZE, block->Chunk, &length);
        if (status != ST_SUCCESS || length == 0) {
            m_readFailure = status;
            m_readEmpty = status == ST_SUCCESS; // nothing read would never finish the range
            m_spare.push_back(std::move(block));
            break;
        }
        if (length > MAX_CHUNK_SIZE) {
            length = MAX_CHUNK_SIZE;
        }
        if (length > m_end - m_readPosition) {
            length = static_cast<std::uint32_t>(m_end - m_readPosition);
        }
        block->Offset = m_readPosition;
        block->Length = length;
        block->TryCompression = m_gate.ShouldTry();
        block->Owner = this;
        m_pool->Submit(block.get());
        m_readPosition += length;
        m_ahead.push_back(std::move(block));
    }
    return ST_SUCCESS;
}

void CUploadHandler::DropReadAhead()
{
    if (!m_pool) {
        return;
    }
    m_pool->Withdraw(this);
    m_pool->Forget(this);
    while (!m_ahead.empty()) {
        m_spare.push_back(std::move(m_ahead.front()));
        m_ahead.pop_front();
    }
    m_readFailure = ST_SUCCESS;
    m_readEmpty = false;
}

void CUploadHandler::OnBlocksPacked()
{
    if (m_session == nullptr || m_object == nullptr || m_session->GetStatus() == SESSION_STATUS_WAITING) {
        return;
    }
    if (WantOutput() != ST_SUCCESS) {
        sti::CDispatcher::Instance()->Close(m_object, true);
    }
}

Status CUploadHandler::WantOutput()
{
    if (IsOutputWanted()) {
        return ST_SUCCESS;
    }
    SetOutputWanted(true);
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    return dispatcher == nullptr ? ST_NO_MEMORY : dispatcher->EnableWrite(m_object, true);
}

Status CUploadHandler::SendPacked(const SPackedBlock& block)
{
    DataMessageBlock* message = DataMessageAllocator::Allocate();
    if (message == nullptr) {
        return ST_NO_MEMORY;
    }
    Status status = WriteDataBlock(*message, DataBlockOf(block));
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
