#include <gtest/gtest.h>

#include "infra/MessageReader.h"
#include "transport/transfer/DataMessageHeader.h"
#include "transport/transfer/DataMessages.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::uint8_t ID_A[16] = {0xA0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xAF};
const std::uint8_t ID_B[16] = {0xB0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0xBF};

struct SMessage {
    std::unique_ptr<DataMessageBlock> block{new DataMessageBlock()};

    Bytes Body() const { return Bytes(block->Data + 4, block->Data + block->Used); }
    std::uint32_t HeaderValue() const
    {
        return std::uint32_t(block->Data[0]) | (std::uint32_t(block->Data[1]) << 8) |
               (std::uint32_t(block->Data[2]) << 16) | (std::uint32_t(block->Data[3]) << 24);
    }
    // A reader standing behind the header, as the framing hands it over.
    sti::CMessageReader Reader() const
    {
        sti::CMessageReader reader(*block);
        CTNDataMessageHeader header;
        EXPECT_EQ(ST_SUCCESS, (sti::MessageHeaderTraits<CTNDataMessageHeader>::Decode(reader, header)));
        return reader;
    }
};

// A reader over a hand-made body.
sti::CMessageReader BodyReader(const Bytes& body)
{
    return sti::CMessageReader(body.data(), static_cast<std::uint32_t>(body.size()));
}

TEST(DataMessageHeader, AcceptsLengthsFromFourTo66564Only)
{
    EXPECT_EQ(0u, ValidateDataMessageHeader((3u << 8) | 1));
    EXPECT_EQ(0u, ValidateDataMessageHeader(0));
    EXPECT_EQ(4u, ValidateDataMessageHeader((4u << 8) | 6));
    EXPECT_EQ(66564u, ValidateDataMessageHeader((66564u << 8) | 1));
    EXPECT_EQ(0u, ValidateDataMessageHeader((66565u << 8) | 1));
    EXPECT_EQ(0u, ValidateDataMessageHeader(0xFFFFFFFFu));

    std::uint8_t header[4];
    EXPECT_EQ(ST_OUT_OF_BOUNDS, WriteDataMessageHeader(header, 3, 1));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, WriteDataMessageHeader(header, 66565, 1));
    ASSERT_EQ(ST_SUCCESS, WriteDataMessageHeader(header, 66564, 5));
    EXPECT_EQ(66564u, sti::MessageHeaderTraits<CTNDataMessageHeader>::GetMessageLength(header));
    // (length << 8) | type, little-endian.
    EXPECT_EQ(Bytes({0x05, 0x04, 0x04, 0x01}), Bytes(header, header + 4));
}

TEST(DataMessageHeader, DecodesTypeAndLength)
{
    const std::uint8_t bytes[] = {0x06, 0x08, 0x00, 0x00, 1, 0, 0, 0};
    sti::CMessageReader reader(bytes, sizeof(bytes));
    CTNDataMessageHeader header;
    ASSERT_EQ(ST_SUCCESS, (sti::MessageHeaderTraits<CTNDataMessageHeader>::Decode(reader, header)));
    EXPECT_EQ(6u, header.Type);
    EXPECT_EQ(8u, header.Length);
    EXPECT_EQ(4u, reader.GetPosition());
}

TEST(DataMessages, DataBlockFillsTheLargestMessageExactlyAndNoMore)
{
    Bytes payload(MAX_DATA_BLOCK_PAYLOAD, 0x5A);
    SDataBlock body;
    body.Compression = BLOCK_RAW;
    body.Payload = payload.data();
    body.Length = MAX_DATA_BLOCK_PAYLOAD;
    SMessage fits;
    ASSERT_EQ(ST_SUCCESS, WriteDataBlock(*fits.block, body));
    EXPECT_EQ(66564u, fits.block->Used);
    EXPECT_EQ(66564u, ValidateDataMessageHeader(fits.HeaderValue()));

    payload.push_back(0x5A);
    body.Payload = payload.data();
    body.Length = MAX_DATA_BLOCK_PAYLOAD + 1;
    SMessage over;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, WriteDataBlock(*over.block, body));
}

TEST(DataMessages, DataBlockLayoutAndRoundTrip)
{
    const Bytes payload = {9, 8, 7};
    SDataBlock body;
    body.Compression = BLOCK_BZIP2;
    const std::uint8_t digest[4] = {0x00, 0x04, 0x00, 0x01};
    std::memcpy(body.Checksum, digest, 4);
    body.Offset = 0x123456789ABCull;
    body.Payload = payload.data();
    body.Length = 3;
    SMessage message;
    ASSERT_EQ(ST_SUCCESS, WriteDataBlock(*message.block, body));
    EXPECT_EQ(
        Bytes({1, 0, 0, 0, 0x00, 0x04, 0x00, 0x01, 0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12, 0, 0, 3, 0, 0, 0, 9, 8, 7}),
        message.Body());
    EXPECT_EQ((27u << 8) | DATA_MSG_DATA_BLOCK, message.HeaderValue());

    sti::CMessageReader reader = message.Reader();
    SDataBlock read;
    ASSERT_EQ(ST_SUCCESS, ReadDataBlock(reader, read));
    EXPECT_EQ(1u, read.Compression);
    EXPECT_EQ(0, std::memcmp(digest, read.Checksum, 4));
    EXPECT_EQ(0x123456789ABCull, read.Offset);
    ASSERT_EQ(3u, read.Length);
    EXPECT_EQ(payload, Bytes(read.Payload, read.Payload + 3));
}

