#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messaging/MsgStream.h"
#include "support/MsgTestSupport.h"

namespace {

// Body bytes (from offset 24) written by fill.
template <typename Fill>
Bytes BodyOf(Fill fill)
{
    CMsgBuffer buffer;
    CMsgStream stream(&buffer, CMsgStream::MODE_WRITE);
    fill(stream);
    EXPECT_FALSE(stream.Failed());
    return BytesOf(buffer, 24);
}

} // namespace

TEST(MsgStreamWrite, FieldsHaveTheirWireEncodings)
{
    EXPECT_EQ((Bytes{0x01, 0x00, 0x00}), BodyOf([](CMsgStream& s) { EXPECT_EQ(ST_SUCCESS, s.WriteString("")); }));
    EXPECT_EQ((Bytes{0x04, 0x00, 'a', 'b', 'c', 0x00}),
              BodyOf([](CMsgStream& s) { EXPECT_EQ(ST_SUCCESS, s.WriteString("abc")); }));
    EXPECT_EQ((Bytes{0xA5, 0x01, 0x00, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89}), BodyOf([](CMsgStream& s) {
                  EXPECT_EQ(ST_SUCCESS, s.WriteByte(0xA5));
                  EXPECT_EQ(ST_SUCCESS, s.WriteBool(true));
                  EXPECT_EQ(ST_SUCCESS, s.WriteBool(false));
                  EXPECT_EQ(ST_SUCCESS, s.WriteU16(0x1234));
                  EXPECT_EQ(ST_SUCCESS, s.WriteU32(0x89ABCDEF));
              }));
    const std::uint8_t block[3] = {0xAA, 0xBB, 0xCC};
    EXPECT_EQ((Bytes{0x03, 0x00, 0xAA, 0xBB, 0xCC}),
              BodyOf([&](CMsgStream& s) { EXPECT_EQ(ST_SUCCESS, s.WriteBlock(block, 3)); }));
    EXPECT_EQ((Bytes{0x02, 0x00, 0x01, 0x00, 0x00, 0x7F, 0x48, 0x07, 0x02, 0x01, 0xA8, 0xC0, 0x34, 0x12}),
              BodyOf([](CMsgStream& s) {
                  EXPECT_EQ(ST_SUCCESS, s.WriteAddressList({{0x7F000001, 1864}, {0xC0A80102, 0x1234}}));
              }));
}

TEST(MsgStreamRead, ReadsTheWireEncodings)
{
    auto message =
        MessageWithBody({0x0D, 0xF0, 0xFE, 0xCA, 0x7F, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x0A, 0x50, 0x00});
    CMsgStream s(message.get(), CMsgStream::MODE_READ);
    std::uint32_t u32 = 0;
    bool flag = false;
    Bytes block = {1};
    std::vector<SMsgAddressEntry> list;
    EXPECT_EQ(ST_SUCCESS, s.ReadU32(u32));
    EXPECT_EQ(ST_SUCCESS, s.ReadBool(flag));
    EXPECT_EQ(ST_SUCCESS, s.ReadBlock(block));
    EXPECT_EQ(ST_SUCCESS, s.ReadAddressList(list));
    EXPECT_EQ(0xCAFEF00Du, u32);
    EXPECT_TRUE(flag); // any non-zero byte
    EXPECT_TRUE(block.empty());
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(0x0A000001u, list[0].Address);
    EXPECT_EQ(80, list[0].Port);
    EXPECT_EQ(0u, s.Remaining());
}

TEST(MsgStreamRead, NeverReadsPastTheBytesThatArrived)
{
    // Stale bytes lie in the buffer beyond what arrived; they must stay out of reach.
    auto message = MessageWithBody({0x11, 0x22});
    for (int i = 26; i < 64; ++i)
        message->Data[i] = 0xEE;
    CMsgStream s(message.get(), CMsgStream::MODE_READ);
    std::uint32_t u32 = 5;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, s.ReadU32(u32));
    EXPECT_EQ(5u, u32);
    std::uint8_t byte = 0;
    EXPECT_EQ(ST_FAIL, s.ReadByte(byte)); // a failed stream delivers nothing more
    EXPECT_EQ(0, byte);
}

TEST(MsgStreamRead, CountsThatClaimMoreThanArrivedFail)
{
    std::string text = "keep";
    auto shortString = MessageWithBody({0x05, 0x00, 'a', 'b'});
    CMsgStream s1(shortString.get(), CMsgStream::MODE_READ);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, s1.ReadString(text));
    EXPECT_EQ("keep", text);

    Bytes block = {9};
    auto shortBlock = MessageWithBody({0xFF, 0xFF, 1, 2, 3});
    CMsgStream s2(shortBlock.get(), CMsgStream::MODE_READ);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, s2.ReadBlock(block));
    EXPECT_EQ(Bytes{9}, block);

    // Three entries announced, one and a half arrived: the whole one is kept.
    std::vector<SMsgAddressEntry> list;
    auto shortList = MessageWithBody({0x03, 0x00, 1, 0, 0, 0x7F, 0x10, 0x00, 2, 0, 0});
    CMsgStream s3(shortList.get(), CMsgStream::MODE_READ);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, s3.ReadAddressList(list));
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(0x7F000001u, list[0].Address);
}

TEST(MsgStreamRead, StringEndsAtItsFirstNulOrAtTheFieldEnd)
{
    const std::pair<Bytes, std::string> cases[] = {
        {{0x04, 0x00, 'a', 'b', 'c', 'd', 'X'}, "abcd"},
        {{0x04, 0x00, 'a', 0x00, 'c', 0x00}, "a"},
        {{0x00, 0x00}, ""},
    };
    for (const auto& [body, expected] : cases) {
        auto message = MessageWithBody(body);
        CMsgStream s(message.get(), CMsgStream::MODE_READ);
        std::string text = "old";
        EXPECT_EQ(ST_SUCCESS, s.ReadString(text));
        EXPECT_EQ(expected, text);
    }
}
