#include "support/RelayHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <thread>

using namespace RelayTest;
using TarnixRelay::SRelayStats;

namespace {

const SEndpoint kListen = Loopback(2);
const SEndpoint kOutside = Loopback(3);

struct SWorld {
    CUdpPeer Server{Loopback(1)};
    std::unique_ptr<CRunningRelay> Relay;

    explicit SWorld(const std::vector<std::string>& extra = {})
    {
        // No TCP server here; the TCP side is not used.
        Relay = std::make_unique<CRunningRelay>(kListen, Loopback(1, 9), Server.Address(), kOutside, extra);
    }
};

// Sends from copy to the server through the relay; returns the outside address the server saw.
SEndpoint Introduce(SWorld& world, CUdpPeer& copy, std::uint32_t n = 0)
{
    SEndpoint seen;
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(copy.SendTo(world.Relay->Inside(), Numbered(n, 32)));
    EXPECT_TRUE(world.Server.Receive(bytes, seen));
    EXPECT_EQ(n, NumberOf(bytes));
    return seen;
}

} // namespace

TEST(RelayUdp, EchoThroughTheRelayComesBackWholeAndFromTheServersInsideAddress)
{
    SWorld world;
    ASSERT_TRUE(world.Relay->Ok()) << world.Relay->Error();
    CUdpPeer copy(Loopback(1));
    SEndpoint outside;
    for (std::uint32_t i = 0; i < 200; ++i) {
        const auto sent = Numbered(i, 4 + (i * 37) % 1269);
        ASSERT_TRUE(copy.SendTo(world.Relay->Inside(), sent));
        std::vector<std::uint8_t> got;
        SEndpoint from;
        ASSERT_TRUE(world.Server.Receive(got, from)) << i;
        ASSERT_EQ(sent, got);
        // The server sees the relay's outside socket, the same one every time.
        if (i == 0)
            outside = from;
        ASSERT_EQ(outside, from);
        ASSERT_TRUE(world.Server.SendTo(from, got));
        ASSERT_TRUE(copy.Receive(got, from)) << i;
        ASSERT_EQ(sent, got);
        ASSERT_EQ(world.Relay->Inside(), from);
    }
    EXPECT_EQ(kOutside.Address, outside.Address);
    EXPECT_NE(copy.Address(), outside);
    const SRelayStats stats = world.Relay->StopAndCollect();
    EXPECT_EQ(200u, stats.Up.Forwarded);
    EXPECT_EQ(200u, stats.Down.Forwarded);
    EXPECT_EQ(1u, stats.Mappings);
    EXPECT_EQ(0u, stats.SendErrors);
}

TEST(RelayUdp, AnyoneMaySendToTheOutsideAddressAndTheCopysAnswerGoesBackToThem)
{
    SWorld world;
    ASSERT_TRUE(world.Relay->Ok()) << world.Relay->Error();
    CUdpPeer copy(Loopback(1));
    CUdpPeer stranger(Loopback(1));
    const SEndpoint outside = Introduce(world, copy);

    std::vector<std::uint8_t> got;
    SEndpoint standIn;
    ASSERT_TRUE(stranger.SendTo(outside, Numbered(7, 100)));
    ASSERT_TRUE(copy.Receive(got, standIn));
    EXPECT_EQ(Numbered(7, 100), got);
    // The stranger shows up inside at an address of its own, so answers can find their way.
    EXPECT_EQ(kListen.Address, standIn.Address);
    EXPECT_NE(world.Relay->Inside(), standIn);

    ASSERT_TRUE(copy.SendTo(standIn, Numbered(8, 50)));
    SEndpoint from;
    ASSERT_TRUE(stranger.Receive(got, from));
    EXPECT_EQ(Numbered(8, 50), got);
    EXPECT_EQ(outside, from);

    // The server still reaches the copy from the address the copy knows it by.
    ASSERT_TRUE(world.Server.SendTo(outside, Numbered(9, 10)));
    ASSERT_TRUE(copy.Receive(got, from));
    EXPECT_EQ(world.Relay->Inside(), from);

    // Nobody but the copy may use its stand-in address.
    ASSERT_TRUE(stranger.SendTo(standIn, Numbered(10, 10)));
    EXPECT_FALSE(stranger.Receive(got, from, 200));
    const SRelayStats stats = world.Relay->StopAndCollect();
    EXPECT_EQ(1u, stats.Strays);
    EXPECT_EQ(1u, stats.Reflections);
}