TEST(DataMessages, DataBlockWhosePayloadPassesTheMessageIsRefused)
{
    Bytes body = {0, 0, 0, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 1, 2, 3, 4}; // says 5, has 4
    sti::CMessageReader reader = BodyReader(body);
    SDataBlock read;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadDataBlock(reader, read));
    body.resize(10);
    sti::CMessageReader shortReader = BodyReader(body);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadDataBlock(shortReader, read));
}

TEST(DataMessages, RangeRequestCarriesBothHalvesOfOffsetsAbove4GiB)
{
    SMessage message;
    ASSERT_EQ(ST_SUCCESS, WriteRangeRequest(*message.block, 0x100000002ull, 0xFFFFFFFF00000001ull));
    EXPECT_EQ(Bytes({2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), message.Body());
    sti::CMessageReader reader = message.Reader();
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    ASSERT_EQ(ST_SUCCESS, ReadRangeRequest(reader, first, end));
    EXPECT_EQ(0x100000002ull, first);
    EXPECT_EQ(0xFFFFFFFF00000001ull, end);

    const Bytes truncated = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    sti::CMessageReader shortReader = BodyReader(truncated);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadRangeRequest(shortReader, first, end));
}

TEST(DataMessages, SmallBodiesRoundTripAndRefuseTruncation)
{
    SMessage request;
    ASSERT_EQ(ST_SUCCESS, WriteFileRequest(*request.block, ID_A));
    EXPECT_EQ(20u, request.block->Used);
    std::uint8_t id[16] = {};
    sti::CMessageReader requestReader = request.Reader();
    ASSERT_EQ(ST_SUCCESS, ReadFileRequest(requestReader, id));
    EXPECT_EQ(0, std::memcmp(ID_A, id, 16));

    SMessage close;
    ASSERT_EQ(ST_SUCCESS, WriteClose(*close.block, 7));
    EXPECT_EQ((8u << 8) | DATA_MSG_CLOSE, close.HeaderValue());
    std::uint32_t reason = 0;
    sti::CMessageReader closeReader = close.Reader();
    ASSERT_EQ(ST_SUCCESS, ReadClose(closeReader, reason));
    EXPECT_EQ(7u, reason);

    SMessage end;
    ASSERT_EQ(ST_SUCCESS, WriteRangeEnd(*end.block, 0));
    EXPECT_EQ((8u << 8) | DATA_MSG_RANGE_END, end.HeaderValue());

    const Bytes three = {1, 2, 3};
    sti::CMessageReader shortClose = BodyReader(three);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadClose(shortClose, reason));
    sti::CMessageReader shortEnd = BodyReader(three);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadRangeEnd(shortEnd, reason));
    const Bytes fifteen(15, 1);
    sti::CMessageReader shortRequest = BodyReader(fifteen);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadFileRequest(shortRequest, id));
}

TEST(DataMessages, FileInfoEncodesStringsWithTheirTerminator)
{
    TransferFileList entries(2);
    std::memcpy(entries[0].Id, ID_A, 16);
    entries[0].Name = "ab";
    entries[0].Size = 0x500000000ull;
    std::memcpy(entries[1].Id, ID_B, 16);
    entries[1].Name = "";
    entries[1].Size = 3;
    SMessage message;
    ASSERT_EQ(ST_SUCCESS, WriteFileInfo(*message.block, ID_B, entries));

    const Bytes body = message.Body();
    ASSERT_EQ(16u + 2 + (16 + 5 + 8) + (16 + 3 + 8), body.size());
    EXPECT_EQ(Bytes({2, 0}), Bytes(body.begin() + 16, body.begin() + 18));
    EXPECT_EQ(Bytes({0x03, 0x00, 0x61, 0x62, 0x00}), Bytes(body.begin() + 34, body.begin() + 39));
    EXPECT_EQ(Bytes({0, 0, 0, 0, 5, 0, 0, 0}), Bytes(body.begin() + 39, body.begin() + 47));

    SFileInfo info;
    sti::CMessageReader reader = message.Reader();
    ASSERT_EQ(ST_SUCCESS, ReadFileInfo(reader, info));
    EXPECT_EQ(0, std::memcmp(ID_B, info.Id, 16));
    ASSERT_EQ(2u, info.Entries.size());
    EXPECT_EQ("ab", info.Entries[0].Name);
    EXPECT_EQ(0x500000000ull, info.Entries[0].Size);
    EXPECT_EQ(0, std::memcmp(ID_A, info.Entries[0].Id, 16));
    EXPECT_EQ("", info.Entries[1].Name);
    EXPECT_EQ(3u, info.Entries[1].Size);
}

