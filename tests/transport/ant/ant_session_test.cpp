#include "support/AntSessionHarness.h"
#include "support/FailingAllocation.h"

#include "infra/TCPSocket.h"
#include "infra/os/Clock.h"
#include "infra/os/Socket.h"
#include "transport/ant/wire/AntAckBodies.h"
#include "transport/ant/AntBackendHandler.h"
#include "transport/ant/AntClock.h"
#include "transport/ant/wire/AntNak.h"
#include "transport/ant/AntNetworkHandler.h"
#include "transport/ant/AntSession.h"
#include "transport/ant/wire/AntSequence.h"
#include "transport/SpeedSwitches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::uint64_t KEY = 0xAABBCCDD00112233ull;
const CIPEndpoint SERVER(CIPAddress(127, 0, 0, 1), 1864);
const CIPEndpoint PEER(CIPAddress(127, 0, 0, 1), 40999);
constexpr std::uint16_t PEER_SESSION = 77;
constexpr std::uint32_t PEER_ISN = 0x1FFFFFF0; // wraps within the first packets

class SessionFixture : public ::testing::Test {
protected:
    SessionFixture() : port(CIPEndpoint(CIPAddress(127, 0, 0, 1), 40000), 1001) { manager.SetPort(&port); }
    ~SessionFixture() override
    {
        manager.DestroyAllSessions();
        EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(1));
        EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(1));
        if (user != STI_OS::INVALID_SOCKET_HANDLE) {
            EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(user));
        }
    }

    CAntSession* Start()
    {
        EXPECT_EQ(ST_SUCCESS, STI_OS::CreateTCPSocket(user));
        EXPECT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(user, true));
        CAntSession* session = manager.CreateSession(user, 2002, std::uint32_t(KEY), std::uint32_t(KEY >> 32));
        id = session->OwnId;
        EXPECT_EQ(ST_SUCCESS, manager.StartSession(session));
        return session;
    }
    CAntSession* Session() const { return manager.FindById(id); }
    int State() const { return Session() ? Session()->Network->GetState() : 0; }
    Status Feed(const CPacketRef& packet, const CIPEndpoint& from = PEER) { return manager.OnDatagram(packet, from); }

    // Through relay, hello and confirm to state 6.
    void Establish()
    {
        Start();
        EXPECT_EQ(ST_SUCCESS, Feed(MakeRelay(KEY, PEER), SERVER));
        EXPECT_EQ(ST_SUCCESS, Feed(MakeHello(KEY, PEER_SESSION, id, PEER_ISN, 2002, 1001)));
        EXPECT_EQ(ST_SUCCESS, Feed(MakeHelloConfirm(KEY, id)));
        ASSERT_EQ(State(), ANT_STATE_ESTABLISHED);
        port.Clear();
    }

    std::string ReadUser(std::size_t want, std::uint32_t timeoutMs = 2000)
    {
        std::string got;
        RunUntil(
            [&] {
                char buffer[4096];
                std::uint32_t count = 0;
                if (STI_OS::Recv(user, buffer, sizeof buffer, count) == ST_SUCCESS)
                    got.append(buffer, count);
                return got.size() >= want;
            },
            timeoutMs);
        return got;
    }

    CRecordingPort port;
    CAntSessionManager manager;
    STI_OS::SocketHandle user = STI_OS::INVALID_SOCKET_HANDLE;
    std::uint16_t id = 0;
};

