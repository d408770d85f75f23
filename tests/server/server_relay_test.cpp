#include <gtest/gtest.h>

#include "infra/os/Clock.h"
#include "server/RelayLimiter.h"
#include "messaging/Protocol.h"
#include "support/ServerRunner.h"
#include "support/TestClient.h"
#include "support/TestUser.h"

using namespace KV2Protocol;
using TarnixServer::CRelayLimiter;

namespace {

const Id16 UPLOADER = IdOf(0xA1);
const Id16 DOWNLOADER = IdOf(0xB2);
const Id16 FILE_ID = IdOf(0xF0);

// An uploader and a downloader logged in to one server.
class RelayTest : public ::testing::Test {
protected:
    RelayTest() : up(upClient, server.Port()), down(downClient, server.Port()) {}

    void SetUp() override
    {
        ASSERT_TRUE(server.Started());
        upAddress = up.Join(UPLOADER);
        downAddress = down.Join(DOWNLOADER);
        ASSERT_NE(upAddress, 0u);
        ASSERT_NE(downAddress, 0u);
    }

    CServerRunner server;
    CRawTestClient upClient, downClient;
    CTestUser up, down;
    std::uint32_t upAddress = 0, downAddress = 0;
};

} // namespace

TEST_F(RelayTest, LocateGivesTheCurrentConnectionOfTheUserOrZero)
{
    std::uint32_t ticket = 99;
    ASSERT_EQ(down.Locate(UPLOADER, FILE_ID, ticket), ST_SUCCESS);
    EXPECT_EQ(ticket, upAddress);
    ASSERT_EQ(down.Locate(IdOf(0x55), FILE_ID, ticket), ST_SUCCESS);
    EXPECT_EQ(ticket, 0u);

    // The uploader logs in again on a second connection: that one is current.
    CRawTestClient againClient;
    CTestUser again(againClient, server.Port());
    const std::uint32_t newer = again.Join(UPLOADER);
    ASSERT_EQ(down.Locate(UPLOADER, FILE_ID, ticket), ST_SUCCESS);
    EXPECT_EQ(ticket, newer);
    // When it goes, the older connection is the user's again; when that goes too, the user is offline.
    // The server learns of a close in its own time.
    auto locateUntil = [&](std::uint32_t expected) {
        for (int i = 0; i < 200 && down.Locate(UPLOADER, FILE_ID, ticket) == ST_SUCCESS && ticket != expected; ++i)
            STI_OS::Sleep(10);
        return ticket;
    };
    againClient.Close();
    EXPECT_EQ(locateUntil(upAddress), upAddress);
    upClient.Close();
    EXPECT_EQ(locateUntil(0), 0u);
}

TEST_F(RelayTest, RepeatedRequestsAreRelayedButTheSessionIsSetUpOnce)
{
    const std::uint32_t session = 4711;
    // The requester claims to be someone else; the server names the real one.
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(down.SendConnectRequest(upAddress, session, IdOf(0xEE), 12345), ST_SUCCESS);
    for (int i = 0; i < 3; ++i) {
        CTestUser::SConnectRequest request;
        ASSERT_EQ(up.WaitConnectRequest(request), ST_SUCCESS);
        EXPECT_EQ(request.Addressee, upAddress);
        EXPECT_EQ(request.Requester, DOWNLOADER);
        EXPECT_EQ(request.RequesterAddress, downAddress);
        EXPECT_EQ(request.Session, session);
        EXPECT_EQ(request.SourceClient, downAddress);
        ASSERT_EQ(up.SendConnectAnswer(request.RequesterAddress, request.Session, CONNECT_ACCEPT, 6), ST_SUCCESS);
    }
    for (int i = 0; i < 3; ++i) {
        CTestUser::SConnectAnswer answer;
        ASSERT_EQ(down.WaitConnectAnswer(answer), ST_SUCCESS);
        EXPECT_EQ(answer.Answerer, upAddress);
        EXPECT_EQ(answer.Requester, downAddress);
        EXPECT_EQ(answer.Session, session);
        EXPECT_EQ(answer.Extra, 6u);
        EXPECT_EQ(answer.Status, CONNECT_ACCEPT);
    }

    CTestUser::SSessionSetup downSide, upSide;
    ASSERT_EQ(down.WaitSessionSetup(downSide), ST_SUCCESS);
    ASSERT_EQ(up.WaitSessionSetup(upSide), ST_SUCCESS);
    EXPECT_TRUE(downSide.Download);
    EXPECT_FALSE(upSide.Download);
    EXPECT_EQ(downSide.Peer, upAddress);
    EXPECT_EQ(upSide.Peer, downAddress);
    EXPECT_EQ(downSide.Session, session);
    EXPECT_EQ(upSide.Session, session);
    EXPECT_EQ(downSide.KeyLow, upSide.KeyLow);
    EXPECT_EQ(downSide.KeyHigh, upSide.KeyHigh);

    EXPECT_TRUE(down.NoneOf(CMD_SESSION_SETUP, 300));
    EXPECT_TRUE(up.NoneOf(CMD_SESSION_SETUP, 100));
}

TEST_F(RelayTest, EachSessionGetsItsOwnKey)
{
    CTestUser::SSessionSetup first, second;
    for (std::uint32_t session : {1u, 2u}) {
        ASSERT_EQ(down.SendConnectRequest(upAddress, session), ST_SUCCESS);
        CTestUser::SConnectRequest request;
        ASSERT_EQ(up.WaitConnectRequest(request), ST_SUCCESS);
        ASSERT_EQ(up.SendConnectAnswer(downAddress, session, CONNECT_ACCEPT), ST_SUCCESS);
        ASSERT_EQ(down.WaitSessionSetup(session == 1 ? first : second), ST_SUCCESS);
    }
    EXPECT_EQ(first.Session, 1u);
    EXPECT_EQ(second.Session, 2u);
    EXPECT_FALSE(first.KeyLow == second.KeyLow && first.KeyHigh == second.KeyHigh);
}

