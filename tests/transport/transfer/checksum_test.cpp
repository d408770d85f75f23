#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "transport/transfer/Checksum.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Textbook Adler-32 with the modulus after every step, returned in the digest's byte order.
Bytes ReferenceDigest(const Bytes& bytes)
{
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return {std::uint8_t(b >> 8), std::uint8_t(b), std::uint8_t(a >> 8), std::uint8_t(a)};
}

Bytes Digest(const Bytes& key, const Bytes& data)
{
    CChecksum checksum;
    EXPECT_EQ(ST_SUCCESS, checksum.SetKey(key.empty() ? nullptr : key.data()));
    Bytes digest(4);
    EXPECT_EQ(ST_SUCCESS, checksum.Compute(data.data(), data.size(), digest.data()));
    return digest;
}

} // namespace

TEST(Checksum, DigestCoversKeyThenDataSecondSumFirst)
{
    EXPECT_EQ((Bytes{0x00, 0x04, 0x00, 0x01}), Digest({}, {}));              // four zero key bytes
    EXPECT_EQ((Bytes{0x02, 0x51, 0x01, 0x27}), Digest({}, {'a', 'b', 'c'})); // s1 0x127, s2 0x251
    EXPECT_EQ((Bytes{0x02, 0x83, 0x01, 0x31}), Digest({1, 2, 3, 4}, {'a', 'b', 'c'}));
}

TEST(Checksum, MatchesTheReferenceWhereTheSumsWrap)
{
    const Bytes key = {0xFF, 0xFE, 0xFD, 0xFC};
    Bytes data(20000, 0xFF);
    for (std::size_t i = 0; i < data.size(); i += 7)
        data[i] = static_cast<std::uint8_t>(i);
    Bytes keyed = key;
    keyed.insert(keyed.end(), data.begin(), data.end());
    EXPECT_EQ(ReferenceDigest(keyed), Digest(key, data));
}

TEST(Checksum, VerifyRejectsAnyChangedDataOrKeyByte)
{
    const Bytes key = {0x10, 0x20, 0x30, 0x40};
    const Bytes data = {5, 6, 7, 8, 9};
    const Bytes digest = Digest(key, data);
    CChecksum checksum;
    EXPECT_EQ(ST_SUCCESS, checksum.SetKey(key.data()));
    EXPECT_EQ(ST_SUCCESS, checksum.Verify(data.data(), data.size(), digest.data()));
    for (std::size_t i = 0; i < data.size(); ++i) {
        Bytes changed = data;
        changed[i] ^= 0x01;
        EXPECT_EQ(ST_AUTH_FAILED, checksum.Verify(changed.data(), changed.size(), digest.data())) << i;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        Bytes otherKey = key;
        otherKey[i] ^= 0x80;
        CChecksum other;
        EXPECT_EQ(ST_SUCCESS, other.SetKey(otherKey.data()));
        EXPECT_EQ(ST_AUTH_FAILED, other.Verify(data.data(), data.size(), digest.data())) << i;
    }
    EXPECT_EQ(ST_SUCCESS, checksum.SetKey(nullptr)); // back to the zero key
    EXPECT_EQ(ST_SUCCESS,
              checksum.Verify(data.data(), data.size(), ReferenceDigest({0, 0, 0, 0, 5, 6, 7, 8, 9}).data()));
}
