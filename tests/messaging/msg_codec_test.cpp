#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "messaging/MsgCodec.h"
#include "messaging/MsgFraming.h"
#include "messaging/MsgStream.h"
#include "messaging/SessionKeys.h"
#include "support/MsgTestSupport.h"

namespace {

// Textbook RC4 with the first 256 key-stream bytes dropped, independent of the library.
class ReferenceMarc4 {
public:
    explicit ReferenceMarc4(const Bytes& key)
    {
        for (int i = 0; i < 256; ++i)
            m_s[i] = static_cast<std::uint8_t>(i);
        for (int i = 0, j = 0; i < 256; ++i) {
            j = (j + m_s[i] + key[i % key.size()]) & 0xFF;
            std::swap(m_s[i], m_s[j]);
        }
        for (int n = 0; n < 256; ++n)
            Next();
    }

    std::uint8_t Next()
    {
        m_i = (m_i + 1) & 0xFF;
        m_j = (m_j + m_s[m_i]) & 0xFF;
        std::swap(m_s[m_i], m_s[m_j]);
        return m_s[(m_s[m_i] + m_s[m_j]) & 0xFF];
    }

private:
    std::uint8_t m_s[256];
    int m_i = 0, m_j = 0;
};

// Big-endian Adler-32 of key + message, taken with the digest field zero.
Bytes ReferenceDigest(const Bytes& checksumKey, Bytes message)
{
    std::fill(message.begin() + 2, message.begin() + 6, 0);
    Bytes keyed = checksumKey;
    keyed.insert(keyed.end(), message.begin(), message.end());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : keyed) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return {std::uint8_t(b >> 8), std::uint8_t(b), std::uint8_t(a >> 8), std::uint8_t(a)};
}

const Bytes CIPHER_KEY = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                          0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};
const Bytes CHECKSUM_KEY = {0xDE, 0xAD, 0xBE, 0xEF};

// A report message (command 36) with its length in the header.
Bytes PlainMessage(const std::string& text)
{
    CMsgBuffer buffer;
    CMsgStream body(&buffer, CMsgStream::MODE_WRITE);
    EXPECT_EQ(ST_SUCCESS, body.WriteString(text));
    CMsgHeader header;
    header.MessageLength = OutgoingMessageLength(buffer);
    header.SourceAddr = 0x00010002;
    header.DestinationAddr = 0x8002FFFC;
    header.Command = 36;
    EXPECT_EQ(ST_SUCCESS, WriteMessageHeader(buffer, header));
    return BytesOf(buffer);
}

struct CodecPair {
    CEncoder Encoder;
    CDecoder Decoder;
    CodecPair()
    {
        EXPECT_EQ(ST_SUCCESS, Encoder.SetKeys(CIPHER_KEY.data(), CHECKSUM_KEY.data()));
        EXPECT_EQ(ST_SUCCESS, Decoder.SetKeys(CIPHER_KEY.data(), CHECKSUM_KEY.data()));
    }
};

} // namespace

TEST(MsgCodec, EncodesAsTheReferenceAndTheKeyStreamRunsAcrossMessages)
{
    CodecPair codec;
    ReferenceMarc4 reference(CIPHER_KEY);
    const Bytes plain = PlainMessage("same text");
    Bytes withDigest = plain;
    const Bytes digest = ReferenceDigest(CHECKSUM_KEY, plain);
    std::copy(digest.begin(), digest.end(), withDigest.begin() + 2);

    Bytes previous;
    for (int n = 0; n < 2; ++n) {
        auto message = BufferOf(plain);
        ASSERT_EQ(ST_SUCCESS, codec.Encoder.Encode(*message));
        Bytes expected = withDigest; // the length field stays in clear
        for (std::size_t i = 2; i < expected.size(); ++i)
            expected[i] ^= reference.Next();
        EXPECT_EQ(expected, BytesOf(*message)) << "message " << n;
        EXPECT_NE(previous, BytesOf(*message));
        previous = BytesOf(*message);

        ASSERT_EQ(ST_SUCCESS, codec.Decoder.Decode(*message));
        EXPECT_EQ(withDigest, BytesOf(*message)); // plain again, with the sender's digest
    }
}

TEST(MsgCodec, FlippedBitIsRefusedAndTheNextMessageStillDecodes)
{
    CodecPair codec;
    const Bytes plain = PlainMessage("integrity");
    for (std::size_t position : {std::size_t(2), std::size_t(5), std::size_t(14), plain.size() - 1}) {
        auto tampered = BufferOf(plain);
        ASSERT_EQ(ST_SUCCESS, codec.Encoder.Encode(*tampered));
        tampered->Data[position] ^= 0x10;
        EXPECT_EQ(ST_AUTH_FAILED, codec.Decoder.Decode(*tampered)) << "byte " << position;

        auto next = BufferOf(plain);
        ASSERT_EQ(ST_SUCCESS, codec.Encoder.Encode(*next));
        EXPECT_EQ(ST_SUCCESS, codec.Decoder.Decode(*next)) << "after byte " << position;
    }
}