TEST_F(SessionFixture, HandshakeSurvivesALostRequestAndEndsEstablished)
{
    Start();
    ASSERT_EQ(State(), ANT_STATE_REQUESTING);
    ASSERT_EQ(port.OfType(AntConnectRequest).size(), 1u);
    EXPECT_EQ(port.OfType(AntConnectRequest)[0].To, port.Server);
    // The request is lost: the state timer sends it again.
    EXPECT_EQ(ST_SUCCESS, manager.OnSessionTimer(id, ANT_TIMER_STATE));
    EXPECT_EQ(port.OfType(AntConnectRequest).size(), 2u);
    EXPECT_EQ(Session()->Network->GetRetriesLeft(), ANT_STATE_TRIES - 1);

    EXPECT_EQ(ST_SUCCESS, Feed(MakeRelay(KEY, PEER), SERVER));
    EXPECT_EQ(State(), ANT_STATE_GREETING);
    // The relay named no local address, so the neighbouring port is tried too.
    ASSERT_EQ(port.OfType(AntHello).size(), 2u);
    EXPECT_EQ(port.OfType(AntHello)[0].To, PEER);
    EXPECT_EQ(port.OfType(AntHello)[1].To, CIPEndpoint(PEER.GetAddress(), PEER.GetPort() + 1));

    EXPECT_EQ(ST_SUCCESS, Feed(MakeHello(KEY, PEER_SESSION, id, PEER_ISN, 2002, 1001)));
    EXPECT_EQ(State(), ANT_STATE_CONFIRMING);
    EXPECT_EQ(port.OfType(AntHelloConfirm).size(), 1u);
    EXPECT_EQ(ST_SUCCESS, Feed(MakeHelloConfirm(KEY, id)));
    EXPECT_EQ(State(), ANT_STATE_ESTABLISHED);
    EXPECT_EQ(Session()->SessionState, ANT_SESSION_OPEN);
    EXPECT_EQ(Session()->PeerSessionId, PEER_SESSION);
    // The user's connect completed against the loopback backend.
    EXPECT_TRUE(RunUntil([&] { return STI_OS::GetSocketError(user) == ST_SUCCESS; }, 1000));
    EXPECT_FALSE(Session()->Network->IsTimerArmed(ANT_TIMER_CONNECT_LIMIT));
}

TEST_F(SessionFixture, BackendHandsSmallPayloadsToTheUserWithoutNaglesWait)
{
    Establish();
    // Payloads reach the user one small write at a time; held back by Nagle's rule behind the
    // user's delayed acknowledgements they kept the window shut and a stream at about 3 MB/s.
    ASSERT_NE(Session()->BackendSocket, nullptr);
    bool noDelay = false;
    ASSERT_EQ(STI_OS::GetNoDelay(Session()->BackendSocket->GetHandle(), noDelay), ST_SUCCESS);
    EXPECT_TRUE(noDelay);
}

TEST_F(SessionFixture, LostConfirmIsAnsweredWhenThePeerGreetsAgain)
{
    Start();
    EXPECT_EQ(ST_SUCCESS, Feed(MakeRelay(KEY, PEER), SERVER));
    // Our hello was confirmed before the peer's own hello arrived: that hello establishes.
    EXPECT_EQ(ST_SUCCESS, Feed(MakeHelloConfirm(KEY, id)));
    EXPECT_EQ(State(), ANT_STATE_AWAITING_HELLO);
    EXPECT_EQ(ST_SUCCESS, Feed(MakeHello(KEY, PEER_SESSION, id, PEER_ISN, 2002, 1001)));
    EXPECT_EQ(State(), ANT_STATE_ESTABLISHED);
    port.Clear();
    // A repeated hello in state 6 gets a new confirm.
    EXPECT_EQ(ST_SUCCESS, Feed(MakeHello(KEY, PEER_SESSION, id, PEER_ISN, 2002, 1001)));
    EXPECT_EQ(State(), ANT_STATE_ESTABLISHED);
    EXPECT_EQ(port.OfType(AntHelloConfirm).size(), 1u);
}

TEST_F(SessionFixture, RefusesHelloWithSessionIdZeroAndStrangers)
{
    Start();
    EXPECT_EQ(ST_SUCCESS, Feed(MakeRelay(KEY, PEER), SERVER));
    EXPECT_EQ(Feed(MakeHello(KEY, 0, id, PEER_ISN, 2002, 1001)), ST_INVALID_MESSAGE);
    EXPECT_EQ(State(), ANT_STATE_GREETING);
    EXPECT_EQ(Feed(MakeHello(KEY + 1, 5, id, PEER_ISN, 2002, 1001)), ST_INVALID_MESSAGE);
    // From an address that is not the peer's.
    EXPECT_EQ(Feed(MakeHelloConfirm(KEY, id), CIPEndpoint(CIPAddress(127, 0, 0, 9), 1)), ST_INVALID_MESSAGE);
    EXPECT_EQ(State(), ANT_STATE_GREETING);
}