TEST(RelayUdp, TwoCopiesBehindOneRelayMeetAtTheirOutsideAddressesThroughBothLinks)
{
    SWorld world;
    ASSERT_TRUE(world.Relay->Ok()) << world.Relay->Error();
    CUdpPeer a(Loopback(1)), b(Loopback(1));
    const SEndpoint outA = Introduce(world, a, 1);
    const SEndpoint outB = Introduce(world, b, 2);
    EXPECT_NE(outA, outB);
    EXPECT_EQ(outA, Introduce(world, a, 5));

    std::vector<std::uint8_t> got;
    SEndpoint from;
    ASSERT_TRUE(a.SendTo(outB, Numbered(3, 64)));
    ASSERT_TRUE(b.Receive(got, from));
    EXPECT_EQ(Numbered(3, 64), got);
    EXPECT_EQ(outA, from);
    ASSERT_TRUE(b.SendTo(from, Numbered(4, 64)));
    ASSERT_TRUE(a.Receive(got, from));
    EXPECT_EQ(Numbered(4, 64), got);
    EXPECT_EQ(outB, from);
    EXPECT_FALSE(b.Receive(got, from, 100));

    const SRelayStats stats = world.Relay->StopAndCollect();
    EXPECT_EQ(5u, stats.Up.Received);   // three to the server, one each way between the copies
    EXPECT_EQ(2u, stats.Down.Received); // one each way between the copies
    EXPECT_EQ(0u, stats.Reflections);
}

TEST(RelayUdp, LossWithTheSameSeedDropsTheSameDatagrams)
{
    auto run = [](const std::string& seed, std::uint64_t& lost) {
        SWorld world({"--up-loss", "30", "--seed", seed});
        EXPECT_TRUE(world.Relay->Ok()) << world.Relay->Error();
        CUdpPeer copy(Loopback(1));
        for (std::uint32_t i = 0; i < 300; ++i) {
            EXPECT_TRUE(copy.SendTo(world.Relay->Inside(), Numbered(i, 200)));
            if (i % 50 == 49)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::set<std::uint32_t> arrived;
        std::vector<std::uint8_t> got;
        SEndpoint from;
        while (world.Server.Receive(got, from, 300))
            arrived.insert(NumberOf(got));
        lost = world.Relay->StopAndCollect().Up.Lost;
        EXPECT_EQ(300u, arrived.size() + lost);
        return arrived;
    };
    std::uint64_t lost1 = 0, lost2 = 0, lost3 = 0;
    const auto first = run("99", lost1);
    const auto second = run("99", lost2);
    const auto other = run("100", lost3);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);
    EXPECT_GT(lost1, 60u);
    EXPECT_LT(lost1, 120u);
}

TEST(RelayUdp, DelayIsAddedInEachDirectionSeparately)
{
    SWorld world({"--up-delay", "60", "--down-delay", "40"});
    ASSERT_TRUE(world.Relay->Ok()) << world.Relay->Error();
    CUdpPeer copy(Loopback(1));
    std::vector<std::uint8_t> got;
    SEndpoint from;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(copy.SendTo(world.Relay->Inside(), Numbered(1, 10)));
    ASSERT_TRUE(world.Server.Receive(got, from));
    const auto atServer = std::chrono::steady_clock::now();
    ASSERT_TRUE(world.Server.SendTo(from, got));
    ASSERT_TRUE(copy.Receive(got, from));
    const auto back = std::chrono::steady_clock::now();
    using std::chrono::milliseconds;
    EXPECT_GE(atServer - start, milliseconds(60));
    EXPECT_GE(back - atServer, milliseconds(40));
    EXPECT_LT(back - start, milliseconds(1000));
}

