// The download handler against an uploader played by the test with raw data messages.
#include <gtest/gtest.h>

#include "support/TransferTestSupport.h"
#include "transport/transfer/Bzip2.h"
#include "transport/transfer/Checksum.h"
#include "transport/transfer/CloseReason.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace transfer_test;

// Decodes a built message's header and hands it to the handler, as the framing would.
Status Deliver(CDownloadHandler* handler, const DataMessageBlock& message)
{
    sti::CMessageReader reader(message);
    CTNDataMessageHeader header;
    EXPECT_EQ(ST_SUCCESS, sti::MessageHeaderTraits<CTNDataMessageHeader>::Decode(reader, header));
    return handler->OnMessage(header, reader);
}

std::unique_ptr<DataMessageBlock> FileInfo(std::uint64_t size, std::size_t count = 1)
{
    TransferFileList entries(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(entries[i].Id, FILE_ID, TRANSFER_ID_SIZE);
        entries[i].Name = "part" + std::to_string(i);
        entries[i].Size = size;
    }
    return Build([&entries](DataMessageBlock& block) { return WriteFileInfo(block, FILE_ID, entries); });
}

std::unique_ptr<DataMessageBlock> RangeEnd()
{
    return Build([](DataMessageBlock& block) { return WriteRangeEnd(block, 0); });
}

std::unique_ptr<DataMessageBlock> CloseMessage(std::uint32_t reason)
{
    return Build([reason](DataMessageBlock& block) { return WriteClose(block, reason); });
}

std::unique_ptr<DataMessageBlock> RawBlock(std::uint32_t compression, std::uint64_t offset, const Bytes& payload,
                                           const Bytes& checksummed)
{
    SDataBlock body;
    body.Compression = compression;
    body.Offset = offset;
    EXPECT_EQ(ST_SUCCESS, CChecksum().Compute(checksummed.data(), checksummed.size(), body.Checksum));
    body.Payload = payload.data();
    body.Length = static_cast<std::uint32_t>(payload.size());
    return Build([&body](DataMessageBlock& block) { return WriteDataBlock(block, body); });
}

class DownloadHandler : public ::testing::Test {
protected:
    // Connected, FileRequest taken, FileInfo for a file of the given size answered, and the
    // first RangeRequest read back.
    void StartWithFile(std::uint64_t size)
    {
        h.Connect();
        SReceivedMessage request = Expect(DATA_MSG_FILE_REQUEST);
        EXPECT_EQ(Bytes(FILE_ID, FILE_ID + 16), request.body);
        ASSERT_TRUE(h.peer->Send(*FileInfo(size)));
        Expect(DATA_MSG_RANGE_REQUEST);
    }

    SReceivedMessage Expect(std::uint32_t type)
    {
        SReceivedMessage message{0, Bytes()};
        const bool got = h.RunUntil([this] {
            h.peer->Poll();
            return h.peer->HasMessage();
        });
        EXPECT_TRUE(got) << "no message of type " << type;
        if (got) {
            message = h.peer->Pop();
            EXPECT_EQ(type, message.type);
        }
        return message;
    }

    static std::pair<std::uint64_t, std::uint64_t> Range(const SReceivedMessage& message)
    {
        std::uint64_t first = 0;
        std::uint64_t end = 0;
        sti::CMessageReader reader(message.body.data(), static_cast<std::uint32_t>(message.body.size()));
        EXPECT_EQ(ST_SUCCESS, ReadRangeRequest(reader, first, end));
        return {first, end};
    }

    CDownloadHarness h;
};

TEST_F(DownloadHandler, FileInfoIsHandedOnAndTheMissingRangeRequested)
{
    h.Connect();
    Expect(DATA_MSG_FILE_REQUEST);
    ASSERT_TRUE(h.peer->Send(*FileInfo(1000, 3)));
    SReceivedMessage range = Expect(DATA_MSG_RANGE_REQUEST);
    EXPECT_EQ(std::make_pair(std::uint64_t(0), std::uint64_t(1000)), Range(range));
    ASSERT_EQ(3u, h.record.entries.size());
    EXPECT_EQ("part2", h.record.entries[2].Name);
    EXPECT_EQ(0u, h.handler->GetRangeStart());
    EXPECT_EQ(1000u, h.handler->GetRangeEnd());
}

