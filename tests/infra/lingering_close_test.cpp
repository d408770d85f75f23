#include "infra/Dispatcher.h"
#include "infra/LingeringClose.h"
#include "infra/TCPSocket.h"
#include "infra/os/Socket.h"

#include "reactor_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace reactor_test;

namespace {

// A connected stream socket that reports its own deletion.
class CTrackedStream : public sti::CTCPSocket {
public:
    explicit CTrackedStream(bool& deleted) : m_deleted(deleted) { m_deleted = false; }
    ~CTrackedStream() override { m_deleted = true; }

private:
    bool& m_deleted;
};

// Our end (registered, tracked) and the peer's end (a plain non-blocking handle the test
// drives). The peer keeps sending throughout, so our end always has unread bytes: closing it
// outright would reset the connection.
class LingeringCloseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(ST_SUCCESS, dispatcher.GetStatus());
        STI_OS::SocketHandle ours = STI_OS::INVALID_SOCKET_HANDLE;
        ASSERT_EQ(ST_SUCCESS, STI_OS::CreateLoopbackPair(ours, peer));
        ASSERT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(peer, true));
        socket = new CTrackedStream(deleted);
        socket->AttachHandle(ours);
        socket->SetState(sti::STATE_CONNECTED);
        ASSERT_EQ(ST_SUCCESS, dispatcher.Register(socket, &handler, sti::INTEREST_READ));
    }
    // Teardown: a failed close changes nothing the test checks.
    void TearDown() override { (void)STI_OS::CloseSocket(peer); } // teardown: nothing to check

    // One step of the peer: send a chunk (while it may), read what has come. Notes how the
    // stream from our end ended: ST_CONNECTION_CLOSED for an orderly close; a reset shows
    // as the first failing send or receive.
    void PeerStep(bool sending = true)
    {
        if (sending) {
            std::uint32_t sent = 0;
            Note(STI_OS::Send(peer, chunk.data(), std::uint32_t(chunk.size()), sent));
        }
        char buffer[4096];
        std::uint32_t count = 0;
        const Status status = STI_OS::Recv(peer, buffer, sizeof buffer, count);
        if (status == ST_SUCCESS) {
            received.append(buffer, count);
        }
        Note(status);
    }
    void Note(Status status)
    {
        if (status != ST_SUCCESS && status != ST_TRY_LATER && status != ST_WOULD_BLOCK && end == ST_SUCCESS) {
            end = status;
        }
    }

    // Fills our end's receive side with bytes it never reads.
    void PeerFloods()
    {
        RunUntil(
            dispatcher,
            [&] {
                PeerStep();
                return false;
            },
            200);
    }

    // Our handler writes one last message, then asks for the close after write.
    void SayGoodbyeAndClose()
    {
        pending = "goodbye";
        handler.onWrite = [&](sti::IPollableObject*) {
            std::uint32_t written = 0;
            Status status = socket->Write(std::uint32_t(pending.size()), pending.data(), written);
            pending.erase(0, written);
            if (status != ST_SUCCESS) {
                return status;
            }
            return pending.empty() ? ST_NO_MORE_DATA : ST_MORE_DATA;
        };
        ASSERT_EQ(ST_SUCCESS, dispatcher.EnableWrite(socket, true));
        ASSERT_EQ(ST_SUCCESS, dispatcher.CloseAfterWrite(socket));
    }

    // The handler's calls but its reads (the peer's flood makes many).
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> calls;
        for (const std::string& name : handler.Names()) {
            if (name != "read") {
                calls.push_back(name);
            }
        }
        return calls;
    }

    CRecordingHandler handler;
    bool deleted = false;
    sti::CDispatcher dispatcher;
    CTrackedStream* socket = nullptr; // owned by the dispatcher
    STI_OS::SocketHandle peer = STI_OS::INVALID_SOCKET_HANDLE;
    const std::string chunk = std::string(16384, 'x');
    std::string pending;
    std::string received;
    Status end = ST_SUCCESS;
};

TEST_F(LingeringCloseTest, LastMessageReachesAPeerThatIsStillSendingThenTheStreamEndsInOrder)
{
    PeerFloods();
    SayGoodbyeAndClose();
    ASSERT_TRUE(RunUntil(
        dispatcher,
        [&] {
            PeerStep();
            return end != ST_SUCCESS;
        },
        10000));
    EXPECT_EQ("goodbye", received);
    EXPECT_EQ(ST_CONNECTION_CLOSED, end); // not a reset
    // For its handler the socket went as after any close; it lingers until the peer closes.
    EXPECT_EQ((std::vector<std::string>{"attach", "write", "detach", "removed"}), Calls());
    EXPECT_EQ(sti::DETACH_CLOSED, handler.Find("detach")->value);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(peer));
    peer = STI_OS::INVALID_SOCKET_HANDLE;
    EXPECT_TRUE(RunUntil(
        dispatcher, [&] { return deleted; }, 10000));
}

TEST_F(LingeringCloseTest, CloseAfterWriteWithNothingPendingAlsoEndsInOrder)
{
    PeerFloods();
    // Polled for nothing at all, as a backend is while its reads wait for the session.
    ASSERT_EQ(ST_SUCCESS, dispatcher.DisableRead(socket));
    ASSERT_EQ(ST_SUCCESS, dispatcher.CloseAfterWrite(socket));
    ASSERT_TRUE(RunUntil(
        dispatcher,
        [&] {
            PeerStep();
            return end != ST_SUCCESS;
        },
        10000));
    EXPECT_EQ(ST_CONNECTION_CLOSED, end);
    EXPECT_EQ((std::vector<std::string>{"attach", "detach", "removed"}), Calls());
}

TEST_F(LingeringCloseTest, APeerThatNeverClosesIsCutOffAfterTheLimit)
{
    SayGoodbyeAndClose();
    const sti::CTimeValue start = sti::CTimeValue::Now();
    ASSERT_TRUE(RunUntil(
        dispatcher,
        [&] {
            PeerStep(false);
            return deleted;
        },
        sti::CLingeringCloseHandler::LIMIT_MS + 15000));
    EXPECT_GE((sti::CTimeValue::Now() - start).GetMilliseconds(), sti::CLingeringCloseHandler::LIMIT_MS - 100);
    EXPECT_EQ("goodbye", received);
}

TEST(LingeringClose, DispatcherShutdownDeletesALingeringSocket)
{
    CRecordingHandler handler;
    bool deleted = false;
    STI_OS::SocketHandle ours = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle peer = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_EQ(ST_SUCCESS, STI_OS::CreateLoopbackPair(ours, peer));
    {
        sti::CDispatcher dispatcher;
        auto* socket = new CTrackedStream(deleted);
        socket->AttachHandle(ours);
        socket->SetState(sti::STATE_CONNECTED);
        ASSERT_EQ(ST_SUCCESS, dispatcher.Register(socket, &handler, sti::INTEREST_READ));
        ASSERT_EQ(ST_SUCCESS, dispatcher.CloseAfterWrite(socket));
        EXPECT_EQ(ST_SUCCESS, dispatcher.Run(0));
        EXPECT_FALSE(deleted); // lingering: the peer has not closed
    }
    EXPECT_TRUE(deleted);
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(peer));
}

} // namespace