TEST_F(SessionFixture, FailingResendStillKeepsTheStateTimer)
{
    Start();
    port.SendResult = ST_SOCKET_ERROR;
    EXPECT_EQ(ST_SOCKET_ERROR, manager.OnSessionTimer(id, ANT_TIMER_STATE)); // the resend's failure is told
    ASSERT_NE(Session(), nullptr);
    EXPECT_TRUE(Session()->Network->IsTimerArmed(ANT_TIMER_STATE));
}

TEST_F(SessionFixture, NoHelloGoesToPortZero)
{
    Start();
    EXPECT_EQ(ST_BAD_ADDRESS, Feed(MakeRelay(KEY, CIPEndpoint(CIPAddress(127, 0, 0, 1), 0)), SERVER));
    for (const SSentDatagram& sent : port.OfType(AntHello))
        EXPECT_NE(sent.To.GetPort(), 0);
    EXPECT_TRUE(Session()->Network->IsTimerArmed(ANT_TIMER_STATE));
}

TEST_F(SessionFixture, GivingUpCompletesTheUsersConnectAndDestroysTheSession)
{
    Start();
    for (std::uint32_t i = 0; i < ANT_STATE_TRIES && Session(); ++i)
        EXPECT_EQ(ST_SUCCESS, manager.OnSessionTimer(id, ANT_TIMER_STATE));
    // The connect completes and the connection closes at once.
    std::string got;
    Status last = ST_SUCCESS;
    EXPECT_TRUE(RunUntil(
        [&] {
            char buffer[16];
            std::uint32_t count = 0;
            last = STI_OS::Recv(user, buffer, sizeof buffer, count);
            return last == ST_CONNECTION_CLOSED;
        },
        2000));
    EXPECT_TRUE(RunUntil([&] { return manager.GetSessionCount() == 0; }, 2000));
}

// The descriptor's owner (CAnt) keeps it under a serial: only it may close it, so that a
// descriptor the user closed meanwhile, whose number a newer socket may have, is left alone.
class CClosingPort : public CRecordingPort {
public:
    CClosingPort() : CRecordingPort(CIPEndpoint(CIPAddress(127, 0, 0, 1), 40000), 1001) {}
    Status CloseUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial) override
    {
        Closed.emplace_back(descriptor, serial);
        return ST_SUCCESS;
    }
    std::vector<std::pair<STI_OS::SocketHandle, std::uint32_t>> Closed;
};

TEST(AntSessionStart, ASessionThatCannotStartHasItsDescriptorClosedByItsOwner)
{
    CClosingPort port;
    CAntSessionManager manager;
    manager.SetPort(&port);
    const STI_OS::SocketHandle descriptor = 4321; // never a real socket: nobody may close it here
    CAntSession* session = manager.CreateSession(descriptor, 2002, 1, 2, 7);
    ASSERT_NE(session, nullptr);
    FailNextNothrowAllocations(1); // the session's network handler
    EXPECT_EQ(manager.StartSession(session), ST_NO_MEMORY);
    FailNextNothrowAllocations(0);
    ASSERT_EQ(port.Closed.size(), 1u);
    EXPECT_EQ(port.Closed[0].first, descriptor);
    EXPECT_EQ(port.Closed[0].second, 7u);
    EXPECT_EQ(manager.GetSessionCount(), 0u);
    EXPECT_TRUE(port.Sent.empty());
}

TEST_F(SessionFixture, SessionIdsWrapToOneAndSkipIdsInUse)
{
    manager.SetNextId(0xFFFF);
    CAntSession* last = manager.CreateSession(STI_OS::INVALID_SOCKET_HANDLE, 1, 1, 1);
    EXPECT_EQ(last->OwnId, 0xFFFF);
    CAntSession* wrapped = manager.CreateSession(STI_OS::INVALID_SOCKET_HANDLE, 1, 2, 1);
    EXPECT_EQ(wrapped->OwnId, 1);
    manager.SetNextId(0xFFFF);
    CAntSession* skipped = manager.CreateSession(STI_OS::INVALID_SOCKET_HANDLE, 1, 3, 1);
    EXPECT_EQ(skipped->OwnId, 2);
}