TEST_F(DownloadHandler, MessagesBeforeTheSessionRunsAreRefused)
{
    // Status is still CONNECTED: nothing but Close is taken.
    const Bytes chunk = TextBytes(10);
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, *BuildBlock(0, chunk, false)));
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, *FileInfo(10)));
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, *RangeEnd()));
    EXPECT_EQ(0, h.record.Count("fileinfo"));
    EXPECT_EQ(0, h.record.Count("rangeend"));
    EXPECT_TRUE(h.record.blocks.empty());
}

TEST_F(DownloadHandler, FileInfoWithoutEntriesIsRefused)
{
    h.Connect();
    Expect(DATA_MSG_FILE_REQUEST);
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, *FileInfo(10, 0)));
    EXPECT_EQ(0, h.record.Count("fileinfo"));
    // Over the wire the refusal drops the connection and the session asks again later.
    ASSERT_TRUE(h.peer->Send(*FileInfo(10, 0)));
    ASSERT_TRUE(h.RunUntil([this] { return h.ConnectionGone(); }));
    EXPECT_EQ(SESSION_STATUS_CONNECTING, h.session->GetStatus());
    EXPECT_EQ(1, h.manager.restarted);
}

TEST_F(DownloadHandler, UploadToDownloadTypesOnly)
{
    h.Connect();
    auto request = Build([](DataMessageBlock& block) { return WriteRangeRequest(block, 0, 1); });
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, *request));
    auto fileRequest = Build([](DataMessageBlock& block) { return WriteFileRequest(block, FILE_ID); });
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, *fileRequest));
    DataMessageBlock unknown;
    unknown.Used = 0;
    ASSERT_EQ(ST_SUCCESS, FinishDataMessage(unknown, 9));
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, unknown));
}

TEST_F(DownloadHandler, CompressedAndRawBlocksAreWrittenWhereTheyBelong)
{
    StartWithFile(300);
    const Bytes content = TextBytes(300);
    ASSERT_TRUE(h.peer->Send(*BuildBlock(0, Bytes(content.begin(), content.begin() + 100), true)));
    ASSERT_TRUE(h.peer->Send(*BuildBlock(100, Bytes(content.begin() + 100, content.end()), false)));
    ASSERT_TRUE(h.RunUntil([this] { return h.record.blocks.size() == 2; }));
    EXPECT_EQ(content, h.record.data);
    EXPECT_TRUE(h.record.IsComplete());
}

TEST_F(DownloadHandler, GapLeftByADamagedBlockIsAskedForAgain)
{
    StartWithFile(300);
    const Bytes content = TextBytes(300);
    ASSERT_TRUE(h.peer->Send(*BuildBlock(0, Bytes(content.begin(), content.begin() + 100), true)));
    // The checksum was taken over other bytes: the block is dropped without an answer.
    ASSERT_TRUE(
        h.peer->Send(*RawBlock(BLOCK_RAW, 100, Bytes(content.begin() + 100, content.begin() + 200), Bytes(100, 0))));
    ASSERT_TRUE(h.peer->Send(*BuildBlock(200, Bytes(content.begin() + 200, content.end()), true)));
    ASSERT_TRUE(h.peer->Send(*RangeEnd()));
    SReceivedMessage again = Expect(DATA_MSG_RANGE_REQUEST);
    EXPECT_EQ(std::make_pair(std::uint64_t(100), std::uint64_t(200)), Range(again));
    EXPECT_EQ(2u, h.record.blocks.size());

    ASSERT_TRUE(h.peer->Send(*BuildBlock(100, Bytes(content.begin() + 100, content.begin() + 200), false)));
    ASSERT_TRUE(h.peer->Send(*RangeEnd()));
    SReceivedMessage close = Expect(DATA_MSG_CLOSE);
    EXPECT_EQ(Bytes({2, 0, 0, 0}), close.body);
    EXPECT_EQ(content, h.record.data);
    ASSERT_TRUE(h.RunUntil([this] { return h.ConnectionGone(); }));
    EXPECT_FALSE(h.SessionLive());
    EXPECT_EQ("closed 0 2", h.record.log[h.record.log.size() - 2]);
    EXPECT_EQ("release", h.record.log.back());
}

