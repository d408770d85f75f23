// The upload handler against a downloader played by the test with raw data messages.
#include <gtest/gtest.h>

#include "support/TransferTestSupport.h"
#include "transport/transfer/Bzip2.h"
#include "transport/transfer/Checksum.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/CompressionGate.h"
#include "transport/transfer/CompressionPool.h"
#include "infra/Pipe.h"

#include <atomic>
#include <cstring>

namespace {

using namespace transfer_test;

Status Deliver(CUploadHandler* handler, const DataMessageBlock& message)
{
    sti::CMessageReader reader(message);
    CTNDataMessageHeader header;
    EXPECT_EQ(ST_SUCCESS, sti::MessageHeaderTraits<CTNDataMessageHeader>::Decode(reader, header));
    return handler->OnMessage(header, reader);
}

std::unique_ptr<DataMessageBlock> RangeRequest(std::uint64_t first, std::uint64_t end)
{
    return Build([first, end](DataMessageBlock& block) { return WriteRangeRequest(block, first, end); });
}

std::unique_ptr<DataMessageBlock> CloseMessage(std::uint32_t reason)
{
    return Build([reason](DataMessageBlock& block) { return WriteClose(block, reason); });
}

// A received DataBlock, unpacked and checked.
struct SBlock {
    std::uint32_t compression = 0;
    std::uint64_t offset = 0;
    std::uint32_t wireLength = 0;
    Bytes data;
    bool checksumOk = false;
};

SBlock Unpack(const SReceivedMessage& message)
{
    SBlock result;
    EXPECT_EQ(unsigned(DATA_MSG_DATA_BLOCK), message.type);
    sti::CMessageReader reader(message.body.data(), static_cast<std::uint32_t>(message.body.size()));
    SDataBlock body;
    EXPECT_EQ(ST_SUCCESS, ReadDataBlock(reader, body));
    result.compression = body.Compression;
    result.offset = body.Offset;
    result.wireLength = body.Length;
    if (body.Compression == BLOCK_BZIP2) {
        result.data.resize(MAX_CHUNK_SIZE);
        std::uint32_t length = 0;
        EXPECT_EQ(ST_SUCCESS, Bzip2Decompress(body.Payload, body.Length, result.data.data(), MAX_CHUNK_SIZE, length));
        result.data.resize(length);
    } else {
        result.data.assign(body.Payload, body.Payload + body.Length);
    }
    result.checksumOk = CChecksum().Verify(result.data.data(), result.data.size(), body.Checksum) == ST_SUCCESS;
    return result;
}

// Collects the blocks of one range up to its RangeEnd.
std::vector<SBlock> ReceiveRange(CUploadHarness& h)
{
    std::vector<SBlock> blocks;
    SReceivedMessage message{0, Bytes()};
    while (h.Next(message)) {
        if (message.type == DATA_MSG_RANGE_END) {
            return blocks;
        }
        blocks.push_back(Unpack(message));
    }
    ADD_FAILURE() << "no RangeEnd";
    return blocks;
}

TEST(UploadHandler, FileRequestIsAnsweredWithTheEntries)
{
    CUploadHarness h(TextBytes(1234));
    h.record.name = "report.pdf";
    STransferFileEntry extra;
    extra.Name = "second.txt";
    extra.Size = 99;
    h.record.further.push_back(extra);
    SReceivedMessage answer = h.RequestFile();
    ASSERT_EQ(unsigned(DATA_MSG_FILE_INFO), answer.type);
    SFileInfo info;
    sti::CMessageReader reader(answer.body.data(), static_cast<std::uint32_t>(answer.body.size()));
    ASSERT_EQ(ST_SUCCESS, ReadFileInfo(reader, info));
    EXPECT_EQ(0, std::memcmp(FILE_ID, info.Id, 16));
    ASSERT_EQ(2u, info.Entries.size());
    EXPECT_EQ("report.pdf", info.Entries[0].Name);
    EXPECT_EQ(1234u, info.Entries[0].Size);
    EXPECT_EQ("second.txt", info.Entries[1].Name);
    ASSERT_EQ(1u, h.manager.bound.size());
    EXPECT_EQ(Hex(FILE_ID, 16), h.manager.bound[0]);
    EXPECT_EQ(0, std::memcmp(FILE_ID, h.session->GetFileId(), 16));
}

TEST(UploadHandler, RefusedFileRequestClosesWithTheMatchingReason)
{
    const struct {
        Status answer;
        std::uint32_t reason;
    } cases[] = {{ST_NOT_FOUND, CLOSE_REASON_NO_SESSION},
                 {ST_TRY_LATER, CLOSE_REASON_PAUSED},
                 {ST_IO_ERROR, CLOSE_REASON_FILE_ERROR},
                 {ST_FILE_NOT_FOUND, CLOSE_REASON_FILE_NOT_FOUND},
                 {ST_ACCESS_DENIED, CLOSE_REASON_NO_REASON}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        CUploadHarness h(TextBytes(10));
        h.record.openAnswer = c.answer;
        SReceivedMessage answer = h.RequestFile();
        EXPECT_EQ(unsigned(DATA_MSG_CLOSE), answer.type);
        EXPECT_EQ(Bytes({std::uint8_t(c.reason), 0, 0, 0}), answer.body);
        EXPECT_EQ(CLOSED_HERE, h.record.closedBy);
        EXPECT_EQ(int(c.reason), h.record.closedReason);
        EXPECT_FALSE(h.SessionLive());
        ASSERT_TRUE(h.RunUntil([&h] { return h.ConnectionGone(); }));
    }
}

TEST(UploadHandler, FileRequestToAClosedSessionIsRefused)
{
    CUploadHarness h(TextBytes(10));
    h.session->SetStatus(SESSION_STATUS_WAITING);
    auto request = Build([](DataMessageBlock& block) { return WriteFileRequest(block, FILE_ID); });
    EXPECT_EQ(ST_CONNECTION_CLOSED, Deliver(h.handler, *request));
    EXPECT_EQ(0, h.record.Count("open"));
}

TEST(UploadHandler, EmptyRangeEndsAtOnce)
{
    CUploadHarness h(TextBytes(1000));
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(500, 500)));
    SReceivedMessage message{0, Bytes()};
    ASSERT_TRUE(h.Next(message));
    EXPECT_EQ(unsigned(DATA_MSG_RANGE_END), message.type);
    EXPECT_TRUE(h.record.reads.empty());
}

