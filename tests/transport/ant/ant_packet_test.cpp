#include <gtest/gtest.h>

#include "transport/ant/wire/AntAckBodies.h"
#include "transport/ant/wire/AntDataBody.h"
#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/wire/AntNak.h"
#include "transport/ant/wire/AntSequence.h"
#include "transport/ant/PacketPool.h"

#include <cstring>
#include <vector>

namespace {

SAntPacket EmptyPacket()
{
    SAntPacket packet;
    std::memset(&packet, 0, sizeof packet);
    return packet;
}

// A received datagram: the buffer holds the bytes and its length says how many arrived.
SAntPacket Received(const SAntPacket& written, std::uint32_t length)
{
    SAntPacket packet = written;
    packet.Length = length;
    return packet;
}

TEST(AntSequence, NewerHoldsAcrossTheWrap)
{
    EXPECT_TRUE(AntSeqIsNewer(0x00000003, 0x1FFFFFFF));
    EXPECT_FALSE(AntSeqIsNewer(0x1FFFFFFF, 0x00000003));
    EXPECT_TRUE(AntSeqIsNewer(0x0FFFFFFF, 0));
    EXPECT_FALSE(AntSeqIsNewer(0x10000000, 0));
    for (std::uint32_t v : {0u, 1u, 0x0FFFFFFFu, 0x10000000u, 0x1FFFFFFFu}) {
        EXPECT_FALSE(AntSeqIsNewer(v, v)) << v;
    }
}

TEST(AntSequence, NextAndDistanceWrap)
{
    EXPECT_EQ(0u, AntSeqNext(0x1FFFFFFF));
    EXPECT_EQ(0x1FFFFFFFu, AntSeqPrevious(0));
    EXPECT_EQ(5u, AntSeqDistance(0x1FFFFFFE, 3));
    EXPECT_EQ(0u, AntSeqDistance(7, 7));
    EXPECT_EQ(2u, AntSeqAdd(0x1FFFFFFF, 3));
}

TEST(AntSequence, SerialOlderByForwardDistance)
{
    EXPECT_TRUE(AntSerialIsOlder(0xFFFF, 0));
    EXPECT_FALSE(AntSerialIsOlder(0, 0xFFFF));
    EXPECT_FALSE(AntSerialIsOlder(5, 5));
    EXPECT_FALSE(AntSerialIsOlder(0x7FFF, 0));
    EXPECT_TRUE(AntSerialIsOlder(0x8000, 0));
}

TEST(AntPacketStream, WriteStopsAtTheDatagramLimitAndStaysFailed)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet, ANT_MAX_DATAGRAM - 4);
    EXPECT_EQ(ST_SUCCESS, writer.WriteU32(0xA1B2C3D4));
    EXPECT_EQ(ANT_MAX_DATAGRAM, packet.Length);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, writer.WriteU8(1));
    EXPECT_EQ(ANT_MAX_DATAGRAM + 1, writer.GetPosition()); // advances even when failing
    EXPECT_EQ(ANT_MAX_DATAGRAM, packet.Length);

    CAntPacketWriter sticky(packet, 0);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, sticky.WriteBytes(packet.Data, ANT_MAX_DATAGRAM + 1));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, sticky.WriteU8(0)); // would fit, but the failure sticks
}

TEST(AntPacketStream, ReadIsBoundedByTheBytesReceived)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet);
    EXPECT_EQ(ST_SUCCESS, writer.WriteU32(0x11223344));
    EXPECT_EQ(ST_SUCCESS, writer.WriteU32(0x55667788));

    SAntPacket shortPacket = Received(packet, 6);
    CAntPacketReader reader(shortPacket);
    std::uint32_t value = 0;
    EXPECT_EQ(ST_SUCCESS, reader.ReadU32(value));
    EXPECT_EQ(0x11223344u, value);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, reader.ReadU32(value)); // bytes 6 and 7 never arrived
    EXPECT_EQ(0u, value);
    std::uint8_t byte = 0;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, reader.ReadU8(byte));

    // A length beyond the datagram limit never lets a read leave the buffer.
    SAntPacket overlong = Received(packet, ANT_MAX_DATAGRAM + 100);
    CAntPacketReader bounded(overlong, ANT_MAX_DATAGRAM - 2);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, bounded.ReadU32(value));
}

TEST(AntPacketStream, MultiByteFieldsKeepHostOrderAndKeysGoLowWordFirst)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet);
    EXPECT_EQ(ST_SUCCESS, writer.WriteU16(0x0102));
    EXPECT_EQ(ST_SUCCESS, writer.WriteU64(0x1122334455667788ull));
    std::uint16_t u16 = 0x0102;
    EXPECT_EQ(0, std::memcmp(packet.Data, &u16, 2));
    std::uint32_t low = 0x55667788, high = 0x11223344;
    EXPECT_EQ(0, std::memcmp(packet.Data + 2, &low, 4));
    EXPECT_EQ(0, std::memcmp(packet.Data + 6, &high, 4));
    CAntPacketReader reader(packet, 2);
    std::uint64_t key = 0;
    EXPECT_EQ(ST_SUCCESS, reader.ReadU64(key));
    EXPECT_EQ(0x1122334455667788ull, key);
}