TEST(MsgCodec, LengthOutsideTheBytesInUseIsOutOfBoundsAndLeavesTheKeyStream)
{
    CodecPair codec;
    const Bytes plain = PlainMessage("bounds");
    auto tooLong = BufferOf(plain);
    tooLong->Data[0] = static_cast<std::uint8_t>(plain.size() + 1);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, codec.Encoder.Encode(*tooLong));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, codec.Decoder.Decode(*tooLong));

    CEncoder unkeyed;
    EXPECT_EQ(ST_INVALID_PARAM, unkeyed.Encode(*BufferOf(plain)));

    auto message = BufferOf(plain);
    ASSERT_EQ(ST_SUCCESS, codec.Encoder.Encode(*message));
    EXPECT_EQ(ST_SUCCESS, codec.Decoder.Decode(*message));
}

TEST(MsgCodec, ShortMessageIsDroppedAndTheNextStillDecodes)
{
    // A malformed sender enciphers bytes 2..L-1 of a message too short for its digest, then
    // sends a good one; the reference plays it.
    for (std::uint8_t shortLength : {3, 5}) {
        CodecPair codec;
        ReferenceMarc4 sender(CIPHER_KEY);
        Bytes tooShort = {shortLength, 0x00, 1, 2, 3};
        tooShort.resize(shortLength);
        for (std::size_t i = 2; i < tooShort.size(); ++i)
            tooShort[i] ^= sender.Next();
        EXPECT_EQ(ST_OUT_OF_BOUNDS, codec.Decoder.Decode(*BufferOf(tooShort))) << int(shortLength);

        const Bytes plain = PlainMessage("keep-alive");
        Bytes expected = plain;
        const Bytes digest = ReferenceDigest(CHECKSUM_KEY, plain);
        std::copy(digest.begin(), digest.end(), expected.begin() + 2);
        Bytes wire = expected;
        for (std::size_t i = 2; i < wire.size(); ++i)
            wire[i] ^= sender.Next();
        auto next = BufferOf(wire);
        EXPECT_EQ(ST_SUCCESS, codec.Decoder.Decode(*next)) << "after length " << int(shortLength);
        EXPECT_EQ(expected, BytesOf(*next));
    }
}

TEST(SessionKeys, EachBlockGroupFeedsOnlyItsOwnKey)
{
    SSessionKeys base;
    ASSERT_EQ(ST_SUCCESS, DeriveSessionKeys(Bytes(40, 0).data(), 40, base));
    // Block offsets 0, 16, 32, 36 start the decoder cipher, encoder cipher, decoder checksum and
    // encoder checksum keys.
    const std::pair<std::size_t, int> groups[] = {{0, 0},  {15, 0}, {16, 1}, {31, 1},
                                                  {32, 2}, {35, 2}, {36, 3}, {39, 3}};
    for (const auto& [blockByte, group] : groups) {
        Bytes block(40, 0);
        block[blockByte] = 0xFF;
        SSessionKeys keys;
        ASSERT_EQ(ST_SUCCESS, DeriveSessionKeys(block.data(), block.size(), keys));
        const bool changed[4] = {
            std::memcmp(keys.DecoderCipherKey, base.DecoderCipherKey, 16) != 0,
            std::memcmp(keys.EncoderCipherKey, base.EncoderCipherKey, 16) != 0,
            std::memcmp(keys.DecoderChecksumKey, base.DecoderChecksumKey, 4) != 0,
            std::memcmp(keys.EncoderChecksumKey, base.EncoderChecksumKey, 4) != 0,
        };
        for (int g = 0; g < 4; ++g)
            EXPECT_EQ(g == group, changed[g]) << "block byte " << blockByte << ", key " << g;
    }
    EXPECT_EQ(ST_INVALID_MESSAGE, DeriveSessionKeys(Bytes(41, 0).data(), 39, base));
    EXPECT_EQ(ST_INVALID_MESSAGE, DeriveSessionKeys(Bytes(41, 0).data(), 41, base));
}

TEST(SessionKeys, ClientAndServerCodecsFromOneBlockUnderstandEachOther)
{
    Bytes block(40);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 37 + 11);
    SSessionKeys client;
    ASSERT_EQ(ST_SUCCESS, DeriveSessionKeys(block.data(), block.size(), client));
    std::unique_ptr<CEncoder> clientEncoder, serverEncoder;
    std::unique_ptr<CDecoder> clientDecoder, serverDecoder;
    ASSERT_EQ(ST_SUCCESS, MakeCodecs(client, clientEncoder, clientDecoder));
    ASSERT_EQ(ST_SUCCESS, MakeCodecs(ServerView(client), serverEncoder, serverDecoder));

    const Bytes plain = PlainMessage("both ways");
    auto up = BufferOf(plain);
    ASSERT_EQ(ST_SUCCESS, clientEncoder->Encode(*up));
    EXPECT_EQ(ST_SUCCESS, serverDecoder->Decode(*up));
    auto down = BufferOf(plain);
    ASSERT_EQ(ST_SUCCESS, serverEncoder->Encode(*down));
    EXPECT_EQ(ST_SUCCESS, clientDecoder->Decode(*down));
    // One direction's keys do not open the other's.
    auto crossed = BufferOf(plain);
    ASSERT_EQ(ST_SUCCESS, clientEncoder->Encode(*crossed));
    EXPECT_EQ(ST_AUTH_FAILED, clientDecoder->Decode(*crossed));
}
