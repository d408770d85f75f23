#include <gtest/gtest.h>

#include "messaging/MsgFraming.h"
#include "messaging/MsgStream.h"
#include "support/MsgTestSupport.h"

TEST(MsgFraming, LengthsOutsideThreeTo8192LoseSync)
{
    EXPECT_EQ(ST_OUT_OF_SYNC, CheckMessageLength(2));
    EXPECT_EQ(ST_SUCCESS, CheckMessageLength(3));
    EXPECT_EQ(ST_SUCCESS, CheckMessageLength(8192));
    EXPECT_EQ(ST_OUT_OF_SYNC, CheckMessageLength(8193));
    EXPECT_EQ(0, PeekMessageLength(*BufferOf({0x18}))); // length not yet complete
}

TEST(MsgFraming, MessageShorterThanTheHeaderFailsWhenTheHeaderIsRead)
{
    for (std::uint8_t length : {3, 23, 24}) {
        Bytes bytes(length, 0x5A);
        bytes[0] = length;
        bytes[1] = 0;
        auto message = BufferOf(bytes);
        EXPECT_EQ(length, PeekMessageLength(*message));
        CMsgHeader header;
        EXPECT_EQ(length < 24 ? ST_OUT_OF_SYNC : ST_SUCCESS, ReadReceivedHeader(*message, header)) << int(length);
    }
}

TEST(MsgFraming, MessageWithoutBodyIsSentWithLength24)
{
    CMsgBuffer buffer;
    CMsgStream body(&buffer, CMsgStream::MODE_WRITE); // a keep-alive writes no body
    EXPECT_EQ(24u, body.Position());
    CMsgHeader header;
    header.MessageLength = OutgoingMessageLength(buffer);
    header.DestinationAddr = 0x8002FFFC;
    header.Command = 6;
    ASSERT_EQ(ST_SUCCESS, WriteMessageHeader(buffer, header));
    EXPECT_EQ((Bytes{0x18, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0xFC, 0xFF, 0x02, 0x80, 0x06, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}),
              BytesOf(buffer));
}

TEST(MsgFraming, BodyFillsTheBufferUpTo8192BytesAndNoFurther)
{
    CMsgBuffer buffer;
    CMsgStream body(&buffer, CMsgStream::MODE_WRITE);
    Bytes fill(8192 - 24, 0xC3);
    ASSERT_EQ(ST_SUCCESS, body.Write(fill.data(), fill.size()));
    CMsgHeader header;
    header.MessageLength = OutgoingMessageLength(buffer);
    ASSERT_EQ(ST_SUCCESS, WriteMessageHeader(buffer, header)); // keeps the body's length in use
    EXPECT_EQ(8192u, buffer.Used);
    EXPECT_EQ((Bytes{0x00, 0x20}), Bytes(buffer.Data, buffer.Data + 2));

    EXPECT_EQ(ST_OUT_OF_BOUNDS, body.WriteByte(1));
    EXPECT_EQ(ST_FAIL, body.WriteByte(1)); // a failed stream stays failed
    EXPECT_EQ(8192u, buffer.Used);
}
