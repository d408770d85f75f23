#include "infra/TimeValue.h"
#include "infra/os/PollState.h"
#include "infra/os/Poller.h"
#include "infra/os/Socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace STI_OS;

namespace {

std::uint64_t NowMs()
{
    return sti::CTimeValue::Now().GetAs(sti::TIME_UNIT_MILLISECONDS);
}

class PollerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PollInit(m_poll), ST_SUCCESS); }
    void TearDown() override
    {
        EXPECT_EQ(ST_SUCCESS, PollRelease(m_poll));
        for (SocketHandle s : m_sockets) {
            EXPECT_EQ(ST_SUCCESS, CloseSocket(s));
        }
    }

    SocketHandle Highest() const { return m_poll.state->highest; }

    // A connected pair whose second end has one byte to read.
    SocketHandle ReadableSocket()
    {
        SocketHandle a = INVALID_SOCKET_HANDLE;
        SocketHandle b = INVALID_SOCKET_HANDLE;
        EXPECT_EQ(CreateLoopbackPair(a, b), ST_SUCCESS);
        m_sockets.push_back(a);
        m_sockets.push_back(b);
        std::uint32_t sent = 0;
        EXPECT_EQ(Send(a, "x", 1, sent), ST_SUCCESS);
        return b;
    }

    PollHandle m_poll;
    std::vector<SocketHandle> m_sockets;
};

} // namespace

TEST_F(PollerTest, RegisterTracksInterestAndHighestSocket)
{
    EXPECT_EQ(PollRegister(m_poll, 5, POLL_READ), ST_SUCCESS);
    EXPECT_EQ(PollRegister(m_poll, 9, POLL_READ | POLL_WRITE), ST_SUCCESS);
    EXPECT_EQ(PollRegister(m_poll, 3, POLL_WRITE), ST_SUCCESS);
    EXPECT_EQ(PollRegister(m_poll, 5, POLL_READ), ST_SUCCESS); // twice: one entry
    EXPECT_EQ(Highest(), 9);

    int flags = 0;
    EXPECT_EQ(PollGetInterest(m_poll, 9, flags), ST_SUCCESS);
    EXPECT_EQ(flags, POLL_READ | POLL_WRITE);
    EXPECT_EQ(PollGetInterest(m_poll, 3, flags), ST_SUCCESS);
    EXPECT_EQ(flags, POLL_WRITE);
    EXPECT_EQ(PollGetInterest(m_poll, 4, flags), ST_NOT_FOUND);

    std::uint32_t count = 0;
    EXPECT_EQ(PollGetCount(m_poll, count), ST_SUCCESS);
    EXPECT_EQ(count, 2u);
    std::vector<SocketHandle> all;
    EXPECT_EQ(PollGetAll(m_poll, all), ST_SUCCESS);
    EXPECT_EQ(all, (std::vector<SocketHandle>{9, 5})); // re-registering re-adds at the end

    EXPECT_EQ(PollRemoveInterest(m_poll, 9, POLL_READ), ST_SUCCESS);
    EXPECT_EQ(PollAddInterest(m_poll, 3, POLL_READ), ST_SUCCESS);
    EXPECT_EQ(PollGetAll(m_poll, all), ST_SUCCESS);
    EXPECT_EQ(all, (std::vector<SocketHandle>{5, 3}));
    EXPECT_EQ(PollSetInterest(m_poll, 3, 0), ST_SUCCESS);
    EXPECT_EQ(PollGetInterest(m_poll, 3, flags), ST_NOT_FOUND);

    EXPECT_EQ(PollUnregister(m_poll, 9), ST_SUCCESS);
    EXPECT_EQ(Highest(), 5);
    EXPECT_EQ(PollGetInterest(m_poll, 9, flags), ST_NOT_FOUND);
    EXPECT_EQ(PollUnregister(m_poll, 5), ST_SUCCESS);
    EXPECT_EQ(Highest(), 3); // still registered, though without interest
    EXPECT_EQ(PollUnregister(m_poll, 3), ST_SUCCESS);
    EXPECT_EQ(Highest(), -1);
}

TEST_F(PollerTest, SocketValueZeroIsAnOrdinarySocket)
{
    EXPECT_EQ(PollRegister(m_poll, 0, POLL_READ), ST_SUCCESS);
    EXPECT_EQ(Highest(), 0);
    int flags = 0;
    EXPECT_EQ(PollGetInterest(m_poll, 0, flags), ST_SUCCESS);
    EXPECT_EQ(flags, POLL_READ);
    EXPECT_EQ(PollUnregister(m_poll, 0), ST_SUCCESS);
    EXPECT_EQ(Highest(), -1);
    EXPECT_EQ(PollRegister(m_poll, -1, POLL_READ), ST_INVALID_PARAM);
}

