#include "infra/TimeValue.h"
#include "infra/os/Poller.h"
#include "infra/os/Socket.h"

#include <gtest/gtest.h>

using namespace STI_OS;

namespace {

std::uint64_t NowMs()
{
    return sti::CTimeValue::Now().GetAs(sti::TIME_UNIT_MILLISECONDS);
}

} // namespace

// select fails as a whole on a socket closed behind the poller's back; the wait then
// sleeps its time so that a dispatcher loop calling it does not spin.
TEST(PollerOnSelect, FailingSelectReturnsTheErrorAfterTheTimeout)
{
    SocketHandle closed = INVALID_SOCKET_HANDLE;
    ASSERT_EQ(CreateTCPSocket(closed), ST_SUCCESS);
    ASSERT_EQ(CloseSocket(closed), ST_SUCCESS);

    PollHandle poll;
    ASSERT_EQ(PollInit(poll), ST_SUCCESS);
    ASSERT_EQ(PollRegister(poll, closed, POLL_READ), ST_SUCCESS);
    const std::uint64_t started = NowMs();
    Status status = PollWait(poll, 200);
    EXPECT_NE(status, ST_SUCCESS);
    EXPECT_NE(status, ST_TIMEOUT);
    EXPECT_GE(NowMs() - started, 175u); // the clock ticks in steps of up to 16 ms
    SocketHandle socket = 0;
    int flags = 0;
    EXPECT_EQ(PollNextReady(poll, socket, flags), ST_NO_MORE_DATA);
    EXPECT_EQ(PollRelease(poll), ST_SUCCESS);
}
