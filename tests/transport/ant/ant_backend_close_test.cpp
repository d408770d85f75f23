#include "support/AntSessionHarness.h"

#include "infra/os/Socket.h"
#include "transport/ant/AntBackendHandler.h"
#include "transport/ant/AntSession.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// User a keeps streaming to user b, who never reads: b's loopback socket and the backend's
// queue in front of it fill up. Then b writes its last words and closes at once, with a's
// bytes unread, so its end is reset. The backend of b's session learns of it only as a failed
// socket; what b wrote must still reach a, and a, still sending, must see the stream end in
// order (the closing backend on a's side must not reset a's end either).
TEST(AntBackendClose, LastWordsOfAUserWhoseEndIsResetReachThePeerWhichSeesAnOrderlyEnd)
{
    CAntLinkedPair pair;
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_TRUE(pair.Connect(a, b));
    CAntSession* closing = pair.B.FindByKey(pair.Key);
    ASSERT_NE(closing, nullptr);

    const std::string chunk(16384, 'a');
    std::string received;
    Status end = ST_SUCCESS; // how a's stream ended: the first failing send or receive
    auto note = [&end](Status status) {
        if (status != ST_SUCCESS && status != ST_TRY_LATER && status != ST_WOULD_BLOCK && end == ST_SUCCESS)
            end = status;
    };
    auto stepA = [&] {
        std::uint32_t count = 0;
        note(STI_OS::Send(a, chunk.data(), std::uint32_t(chunk.size()), count));
        char buffer[4096];
        const Status status = STI_OS::Recv(a, buffer, sizeof buffer, count);
        if (status == ST_SUCCESS)
            received.append(buffer, count);
        note(status);
        pair.Pump();
    };
    // Until the backend in front of b holds more than b takes.
    ASSERT_TRUE(RunUntil(
        [&] {
            stepA();
            return closing->Backend && !closing->Backend->CanAccept();
        },
        20000));

    const std::string words = "last words before the reset";
    std::uint32_t written = 0;
    ASSERT_EQ(ST_SUCCESS, STI_OS::Send(b, words.data(), std::uint32_t(words.size()), written));
    ASSERT_EQ(words.size(), written);
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(b));

    EXPECT_TRUE(RunUntil(
        [&] {
            stepA();
            return end != ST_SUCCESS;
        },
        30000));
    EXPECT_EQ(words, received);
    EXPECT_EQ(ST_CONNECTION_CLOSED, end); // not a reset
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(a));
}

} // namespace