TEST(UploadHandler, RangeOf65537BytesIsTwoBlocks)
{
    const Bytes content = TextBytes(65537);
    CUploadHarness h(content);
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, 65537)));
    std::vector<SBlock> blocks = ReceiveRange(h);
    ASSERT_EQ(2u, blocks.size());
    EXPECT_EQ(0u, blocks[0].offset);
    EXPECT_EQ(65536u, blocks[0].data.size());
    EXPECT_EQ(65536u, blocks[1].offset);
    EXPECT_EQ(1u, blocks[1].data.size());
    Bytes joined = blocks[0].data;
    joined.insert(joined.end(), blocks[1].data.begin(), blocks[1].data.end());
    EXPECT_EQ(content, joined);
    EXPECT_TRUE(blocks[0].checksumOk && blocks[1].checksumOk);
    EXPECT_EQ(unsigned(BLOCK_BZIP2), blocks[0].compression);
    // One read per block, each asking for a whole chunk.
    ASSERT_EQ(2u, h.record.reads.size());
    EXPECT_EQ(65536u, h.record.reads[1].first);
    EXPECT_EQ(65536u, h.record.reads[1].second);
}

TEST(UploadHandler, IncompressibleDataGoesRaw)
{
    const Bytes content = RandomBytes(150000);
    CUploadHarness h(content);
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, 150000)));
    std::vector<SBlock> blocks = ReceiveRange(h);
    ASSERT_EQ(3u, blocks.size());
    Bytes joined;
    for (const SBlock& block : blocks) {
        EXPECT_EQ(unsigned(BLOCK_RAW), block.compression);
        EXPECT_EQ(block.data.size(), block.wireLength);
        EXPECT_TRUE(block.checksumOk);
        joined.insert(joined.end(), block.data.begin(), block.data.end());
    }
    EXPECT_EQ(content, joined);
}

