#include <gtest/gtest.h>

#include <set>

#include "messaging/Protocol.h"
#include "support/ServerRunner.h"
#include "support/TestClient.h"
#include "support/TestUser.h"

using namespace KV2Protocol;

TEST(ServerGreeting, NamesItselfAsTheLoginServerWithTheRetrySpread)
{
    CServerRunner server([](TarnixServer::SServerOptions& o) { o.RetrySpread = 7; });
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_EQ(user.Connect(), ST_SUCCESS);

    CTestUser::SRedirect redirect;
    ASSERT_EQ(user.Greet(redirect), ST_SUCCESS);
    EXPECT_FALSE(redirect.NoticeFlag);
    ASSERT_EQ(redirect.Servers.size(), 1u);
    EXPECT_EQ(redirect.Servers[0].Address, 0x7F000001u);
    EXPECT_EQ(redirect.Servers[0].Port, server.Port());
    EXPECT_EQ(redirect.Spread, 7);
}

TEST(ServerGreeting, CarriesTheNoticeOfTheSwitches)
{
    CServerRunner server([](TarnixServer::SServerOptions& o) {
        o.NoticeFlag = true;
        o.NoticeType = NOTICE_UPGRADE_REQUIRED;
    });
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_EQ(user.Connect(), ST_SUCCESS);
    CTestUser::SRedirect redirect;
    ASSERT_EQ(user.Greet(redirect), ST_SUCCESS);
    EXPECT_TRUE(redirect.NoticeFlag);
    EXPECT_EQ(redirect.NoticeType, NOTICE_UPGRADE_REQUIRED);
}

TEST(ServerGreeting, StaysSilentWhenToldToButStillTakesTheLogIn)
{
    CServerRunner server([](TarnixServer::SServerOptions& o) { o.SilentAfterGreeting = true; });
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_EQ(user.Connect(), ST_SUCCESS);
    CTestUser::SRedirect redirect;
    ASSERT_EQ(client.Send(ADDR_GREETING_SERVICE, CMD_GREETING, 0, BodyOf([](CMsgStream& s) {
                              EXPECT_EQ(ST_SUCCESS, s.WriteU16(VERSION_MAJOR));
                              EXPECT_EQ(ST_SUCCESS, s.WriteU16(VERSION_MINOR));
                          })),
              ST_SUCCESS);
    EXPECT_TRUE(user.NoneOf(CMD_REDIRECT, 500));
    CTestUser::SLoginReply reply;
    ASSERT_EQ(user.LogIn(IdOf(1), reply), ST_SUCCESS);
    EXPECT_EQ(reply.Refused, 0);
}

TEST(ServerLogin, KeyedReplyComesInClearAndEncodesEverythingAfterIt)
{
    CServerRunner server([](TarnixServer::SServerOptions& o) { o.KeepAliveInterval = 33; });
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_EQ(user.Connect(), ST_SUCCESS);
    CTestUser::SLoginReply reply;
    ASSERT_EQ(user.LogIn(IdOf(1), reply), ST_SUCCESS); // a reply that did not arrive in clear fails here
    EXPECT_NE(reply.Address, 0u);
    EXPECT_EQ(reply.Interval, 33);
    EXPECT_EQ(reply.Refused, 0);
    EXPECT_EQ(reply.Keyed, 1);
    ASSERT_EQ(reply.Block.size(), KEY_BLOCK_SIZE);

    // The keys from the block work both ways, message after message.
    for (int i = 0; i < 3; ++i) {
        std::uint32_t value = 1;
        ASSERT_EQ(user.KeepAlive(value), ST_SUCCESS);
        EXPECT_EQ(value, 0u);
    }
}