TEST_F(PollerTest, FullSetRefusesTheNextSocketAndSaysSo)
{
    for (SocketHandle s = 0; s < static_cast<SocketHandle>(POLL_SET_CAPACITY); ++s) {
        ASSERT_EQ(PollRegister(m_poll, s, POLL_READ), ST_SUCCESS);
    }
    const SocketHandle extra = POLL_SET_CAPACITY + 10;
    EXPECT_EQ(PollRegister(m_poll, extra, POLL_READ), ST_TOO_MANY_SOCKETS);
    int flags = 0;
    EXPECT_EQ(PollGetInterest(m_poll, extra, flags), ST_NOT_FOUND);
    EXPECT_EQ(Highest(), static_cast<SocketHandle>(POLL_SET_CAPACITY) - 1);

    // The write set still has room; read interest for a socket already in is no change.
    EXPECT_EQ(PollRegister(m_poll, extra, POLL_WRITE), ST_SUCCESS);
    EXPECT_EQ(PollAddInterest(m_poll, extra, POLL_READ), ST_TOO_MANY_SOCKETS);
    EXPECT_EQ(PollSetInterest(m_poll, extra, POLL_READ | POLL_WRITE), ST_TOO_MANY_SOCKETS);
    EXPECT_EQ(PollGetInterest(m_poll, extra, flags), ST_SUCCESS);
    EXPECT_EQ(flags, POLL_WRITE);
    EXPECT_EQ(PollSetInterest(m_poll, 7, POLL_READ | POLL_WRITE), ST_SUCCESS);
}

TEST_F(PollerTest, WaitWithoutInterestSleepsTheFullTime)
{
    const std::uint64_t started = NowMs();
    EXPECT_EQ(PollWait(m_poll, 150), ST_TIMEOUT);
    EXPECT_GE(NowMs() - started, 125u); // the clock ticks in steps of up to 16 ms
    SocketHandle socket = 0;
    int flags = 0;
    EXPECT_EQ(PollNextReady(m_poll, socket, flags), ST_NO_MORE_DATA);
}

TEST_F(PollerTest, ReadyPairsComeOutOnceEachInAscendingOrder)
{
    SocketHandle both = ReadableSocket();
    SocketHandle readOnly = ReadableSocket();
    ASSERT_EQ(PollRegister(m_poll, both, POLL_READ | POLL_WRITE), ST_SUCCESS);
    ASSERT_EQ(PollRegister(m_poll, readOnly, POLL_READ), ST_SUCCESS);
    ASSERT_EQ(PollWait(m_poll, 2000), ST_SUCCESS);

    std::vector<std::pair<SocketHandle, int>> seen;
    SocketHandle socket = 0;
    int flags = 0;
    while (PollNextReady(m_poll, socket, flags) == ST_SUCCESS) {
        seen.emplace_back(socket, flags);
    }
    std::vector<std::pair<SocketHandle, int>> expected{{both, POLL_READ | POLL_WRITE}, {readOnly, POLL_READ}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(PollNextReady(m_poll, socket, flags), ST_NO_MORE_DATA);
}

TEST_F(PollerTest, UnregisteredBeforeItsTurnIsSkipped)
{
    SocketHandle first = ReadableSocket();
    SocketHandle second = ReadableSocket();
    ASSERT_EQ(PollRegister(m_poll, first, POLL_READ), ST_SUCCESS);
    ASSERT_EQ(PollRegister(m_poll, second, POLL_READ), ST_SUCCESS);
    ASSERT_EQ(PollWait(m_poll, 2000), ST_SUCCESS);
    EXPECT_EQ(PollUnregister(m_poll, std::max(first, second)), ST_SUCCESS);
    SocketHandle socket = 0;
    int flags = 0;
    ASSERT_EQ(PollNextReady(m_poll, socket, flags), ST_SUCCESS);
    EXPECT_EQ(socket, std::min(first, second));
    EXPECT_EQ(PollNextReady(m_poll, socket, flags), ST_NO_MORE_DATA);
}

TEST_F(PollerTest, RefusedConnectIsReportedAtOnce)
{
    // A port that nobody listens on: bound once, then closed.
    SocketHandle probe = INVALID_SOCKET_HANDLE;
    ASSERT_EQ(CreateTCPSocket(probe), ST_SUCCESS);
    ASSERT_EQ(Bind(probe, 0x7F000001, 0), ST_SUCCESS);
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    ASSERT_EQ(GetSockName(probe, address, port), ST_SUCCESS);
    EXPECT_EQ(ST_SUCCESS, CloseSocket(probe));

    SocketHandle client = INVALID_SOCKET_HANDLE;
    ASSERT_EQ(CreateTCPSocket(client), ST_SUCCESS);
    m_sockets.push_back(client);
    ASSERT_EQ(SetNonBlocking(client, true), ST_SUCCESS);
    Status connect = Connect(client, 0x7F000001, port);
    if (connect != ST_IN_PROGRESS) {
        GTEST_SKIP() << "the refusal came back from connect itself: " << connect;
    }
    ASSERT_EQ(PollRegister(m_poll, client, POLL_WRITE), ST_SUCCESS);
    const std::uint64_t started = NowMs();
    ASSERT_EQ(PollWait(m_poll, 5000), ST_SUCCESS);
    EXPECT_LT(NowMs() - started, 4000u);
    SocketHandle socket = INVALID_SOCKET_HANDLE;
    int flags = 0;
    ASSERT_EQ(PollNextReady(m_poll, socket, flags), ST_SUCCESS);
    EXPECT_EQ(socket, client);
    EXPECT_EQ(flags & (POLL_WRITE | POLL_EXCEPTION), POLL_WRITE | POLL_EXCEPTION);
    EXPECT_NE(GetSocketError(client), ST_SUCCESS);
}