// A file that changes character, sent with the compression pool and without it: every block
// arrives whole and in order; the random part goes raw, the text after it is compressed again
// within the retry distance.
TEST(UploadHandler, MixedFileArrivesInOrderAndTextIsCompressedAgain)
{
    Bytes content = RandomBytes(20 * 65536);
    const Bytes text = TextBytes(30 * 65536 + 5);
    content.insert(content.end(), text.begin(), text.end());
    for (bool inline_ : {false, true}) {
        SCOPED_TRACE(inline_);
        CUploadHarness h(content);
        if (inline_)
            h.handler->KeepBlocksInline();
        h.RequestFile();
        ASSERT_TRUE(h.peer->Send(*RangeRequest(0, content.size())));
        std::vector<SBlock> blocks = ReceiveRange(h);
        ASSERT_EQ(51u, blocks.size());
        Bytes joined;
        std::size_t textRaw = 0;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(joined.size(), blocks[i].offset);
            EXPECT_TRUE(blocks[i].checksumOk);
            if (i < 20)
                EXPECT_EQ(unsigned(BLOCK_RAW), blocks[i].compression);
            else if (blocks[i].compression == BLOCK_RAW)
                ++textRaw;
            joined.insert(joined.end(), blocks[i].data.begin(), blocks[i].data.end());
        }
        EXPECT_EQ(content, joined);
        EXPECT_LT(textRaw, CCompressionGate::RETRY_EVERY);
    }
}

// Wine's send now and then says "would block" on the pool's all but empty wake pipe; a wake
// lost that way held every later one back and the upload stalled. Here every third write
// of a wake is refused so, and a range of 40 blocks still arrives whole.
std::atomic<int> s_wakeWrites{0};

Status RefuseEveryThirdWake(sti::CPipe& pipe)
{
    if (++s_wakeWrites % 3 == 0)
        return ST_TRY_LATER;
    const std::uint8_t byte = 1;
    std::uint32_t count = 0;
    return pipe.Write(1, &byte, count);
}

TEST(UploadHandler, RefusedWakesOfThePoolDoNotStallTheRange)
{
    const std::shared_ptr<CCompressionPool> pool = CCompressionPool::ForThisThread();
    ASSERT_TRUE(pool);
    pool->SetWakeWriter(RefuseEveryThirdWake);
    const Bytes content = TextBytes(40 * 65536);
    CUploadHarness h(content);
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, content.size())));
    std::vector<SBlock> blocks = ReceiveRange(h);
    ASSERT_EQ(40u, blocks.size());
    EXPECT_GT(s_wakeWrites.load(), 3);
    pool->SetWakeWriter(nullptr);
}

TEST(CompressionGate, BlocksAfterOneThatDidNotShrinkGoRawWithARetryEverySixteen)
{
    CCompressionGate gate(true);
    EXPECT_TRUE(gate.ShouldTry());
    gate.Report(false);
    for (std::uint32_t i = 1; i < CCompressionGate::RETRY_EVERY; ++i)
        EXPECT_FALSE(gate.ShouldTry());
    EXPECT_TRUE(gate.ShouldTry());
    gate.Report(true);
    EXPECT_TRUE(gate.ShouldTry());
    EXPECT_TRUE(gate.ShouldTry());

    CCompressionGate off(false);
    off.Report(false);
    EXPECT_TRUE(off.ShouldTry());
}

TEST(UploadHandler, TinyChunkThatBzip2CannotShrinkGoesRaw)
{
    CUploadHarness h(Bytes({42}));
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, 1)));
    std::vector<SBlock> blocks = ReceiveRange(h);
    ASSERT_EQ(1u, blocks.size());
    EXPECT_EQ(unsigned(BLOCK_RAW), blocks[0].compression);
    EXPECT_EQ(Bytes({42}), blocks[0].data);
}

TEST(UploadHandler, ShortReadsShortenTheBlocks)
{
    const Bytes content = TextBytes(2500);
    CUploadHarness h(content);
    h.record.readLimit = 1000;
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, 2500)));
    std::vector<SBlock> blocks = ReceiveRange(h);
    ASSERT_EQ(3u, blocks.size());
    EXPECT_EQ(0u, blocks[0].offset);
    EXPECT_EQ(1000u, blocks[1].offset);
    EXPECT_EQ(2000u, blocks[2].offset);
    EXPECT_EQ(500u, blocks[2].data.size());
}