TEST_F(DownloadHandler, BlocksOutsideTheRequestedRangeAreDropped)
{
    StartWithFile(1000);
    const Bytes chunk = TextBytes(100);
    // The second range only: [500, 600).
    h.record.MarkHave(0, 500);
    h.record.MarkHave(600, 1000);
    ASSERT_TRUE(h.peer->Send(*RangeEnd()));
    SReceivedMessage range = Expect(DATA_MSG_RANGE_REQUEST);
    ASSERT_EQ(std::make_pair(std::uint64_t(500), std::uint64_t(600)), Range(range));

    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *BuildBlock(400, chunk, true)));                    // before
    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *BuildBlock(550, chunk, true)));                    // runs past the end
    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *BuildBlock(600, chunk, false)));                   // after
    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *BuildBlock(0xFFFFFFFFFFFFFFF0ull, chunk, false))); // wraps
    EXPECT_TRUE(h.record.blocks.empty());
    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *BuildBlock(500, chunk, true)));
    ASSERT_EQ(1u, h.record.blocks.size());
    EXPECT_EQ(500u, h.record.blocks[0].first);
}

TEST_F(DownloadHandler, BlocksAfterRangeEndAreDropped)
{
    StartWithFile(1000);
    h.record.rangeEndAnswer = ST_INVALID_PARAM; // keep the session, ask for nothing
    EXPECT_EQ(ST_INVALID_PARAM, Deliver(h.handler, *RangeEnd()));
    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *BuildBlock(0, TextBytes(10), true)));
    EXPECT_TRUE(h.record.blocks.empty());
}

TEST_F(DownloadHandler, EmptyBlockIsNotHandedOn)
{
    StartWithFile(10);
    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *BuildBlock(0, Bytes(), false)));
    EXPECT_TRUE(h.record.blocks.empty());
}

TEST_F(DownloadHandler, CorruptBzip2FailsTheBlock)
{
    StartWithFile(5000);
    const Bytes chunk = TextBytes(5000);
    Bytes packed(MAX_DATA_BLOCK_PAYLOAD);
    std::uint32_t packedLength = 0;
    ASSERT_EQ(ST_SUCCESS, Bzip2Compress(chunk.data(), 5000, packed.data(), MAX_DATA_BLOCK_PAYLOAD, packedLength));
    packed.resize(packedLength);
    packed[packedLength / 2] ^= 0xFF;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Deliver(h.handler, *RawBlock(BLOCK_BZIP2, 0, packed, chunk)));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Deliver(h.handler, *RawBlock(BLOCK_BZIP2, 0, Bytes(), Bytes())));
    EXPECT_TRUE(h.record.blocks.empty());

    // Over the wire the connection drops and the session starts again.
    ASSERT_TRUE(h.peer->Send(*RawBlock(BLOCK_BZIP2, 0, packed, chunk)));
    ASSERT_TRUE(h.RunUntil([this] { return h.ConnectionGone(); }));
    EXPECT_EQ(SESSION_STATUS_CONNECTING, h.session->GetStatus());
    EXPECT_TRUE(h.SessionLive());
}

TEST_F(DownloadHandler, BlockLargerThanAChunkFails)
{
    StartWithFile(100000);
    const Bytes big = TextBytes(65537);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Deliver(h.handler, *BuildBlock(0, big, true)));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Deliver(h.handler, *BuildBlock(0, big, false)));
    const Bytes exact = TextBytes(65536);
    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *BuildBlock(0, exact, true)));
    ASSERT_EQ(1u, h.record.blocks.size());
    EXPECT_EQ(65536u, h.record.blocks[0].second);
}