TEST(ServerLogin, EachLogInGetsFreshKeys)
{
    CServerRunner server;
    ASSERT_TRUE(server.Started());
    CRawTestClient first, second;
    CTestUser a(first, server.Port()), b(second, server.Port());
    CTestUser::SLoginReply replyA, replyB;
    ASSERT_EQ(a.Connect(), ST_SUCCESS);
    ASSERT_EQ(b.Connect(), ST_SUCCESS);
    ASSERT_EQ(a.LogIn(IdOf(1), replyA), ST_SUCCESS);
    ASSERT_EQ(b.LogIn(IdOf(1), replyB), ST_SUCCESS);
    EXPECT_NE(replyA.Block, replyB.Block);
}

TEST(ServerLogin, UnkeyedServerSendsNoKeysAndTalksInClear)
{
    CServerRunner server([](TarnixServer::SServerOptions& o) { o.Keyed = false; });
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_EQ(user.Connect(), ST_SUCCESS);
    CTestUser::SLoginReply reply;
    ASSERT_EQ(user.LogIn(IdOf(1), reply), ST_SUCCESS);
    EXPECT_EQ(reply.Keyed, 0);
    EXPECT_TRUE(reply.Block.empty());
    std::uint32_t value = 1;
    EXPECT_EQ(user.KeepAlive(value), ST_SUCCESS);
}

TEST(ServerLogin, AddressesAreNeverHandedOutTwiceInARun)
{
    CServerRunner server;
    ASSERT_TRUE(server.Started());
    std::set<std::uint32_t> seen;
    CRawTestClient keep;
    CTestUser kept(keep, server.Port());
    const std::uint32_t first = kept.Join(IdOf(1));
    ASSERT_NE(first, 0u);
    seen.insert(first);
    // The same user and others, again and again, after their connections closed.
    for (int i = 0; i < 5; ++i) {
        CRawTestClient client;
        CTestUser user(client, server.Port());
        const std::uint32_t address = user.Join(IdOf(static_cast<std::uint8_t>(i % 2 + 1)));
        ASSERT_NE(address, 0u);
        EXPECT_TRUE(seen.insert(address).second) << address;
        EXPECT_EQ(address & 0x80000000u, 0u);
    }
}

TEST(ServerLogin, RefusedLogInGetsNoAddressAndNoService)
{
    CServerRunner server([](TarnixServer::SServerOptions& o) { o.RefuseLogin = true; });
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_EQ(user.Connect(), ST_SUCCESS);
    CTestUser::SLoginReply reply;
    ASSERT_EQ(user.LogIn(IdOf(1), reply), ST_SUCCESS);
    EXPECT_EQ(reply.Refused, 1);
    EXPECT_EQ(reply.Address, 0u);
    EXPECT_EQ(reply.Keyed, 0);
    ASSERT_EQ(client.Send(ADDR_CLIENT_SERVICE, CMD_KEEP_ALIVE, 0, Bytes()), ST_SUCCESS);
    EXPECT_TRUE(user.NoneOf(CMD_KEEP_ALIVE_REPLY, 500));
}

TEST(ServerLogin, ASecondLogInOnOneConnectionIsIgnored)
{
    CServerRunner server;
    ASSERT_TRUE(server.Started());
    CRawTestClient client;
    CTestUser user(client, server.Port());
    ASSERT_NE(user.Join(IdOf(1)), 0u);
    ASSERT_EQ(client.Send(ADDR_LOGIN_SERVICE, CMD_LOGIN, 0, BodyOf([](CMsgStream& s) {
                              const Id16 other = IdOf(2);
                              EXPECT_EQ(ST_SUCCESS, s.WriteId16(other.data()));
                              EXPECT_EQ(ST_SUCCESS, s.WriteU16(0));
                              EXPECT_EQ(ST_SUCCESS, s.WriteU16(8));
                              EXPECT_EQ(ST_SUCCESS, s.WriteU16(1));
                          })),
              ST_SUCCESS);
    EXPECT_TRUE(user.NoneOf(CMD_LOGIN_REPLY, 300));
    // The codec still runs in step.
    std::uint32_t value = 0;
    EXPECT_EQ(user.KeepAlive(value), ST_SUCCESS);
}