TEST(UploadHandler, EndPastTheAnnouncedSizeIsClamped)
{
    const Bytes content = TextBytes(3000);
    CUploadHarness h(content);
    h.record.announcedSize = 2000;
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(1500, 0xFFFFFFFFFFull)));
    std::vector<SBlock> blocks = ReceiveRange(h);
    ASSERT_EQ(1u, blocks.size());
    EXPECT_EQ(1500u, blocks[0].offset);
    EXPECT_EQ(500u, blocks[0].data.size());
    EXPECT_EQ(2000u, h.handler->GetRangeEnd());
}

TEST(UploadHandler, RangeBeforeAnyFileInfoEndsAtOnce)
{
    CUploadHarness h(TextBytes(3000));
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, 3000)));
    SReceivedMessage message{0, Bytes()};
    ASSERT_TRUE(h.Next(message));
    EXPECT_EQ(unsigned(DATA_MSG_RANGE_END), message.type);
    EXPECT_TRUE(h.record.reads.empty());
}

TEST(UploadHandler, ZeroLengthReadClosesWithAFileError)
{
    // The file shrank after it was described.
    CUploadHarness h(TextBytes(100));
    h.record.announcedSize = 1000;
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, 1000)));
    SReceivedMessage message{0, Bytes()};
    ASSERT_TRUE(h.Next(message));
    SBlock block = Unpack(message);
    EXPECT_EQ(100u, block.data.size());
    ASSERT_TRUE(h.Next(message));
    EXPECT_EQ(unsigned(DATA_MSG_CLOSE), message.type);
    EXPECT_EQ(Bytes({7, 0, 0, 0}), message.body);
    EXPECT_EQ(2u, h.record.reads.size());
    EXPECT_EQ(int(CLOSE_REASON_FILE_ERROR), h.record.closedReason);
    EXPECT_FALSE(h.SessionLive());
    ASSERT_TRUE(h.RunUntil([&h] { return h.ConnectionGone(); }));
}

TEST(UploadHandler, FailedReadDropsTheConnection)
{
    CUploadHarness h(TextBytes(100));
    h.RequestFile();
    h.record.readAnswer = ST_IO_ERROR;
    EXPECT_EQ(ST_IO_ERROR, Deliver(h.handler, *RangeRequest(0, 100)));
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, 100)));
    ASSERT_TRUE(h.RunUntil([&h] { return h.ConnectionGone(); }));
    EXPECT_EQ(CLOSED_HERE, h.record.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_NETWORK_ERROR), h.record.closedReason);
    EXPECT_FALSE(h.SessionLive());
}

TEST(UploadHandler, OneBlockIsBuiltPerSendingStep)
{
    CUploadHarness h(TextBytes(300000));
    h.handler->KeepBlocksInline();
    h.RequestFile();
    EXPECT_EQ(ST_SUCCESS, Deliver(h.handler, *RangeRequest(0, 300000)));
    EXPECT_EQ(1u, h.record.reads.size());
    EXPECT_TRUE(h.handler->IsOutputWanted());
    EXPECT_EQ(ST_MORE_DATA, h.handler->ProduceOutput());
    EXPECT_EQ(2u, h.record.reads.size());
    EXPECT_EQ(131072u, h.handler->GetPosition());
}