TEST(AntHeader, ControlAndDataWordsRoundTrip)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet);
    ASSERT_EQ(ST_SUCCESS, WriteAntHeader(writer, SAntHeader::Control(AntAck, 0xBEEF, 0x1234, ANT_ACK_ECHO_WANTED)));
    EXPECT_EQ(ANT_HEADER_SIZE, packet.Length);
    EXPECT_EQ(2, packet.Data[0]);
    EXPECT_EQ(0x85, packet.Data[7]); // word high byte in the little-endian target order

    SAntHeader header;
    CAntPacketReader reader(packet);
    ASSERT_EQ(ST_SUCCESS, ReadAntHeader(reader, header));
    EXPECT_EQ(AntAck, header.GetType());
    EXPECT_EQ(0xBEEF, header.GetValue());
    EXPECT_EQ(0x1234, header.Destination);
    EXPECT_EQ(ANT_ACK_ECHO_WANTED, header.Flags);
    EXPECT_EQ(0u, (header.Word >> 16) & 0xFF);

    const SAntHeader data = SAntHeader::Data(0xFFFFFFFF, 9);
    EXPECT_EQ(AntData, data.GetType());
    EXPECT_EQ(ANT_SEQUENCE_MASK, data.Word); // bits 29 and 30 stay clear
    EXPECT_EQ(ANT_DATA_FLAG, data.Flags);
}

TEST(AntHeader, OtherVersionsAndShortHeaders)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet);
    SAntHeader sent = SAntHeader::Control(AntClose, 0, 3);
    sent.Version = 7;
    EXPECT_EQ(ST_SUCCESS, WriteAntHeader(writer, sent));
    SAntHeader header;
    CAntPacketReader reader(packet);
    EXPECT_EQ(ST_SUCCESS, ReadAntHeader(reader, header));
    EXPECT_EQ(AntClose, header.GetType());
    EXPECT_EQ(7, header.Version);

    SAntPacket cut = Received(packet, 7);
    CAntPacketReader shortReader(cut);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadAntHeader(shortReader, header));
}

template <class TBody>
SAntPacket Written(const TBody& body)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet, ANT_HEADER_SIZE);
    EXPECT_EQ(ST_SUCCESS, WriteAntBody(writer, body));
    return packet;
}

template <class TBody>
Status ReadBack(const SAntPacket& packet, TBody& body)
{
    CAntPacketReader reader(packet, ANT_HEADER_SIZE);
    return ReadAntBody(reader, body);
}

TEST(AntBodies, ConnectRequestAndRelayRoundTrip)
{
    SAntConnectRequestBody request;
    request.OwnId = 11;
    request.PeerId = 22;
    request.Key = 0x0102030405060708ull;
    request.LocalPort = 4000;
    request.LocalAddresses = {0xC0A80001};
    SAntPacket packet = Written(request);
    EXPECT_EQ(ANT_HEADER_SIZE + 24, packet.Length);
    SAntConnectRequestBody read;
    ASSERT_EQ(ST_SUCCESS, ReadBack(packet, read));
    EXPECT_EQ(11u, read.OwnId);
    EXPECT_EQ(22u, read.PeerId);
    EXPECT_EQ(request.Key, read.Key);
    EXPECT_EQ(4000, read.LocalPort);
    EXPECT_EQ(request.LocalAddresses, read.LocalAddresses);

    SAntConnectRelayBody relay;
    relay.Requester.Address = 0x7F000001;
    relay.Requester.Port = 5555;
    relay.Key = 99;
    relay.LocalPort = 6000;
    relay.LocalAddresses = {0x0A000001, 0x0A000002};
    SAntConnectRelayBody relayed;
    ASSERT_EQ(ST_SUCCESS, ReadBack(Written(relay), relayed));
    EXPECT_EQ(0x7F000001u, relayed.Requester.Address);
    EXPECT_EQ(5555, relayed.Requester.Port);
    EXPECT_EQ(99u, relayed.Key);
    EXPECT_EQ(relay.LocalAddresses, relayed.LocalAddresses);
}

