#include <gtest/gtest.h>

#include "messaging/MsgAddress.h"
#include "messaging/MsgFraming.h"
#include "messaging/MsgStream.h"
#include "messaging/Protocol.h"
#include "support/MsgTestSupport.h"

TEST(MsgHeader, IsTwentyFourLittleEndianBytesInFieldOrder)
{
    const Bytes wire = {
        0x30, 0x00,             // MessageLength
        0x44, 0x33, 0x22, 0x11, // Checksum
        0x04, 0x03, 0x02, 0x01, // SourceAddr
        0xFC, 0xFF, 0x02, 0x80, // DestinationAddr
        0x24, 0x80,             // Command 36 with the flag bit
        0xD4, 0xC3, 0xB2, 0xA1, // SeqNumber
        0xEF, 0xBE, 0x00, 0x00, // SourceClient
    };
    CMsgHeader header;
    header.MessageLength = 0x0030;
    header.Checksum = 0x11223344;
    header.SourceAddr = 0x01020304;
    header.DestinationAddr = 0x8002FFFC;
    header.Command = 0x8024;
    header.SeqNumber = 0xA1B2C3D4;
    header.SourceClient = 0x0000BEEF;
    CMsgBuffer buffer;
    ASSERT_EQ(ST_SUCCESS, WriteMessageHeader(buffer, header));
    EXPECT_EQ(wire, BytesOf(buffer));

    CMsgHeader read;
    ASSERT_EQ(ST_SUCCESS, ReadReceivedHeader(*BufferOf(wire), read));
    CMsgBuffer again;
    EXPECT_EQ(ST_SUCCESS, WriteMessageHeader(again, read));
    EXPECT_EQ(wire, BytesOf(again));
    EXPECT_EQ(36, read.CommandCode());
    EXPECT_TRUE(read.CommandFlag());

    // A short read leaves the header as it was.
    CMsgHeader untouched;
    auto shortMessage = BufferOf(Bytes(wire.begin(), wire.end() - 1));
    CMsgStream shortStream(shortMessage.get(), CMsgStream::MODE_READ, 0);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, untouched.Read(shortStream));
    EXPECT_EQ(0, untouched.MessageLength);
}

TEST(MsgAddress, ServiceAddressesAreBuiltFromHighAndLowParts)
{
    EXPECT_EQ(KV2Protocol::ADDR_GREETING_SERVICE, CMsgAddress(7, 0xFFFC).Value());
    EXPECT_EQ(KV2Protocol::ADDR_LOGIN_SERVICE, CMsgAddress(4, 0xFFFC).Value());
    EXPECT_EQ(KV2Protocol::ADDR_CLIENT_SERVICE, CMsgAddress(2, 0xFFFC).Value());
    EXPECT_EQ(0xFFFF0001u, CMsgAddress(0xFFFF, 1).Value()); // the high part has 15 bits
    EXPECT_TRUE(CMsgAddress(3, 0xFFFB).IsGatedService());
    EXPECT_FALSE(CMsgAddress(0x0000FFFBu).IsGatedService()); // a peer's address is no service
    EXPECT_FALSE(CMsgAddress(KV2Protocol::ADDR_CLIENT_SERVICE).IsGatedService());
}