TEST_F(SessionFixture, DuplicateIsDeliveredOnceAndAcknowledgedTwice)
{
    Establish();
    const char text[] = "hello";
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(PEER_ISN, id, text, 5)));
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(PEER_ISN, id, text, 5)));
    const std::vector<SSentDatagram> acks = port.OfType(AntAck);
    ASSERT_EQ(acks.size(), 2u);
    EXPECT_EQ(acks[0].Header.Flags & ANT_ACK_NOT_IN_ORDER, 0);
    EXPECT_NE(acks[1].Header.Flags & ANT_ACK_NOT_IN_ORDER, 0);
    EXPECT_EQ(ReadUser(5), "hello");
    EXPECT_EQ(ReadUser(1, 200), "");
}

// A data packet may carry no payload. Queued for the user, it was a write of no bytes that
// never left the queue: the next dispatcher round wrote it for ever.
TEST_F(SessionFixture, EmptyPayloadIsDeliveredAsNothing)
{
    Establish();
    ASSERT_TRUE(RunUntil([&] { return STI_OS::GetSocketError(user) == ST_SUCCESS; }, 1000));
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(PEER_ISN, id, "", 0)));
    EXPECT_EQ(Session()->Network->GetReceiveWindow().GetBase(), AntSeqNext(PEER_ISN));
    ASSERT_FALSE(Session()->Backend->HasQueued()); // else the round below never ends
    EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(0));
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(AntSeqNext(PEER_ISN), id, "after", 5)));
    EXPECT_EQ(ReadUser(5), "after");
}

TEST_F(SessionFixture, OutOfOrderDataIsNakedThenDeliveredInOrderAcrossTheWrap)
{
    Establish();
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(AntSeqAdd(PEER_ISN, 3), id, "D", 1)));
    const std::vector<SSentDatagram> naks = port.OfType(AntNak);
    ASSERT_EQ(naks.size(), 1u);
    CAntPacketReader reader(*naks[0].Packet, ANT_HEADER_SIZE);
    std::vector<SAntNakRange> ranges;
    ASSERT_EQ(ReadAntNak(reader, ranges), ST_SUCCESS);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].First, PEER_ISN);
    EXPECT_EQ(ranges[0].End, AntSeqAdd(PEER_ISN, 3));
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(AntSeqAdd(PEER_ISN, 1), id, "B", 1)));
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(AntSeqAdd(PEER_ISN, 2), id, "C", 1)));
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(PEER_ISN, id, "A", 1)));
    EXPECT_EQ(ReadUser(4), "ABCD");
    EXPECT_EQ(Session()->Network->GetReceiveWindow().GetBase(), AntSeqAdd(PEER_ISN, 4));
}

TEST_F(SessionFixture, FarAheadDataAndProbesStayInsideTheReceiveWindow)
{
    Establish();
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(AntSeqAdd(PEER_ISN, 5000), id, "X", 1)));
    CPacketRef probe = CPacketRef::Allocate();
    {
        CAntPacketWriter writer(*probe);
        EXPECT_EQ(ST_SUCCESS, WriteAntHeader(writer, SAntHeader::Control(AntProbe, 0, id)));
        SAntProbeBody body;
        body.HighestSent = AntSeqAdd(PEER_ISN, 900000);
        EXPECT_EQ(ST_SUCCESS, WriteAntBody(writer, body));
    }
    EXPECT_EQ(ST_SUCCESS, Feed(probe));
    const std::uint32_t limit = AntSeqAdd(PEER_ISN, CAntReceiveWindow::SIZE);
    for (const SSentDatagram& nak : port.OfType(AntNak)) {
        CAntPacketReader reader(*nak.Packet, ANT_HEADER_SIZE);
        std::vector<SAntNakRange> ranges;
        EXPECT_EQ(ST_SUCCESS, ReadAntNak(reader, ranges));
        for (const SAntNakRange& range : ranges)
            EXPECT_FALSE(AntSeqIsNewer(range.End, limit));
    }
    EXPECT_FALSE(AntSeqIsNewer(Session()->Network->GetReceiveWindow().GetHighestSeen(), limit));
    // The window still takes the packet it waits for.
    EXPECT_EQ(ST_SUCCESS, Feed(MakeData(PEER_ISN, id, "A", 1)));
    EXPECT_EQ(ReadUser(1), "A");
}