TEST(AntBodies, AddressCountBeyondTheDatagramIsTruncated)
{
    SAntConnectRelayBody relay;
    relay.LocalAddresses = {1, 2, 3};
    SAntPacket packet = Written(relay);
    // The count claims three addresses, but the last one never arrived.
    SAntPacket cut = Received(packet, packet.Length - 2);
    SAntConnectRelayBody read;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadBack(cut, read));

    // A forged count of 65535 is refused without reserving room for it.
    SAntPacket forged = packet;
    const std::uint16_t count = 0xFFFF;
    std::memcpy(forged.Data + ANT_HEADER_SIZE + 18, &count, 2);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadBack(forged, read));
    EXPECT_TRUE(read.LocalAddresses.empty());
}

TEST(AntBodies, HelloClampsThePeersWindowAndSequence)
{
    SAntHelloBody hello;
    hello.Key = 0xAABBCCDDEEFF0011ull;
    hello.SessionId = 0x4321;
    hello.InitialSequence = 0x12345678;
    hello.SenderId = 1;
    hello.ReceiverId = 2;
    SAntPacket packet = Written(hello);
    EXPECT_EQ(ANT_HEADER_SIZE + ANT_HELLO_BODY_SIZE, packet.Length);
    SAntHelloBody read;
    ASSERT_EQ(ST_SUCCESS, ReadBack(packet, read));
    EXPECT_EQ(hello.Key, read.Key);
    EXPECT_EQ(0x4321, read.SessionId);
    EXPECT_EQ(128u, read.Window);
    EXPECT_EQ(2u, read.ReceiverId);

    for (std::uint32_t window : {0u, 1000000u, 0xFFFFFFFFu}) {
        hello.Window = window;
        hello.InitialSequence = 0xFFFFFFFF;
        ASSERT_EQ(ST_SUCCESS, ReadBack(Written(hello), read));
        EXPECT_GE(read.Window, 1u);
        EXPECT_LE(read.Window, 128u);
        EXPECT_EQ(ANT_SEQUENCE_MASK, read.InitialSequence);
    }
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadBack(Received(packet, packet.Length - 1), read));
}

TEST(AntBodies, ConfirmProbeAckAndEchoRoundTrip)
{
    SAntHelloConfirmBody confirm;
    confirm.Key = 5;
    confirm.SenderId = 6;
    confirm.ReceiverId = 7;
    SAntPacket packet = Written(confirm);
    EXPECT_EQ(ANT_HEADER_SIZE + ANT_HELLO_CONFIRM_BODY_SIZE, packet.Length);
    SAntHelloConfirmBody confirmed;
    ASSERT_EQ(ST_SUCCESS, ReadBack(packet, confirmed));
    EXPECT_EQ(7u, confirmed.ReceiverId);

    SAntProbeBody probe;
    probe.HighestSent = 0x1FFFFFFF;
    SAntProbeBody probed;
    ASSERT_EQ(ST_SUCCESS, ReadBack(Written(probe), probed));
    EXPECT_EQ(0x1FFFFFFFu, probed.HighestSent);

    SAntAckBody ack{10, 20, 30, 40, 50, 60};
    packet = Written(ack);
    EXPECT_EQ(ANT_HEADER_SIZE + ANT_ACK_BODY_SIZE, packet.Length);
    SAntAckBody acked;
    ASSERT_EQ(ST_SUCCESS, ReadBack(packet, acked));
    EXPECT_EQ(60u, acked.Distance);
    EXPECT_EQ(20u, acked.Srtt);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadBack(Received(packet, packet.Length - 4), acked));

    SAntAckEchoBody echo{0xFFFFFFFF, 1, 2, 3};
    SAntAckEchoBody echoed;
    ASSERT_EQ(ST_SUCCESS, ReadBack(Written(echo), echoed));
    EXPECT_EQ(ANT_SEQUENCE_MASK, echoed.Cumulative);
    EXPECT_EQ(3u, echoed.SmallestRtt);
}

TEST(AntData, PayloadFillsTheDatagramAndNoMore)
{
    std::vector<std::uint8_t> payload(ANT_MAX_PAYLOAD, 0x5A);
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet);
    EXPECT_EQ(ST_SUCCESS, WriteAntHeader(writer, SAntHeader::Data(1, 2)));
    ASSERT_EQ(ST_SUCCESS, WriteAntData(writer, payload.data(), ANT_MAX_PAYLOAD));
    EXPECT_EQ(ANT_MAX_DATAGRAM, packet.Length);

    CAntPacketReader reader(packet, ANT_HEADER_SIZE);
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    ASSERT_EQ(ST_SUCCESS, ReadAntData(reader, data, length));
    EXPECT_EQ(ANT_MAX_PAYLOAD, length);
    EXPECT_EQ(0, std::memcmp(data, payload.data(), length));

    SAntPacket other = EmptyPacket();
    CAntPacketWriter tooMuch(other, ANT_HEADER_SIZE);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, WriteAntData(tooMuch, payload.data(), ANT_MAX_PAYLOAD + 1));
    EXPECT_EQ(ST_INVALID_PARAM, WriteAntData(tooMuch, payload.data(), 0));

    SAntPacket headerOnly = Received(packet, ANT_HEADER_SIZE);
    CAntPacketReader empty(headerOnly, ANT_HEADER_SIZE);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadAntData(empty, data, length));
}