TEST_F(DownloadHandler, UnknownCompressionIsNotImplemented)
{
    StartWithFile(10);
    const Bytes chunk = TextBytes(10);
    EXPECT_EQ(ST_NOT_IMPLEMENTED, Deliver(h.handler, *RawBlock(2, 0, chunk, chunk)));
    EXPECT_TRUE(h.record.blocks.empty());
}

TEST_F(DownloadHandler, RangeEndAnswersSteerTheSession)
{
    StartWithFile(100);
    // More wanted: the next range goes out.
    h.record.MarkHave(0, 50);
    ASSERT_TRUE(h.peer->Send(*RangeEnd()));
    EXPECT_EQ(std::make_pair(std::uint64_t(50), std::uint64_t(100)), Range(Expect(DATA_MSG_RANGE_REQUEST)));
    // ST_SUCCESS from the callback counts as complete.
    h.record.MarkHave(0, 100);
    h.record.rangeEndAnswer = ST_SUCCESS;
    ASSERT_TRUE(h.peer->Send(*RangeEnd()));
    EXPECT_EQ(Bytes({2, 0, 0, 0}), Expect(DATA_MSG_CLOSE).body);
    EXPECT_FALSE(h.SessionLive());
    EXPECT_EQ(CLOSED_HERE, h.record.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_COMPLETED), h.record.closedReason);
}

TEST_F(DownloadHandler, RangeEndAnswerOfAnotherKindIsTheMessagesError)
{
    StartWithFile(100);
    h.record.rangeEndAnswer = ST_IO_ERROR;
    EXPECT_EQ(ST_IO_ERROR, Deliver(h.handler, *RangeEnd()));
    EXPECT_TRUE(h.SessionLive());
    EXPECT_FALSE(h.handler->IsRangeOpen());
}

TEST_F(DownloadHandler, RangeEndThatAnswersNoRequestIsRefused)
{
    h.Connect();
    Expect(DATA_MSG_FILE_REQUEST);
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, *RangeEnd()));
    EXPECT_EQ(0, h.record.Count("rangeend"));

    // One end per request.
    ASSERT_TRUE(h.peer->Send(*FileInfo(10)));
    Expect(DATA_MSG_RANGE_REQUEST);
    h.record.rangeEndAnswer = ST_IO_ERROR;
    EXPECT_EQ(ST_IO_ERROR, Deliver(h.handler, *RangeEnd()));
    EXPECT_EQ(ST_INVALID_MESSAGE, Deliver(h.handler, *RangeEnd()));
    EXPECT_EQ(1, h.record.Count("rangeend"));
}

TEST_F(DownloadHandler, NextRangeAnswersPickTheCloseReason)
{
    const struct {
        Status answer;
        std::uint32_t reason;
    } cases[] = {{ST_NO_MORE_DATA, CLOSE_REASON_COMPLETED},
                 {ST_IO_ERROR, CLOSE_REASON_FILE_ERROR},
                 {ST_FAIL, CLOSE_REASON_NO_REASON},
                 {ST_TRY_LATER, CLOSE_REASON_NO_REASON}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        CDownloadHarness local;
        local.record.nextRangeAnswer = c.answer;
        local.Connect();
        ASSERT_TRUE(local.peer->Send(*FileInfo(10)));
        ASSERT_TRUE(local.RunUntil([&local] { return local.ConnectionGone(); }));
        local.peer->Poll();
        ASSERT_EQ(2u, local.peer->messages.size()); // FileRequest, Close
        EXPECT_EQ(unsigned(DATA_MSG_CLOSE), local.peer->messages[1].type);
        EXPECT_EQ(Bytes({std::uint8_t(c.reason), 0, 0, 0}), local.peer->messages[1].body);
        EXPECT_FALSE(local.SessionLive());
        EXPECT_EQ(int(c.reason), local.record.closedReason);
        EXPECT_EQ(CLOSED_HERE, local.record.closedBy);
        EXPECT_TRUE(local.record.blocks.empty());
    }
}