TEST_F(SessionFixture, AcknowledgementBeyondWhatWasSentIsIgnored)
{
    Establish();
    const CAntSendWindow& send = Session()->Network->GetSendWindow();
    const std::uint32_t base = send.GetBase();
    EXPECT_EQ(Feed(MakeAck(AntSeqAdd(base, 50), id, 0, 0)), ST_INVALID_MESSAGE);
    EXPECT_EQ(send.GetBase(), base);
}

TEST_F(SessionFixture, IdleRetransmissionTimeoutKeepsTheWindow)
{
    Establish();
    const std::uint32_t cwnd = Session()->Network->GetSendWindow().GetCwnd();
    EXPECT_EQ(ST_SUCCESS, manager.OnSessionTimer(id, ANT_TIMER_RETRANSMIT));
    EXPECT_EQ(ST_SUCCESS, manager.OnSessionTimer(id, ANT_TIMER_RETRANSMIT));
    EXPECT_EQ(Session()->Network->GetBackoffMultiplier(), 1u);
    EXPECT_EQ(Session()->Network->GetSendWindow().GetCwnd(), cwnd);
}

TEST_F(SessionFixture, PeerCloseIsAcknowledgedAndSilenceEndsTheSession)
{
    Establish();
    EXPECT_EQ(ST_SUCCESS, Feed(MakeControl(AntClose, id)));
    EXPECT_EQ(State(), ANT_STATE_PEER_CLOSED);
    EXPECT_EQ(port.OfType(AntCloseAck).size(), 1u);
    // A lost close ack: the repeated close is answered again.
    EXPECT_EQ(ST_SUCCESS, Feed(MakeControl(AntClose, id)));
    EXPECT_EQ(port.OfType(AntCloseAck).size(), 2u);
    // The user sees the end of the stream; once the backend is gone we close from our side.
    std::string rest = ReadUser(1, 300);
    EXPECT_EQ(rest, "");
    EXPECT_TRUE(RunUntil([&] { return State() == ANT_STATE_LAST_CLOSE; }, 2000));
    EXPECT_EQ(ST_CONNECTION_CLOSED, Feed(MakeControl(AntCloseAck, id)));
    EXPECT_TRUE(RunUntil([&] { return manager.GetSessionCount() == 0; }, 2000));
}

TEST_F(SessionFixture, UnreachableReportsFindTheSessionByAddressAndSpareItEarlyOn)
{
    Start();
    EXPECT_EQ(ST_SUCCESS, Feed(MakeRelay(KEY, PEER), SERVER));
    // During the handshake the peer may not be listening yet.
    EXPECT_EQ(manager.OnUnreachable(PEER), ST_SUCCESS);
    EXPECT_EQ(manager.OnUnreachable(CIPEndpoint(PEER.GetAddress(), PEER.GetPort() + 1)), ST_NOT_FOUND);
    EXPECT_EQ(State(), ANT_STATE_GREETING);
    EXPECT_EQ(ST_SUCCESS, Feed(MakeHello(KEY, PEER_SESSION, id, PEER_ISN, 2002, 1001)));
    EXPECT_EQ(ST_SUCCESS, Feed(MakeHelloConfirm(KEY, id)));
    ASSERT_EQ(State(), ANT_STATE_ESTABLISHED);
    // Reports within the first seconds of the connection are stale ones from the handshake.
    EXPECT_EQ(manager.OnUnreachable(PEER), ST_SUCCESS);
    EXPECT_EQ(manager.OnUnreachable(PEER), ST_SUCCESS);
    EXPECT_EQ(State(), ANT_STATE_ESTABLISHED);
}

TEST_F(SessionFixture, SilenceInStateSixEndsTheSessionWithItsTimers)
{
    Establish();
    EXPECT_EQ(ST_CONNECTION_CLOSED, manager.OnSessionTimer(id, ANT_TIMER_STATE)); // 20 s without a packet
    EXPECT_TRUE(RunUntil([&] { return manager.GetSessionCount() == 0; }, 2000));
}

