#include "infra/TimeValue.h"
#include "infra/os/Poller.h"
#include "infra/os/Socket.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace STI_OS;

namespace {

std::uint64_t NowMs()
{
    return sti::CTimeValue::Now().GetAs(sti::TIME_UNIT_MILLISECONDS);
}

} // namespace

TEST(PollerOnPoll, DescriptorAbove1024IsWatched)
{
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_cur < 1200 && limit.rlim_max >= 1200) {
        rlimit raised = limit;
        raised.rlim_cur = 1200;
        setrlimit(RLIMIT_NOFILE, &raised);
    }
    SocketHandle a = INVALID_SOCKET_HANDLE;
    SocketHandle b = INVALID_SOCKET_HANDLE;
    ASSERT_EQ(CreateLoopbackPair(a, b), ST_SUCCESS);
    const int high = fcntl(static_cast<int>(b), F_DUPFD, 1100);
    EXPECT_EQ(ST_SUCCESS, CloseSocket(b));
    if (high < 0) {
        EXPECT_EQ(ST_SUCCESS, CloseSocket(a));
        GTEST_SKIP() << "no descriptor above 1024 available";
    }
    std::uint32_t sent = 0;
    ASSERT_EQ(Send(a, "x", 1, sent), ST_SUCCESS);

    PollHandle poll;
    ASSERT_EQ(PollInit(poll), ST_SUCCESS);
    ASSERT_EQ(PollRegister(poll, high, POLL_READ), ST_SUCCESS);
    EXPECT_EQ(PollWait(poll, 2000), ST_SUCCESS);
    SocketHandle socket = 0;
    int flags = 0;
    EXPECT_EQ(PollNextReady(poll, socket, flags), ST_SUCCESS);
    EXPECT_EQ(socket, high);
    EXPECT_EQ(flags, POLL_READ);
    EXPECT_EQ(ST_SUCCESS, PollRelease(poll));
    EXPECT_EQ(ST_SUCCESS, CloseSocket(high));
    EXPECT_EQ(ST_SUCCESS, CloseSocket(a));
}

// A descriptor closed behind the poller's back is handed out as an exception, so its owner
// drops it instead of waiting on it forever.
TEST(PollerOnPoll, ClosedDescriptorIsReportedAsException)
{
    SocketHandle closed = INVALID_SOCKET_HANDLE;
    ASSERT_EQ(CreateTCPSocket(closed), ST_SUCCESS);
    EXPECT_EQ(ST_SUCCESS, CloseSocket(closed));

    PollHandle poll;
    ASSERT_EQ(PollInit(poll), ST_SUCCESS);
    ASSERT_EQ(PollRegister(poll, closed, POLL_READ), ST_SUCCESS);
    const std::uint64_t started = NowMs();
    EXPECT_EQ(PollWait(poll, 1000), ST_SUCCESS);
    EXPECT_LT(NowMs() - started, 500u);
    SocketHandle socket = 0;
    int flags = 0;
    EXPECT_EQ(PollNextReady(poll, socket, flags), ST_SUCCESS);
    EXPECT_EQ(socket, closed);
    EXPECT_EQ(flags, POLL_EXCEPTION);
    EXPECT_EQ(ST_SUCCESS, PollRelease(poll));
}