TEST(DataMessages, FileInfoWithoutEntriesCarriesOnlyIdAndCount)
{
    SMessage message;
    ASSERT_EQ(ST_SUCCESS, WriteFileInfo(*message.block, ID_A, TransferFileList()));
    EXPECT_EQ(18u, message.Body().size());
    SFileInfo info;
    info.Entries.resize(3);
    sti::CMessageReader reader = message.Reader();
    ASSERT_EQ(ST_SUCCESS, ReadFileInfo(reader, info));
    EXPECT_TRUE(info.Entries.empty());
}

TEST(DataMessages, StringOfLengthZeroReadsAsEmptyText)
{
    Bytes body(ID_A, ID_A + 16);
    const Bytes rest = {1,  0,                                                  // one entry
                        1,  2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, // id
                        0,  0,                                                  // n = 0: no bytes at all
                        42, 0, 0, 0, 0, 0, 0, 0};                               // size
    body.insert(body.end(), rest.begin(), rest.end());
    SFileInfo info;
    sti::CMessageReader reader = BodyReader(body);
    ASSERT_EQ(ST_SUCCESS, ReadFileInfo(reader, info));
    ASSERT_EQ(1u, info.Entries.size());
    EXPECT_EQ("", info.Entries[0].Name);
    EXPECT_EQ(42u, info.Entries[0].Size);
}

TEST(DataMessages, StringWithoutTerminatorEndsWithItsBytes)
{
    Bytes body(ID_A, ID_A + 16);
    const Bytes rest = {1,  0,  1,  2,  3,  4,  5, 6, 7,   8,   9,   10,
                        11, 12, 13, 14, 15, 16, 3, 0, 'x', 'y', 'z', // n = 3, no zero among them
                        7,  0,  0,  0,  0,  0,  0, 0};
    body.insert(body.end(), rest.begin(), rest.end());
    SFileInfo info;
    sti::CMessageReader reader = BodyReader(body);
    ASSERT_EQ(ST_SUCCESS, ReadFileInfo(reader, info));
    EXPECT_EQ("xyz", info.Entries[0].Name);
    EXPECT_EQ(7u, info.Entries[0].Size);
}

TEST(DataMessages, FileInfoCountBeyondTheMessageIsRefused)
{
    Bytes body(ID_A, ID_A + 16);
    body.push_back(0xFF);
    body.push_back(0xFF); // 65535 entries announced, none there
    SFileInfo info;
    sti::CMessageReader reader = BodyReader(body);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadFileInfo(reader, info));
    EXPECT_TRUE(info.Entries.empty());

    // Two entries announced; the count passes the bound, but the second entry is cut short.
    Bytes two(ID_A, ID_A + 16);
    const Bytes first = {2,   0,   1,   2,   3,   4,   5,   6,   7,   8,   9, 10, 11, 12, 13, 14, 15, 16, 11, 0,
                         'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 0, 7,  0,  0,  0,  0,  0,  0,  0};
    two.insert(two.end(), first.begin(), first.end());
    for (std::size_t rest = 15; rest < MIN_FILE_ENTRY_SIZE; ++rest) {
        SCOPED_TRACE(rest);
        Bytes cut = two;
        cut.resize(cut.size() + rest, 0);
        sti::CMessageReader cutReader = BodyReader(cut);
        EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadFileInfo(cutReader, info));
        EXPECT_TRUE(info.Entries.empty());
    }
}

TEST(DataMessages, FileInfoHoldsAsManyEntriesAsTheLargestMessageHas)
{
    // Entries with n = 0 names are the smallest a reader can meet.
    Bytes body(ID_A, ID_A + 16);
    body.push_back(std::uint8_t(MAX_FILE_INFO_ENTRIES));
    body.push_back(std::uint8_t(MAX_FILE_INFO_ENTRIES >> 8));
    body.resize(body.size() + MAX_FILE_INFO_ENTRIES * MIN_FILE_ENTRY_SIZE, 0);
    ASSERT_LE(body.size(), DATA_MESSAGE_MAX_BODY);
    SFileInfo info;
    sti::CMessageReader reader = BodyReader(body);
    ASSERT_EQ(ST_SUCCESS, ReadFileInfo(reader, info));
    EXPECT_EQ(MAX_FILE_INFO_ENTRIES, info.Entries.size());

    // The writer gives every name its terminator: 27 bytes per entry at the least.
    const std::size_t writable = (DATA_MESSAGE_MAX_BODY - 18) / 27;
    TransferFileList entries(writable);
    SMessage message;
    ASSERT_EQ(ST_SUCCESS, WriteFileInfo(*message.block, ID_A, entries));
    entries.resize(writable + 1);
    SMessage over;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, WriteFileInfo(*over.block, ID_A, entries));
}

TEST(DataMessages, OverlongNameIsRefusedByTheWriter)
{
    TransferFileList entries(1);
    entries[0].Name.assign(0xFFFF, 'n');
    SMessage message;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, WriteFileInfo(*message.block, ID_A, entries));
}

} // namespace
