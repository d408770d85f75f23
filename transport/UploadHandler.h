#pragma once
// The uploading side of one transfer session: answers the downloader's file request with
// the file's description, then sends each requested range as DataBlock messages of at most
// 65536 file bytes, one block per writable event of the connection, and ends each range
// with RangeEnd. A block goes bzip2-compressed when that makes it smaller and fits the
// message, raw otherwise.

#include "transport/DataMessages.h"
#include "transport/TransportManagerHandler.h"

#include <cstdint>

class CUploadHandler : public CTransportManagerHandler {
public:
    using CTransportManagerHandler::OnConnected;
    using CTransportManagerHandler::OnMessage;

    explicit CUploadHandler(CTransportSession* session);

    // The connection is up: status RUNNING.
    Status OnConnected(TransportSocket* object) override;
    Status OnMessage(const CTNDataMessageHeader& header, sti::CMessageReader& reader) override;
    // The next block of the current range.
    Status ProduceOutput() override;

    // The range being sent: next position and end (exclusive).
    std::uint64_t GetPosition() const { return m_position; }
    std::uint64_t GetRangeEnd() const { return m_end; }

protected:
    void OnConnectionLost() override;

private:
    Status OnRangeRequest(sti::CMessageReader& reader);
    Status OnFileRequest(sti::CMessageReader& reader);
    Status OnCloseMessage(sti::CMessageReader& reader);
    // Builds and sends exactly one block, or the RangeEnd of a finished range.
    Status SendNextBlock();
    Status SendBlock(std::uint64_t offset, std::uint32_t length);
    Status SendRangeEnd();

    std::uint64_t m_position = 0;
    std::uint64_t m_end = 0;
    // The size announced in FileInfo; no range reaches past it (0 before any FileInfo).
    std::uint64_t m_fileSize = 0;
    std::uint8_t m_chunk[MAX_CHUNK_SIZE];
    std::uint8_t m_compressed[MAX_DATA_BLOCK_PAYLOAD];
};