TEST(UploadHandler, BlockAbove4GiBIsReadAtItsOffset)
{
    class CFarUpload : public CMemoryUpload {
    public:
        Status OpenFile(const std::uint8_t id[TRANSFER_ID_SIZE], TransferFileList& list) override
        {
            STransferFileEntry entry;
            std::memcpy(entry.Id, id, TRANSFER_ID_SIZE);
            entry.Size = 0x300000000ull;
            list.push_back(entry);
            return ST_SUCCESS;
        }
        Status ReadChunk(std::uint32_t low, std::uint32_t high, std::uint32_t, std::uint8_t* buffer,
                         std::uint32_t* length) override
        {
            reads.emplace_back((std::uint64_t(high) << 32) | low, 0);
            std::memset(buffer, 'x', 8);
            *length = 8;
            return ST_SUCCESS;
        }
    };
    CUploadHarness h;
    CFarUpload far;
    CTransportSession* session = new CTransportSession(&h.manager, &far, 1, 2);
    h.manager.Adopt(session);
    session->SetStatus(SESSION_STATUS_RUNNING);
    CUploadHandler* handler = new CUploadHandler(session);
    handler->KeepBlocksInline();
    auto request = Build([](DataMessageBlock& block) { return WriteFileRequest(block, FILE_ID); });
    EXPECT_EQ(ST_NOT_CONNECTED, Deliver(handler, *request)); // no connection for the answer
    EXPECT_EQ(ST_NOT_CONNECTED, Deliver(handler, *RangeRequest(0x200000004ull, 0x200000008ull)));
    ASSERT_EQ(1u, far.reads.size());
    EXPECT_EQ(0x200000004ull, far.reads[0].first);
    EXPECT_EQ(ST_SUCCESS, handler->Close(CLOSE_REASON_CANCELED, CLOSED_HERE));
    EXPECT_EQ(0u, far.refs);
}

TEST(UploadHandler, CloseFromTheDownloaderEndsTheSession)
{
    for (std::uint32_t reason = 0; reason <= 8; ++reason) {
        SCOPED_TRACE(reason);
        CUploadHarness h(TextBytes(10));
        ASSERT_TRUE(h.peer->Send(*CloseMessage(reason)));
        ASSERT_TRUE(h.RunUntil([&h] { return h.ConnectionGone(); }));
        EXPECT_EQ(reason == CLOSE_REASON_NETWORK_ERROR ? CLOSED_HERE : CLOSED_BY_PEER, h.record.closedBy);
        EXPECT_EQ(int(reason), h.record.closedReason);
        EXPECT_FALSE(h.SessionLive());
        const std::vector<std::string> tail(h.record.log.end() - 3, h.record.log.end());
        EXPECT_EQ(
            (std::vector<std::string>{
                "status 0", "closed " + std::to_string(h.record.closedBy) + " " + std::to_string(reason), "release"}),
            tail);
    }
}

TEST(UploadHandler, CloseInTheMiddleOfARangeStopsTheBlocks)
{
    CUploadHarness h(TextBytes(6000000));
    h.RequestFile();
    ASSERT_TRUE(h.peer->Send(*RangeRequest(0, 6000000)));
    SReceivedMessage message{0, Bytes()};
    ASSERT_TRUE(h.Next(message));
    ASSERT_TRUE(h.peer->Send(*CloseMessage(CLOSE_REASON_PAUSED)));
    // Keep reading, so that what is queued can leave before the connection closes.
    ASSERT_TRUE(h.RunUntil([&h] {
        h.peer->Poll();
        return h.ConnectionGone();
    }));
    EXPECT_EQ(CLOSED_BY_PEER, h.record.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_PAUSED), h.record.closedReason);
    EXPECT_LT(h.record.reads.size(), 50u);
    EXPECT_EQ(unsigned(DATA_MSG_DATA_BLOCK), h.peer->messages.empty() ? 1u : h.peer->messages.back().type);
}

TEST(UploadHandler, DroppedConnectionIsANetworkError)
{
    CUploadHarness h(TextBytes(10));
    h.peer->Close();
    ASSERT_TRUE(h.RunUntil([&h] { return h.ConnectionGone(); }));
    EXPECT_EQ(CLOSED_HERE, h.record.closedBy);
    EXPECT_EQ(int(CLOSE_REASON_NETWORK_ERROR), h.record.closedReason);
    EXPECT_FALSE(h.SessionLive());
    EXPECT_EQ(0u, h.record.refs);
}

TEST(UploadHandler, AbortedConnectEndsTheSession)
{
    CUploadHarness h;
    CMemoryUpload other;
    CTransportSession* session = new CTransportSession(&h.manager, &other, 3, 4);
    h.manager.Adopt(session);
    CUploadHandler* handler = new CUploadHandler(session);
    EXPECT_EQ(ST_SUCCESS, handler->OnConnectAborted(static_cast<TransportSocket*>(nullptr)));
    EXPECT_FALSE(h.manager.IsLive(session));
    EXPECT_EQ("closed 0 1", other.log[other.log.size() - 2]);
    EXPECT_EQ(0u, other.refs);
}

} // namespace
