#include <gtest/gtest.h>

#include "support/TransferTestSupport.h"
#include "transport/transfer/Bzip2.h"

#include <bzlib.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

using transfer_test::Bytes;

TEST(Bzip2, RoundTripsAChunk)
{
    const Bytes chunk = transfer_test::TextBytes(65536);
    Bytes packed(66540);
    std::uint32_t packedLength = 0;
    ASSERT_EQ(ST_SUCCESS, Bzip2Compress(chunk.data(), 65536, packed.data(), 66540, packedLength));
    EXPECT_LT(packedLength, 2000u);
    EXPECT_EQ('B', packed[0]);
    EXPECT_EQ('Z', packed[1]);
    EXPECT_EQ('h', packed[2]);
    EXPECT_EQ('9', packed[3]); // block size 9

    Bytes out(65536);
    std::uint32_t outLength = 0;
    ASSERT_EQ(ST_SUCCESS, Bzip2Decompress(packed.data(), packedLength, out.data(), 65536, outLength));
    EXPECT_EQ(65536u, outLength);
    EXPECT_EQ(chunk, out);
}

TEST(Bzip2, EmptyInputIsAValidStream)
{
    Bytes packed(100);
    std::uint32_t packedLength = 0;
    ASSERT_EQ(ST_SUCCESS, Bzip2Compress(nullptr, 0, packed.data(), 100, packedLength));
    EXPECT_GT(packedLength, 0u);
    Bytes out(16);
    std::uint32_t outLength = 99;
    ASSERT_EQ(ST_SUCCESS, Bzip2Decompress(packed.data(), packedLength, out.data(), 16, outLength));
    EXPECT_EQ(0u, outLength);
}

TEST(Bzip2, OutputThatDoesNotFitIsOutOfBounds)
{
    const Bytes noise = transfer_test::RandomBytes(65536);
    Bytes packed(65536);
    std::uint32_t packedLength = 0;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Bzip2Compress(noise.data(), 65536, packed.data(), 65536, packedLength));

    const Bytes big = transfer_test::TextBytes(65537);
    Bytes bigPacked(66540);
    ASSERT_EQ(ST_SUCCESS, Bzip2Compress(big.data(), 65537, bigPacked.data(), 66540, packedLength));
    Bytes out(65536);
    std::uint32_t outLength = 0;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Bzip2Decompress(bigPacked.data(), packedLength, out.data(), 65536, outLength));
}

TEST(Bzip2, DamagedTruncatedOrEmptyStreamsAreRefused)
{
    const Bytes chunk = transfer_test::TextBytes(5000);
    Bytes packed(66540);
    std::uint32_t packedLength = 0;
    ASSERT_EQ(ST_SUCCESS, Bzip2Compress(chunk.data(), 5000, packed.data(), 66540, packedLength));
    Bytes out(65536);
    std::uint32_t outLength = 0;

    Bytes damaged(packed.begin(), packed.begin() + packedLength);
    damaged[damaged.size() / 2] ^= 0x55;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Bzip2Decompress(damaged.data(), packedLength, out.data(), 65536, outLength));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Bzip2Decompress(packed.data(), packedLength - 5, out.data(), 65536, outLength));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Bzip2Decompress(packed.data(), 0, out.data(), 65536, outLength));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Bzip2Decompress(nullptr, 0, out.data(), 65536, outLength));
    const Bytes notBzip2 = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(ST_OUT_OF_BOUNDS, Bzip2Decompress(notBzip2.data(), 5, out.data(), 65536, outLength));
}

// Kept work arrays must change nothing on the wire: every block, whatever came before it on
// the thread, is the one-call compressor's stream byte for byte, and after the first block of
// each kind the thread allocates no more.
TEST(Bzip2, KeptWorkArraysGiveTheOneCallBytesWithoutAllocatingPerBlock)
{
    auto check = [] {
        const Bytes kinds[] = {transfer_test::TextBytes(65536), transfer_test::RandomBytes(65536),
                               transfer_test::TextBytes(777), Bytes(65536, 0)};
        std::uint64_t warm = 0;
        for (int round = 0; round < 3; ++round) {
            for (const Bytes& chunk : kinds) {
                Bytes ours(66540);
                std::uint32_t ourLength = 0;
                ASSERT_EQ(ST_SUCCESS, Bzip2Compress(chunk.data(), static_cast<std::uint32_t>(chunk.size()), ours.data(),
                                                    66540, ourLength));
                Bytes theirs(66540);
                unsigned int theirLength = 66540;
                ASSERT_EQ(BZ_OK,
                          BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(theirs.data()), &theirLength,
                                                   const_cast<char*>(reinterpret_cast<const char*>(chunk.data())),
                                                   static_cast<unsigned int>(chunk.size()), 9, 0, 0));
                ASSERT_EQ(theirLength, ourLength);
                ASSERT_TRUE(std::equal(ours.begin(), ours.begin() + ourLength, theirs.begin()));
                Bytes back(65536);
                std::uint32_t backLength = 0;
                ASSERT_EQ(ST_SUCCESS, Bzip2Decompress(ours.data(), ourLength, back.data(), 65536, backLength));
                back.resize(backLength);
                ASSERT_EQ(chunk, back);
            }
            if (round == 0) {
                warm = Bzip2ThreadAllocations();
            }
        }
        EXPECT_EQ(warm, Bzip2ThreadAllocations());
    };
    // Two threads at once: each has arrays of its own.
    std::thread other(check);
    check();
    other.join();
}

// The decompressor's big array follows each stream's block size. A thread whose slots all hold
// smaller arrays must still keep the large one once it has it, not fetch it anew per block.
TEST(Bzip2, AFullPoolMakesRoomForALargerArray)
{
    std::thread([] {
        const Bytes text = transfer_test::TextBytes(5000);
        auto packedWith = [&](int blockSize) {
            Bytes packed(66540);
            unsigned int length = 66540;
            EXPECT_EQ(BZ_OK, BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(packed.data()), &length,
                                                      const_cast<char*>(reinterpret_cast<const char*>(text.data())),
                                                      5000, blockSize, 0, 0));
            packed.resize(length);
            return packed;
        };
        auto unpack = [&](const Bytes& packed) {
            Bytes out(65536);
            std::uint32_t outLength = 0;
            EXPECT_EQ(ST_SUCCESS, Bzip2Decompress(packed.data(), static_cast<std::uint32_t>(packed.size()), out.data(),
                                                  65536, outLength));
            out.resize(outLength);
            EXPECT_EQ(text, out);
        };
        // One array per block size, growing: more sizes than the thread has slots.
        for (int blockSize = 1; blockSize <= 8; ++blockSize) {
            unpack(packedWith(blockSize));
        }
        const Bytes large = packedWith(9);
        unpack(large);
        const std::uint64_t warm = Bzip2ThreadAllocations();
        for (int block = 0; block < 5; ++block) {
            unpack(large);
        }
        EXPECT_EQ(warm, Bzip2ThreadAllocations());
    }).join();
}

} // namespace
