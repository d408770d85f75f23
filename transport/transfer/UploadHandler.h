#pragma once
// The uploading side of one transfer session: answers the downloader's file request with
// the file's description, then sends each requested range as DataBlock messages of at most
// 65536 file bytes, one block per writable event of the connection, and ends each range
// with RangeEnd. A block goes bzip2-compressed when that makes it smaller and fits the
// message, raw otherwise; once a block of the file did not shrink, the following ones go raw
// with a try now and then (CCompressionGate). Blocks are read and packed a few ahead on the
// thread's compression pool and sent in file order; without the pool, one is read and packed
// per writable event.

#include "transport/transfer/CompressionGate.h"
#include "transport/transfer/CompressionPool.h"
#include "transport/transfer/DataMessages.h"
#include "transport/transfer/PackedBlock.h"
#include "transport/transfer/TransportManagerHandler.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class CUploadHandler : public CTransportManagerHandler, private CCompressionPool::IClient {
public:
    using CTransportManagerHandler::OnConnected;
    using CTransportManagerHandler::OnMessage;

    explicit CUploadHandler(CTransportSession* session);
    // Takes back the blocks queued on the pool.
    ~CUploadHandler() override;

    // The connection is up: status RUNNING.
    Status OnConnected(TransportSocket* object) override;
    Status OnMessage(const CTNDataMessageHeader& header, sti::CMessageReader& reader) override;
    // The next block of the current range.
    Status ProduceOutput() override;

    // Before the first range: pack blocks here, one per sending step, even where the
    // process's switches allow the pool.
    void KeepBlocksInline() { m_poolTried = true; }

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
    Status SendInlineBlock();
    Status SendPooledBlock();
    // Reads and queues blocks on the pool until BLOCKS_PER_CLIENT wait or the range is read.
    Status ReadAhead();
    // Drops every block read ahead (a new range, or the end).
    void DropReadAhead();
    Status SendPacked(const SPackedBlock& block);
    Status SendRangeEnd();
    // Write interest for the next block, unless already asked for.
    Status WantOutput();
    void OnBlocksPacked() override;

    std::uint64_t m_position = 0;
    std::uint64_t m_end = 0;
    // The size announced in FileInfo; no range reaches past it (0 before any FileInfo).
    std::uint64_t m_fileSize = 0;
    CCompressionGate m_gate;

    // Without the pool: the one block being built.
    std::unique_ptr<SPackedBlock> m_block;

    // With the pool: blocks read ahead, in file order, and the next position to read.
    std::shared_ptr<CCompressionPool> m_pool;
    bool m_poolTried = false;
    std::deque<std::unique_ptr<SPackedBlock>> m_ahead;
    std::vector<std::unique_ptr<SPackedBlock>> m_spare;
    std::uint64_t m_readPosition = 0;
    // A read that failed (its status) or brought nothing, answered once the blocks before it
    // are sent.
    Status m_readFailure = ST_SUCCESS;
    bool m_readEmpty = false;
};