TEST(RelayUdp, DuplicatedCopiesCarryTheSameSingleBitCorruption)
{
    SWorld world({"--up-duplicate", "100", "--up-corrupt", "100"});
    ASSERT_TRUE(world.Relay->Ok()) << world.Relay->Error();
    CUdpPeer copy(Loopback(1));
    for (std::uint32_t i = 0; i < 20; ++i) {
        const auto sent = Numbered(i, 300);
        ASSERT_TRUE(copy.SendTo(world.Relay->Inside(), sent));
        std::vector<std::uint8_t> first, second;
        SEndpoint from;
        ASSERT_TRUE(world.Server.Receive(first, from));
        ASSERT_TRUE(world.Server.Receive(second, from));
        EXPECT_EQ(first, second);
        ASSERT_EQ(sent.size(), first.size());
        int bits = 0;
        for (std::size_t k = 0; k < sent.size(); ++k)
            bits += __builtin_popcount(static_cast<unsigned>(sent[k] ^ first[k]));
        EXPECT_EQ(1, bits);
    }
    const SRelayStats stats = world.Relay->StopAndCollect();
    EXPECT_EQ(20u, stats.Up.Duplicated);
    EXPECT_EQ(20u, stats.Up.Corrupted);
    EXPECT_EQ(40u, stats.Up.Forwarded);
}

TEST(RelayUdp, RateCapPacesABurst)
{
    SWorld world({"--up-rate", "100000", "--up-rate-burst", "1000", "--up-queue", "1000000"});
    ASSERT_TRUE(world.Relay->Ok()) << world.Relay->Error();
    CUdpPeer copy(Loopback(1));
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t i = 0; i < 31; ++i)
        ASSERT_TRUE(copy.SendTo(world.Relay->Inside(), Numbered(i, 1000)));
    std::vector<std::uint8_t> got;
    SEndpoint from;
    for (std::uint32_t i = 0; i < 31; ++i) {
        ASSERT_TRUE(world.Server.Receive(got, from)) << i;
        EXPECT_EQ(i, NumberOf(got));
    }
    // 30 datagrams wait 10 ms each for their tokens.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
}

TEST(RelayUdp, NeverSendsOutsideLoopback)
{
    CUdpPeer peer(Loopback(1));
    std::string error;
    TarnixRelay::CFd fd = TarnixRelay::OpenUdp(Loopback(1), error);
    ASSERT_TRUE(fd.Valid()) << error;
    SEndpoint away;
    away.Address = 0x0A000001; // 10.0.0.1
    away.Port = 9;
    const std::uint8_t byte = 0;
    EXPECT_FALSE(TarnixRelay::SendDatagram(fd.Get(), away, &byte, 1));
    EXPECT_FALSE(TarnixRelay::StartTcpConnect(0x7F000001, away, error).Valid());
    EXPECT_NE(std::string::npos, error.find("refusing"));
}

TEST(RelayUdp, PrintsItsCountsOnRequestAndWhenAskedToFinish)
{
    CUdpPeer server(Loopback(1));
    TarnixRelay::SRelayConfig config;
    std::string error;
    ASSERT_EQ(TarnixRelay::PARSE_OK, TarnixRelay::ParseCommandLine({"relay", "--listen", kListen.ToString(), "--server",
                                                                    server.Address().ToString(), "--loss", "100"},
                                                                   config, error));
    std::FILE* out = std::tmpfile();
    ASSERT_NE(nullptr, out);
    TarnixRelay::CRelay relay(config);
    relay.SetStatsOutput(out);
    ASSERT_TRUE(relay.Open(error)) << error;
    std::thread loop([&relay] { relay.Run(); });
    CUdpPeer copy(Loopback(1));
    for (std::uint32_t i = 0; i < 5; ++i)
        copy.SendTo(relay.InsideAddress(), Numbered(i, 10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    relay.RequestStats();
    relay.RequestFinalStats();
    loop.join(); // the final request ends the loop by itself

    std::rewind(out);
    char line[1024];
    std::vector<std::string> lines;
    while (std::fgets(line, sizeof(line), out))
        lines.push_back(line);
    std::fclose(out);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(0u, lines[0].find("relay up: in=5 fwd=0 drop=5 (loss=5 "));
    EXPECT_NE(std::string::npos, lines[1].find("| down: in=0 "));
    EXPECT_NE(std::string::npos, lines[1].find("mappings=1"));
}