std::vector<std::uint32_t> Entries(const SAntPacket& packet)
{
    std::vector<std::uint32_t> entries((packet.Length - ANT_HEADER_SIZE) / 4);
    std::memcpy(entries.data(), packet.Data + ANT_HEADER_SIZE, entries.size() * 4);
    return entries;
}

TEST(AntNakEncoding, SingleGapsUseOneEntryLongerGapsAPair)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet, ANT_HEADER_SIZE);
    CAntNakWriter nak(writer);
    ASSERT_EQ(ST_SUCCESS, nak.AddGap(100, 101));
    ASSERT_EQ(ST_SUCCESS, nak.AddGap(200, 202));
    ASSERT_EQ(ST_SUCCESS, nak.AddGap(0x1FFFFFFE, 3)); // across the wrap
    ASSERT_EQ(ST_SUCCESS, nak.AddGap(50, 50));        // nothing missing
    EXPECT_EQ((std::vector<std::uint32_t>{100, 200 | 0x80000000u, 202, 0x1FFFFFFE | 0x80000000u, 3}), Entries(packet));

    std::vector<SAntNakRange> ranges;
    CAntPacketReader reader(packet, ANT_HEADER_SIZE);
    ASSERT_EQ(ST_SUCCESS, ReadAntNak(reader, ranges));
    ASSERT_EQ(3u, ranges.size());
    EXPECT_EQ(100u, ranges[0].First);
    EXPECT_EQ(101u, ranges[0].End);
    EXPECT_EQ(202u, ranges[1].End);
    EXPECT_EQ(0x1FFFFFFEu, ranges[2].First);
    EXPECT_EQ(3u, ranges[2].End);
}

TEST(AntNakEncoding, AFullDatagramRefusesTheEntryThatDoesNotFit)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet, ANT_HEADER_SIZE);
    CAntNakWriter nak(writer);
    std::uint32_t sequence = 0;
    while (nak.AddGap(sequence, sequence + 1) == ST_SUCCESS) {
        sequence += 2;
    }
    EXPECT_EQ(ANT_MAX_PAYLOAD / 4, nak.GetEntryCount());
    EXPECT_EQ(ANT_MAX_DATAGRAM, packet.Length);

    // With one entry of room left a pair is refused whole and the list stays readable.
    SAntPacket other = EmptyPacket();
    CAntPacketWriter almost(other, ANT_MAX_DATAGRAM - 4);
    CAntNakWriter last(almost);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, last.AddGap(10, 20));
    EXPECT_EQ(0u, other.Length);
    EXPECT_EQ(ST_SUCCESS, last.AddGap(10, 11));
}

TEST(AntNakEncoding, TruncatedListsAreDropped)
{
    SAntPacket packet = EmptyPacket();
    CAntPacketWriter writer(packet, ANT_HEADER_SIZE);
    CAntNakWriter nak(writer);
    EXPECT_EQ(ST_SUCCESS, nak.AddGap(7, 8));
    EXPECT_EQ(ST_SUCCESS, nak.AddGap(20, 30));
    std::vector<SAntNakRange> ranges;

    SAntPacket noEnd = Received(packet, packet.Length - 4); // range start without its end
    CAntPacketReader first(noEnd, ANT_HEADER_SIZE);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadAntNak(first, ranges));
    EXPECT_TRUE(ranges.empty());

    SAntPacket ragged = Received(packet, packet.Length - 1); // partial entry
    CAntPacketReader second(ragged, ANT_HEADER_SIZE);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadAntNak(second, ranges));
    EXPECT_TRUE(ranges.empty());
}

TEST(PacketPool, BuffersLiveWhileReferenced)
{
    CPacketPool* pool = CPacketPool::Instance();
    ASSERT_NE(nullptr, pool);
    EXPECT_EQ(65536u, pool->GetCapacity());
    CPacketRef first = CPacketRef::Allocate();
    ASSERT_TRUE(first);
    EXPECT_EQ(0u, first->Length);
    EXPECT_EQ(1u, first->RefCount);
    for (std::uint32_t i = 0; i < ANT_HEADER_SIZE; ++i) {
        EXPECT_EQ(0, first->Data[i]);
    }
    {
        CPacketRef second = first;
        EXPECT_EQ(2u, first->RefCount);
        CPacketRef moved = std::move(second);
        EXPECT_FALSE(second);
        EXPECT_EQ(2u, first->RefCount);
    }
    EXPECT_EQ(1u, first->RefCount);
    first.Reset();
    EXPECT_FALSE(first); // freed here; the sanitizer build reports any use after it
}

} // namespace