TEST_F(DownloadHandler, CloseFromTheUploaderEndsOrKeepsTheSessionByReason)
{
    for (std::uint32_t reason = 0; reason <= 9; ++reason) {
        SCOPED_TRACE(reason);
        CDownloadHarness local;
        local.Connect();
        ASSERT_TRUE(local.peer->Send(*CloseMessage(reason)));
        ASSERT_TRUE(local.RunUntil([&local] { return local.record.closedCount == 1; }));
        EXPECT_EQ(reason == CLOSE_REASON_NETWORK_ERROR ? CLOSED_HERE : CLOSED_BY_PEER, local.record.closedBy);
        // "Completed" from the peer is no completion: the session is interrupted and starts again.
        const bool interrupted = reason == CLOSE_REASON_COMPLETED;
        EXPECT_EQ(interrupted ? int(CLOSE_REASON_NO_REASON) : int(reason), local.record.closedReason);
        const bool ends = reason == 3 || reason == 5 || reason == 6 || reason == 7 || reason == 8;
        if (ends) {
            ASSERT_TRUE(local.RunUntil([&local] { return local.ConnectionGone(); }));
            EXPECT_FALSE(local.SessionLive());
            EXPECT_EQ(SESSION_STATUS_WAITING, local.record.statuses.back());
            EXPECT_EQ("release", local.record.log.back());
        } else {
            // The session waits for the connection to drop, then asks again.
            if (!interrupted) {
                local.RunFor(50);
                EXPECT_TRUE(local.SessionLive());
                EXPECT_EQ(SESSION_STATUS_RUNNING, local.session->GetStatus());
                local.peer->Close();
            }
            ASSERT_TRUE(local.RunUntil([&local] { return local.ConnectionGone(); }));
            EXPECT_TRUE(local.SessionLive());
            EXPECT_EQ(SESSION_STATUS_CONNECTING, local.session->GetStatus());
            EXPECT_EQ(nullptr, local.session->GetHandler());
            EXPECT_EQ(1, local.manager.restarted);
            EXPECT_EQ(1, local.record.closedCount);
        }
    }
}

TEST_F(DownloadHandler, CompletedCloseFromTheUploaderWithBytesMissingIsAnInterruption)
{
    StartWithFile(5 * 100);
    const Bytes chunk = TextBytes(100);
    ASSERT_TRUE(h.peer->Send(*BuildBlock(0, chunk, true)));
    ASSERT_TRUE(h.peer->Send(*BuildBlock(100, chunk, true)));
    ASSERT_TRUE(h.peer->Send(*CloseMessage(CLOSE_REASON_COMPLETED)));
    ASSERT_TRUE(h.peer->Send(*BuildBlock(200, chunk, true))); // nothing after the close is taken
    ASSERT_TRUE(h.RunUntil([this] { return h.ConnectionGone(); }));
    EXPECT_EQ(2u, h.record.blocks.size());
    EXPECT_EQ(0, h.record.Count("rangeend"));
    EXPECT_EQ(1, h.record.closedCount);
    EXPECT_EQ(CLOSED_BY_PEER, h.record.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_NO_REASON), h.record.closedReason);
    // Started again like any broken session: it locates its peer and resumes from the record.
    EXPECT_TRUE(h.SessionLive());
    EXPECT_EQ(SESSION_STATUS_CONNECTING, h.session->GetStatus());
    EXPECT_EQ(1, h.manager.restarted);
}

TEST_F(DownloadHandler, SilentUploaderLosesTheConnection)
{
    CDownloadHarness quick(150);
    quick.Connect();
    ASSERT_TRUE(quick.peer->Send(*FileInfo(100)));
    ASSERT_TRUE(quick.RunUntil([&quick] { return quick.ConnectionGone(); }, 3000));
    EXPECT_EQ(SESSION_STATUS_CONNECTING, quick.session->GetStatus());
    EXPECT_EQ(1, quick.manager.restarted);
    EXPECT_EQ(0, quick.record.closedCount);
}