TEST(AntLinkedPair, MovesAStreamByteExactOnACleanLink)
{
    CAntLinkedPair pair;
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_TRUE(pair.Connect(a, b));
    ASSERT_TRUE(RunUntil(
        [&] {
            pair.Pump();
            return STI_OS::GetSocketError(a) == ST_SUCCESS;
        },
        1000));

    std::string data(300000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char((i * 131 + i / 7) & 0xFF);
    std::size_t written = 0;
    std::string got;
    const bool done = RunUntil(
        [&] {
            if (written < data.size()) {
                std::uint32_t count = 0;
                if (STI_OS::Send(a, data.data() + written, std::uint32_t(data.size() - written), count) == ST_SUCCESS)
                    written += count;
            }
            pair.Pump();
            char buffer[8192];
            std::uint32_t count = 0;
            if (STI_OS::Recv(b, buffer, sizeof buffer, count) == ST_SUCCESS)
                got.append(buffer, count);
            return got.size() >= data.size();
        },
        20000);
    EXPECT_TRUE(done) << got.size() << " of " << data.size();
    EXPECT_TRUE(got == data);
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(a));
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(b));
}

TEST(AntLinkedPair, MovesAStreamByteExactWhenEveryFifthDataPacketIsLost)
{
    CAntLinkedPair pair;
    int counter = 0;
    pair.Drop = [&counter](const SSentDatagram& sent) {
        return sent.Header.GetType() == AntData && ++counter % 5 == 0;
    };
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_TRUE(pair.Connect(a, b));
    std::string data(100000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char((i * 17 + 3) & 0xFF);
    std::size_t written = 0;
    std::string got;
    const bool done = RunUntil(
        [&] {
            if (written < data.size()) {
                std::uint32_t count = 0;
                if (STI_OS::Send(a, data.data() + written, std::uint32_t(data.size() - written), count) == ST_SUCCESS)
                    written += count;
            }
            pair.Pump();
            char buffer[8192];
            std::uint32_t count = 0;
            if (STI_OS::Recv(b, buffer, sizeof buffer, count) == ST_SUCCESS)
                got.append(buffer, count);
            return got.size() >= data.size();
        },
        30000);
    EXPECT_TRUE(done) << got.size() << " of " << data.size();
    EXPECT_TRUE(got == data);
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(a));
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(b));
}

} // namespace

namespace {

TEST(AntLinkedPair, StreamResumesAfterTheReceivingUserPauses)
{
    CAntLinkedPair pair;
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_TRUE(pair.Connect(a, b));
    std::string data(400000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char((i * 7 + i / 1000) & 0xFF);
    std::size_t written = 0;
    auto write = [&] {
        if (written < data.size()) {
            std::uint32_t count = 0;
            if (STI_OS::Send(a, data.data() + written, std::uint32_t(data.size() - written), count) == ST_SUCCESS)
                written += count;
        }
    };
    // The receiver reads nothing for a while: its backend queue and ring fill up.
    RunUntil(
        [&] {
            write();
            pair.Pump();
            return false;
        },
        1500);
    std::string got;
    const bool done = RunUntil(
        [&] {
            write();
            pair.Pump();
            char buffer[8192];
            std::uint32_t count = 0;
            if (STI_OS::Recv(b, buffer, sizeof buffer, count) == ST_SUCCESS)
                got.append(buffer, count);
            return got.size() >= data.size();
        },
        30000);
    EXPECT_TRUE(done) << got.size() << " of " << data.size();
    EXPECT_TRUE(got == data);
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(a));
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(b));
}

} // namespace

