#include "tools/relay/RelayConfig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TarnixRelay;

namespace {

ParseResult Parse(std::vector<std::string> args, SRelayConfig& config, std::string& error)
{
    args.insert(args.begin(), "tarnix-relay");
    return ParseCommandLine(args, config, error);
}

std::vector<std::string> Base()
{
    return {"--listen", "127.0.0.5:1864", "--server", "127.0.0.1:2000"};
}

} // namespace

TEST(RelayConfig, ReadsAddressesAndFillsTheDefaults)
{
    SRelayConfig config;
    std::string error;
    ASSERT_EQ(PARSE_OK, Parse(Base(), config, error)) << error;
    EXPECT_EQ("127.0.0.5:1864", config.Listen.ToString());
    EXPECT_EQ("127.0.0.1:2000", config.Server.ToString());
    EXPECT_EQ(config.Server, config.ServerUdp);
    EXPECT_EQ("127.0.0.1:0", config.Outside.ToString());
    EXPECT_EQ(1u, config.Seed);

    auto args = Base();
    args.insert(args.end(), {"--server-udp", "localhost:2001", "--outside=127.0.0.9", "--seed", "0x10"});
    ASSERT_EQ(PARSE_OK, Parse(args, config, error)) << error;
    EXPECT_EQ("127.0.0.1:2001", config.ServerUdp.ToString());
    EXPECT_EQ("127.0.0.9:0", config.Outside.ToString());
    EXPECT_EQ(16u, config.Seed);
}

TEST(RelayConfig, ADirectionSwitchWinsOverTheSharedOneInAnyOrder)
{
    SRelayConfig config;
    std::string error;
    auto args = Base();
    args.insert(args.end(), {"--up-loss", "5", "--loss", "1", "--delay", "2.5", "--down-delay=40", "--jitter", "3",
                             "--rate", "50000", "--down-queue", "2000"});
    ASSERT_EQ(PARSE_OK, Parse(args, config, error)) << error;
    EXPECT_DOUBLE_EQ(5, config.Up.LossPercent);
    EXPECT_DOUBLE_EQ(1, config.Down.LossPercent);
    EXPECT_EQ(2500, config.Up.Delay);
    EXPECT_EQ(40000, config.Down.Delay);
    EXPECT_EQ(3000, config.Up.Jitter);
    EXPECT_EQ(3000, config.Down.Jitter);
    EXPECT_EQ(50000u, config.Down.Rate);
    EXPECT_EQ(65536u, config.Up.QueueLimit);
    EXPECT_EQ(2000u, config.Down.QueueLimit);
}

TEST(RelayConfig, RefusesAddressesOutsideLoopback)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--listen", "10.0.0.1:1864", "--server", "127.0.0.1:1"},
        {"--listen", "127.0.0.5:1864", "--server", "192.168.1.1:1864"},
        {"--listen", "127.0.0.5:1864", "--server", "127.0.0.1:1", "--server-udp", "8.8.8.8:53"},
        {"--listen", "127.0.0.5:1864", "--server", "127.0.0.1:1", "--outside", "0.0.0.0"},
    };
    for (const auto& args : bad) {
        SRelayConfig config;
        std::string error;
        EXPECT_EQ(PARSE_ERROR, Parse(args, config, error)) << args[1] << " " << args[3];
        EXPECT_NE(std::string::npos, error.find("loopback")) << error;
    }
}

TEST(RelayConfig, RejectsMalformedAndOutOfRangeValues)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--loss", "101"},     {"--up-corrupt", "-1"},   {"--burst-len", "0.5"}, {"--delay", "abc"}, {"--rate", "1.5"},
        {"--frobnicate", "1"}, {"--sideways-loss", "1"}, {"--seed", "-3"},       {"--loss"},         {"stray"},
    };
    for (const auto& extra : bad) {
        auto args = Base();
        args.insert(args.end(), extra.begin(), extra.end());
        SRelayConfig config;
        std::string error;
        EXPECT_EQ(PARSE_ERROR, Parse(args, config, error)) << extra[0];
        EXPECT_FALSE(error.empty());
    }
    SRelayConfig config;
    std::string error;
    EXPECT_EQ(PARSE_ERROR, Parse({"--listen", "127.0.0.5:1864"}, config, error));
    EXPECT_EQ(PARSE_ERROR, Parse({"--listen", "127.0.0.5", "--server", "127.0.0.1:1"}, config, error));
    EXPECT_EQ(PARSE_ERROR, Parse({"--listen", "127.0.0.5:70000", "--server", "127.0.0.1:1"}, config, error));
    EXPECT_EQ(PARSE_HELP, Parse({"--help"}, config, error));
}