TEST_F(DownloadHandler, TrafficKeepsTheIdleTimerAway)
{
    CDownloadHarness quick(300);
    quick.Connect();
    ASSERT_TRUE(quick.peer->Send(*FileInfo(1000)));
    const Bytes chunk = TextBytes(10);
    for (int i = 0; i < 8; ++i) {
        quick.RunFor(100);
        ASSERT_TRUE(quick.peer->Send(*BuildBlock(i * 10, chunk, true)));
    }
    quick.RunFor(50);
    EXPECT_FALSE(quick.ConnectionGone());
    EXPECT_EQ(8u, quick.record.blocks.size());
}

TEST_F(DownloadHandler, BlockAbove4GiBKeepsItsOffset)
{
    // A record that only notes offsets: the file is far too large to hold.
    class CSparseDownload : public CMemoryDownload {
    public:
        void OnFileInfo(const std::uint8_t*, const TransferFileList& list) override { size = list.front().Size; }
        void OnBlock(std::uint32_t low, std::uint32_t high, std::uint32_t length, const std::uint8_t*) override
        {
            blocks.emplace_back((std::uint64_t(high) << 32) | low, length);
        }
        Status GetNextRange(std::uint64_t* start, std::uint64_t* end) override
        {
            *start = 0x100000000ull;
            *end = size;
            return ST_SUCCESS;
        }
    } sparse;
    CTransportSession* session = new CTransportSession(&h.manager, &sparse, FILE_ID, PEER_ID);
    h.manager.Adopt(session);
    session->SetStatus(SESSION_STATUS_RUNNING);
    CDownloadHandler* handler = new CDownloadHandler(session);
    // Without a connection the range request cannot go out, but the range is set.
    EXPECT_EQ(ST_NOT_CONNECTED, Deliver(handler, *FileInfo(0x200000000ull)));
    EXPECT_EQ(ST_SUCCESS, Deliver(handler, *BuildBlock(0x100000010ull, TextBytes(16), true)));
    ASSERT_EQ(1u, sparse.blocks.size());
    EXPECT_EQ(0x100000010ull, sparse.blocks[0].first);
    EXPECT_EQ(ST_SUCCESS, handler->Close(CLOSE_REASON_CANCELED, CLOSED_HERE)); // no connection: the handler goes too
    EXPECT_FALSE(h.manager.IsLive(session));
    EXPECT_EQ(0u, sparse.refs);
}

TEST_F(DownloadHandler, CloseForShutdownSendsNothing)
{
    h.Connect();
    Expect(DATA_MSG_FILE_REQUEST);
    ASSERT_EQ(ST_SUCCESS, h.handler->Close(CLOSE_REASON_SHUTDOWN, CLOSED_HERE));
    EXPECT_EQ("closed 0 8", h.record.log[h.record.log.size() - 2]);
    EXPECT_FALSE(h.SessionLive());
    ASSERT_TRUE(h.RunUntil([this] { return h.ConnectionGone(); }));
    ASSERT_TRUE(h.RunUntil([this] {
        h.peer->Poll();
        return h.peer->closed;
    }));
    EXPECT_FALSE(h.peer->HasMessage());
}

TEST_F(DownloadHandler, FailedConnectStartsTheSessionAgain)
{
    CTransportSession* session = new CTransportSession(&h.manager, &h.record, FILE_ID, PEER_ID);
    h.manager.Adopt(session);
    session->SetStatus(SESSION_STATUS_CONNECTED);
    CDownloadHandler* handler = new CDownloadHandler(session);
    // The handler deletes itself (LeakSanitizer would tell otherwise).
    EXPECT_EQ(ST_SOCKET_ERROR, handler->OnConnectFailed(static_cast<TransportSocket*>(nullptr), ST_SOCKET_ERROR));
    EXPECT_EQ(nullptr, session->GetHandler());
    EXPECT_EQ(SESSION_STATUS_CONNECTING, session->GetStatus());
    EXPECT_TRUE(h.manager.IsLive(session));
}

TEST_F(DownloadHandler, DeletedSessionClosesItsConnection)
{
    h.Connect();
    h.manager.live.erase(std::find(h.manager.live.begin(), h.manager.live.end(), h.session));
    delete h.session;
    ASSERT_TRUE(h.RunUntil([this] { return h.ConnectionGone(); }));
    EXPECT_EQ(0u, h.record.refs);
}

} // namespace
