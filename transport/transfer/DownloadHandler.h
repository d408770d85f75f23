#pragma once
// The downloading side of one transfer session: asks the uploader for the file, takes its
// description, requests the missing ranges the callback names, checks and unpacks each
// block and hands it on, and closes the session as completed when the callback says so.
//
// A connection that stays silent for the idle time-out is closed; a dropped connection
// starts the session again as a new request. So does a Close "completed" from the peer: only
// this side's callback decides that a download is complete, and the callback hears
// OnClosed(CLOSED_BY_PEER, CLOSE_REASON_NO_REASON) for it, never a completion.

#include "transport/transfer/DataMessages.h"
#include "transport/transfer/TransportManagerHandler.h"

#include <cstdint>

class CDownloadHandler : public CTransportManagerHandler {
public:
    static constexpr std::int32_t IDLE_TIMEOUT_MS = 10000;

    using CTransportManagerHandler::OnConnected;
    using CTransportManagerHandler::OnMessage;

    explicit CDownloadHandler(CTransportSession* session, std::int32_t idleTimeoutMs = IDLE_TIMEOUT_MS);

    // The connection is up: status RUNNING, FileRequest, idle time-out armed.
    Status OnConnected(TransportSocket* object) override;
    Status OnMessage(const CTNDataMessageHeader& header, sti::CMessageReader& reader) override;

    // The byte range asked for last, [start, end), until its RangeEnd arrives.
    bool IsRangeOpen() const { return m_rangeOpen; }
    std::uint64_t GetRangeStart() const { return m_rangeStart; }
    std::uint64_t GetRangeEnd() const { return m_rangeEnd; }

protected:
    void OnConnectionLost() override;

private:
    Status OnDataBlock(sti::CMessageReader& reader);
    Status OnFileInfo(sti::CMessageReader& reader);
    Status OnRangeEnd(sti::CMessageReader& reader);
    Status OnCloseMessage(sti::CMessageReader& reader);
    // Asks the callback which range is missing and requests it, or closes the session.
    Status RequestNextRange();
    bool IsRunning() const;
    bool IsInRange(std::uint64_t offset, std::uint32_t length) const;

    std::int32_t m_idleTimeoutMs;
    bool m_rangeOpen = false;
    std::uint64_t m_rangeStart = 0;
    std::uint64_t m_rangeEnd = 0;
    std::uint8_t m_block[MAX_CHUNK_SIZE]; // an unpacked block
};
