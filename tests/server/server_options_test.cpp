#include <gtest/gtest.h>

#include "server/ServerOptions.h"

using TarnixServer::ParseServerOptions;
using TarnixServer::SServerOptions;

namespace {

Status Parse(std::vector<std::string> args, SServerOptions& options)
{
    std::string error;
    return ParseServerOptions(args, options, error);
}

} // namespace

TEST(ServerOptions, DefaultsServeACopyOnThisMachine)
{
    SServerOptions options;
    ASSERT_EQ(Parse({}, options), ST_SUCCESS);
    EXPECT_EQ(options.ListenAddress, 0x7F000001u);
    EXPECT_EQ(options.ListenPort, 1864);
    EXPECT_TRUE(options.Keyed);
    EXPECT_FALSE(options.NoticeFlag);
    EXPECT_EQ(options.OutboxFolder, "outbox");
    EXPECT_EQ(options.ReportLogPath, "reports.log");
}

TEST(ServerOptions, EverySwitchIsTaken)
{
    SServerOptions options;
    ASSERT_EQ(Parse({"--address",
                     "127.0.0.2",
                     "--port",
                     "0",
                     "--unkeyed",
                     "--keep-alive",
                     "5",
                     "--retry-spread",
                     "0",
                     "--notice-flag",
                     "1",
                     "--notice-type",
                     "3",
                     "--refuse-login",
                     "--silent-after-greeting",
                     "--log-messages",
                     "--outbox",
                     "mails",
                     "--report-log",
                     "r.log",
                     "--max-connections",
                     "7"},
                    options),
              ST_SUCCESS);
    EXPECT_EQ(options.ListenAddress, 0x7F000002u);
    EXPECT_EQ(options.ListenPort, 0);
    EXPECT_FALSE(options.Keyed);
    EXPECT_EQ(options.KeepAliveInterval, 5);
    EXPECT_EQ(options.RetrySpread, 0);
    EXPECT_TRUE(options.NoticeFlag);
    EXPECT_EQ(options.NoticeType, 3);
    EXPECT_TRUE(options.RefuseLogin);
    EXPECT_TRUE(options.SilentAfterGreeting);
    EXPECT_TRUE(options.LogMessages);
    EXPECT_EQ(options.OutboxFolder, "mails");
    EXPECT_EQ(options.ReportLogPath, "r.log");
    EXPECT_EQ(options.MaxConnections, 7u);
}

TEST(ServerOptions, BadValuesAndUnknownSwitchesAreRefused)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--port", "65536"},        {"--port", "-1"},
        {"--port", "12a"},          {"--port"},
        {"--address", "256.0.0.1"}, {"--address", "1.2.3"},
        {"--address", "1.2.3.4.5"}, {"--notice-type", "256"},
        {"--notice-flag", "2"},     {"--keep-alive", "70000"},
        {"--max-connections", "0"}, {"--max-connections", "5000"},
        {"--outbox", ""},           {"--what"},
    };
    for (const auto& args : bad) {
        SServerOptions options;
        std::string error;
        EXPECT_EQ(ParseServerOptions(args, options, error), ST_INVALID_PARAM) << args[0];
        EXPECT_FALSE(error.empty());
    }
    SServerOptions options;
    EXPECT_EQ(Parse({"--port", "1", "--help"}, options), ST_NO_MORE_DATA);
}