namespace {

// The loopback socket to a user who reads at once must keep taking the stream. A small fixed
// send buffer soon holds enough unacknowledged bytes that the system stops reporting it
// writable, while the user's side may hold its acknowledgement for 40 ms: the queue in front of
// the socket then fills, delivery stops and the sender falls back on its retransmission timer.
TEST(AntLinkedPair, BackendKeepsUpWithAUserWhoReadsAtOnce)
{
    CAntLinkedPair pair;
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_TRUE(pair.Connect(a, b));
    CAntSession* receiving = pair.B.FindByKey(pair.Key);
    ASSERT_NE(receiving, nullptr);

    const std::string data(4000000, '\x5A');
    std::size_t written = 0;
    std::size_t got = 0;
    int queueFull = 0;
    const bool done = RunUntil(
        [&] {
            if (written < data.size()) {
                std::uint32_t count = 0;
                if (STI_OS::Send(a, data.data() + written, std::uint32_t(data.size() - written), count) == ST_SUCCESS)
                    written += count;
            }
            pair.Pump();
            char buffer[65536];
            std::uint32_t count = 0;
            while (STI_OS::Recv(b, buffer, sizeof buffer, count) == ST_SUCCESS && count > 0)
                got += count;
            if (receiving->Backend && !receiving->Backend->CanAccept())
                ++queueFull;
            return got >= data.size();
        },
        60000);
    EXPECT_TRUE(done) << got << " of " << data.size();
    EXPECT_EQ(queueFull, 0);
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(a));
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(b));
}

} // namespace

namespace {

// The user's bytes are read in large chunks that packets are cut from: every packet still
// carries one packet's worth at most, and the user's close shows only once every buffered byte
// has gone out.
TEST(AntLinkedPair, LargeBackendReadsAreCutIntoPacketsAndTheCloseWaitsForThem)
{
    CAntLinkedPair pair;
    std::uint32_t largestPayload = 0;
    std::uint32_t dataPackets = 0;
    pair.Drop = [&](const SSentDatagram& sent) {
        const std::uint32_t payload = sent.Packet->Length - ANT_HEADER_SIZE;
        largestPayload = payload > largestPayload ? payload : largestPayload;
        ++dataPackets;
        return false;
    };
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_TRUE(pair.Connect(a, b));
    std::string data(150001, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = char((i * 29 + i / 251) & 0xFF);

    std::size_t written = 0;
    std::uint32_t mostBuffered = 0;
    std::string got;
    bool ended = false;
    const bool done = RunUntil(
        [&] {
            if (written < data.size()) {
                std::uint32_t count = 0;
                if (STI_OS::Send(a, data.data() + written, std::uint32_t(data.size() - written), count) == ST_SUCCESS)
                    written += count;
                if (written == data.size()) {
                    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(a));
                    a = STI_OS::INVALID_SOCKET_HANDLE;
                }
            }
            pair.Pump();
            if (CAntSession* sending = pair.A.FindByKey(pair.Key))
                if (sending->Backend && sending->Backend->GetBuffered() > mostBuffered)
                    mostBuffered = sending->Backend->GetBuffered();
            char buffer[8192];
            std::uint32_t count = 0;
            const Status status = STI_OS::Recv(b, buffer, sizeof buffer, count);
            if (status == ST_SUCCESS)
                got.append(buffer, count);
            ended = status == ST_CONNECTION_CLOSED;
            return ended;
        },
        30000);
    EXPECT_TRUE(done) << got.size() << " of " << data.size();
    EXPECT_TRUE(got == data);
    EXPECT_GT(mostBuffered, ANT_MAX_PAYLOAD);
    EXPECT_EQ(largestPayload, ANT_MAX_PAYLOAD);
    EXPECT_GE(dataPackets, (data.size() + ANT_MAX_PAYLOAD - 1) / ANT_MAX_PAYLOAD);
    if (a != STI_OS::INVALID_SOCKET_HANDLE) {
        EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(a));
    }
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(b));
}

// Queued payloads leave in gathered writes. A user who reads nothing lets the loopback socket
// fill; writes are tried after every packet, also when the system would not yet report the
// socket writable, so a gathered write is taken in part before the queue fills. Once the user
// reads, every byte must still come out once and in order.
TEST_F(SessionFixture, GatheredWritesTakenInPartLoseAndRepeatNothing)
{
    Establish();
    ASSERT_TRUE(RunUntil([&] { return STI_OS::GetSocketError(user) == ST_SUCCESS; }, 1000));
    std::string expected;
    std::uint32_t sequence = PEER_ISN;
    bool queueFull = false;
    for (int i = 0; i < 40000 && !queueFull; ++i) {
        std::string payload(1 + (i * 37) % ANT_MAX_PAYLOAD, '\0');
        for (std::size_t j = 0; j < payload.size(); ++j)
            payload[j] = char((i * 7 + j) & 0xFF);
        ASSERT_EQ(Feed(MakeData(sequence, id, payload.data(), std::uint32_t(payload.size()))), ST_SUCCESS);
        expected += payload;
        sequence = AntSeqNext(sequence);
        CAntSession* session = Session();
        ASSERT_TRUE(session && session->Backend && session->BackendSocket);
        const Status written = session->Backend->OnWrite(session->BackendSocket);
        EXPECT_TRUE(written == ST_MORE_DATA || written == ST_NO_MORE_DATA) << StatusText(written);
        queueFull = !session->Backend->CanAccept();
    }
    ASSERT_TRUE(queueFull);
    const std::string got = ReadUser(expected.size(), 20000);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    EXPECT_FALSE(Session()->Backend->HasQueued());
}