TEST_F(RelayTest, RefusedAnswerIsRelayedWithoutSetUp)
{
    ASSERT_EQ(down.SendConnectRequest(upAddress, 9), ST_SUCCESS);
    CTestUser::SConnectRequest request;
    ASSERT_EQ(up.WaitConnectRequest(request), ST_SUCCESS);
    ASSERT_EQ(up.SendConnectAnswer(downAddress, 9, CONNECT_REFUSE), ST_SUCCESS);
    CTestUser::SConnectAnswer answer;
    ASSERT_EQ(down.WaitConnectAnswer(answer), ST_SUCCESS);
    EXPECT_EQ(answer.Status, CONNECT_REFUSE);
    EXPECT_TRUE(down.NoneOf(CMD_SESSION_SETUP, 300));
    EXPECT_TRUE(up.NoneOf(CMD_SESSION_SETUP, 100));
}

TEST_F(RelayTest, AnAnswerNobodyAskedForIsDropped)
{
    // The uploader was never asked for session 5; a third user was not asked at all.
    ASSERT_EQ(up.SendConnectAnswer(downAddress, 5, CONNECT_ACCEPT), ST_SUCCESS);
    ASSERT_EQ(down.SendConnectRequest(upAddress, 6), ST_SUCCESS);
    CRawTestClient otherClient;
    CTestUser other(otherClient, server.Port());
    ASSERT_NE(other.Join(IdOf(0x77)), 0u);
    ASSERT_EQ(other.SendConnectAnswer(downAddress, 6, CONNECT_ACCEPT), ST_SUCCESS);
    EXPECT_TRUE(down.NoneOf(CMD_CONNECT_ANSWER, 300));
    EXPECT_TRUE(down.NoneOf(CMD_SESSION_SETUP, 100));
    EXPECT_TRUE(other.NoneOf(CMD_SESSION_SETUP, 100));
}

TEST_F(RelayTest, RequestToAnAddressThatIsNotOnlineGoesNowhere)
{
    ASSERT_EQ(down.SendConnectRequest(upAddress + 1000, 3), ST_SUCCESS);
    EXPECT_TRUE(up.NoneOf(CMD_CONNECT_REQUEST, 300));
    // Both are still served.
    std::uint32_t value = 0;
    EXPECT_EQ(down.KeepAlive(value), ST_SUCCESS);
    EXPECT_EQ(up.KeepAlive(value), ST_SUCCESS);
}

TEST(RelayFlood, TheFlooderPaysWhileItsTargetAndAnotherPairAreServed)
{
    CServerRunner server;
    ASSERT_TRUE(server.Started());
    CRawTestClient victimClient, flooderClient, upClient, downClient;
    victimClient.SetReceiveBuffer(4096); // reads at its own pace, after the flood
    CTestUser victim(victimClient, server.Port()), flooder(flooderClient, server.Port());
    CTestUser up(upClient, server.Port()), down(downClient, server.Port());
    const std::uint32_t victimAddress = victim.Join(IdOf(0x11));
    ASSERT_NE(flooder.Join(IdOf(0x22)), 0u);
    const std::uint32_t upAddress = up.Join(UPLOADER);
    ASSERT_NE(down.Join(DOWNLOADER), 0u);
    ASSERT_NE(victimAddress, 0u);

    // Fresh handles that nobody answers: unlimited, a megabyte for the victim to take.
    const std::uint64_t started = STI_OS::GetClock();
    for (std::uint32_t session = 1; session <= 20000; ++session) {
        ASSERT_EQ(flooder.SendConnectRequest(victimAddress, session), ST_SUCCESS);
        if (session == 10000) {
            ASSERT_EQ(down.SendConnectRequest(upAddress, 77), ST_SUCCESS);
            CTestUser::SConnectRequest request;
            ASSERT_EQ(up.WaitConnectRequest(request), ST_SUCCESS);
            ASSERT_EQ(up.SendConnectAnswer(request.RequesterAddress, 77, CONNECT_ACCEPT), ST_SUCCESS);
            CTestUser::SSessionSetup setup;
            ASSERT_EQ(down.WaitSessionSetup(setup), ST_SUCCESS);
        }
    }
    std::uint32_t value = 0;
    // The flood has all been read. Under Wine every socket call costs about 100 us, so a loaded
    // machine may take far longer than one keep-alive's usual wait to read 20,000 messages.
    ASSERT_EQ(flooder.KeepAlive(value, 60000), ST_SUCCESS);
    const std::uint64_t seconds = (STI_OS::GetClock() - started) / 1000 + 1;

    ASSERT_EQ(victim.KeepAlive(value), ST_SUCCESS);
    std::uint32_t relayed = 0;
    CTestUser::SConnectRequest request;
    while (victim.WaitConnectRequest(request, 100) == ST_SUCCESS)
        ++relayed;
    EXPECT_GE(relayed, CRelayLimiter::BURST);
    EXPECT_LE(relayed, CRelayLimiter::BURST + CRelayLimiter::PER_SECOND * seconds);
    const std::string log = server.LogText();
    EXPECT_EQ(log.find("over the relay limit"), log.rfind("over the relay limit")); // once
    EXPECT_NE(log.find("over the relay limit"), std::string::npos);
}
