#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PatternStream.h"
#include "PeerOptions.h"

namespace {

bool Parse(const std::vector<std::string>& args, SPeerOptions& options)
{
    std::string error;
    return ParsePeerOptions(args, options, error);
}

// The benchmarks drive the program by this command line.
TEST(PeerOptions, TakesTheDocumentedCommandLine)
{
    SPeerOptions options;
    ASSERT_TRUE(
        Parse({"--server", "127.0.0.1:4000", "--id", "7", "--peer", "8", "--key", "0x00112233aabbccdd", "--receive",
               "52428800", "--local-port", "5000", "--advertise-local", "--seed", "99", "--timeout-ms", "1500"},
              options));
    EXPECT_EQ(options.ServerHost, "127.0.0.1");
    EXPECT_EQ(options.ServerPort, 4000);
    EXPECT_EQ(options.OwnId, 7u);
    EXPECT_EQ(options.PeerId, 8u);
    EXPECT_EQ(options.Key, 0x00112233AABBCCDDull);
    EXPECT_FALSE(options.Sending);
    EXPECT_EQ(options.Bytes, 52428800u);
    EXPECT_EQ(options.LocalPort, 5000);
    EXPECT_TRUE(options.AdvertiseLocal);
    EXPECT_EQ(options.Seed, 99u);
    EXPECT_EQ(options.TimeoutMs, 1500u);

    SPeerOptions defaults;
    ASSERT_TRUE(Parse({"--server", "localhost", "--id", "1", "--peer", "2", "--key", "FF", "--send", "1"}, defaults));
    EXPECT_EQ(defaults.ServerPort, 1864);
    EXPECT_TRUE(defaults.Sending);
    EXPECT_EQ(defaults.Key, 0xFFu);
    EXPECT_EQ(defaults.TimeoutMs, 600000u);
}

TEST(PeerOptions, RefusesIncompleteOrMalformedLines)
{
    const std::vector<std::string> good = {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "1", "--send", "9"};
    const std::vector<std::vector<std::string>> bad = {
        {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "1"},  // no amount
        {"--server", "h:1", "--id", "1", "--peer", "2", "--send", "9"}, // no key
        {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "1", "--send", "9", "--receive", "9"},
        {"--server", "h:0", "--id", "1", "--peer", "2", "--key", "1", "--send", "9"},
        {"--server", "h:65536", "--id", "1", "--peer", "2", "--key", "1", "--send", "9"},
        {"--server", "h:1", "--id", "4294967296", "--peer", "2", "--key", "1", "--send", "9"},
        {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "12345678901234567", "--send", "9"},
        {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "xyz", "--send", "9"},
        {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "1", "--send", "-9"},
        {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "1", "--send", "9", "--timeout-ms", "0"},
        {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "1", "--send", "9", "--bogus", "1"},
        {"--server", "h:1", "--id", "1", "--peer", "2", "--key", "1", "--send"},
        {"--server", std::string(64, 'h'), "--id", "1", "--peer", "2", "--key", "1", "--send", "9"},
    };
    SPeerOptions options;
    EXPECT_TRUE(Parse(good, options));
    for (const auto& line : bad) {
        SPeerOptions refused;
        std::string error;
        EXPECT_FALSE(ParsePeerOptions(line, refused, error)) << line.back();
        EXPECT_FALSE(error.empty());
    }
}

// The sender fills whole chunks, the receiver checks whatever each read brought: both must see
// one stream.
TEST(PatternStream, IsTheSameStreamHoweverItIsCut)
{
    std::vector<std::uint8_t> whole(100000);
    CPatternStream(42).Fill(whole.data(), whole.size());
    std::vector<std::uint8_t> pieces(whole.size());
    CPatternStream cut(42);
    std::size_t at = 0;
    for (std::size_t size = 1; at < pieces.size(); size = size * 3 % 1009 + 1) {
        const std::size_t take = std::min(size, pieces.size() - at);
        cut.Fill(pieces.data() + at, take);
        at += take;
    }
    EXPECT_EQ(pieces, whole);

    std::vector<std::uint8_t> other(whole.size());
    CPatternStream(43).Fill(other.data(), other.size());
    EXPECT_NE(other, whole);
    // Seed 0 is usable too, not a stream of zeros.
    std::vector<std::uint8_t> zero(64);
    CPatternStream(0).Fill(zero.data(), zero.size());
    EXPECT_NE(zero, std::vector<std::uint8_t>(64, 0));
}

} // namespace