// A stream on a lossy path: acknowledgements read together each refill the window before the
// next one is taken (the flow control reads the packets in flight at any of them), and a
// loss is answered once however often it is named again.
TEST_F(SessionFixture, AcknowledgementsRefillTheWindowAtOnceAndALossHalvesItOnce)
{
    if (!SpeedSwitches().FillOnAck || !SpeedSwitches().LossEvents)
        GTEST_SKIP() << "switched off by TARNIX_SPEED_OFF";
    Establish();
    ASSERT_TRUE(RunUntil([&] { return STI_OS::GetSocketError(user) == ST_SUCCESS; }, 1000));
    const CAntSendWindow& send = Session()->Network->GetSendWindow();
    const std::string chunk(32 * 1024, 'x');
    const auto feedUser = [&] {
        std::uint32_t count = 0;
        (void)STI_OS::Send(user, chunk.data(), std::uint32_t(chunk.size()), count);
    };
    feedUser();
    ASSERT_TRUE(RunUntil(
        [&] {
            (void)manager.OnWritable();
            return send.GetPacketsInFlight() > 0;
        },
        2000));
    port.WriteRequested = false;
    // From here on no flush runs: every packet that leaves, leaves in answer to an
    // acknowledgement, and without that the window could not grow past two.
    std::uint16_t serial = 0;
    // Rounds for up to 30 s: on a loaded machine the round trips jitter, and the delay rule takes
    // growth back now and then (400 rounds in 3 s once left the window at 5).
    const std::uint64_t roundsStart = AntNowMicroseconds();
    while (send.GetCwnd() < 8 && AntNowMicroseconds() - roundsStart < 30000000u) {
        feedUser();
        (void)RunUntil([] { return false; }, 5); // the user's bytes reach the session's end
        const std::size_t before = port.OfType(AntData).size();
        const std::uint32_t end = AntSeqNext(send.GetHighestSent());
        for (std::uint32_t s = AntSeqNext(send.GetBase()); s != AntSeqNext(end); s = AntSeqNext(s))
            ASSERT_EQ(Feed(MakeAck(s, id, serial++, ANT_ACK_ANSWERS_DATA)), ST_SUCCESS);
        EXPECT_GT(port.OfType(AntData).size(), before);
    }
    const std::uint32_t cwnd = send.GetCwnd();
    ASSERT_GE(cwnd, 8u);
    const auto nakBase = [&] {
        CPacketRef nak = CPacketRef::Allocate();
        CAntPacketWriter writer(*nak);
        (void)WriteAntHeader(writer, SAntHeader::Control(AntNak, 0, id));
        CAntNakWriter ranges(writer);
        (void)ranges.AddGap(send.GetBase(), AntSeqNext(send.GetBase()));
        return Feed(nak);
    };
    // Past the flow control's interval each time, so only the loss rule can hold the window: a
    // few milliseconds on an idle machine, but a loaded one's round trips can stretch it past 30.
    const auto pastTheInterval = [&] { STI_OS::Sleep(Session()->Network->GetStrategy()->GetInterval() + 5); };
    pastTheInterval();
    ASSERT_EQ(nakBase(), ST_SUCCESS);
    EXPECT_EQ(send.GetCwnd(), cwnd / 2);
    pastTheInterval();
    ASSERT_EQ(nakBase(), ST_SUCCESS);
    EXPECT_EQ(send.GetCwnd(), cwnd / 2);
}

} // namespace
