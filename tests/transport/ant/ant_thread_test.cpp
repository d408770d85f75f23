#include <gtest/gtest.h>

#include "infra/UDPSocket.h"
#include "infra/os/Clock.h"
#include "infra/os/Socket.h"
#include "transport/ant/Ant.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/AntInternalMsg.h"
#include "transport/ant/AntSessionManagerInterface.h"
#include "transport/ant/AntSocket.h"
#include "transport/ant/AntSocketMap.h"
#include "transport/ant/AntThread.h"
#include "transport/ant/AntUDPSockHandler.h"
#include "transport/ant/PacketPool.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr std::uint32_t LOOPBACK = 0x7F000001;

template <class Condition>
bool WaitFor(Condition condition, int milliseconds = 5000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// Closes a test's own socket on every path.
struct SSocket {
    SSocket() = default;
    explicit SSocket(STI_OS::SocketHandle h) : handle(h) {}
    // Teardown: a failed close changes nothing the test checks.
    ~SSocket() { (void)STI_OS::CloseSocket(handle); } // teardown: nothing to check
    SSocket(const SSocket&) = delete;
    SSocket& operator=(const SSocket&) = delete;
    STI_OS::SocketHandle handle = STI_OS::INVALID_SOCKET_HANDLE;
};

// A loopback TCP listener standing in for a session's backend.
struct SListener {
    SListener()
    {
        EXPECT_EQ(ST_SUCCESS, STI_OS::CreateTCPSocket(socket.handle));
        EXPECT_EQ(ST_SUCCESS, STI_OS::Bind(socket.handle, LOOPBACK, 0));
        std::uint32_t address = 0;
        std::uint16_t port = 0;
        EXPECT_EQ(ST_SUCCESS, STI_OS::GetSockName(socket.handle, address, port));
        EXPECT_EQ(ST_SUCCESS, STI_OS::Listen(socket.handle, 4));
        endpoint = CIPEndpoint(CIPAddress(LOOPBACK), port);
    }
    SSocket socket;
    CIPEndpoint endpoint;
};

struct SConnectSeen {
    STI_OS::SocketHandle descriptor;
    std::uint32_t serial;
    std::uint32_t peerId;
    std::uint32_t keyLow;
    std::uint32_t keyHigh;
    std::uint32_t clientId; // the thread's own id when the request came
};

// Session layer stand-in: records what the Ant thread hands it. Hooks run on the Ant thread.
class CFakeSessions : public IAntSessionManager {
public:
    void SetAntThread(CAntThread* thread) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_thread = thread;
    }
    void SetUDPHandler(CAntUDPSockHandler* handler) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handler = handler;
    }
    void SetAdvertiseLocalAddress(bool advertise) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_advertise = advertise;
    }
    Status CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                         std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_connects.push_back(SConnectSeen{descriptor, serial, peerId, keyLow, keyHigh,
                                          m_thread != nullptr ? m_thread->GetClientId() : 0});
        session = reinterpret_cast<CAntSession*>(&m_connects.back());
        return ST_SUCCESS;
    }
    Status StartSession(CAntSession* session) override
    {
        const SConnectSeen seen = *reinterpret_cast<SConnectSeen*>(session);
        std::function<void(const SConnectSeen&)> hook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            hook = onStart;
        }
        if (hook) {
            hook(seen);
        }
        return ST_SUCCESS;
    }
    Status OnDatagram(SAntPacket& packet, const CIPEndpoint& source) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_datagrams.emplace_back(packet.Data, packet.Data + packet.Length);
        m_sources.push_back(source);
        if (keepPackets) {
            m_kept.emplace_back(&packet); // as a session's receive window does
        }
        return datagramResult;
    }
    Status OnUnreachable(const CIPEndpoint& address) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_unreachables.push_back(address);
        return ST_NOT_FOUND;
    }
    Status OnWritable() override
    {
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            hook = std::move(duringFlush);
            duringFlush = nullptr;
        }
        if (hook) {
            hook();
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_writables;
        if (writableResults.empty()) {
            return ST_NO_MORE_DATA;
        }
        const Status result = writableResults.front();
        writableResults.pop_front();
        return result;
    }
    Status OnSessionTimer(std::uint16_t sessionId, std::uint16_t kind) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_timers.push_back((std::uint32_t(kind) << 16) | sessionId);
        return ST_NOT_FOUND; // as for a session that is gone
    }
    std::size_t GetSessionCount() const override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_sessionCount;
    }
    void CloseAllBackends() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_backendCloses;
        if (sessionsEndWithBackends) {
            m_sessionCount = 0;
        }
    }
    void DestroyAllSessions() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_destroys;
        m_sessionCount = 0;
    }

    template <class T>
    T Read(const T& field) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return field;
    }
    void SetSessionCount(std::size_t count)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sessionCount = count;
    }
    void OnStart(std::function<void(const SConnectSeen&)> hook)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        onStart = std::move(hook);
    }
    void PushWritableResults(std::initializer_list<Status> results)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        writableResults.insert(writableResults.end(), results);
    }

    mutable std::mutex m_mutex;
    CAntThread* m_thread = nullptr;
    CAntUDPSockHandler* m_handler = nullptr;
    bool m_advertise = false;
    std::deque<SConnectSeen> m_connects; // stable addresses stand in for sessions
    std::vector<std::vector<std::uint8_t>> m_datagrams;
    std::vector<CIPEndpoint> m_sources;
    std::vector<CIPEndpoint> m_unreachables;
    std::vector<std::uint32_t> m_timers;
    int m_writables = 0;
    int m_backendCloses = 0;
    int m_destroys = 0;
    std::size_t m_sessionCount = 0;
    bool sessionsEndWithBackends = false;
    Status datagramResult = ST_SUCCESS;
    std::deque<Status> writableResults;
    std::function<void(const SConnectSeen&)> onStart;
    // Runs once, inside the next flush.
    std::function<void()> duringFlush;
    bool keepPackets = false;
    std::vector<CPacketRef> m_kept; // Ant thread only, or under the lock once it is idle
};

// A started transport on a thread of its own with the fake session layer. The thread is
// declared first so that the transport, which stops it, goes first.
class AntTransport : public ::testing::Test {
protected:
    AntTransport() : thread(sessions), ant(&thread) {}

    void Start(std::uint16_t localPort = 0)
    {
        ASSERT_EQ(ST_SUCCESS, ant.AntStart("localhost", 1864, localPort, true));
        ASSERT_NE(0, ant.GetLocalPort());
    }

    std::size_t DatagramCount() { return sessions.Read(sessions.m_datagrams).size(); }

    // A client UDP socket on the loopback.
    sti::CUDPSocket client;
    CFakeSessions sessions;
    CAntThread thread;
    CAnt ant;
};

void Send(sti::CUDPSocket& socket, std::uint16_t port, const std::vector<std::uint8_t>& bytes)
{
    if (!socket.IsBound()) {
        ASSERT_EQ(ST_SUCCESS, socket.Bind(CIPAddress(LOOPBACK), 0));
    }
    std::uint32_t sent = 0;
    ASSERT_EQ(ST_SUCCESS, socket.SendTo(std::uint32_t(bytes.size()), bytes.data(), CIPAddress(LOOPBACK), port, sent));
}

std::vector<std::uint8_t> Datagram(std::size_t length, std::uint8_t fill)
{
    return std::vector<std::uint8_t>(length, fill);
}

TEST_F(AntTransport, StartBindsTheSocketAndRoutesDatagrams)
{
    Start();
    EXPECT_EQ("ANT", thread.GetName());
    EXPECT_TRUE(sessions.Read(sessions.m_advertise));
    EXPECT_NE(nullptr, sessions.Read(sessions.m_handler));
    EXPECT_EQ(&thread, sessions.Read(sessions.m_thread));

    Send(client, ant.GetLocalPort(), Datagram(12, 0x42));
    ASSERT_TRUE(WaitFor([&] { return DatagramCount() == 1; }));
    CIPEndpoint local;
    ASSERT_EQ(ST_SUCCESS, client.GetLocalAddress(local));
    EXPECT_EQ(CIPEndpoint(CIPAddress(LOOPBACK), local.GetPort()), sessions.Read(sessions.m_sources)[0]);
    EXPECT_EQ(Datagram(12, 0x42), sessions.Read(sessions.m_datagrams)[0]);
}

TEST_F(AntTransport, StartOnAnOccupiedPortTakesAnotherOne)
{
    sti::CUDPSocket occupant;
    ASSERT_EQ(ST_SUCCESS, occupant.Bind(0));
    CIPEndpoint taken;
    ASSERT_EQ(ST_SUCCESS, occupant.GetLocalAddress(taken));
    Start(taken.GetPort());
    EXPECT_NE(taken.GetPort(), ant.GetLocalPort());
    EXPECT_EQ(ant.GetLocalPort(), thread.GetLocalBindAddress().GetPort());
}

TEST_F(AntTransport, OneBadDatagramNeverClosesTheSocket)
{
    // Set before the thread starts, which reads it: the router refuses the first datagram.
    sessions.datagramResult = ST_INVALID_MESSAGE;
    Start();
    Send(client, ant.GetLocalPort(), Datagram(ANT_MAX_DATAGRAM + 1, 1)); // too long: dropped
    Send(client, ant.GetLocalPort(), Datagram(ANT_MAX_DATAGRAM, 2));     // exactly the limit
    ASSERT_TRUE(WaitFor([&] { return DatagramCount() == 1; }));
    EXPECT_EQ(Datagram(ANT_MAX_DATAGRAM, 2), sessions.Read(sessions.m_datagrams)[0]);
    Send(client, ant.GetLocalPort(), Datagram(3, 3));
    ASSERT_TRUE(WaitFor([&] { return DatagramCount() == 2; }));
    EXPECT_EQ(Datagram(3, 3), sessions.Read(sessions.m_datagrams)[1]);
}

TEST_F(AntTransport, RequestsArriveThroughThePipeInOrder)
{
    Start();
    ASSERT_EQ(ST_SUCCESS, ant.Post(SAntInternalMsg::MakeClientId(77)));
    ASSERT_EQ(ST_SUCCESS, ant.Post(SAntInternalMsg::MakeEmpty(ANT_MSG_NONE)));
    ASSERT_EQ(ST_SUCCESS, ant.Post(SAntInternalMsg::MakeEmpty(5))); // unknown: answered, ignored
    ASSERT_EQ(0, ant.AntSetSocketLevel(12345, 2));
    SSocket descriptor(ant.AntCreateSocket());
    ASSERT_NE(STI_OS::INVALID_SOCKET_HANDLE, descriptor.handle);
    ASSERT_EQ(0, ant.AntConnectAsync(descriptor.handle, 5, 6, 7));
    ASSERT_TRUE(WaitFor([&] { return sessions.Read(sessions.m_connects).size() == 1; }));
    const SConnectSeen seen = sessions.Read(sessions.m_connects)[0];
    EXPECT_EQ(descriptor.handle, seen.descriptor);
    EXPECT_NE(0u, seen.serial);
    EXPECT_EQ(5u, seen.peerId);
    EXPECT_EQ(6u, seen.keyLow);
    EXPECT_EQ(7u, seen.keyHigh);
    EXPECT_EQ(77u, seen.clientId);
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(descriptor.handle));
    descriptor.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST(AntThreadDispatch, AnswersEachRecordType)
{
    CFakeSessions sessions;
    CAntThread thread(sessions); // never started: the dispatch runs here
    EXPECT_EQ(ST_SUCCESS, thread.Dispatch(SAntInternalMsg::MakeEmpty(ANT_MSG_NONE)));
    EXPECT_EQ(ST_INTERNAL_ERROR, thread.Dispatch(SAntInternalMsg::MakeEmpty(5)));
    EXPECT_EQ(ST_SUCCESS, thread.Dispatch(SAntInternalMsg::MakeClientId(0xCAFE)));
    EXPECT_EQ(0xCAFEu, thread.GetClientId());
    EXPECT_EQ(ST_NOT_FOUND, thread.Dispatch(SAntInternalMsg::MakeLevel(98765, 1))); // no such session

    const std::string longHost(100, 'h');
    // Without a running thread the start itself fails; only the host it keeps matters here.
    (void)thread.Dispatch(SAntInternalMsg::MakeStart(longHost.c_str(), 1864, 0, false));
    EXPECT_EQ(std::string(63, 'h'), thread.GetRendezvousHost());
    SAntInternalMsg unterminated = SAntInternalMsg::MakeStart("", 1864, 0, false);
    std::memset(unterminated.Body.Start.Host, 'x', sizeof unterminated.Body.Start.Host);
    (void)thread.Dispatch(unterminated);
    EXPECT_EQ(std::string(63, 'x'), thread.GetRendezvousHost());
}

TEST(AntInternalMsg, RecordsAreZeroedAndCarryTheirFields)
{
    const SAntInternalMsg start = SAntInternalMsg::MakeStart("server.example", 1864, 4000, true);
    EXPECT_EQ(ANT_MSG_START, start.Type);
    EXPECT_EQ(0u, start.Zero);
    EXPECT_STREQ("server.example", start.Body.Start.Host);
    EXPECT_EQ(1864, start.Body.Start.ServerPort);
    EXPECT_EQ(4000, start.Body.Start.LocalPort);
    EXPECT_EQ(1, start.Body.Start.AdvertiseLocalAddress);
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&start);
    EXPECT_EQ(1, raw[80]);
    for (std::size_t i = 8 + std::strlen("server.example"); i < 72; ++i) {
        EXPECT_EQ(0, raw[i]) << i;
    }
    const SAntInternalMsg connect = SAntInternalMsg::MakeConnect(33, 9, 1, 2, 3);
    EXPECT_EQ(33, connect.Body.Connect.Descriptor);
    EXPECT_EQ(9u, connect.Body.Connect.Serial);
    EXPECT_EQ(3u, connect.Body.Connect.KeyHigh);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(88u, sizeof(SAntInternalMsg));
    }
}

TEST_F(AntTransport, TimersOfTheSocketReachTheirSessions)
{
    Start();
    std::vector<Status> results;
    sessions.OnStart([&](const SConnectSeen&) {
        CAntUDPSockHandler* handler = thread.GetUDPHandler();
        results.push_back(handler->ArmTimer(0x1234, 5, 10));
        results.push_back(handler->ArmTimer(0x0042, 1, 60000));
        results.push_back(handler->ArmTimer(0x0042, 1, 20)); // re-armed sooner
        results.push_back(handler->CancelTimer(0x0007, 6));  // never armed
    });
    SSocket descriptor(ant.AntCreateSocket());
    ASSERT_EQ(0, ant.AntConnectAsync(descriptor.handle, 1, 2, 3));
    ASSERT_TRUE(WaitFor([&] { return sessions.Read(sessions.m_timers).size() == 2; }));
    EXPECT_EQ((std::vector<Status>{ST_SUCCESS, ST_SUCCESS, ST_SUCCESS, ST_NOT_FOUND}), results);
    EXPECT_EQ((std::vector<std::uint32_t>{0x00051234, 0x00010042}), sessions.Read(sessions.m_timers));
    // A timer of an unknown session leaves the socket as it was.
    Send(client, ant.GetLocalPort(), Datagram(8, 1));
    EXPECT_TRUE(WaitFor([&] { return DatagramCount() == 1; }));
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(descriptor.handle));
    descriptor.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST_F(AntTransport, FlushRunsWhileSessionsWaitAndSendsGoOut)
{
    Start();
    ASSERT_EQ(ST_SUCCESS, client.Bind(CIPAddress(LOOPBACK), 0));
    ASSERT_TRUE(client.SetNonBlocking());
    CIPEndpoint clientAddress;
    EXPECT_EQ(ST_SUCCESS, client.GetLocalAddress(clientAddress));
    sessions.PushWritableResults({ST_SUCCESS, ST_MORE_DATA, ST_NO_MORE_DATA});
    std::vector<Status> results;
    sessions.OnStart([&](const SConnectSeen&) {
        CAntUDPSockHandler* handler = thread.GetUDPHandler();
        CPacketRef packet = CPacketRef::Allocate();
        CAntPacketWriter writer(*packet);
        EXPECT_EQ(ST_SUCCESS, WriteAntHeader(writer, SAntHeader::Control(AntProbe, 0, 9)));
        EXPECT_EQ(ST_SUCCESS, writer.WriteU32(0x01020304));
        results.push_back(handler->SendTo(*packet, clientAddress));
        CPacketRef empty = CPacketRef::Allocate();
        results.push_back(handler->SendTo(*empty, clientAddress));
        results.push_back(handler->RequestWrite());
    });
    SSocket descriptor(ant.AntCreateSocket());
    ASSERT_EQ(0, ant.AntConnectAsync(descriptor.handle, 1, 2, 3));
    ASSERT_TRUE(WaitFor([&] { return sessions.Read(sessions.m_writables) == 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(3, sessions.Read(sessions.m_writables)); // write interest ended with the last answer
    EXPECT_EQ((std::vector<Status>{ST_SUCCESS, ST_OUT_OF_BOUNDS, ST_SUCCESS}), results);

    std::uint8_t buffer[64];
    std::uint32_t count = 0;
    ASSERT_TRUE(WaitFor([&] { return client.Read(sizeof buffer, buffer, count) == ST_SUCCESS; }));
    EXPECT_EQ(12u, count);
    EXPECT_EQ(0x80, buffer[7]);
    EXPECT_EQ(ant.GetLocalPort(), client.GetFromAddress().GetPort());
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(descriptor.handle));
    descriptor.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST_F(AntTransport, ABurstArrivesInOrderAndKeptBuffersAreNeverReadInto)
{
    sessions.keepPackets = true;
    Start();
    constexpr int BURST = 150; // more than one event's worth
    for (int i = 0; i < BURST; ++i) {
        Send(client, ant.GetLocalPort(), Datagram(20 + i % 7, std::uint8_t(i)));
    }
    ASSERT_TRUE(WaitFor([&] { return DatagramCount() == BURST; }));
    std::lock_guard<std::mutex> lock(sessions.m_mutex);
    ASSERT_EQ(std::size_t(BURST), sessions.m_kept.size());
    for (int i = 0; i < BURST; ++i) {
        const std::vector<std::uint8_t> expected = Datagram(20 + i % 7, std::uint8_t(i));
        EXPECT_EQ(expected, sessions.m_datagrams[i]) << "datagram " << i;
        const SAntPacket& kept = *sessions.m_kept[i];
        EXPECT_EQ(expected, std::vector<std::uint8_t>(kept.Data, kept.Data + kept.Length)) << "kept buffer " << i;
    }
}

TEST_F(AntTransport, SendsOfOneFlushLeaveInOrderThoughMoreThanOneBatch)
{
    Start();
    ASSERT_EQ(ST_SUCCESS, client.Bind(CIPAddress(LOOPBACK), 0));
    ASSERT_TRUE(client.SetNonBlocking());
    CIPEndpoint clientAddress;
    EXPECT_EQ(ST_SUCCESS, client.GetLocalAddress(clientAddress));
    constexpr std::uint32_t SENDS = CAntSendBatch::CAPACITY + 6;
    std::vector<std::vector<std::uint8_t>> sent;
    std::vector<Status> results;
    sessions.duringFlush = [&] {
        CAntUDPSockHandler* handler = thread.GetUDPHandler();
        CPacketRef packet = CPacketRef::Allocate();
        for (std::uint32_t i = 0; i < SENDS; ++i) {
            // One buffer changed after each send: what leaves is what was handed over.
            CAntPacketWriter writer(*packet);
            EXPECT_EQ(ST_SUCCESS, WriteAntHeader(writer, SAntHeader::Control(AntProbe, 0, 9)));
            EXPECT_EQ(ST_SUCCESS, writer.WriteU32(i));
            sent.emplace_back(packet->Data, packet->Data + packet->Length);
            results.push_back(handler->SendTo(*packet, clientAddress));
        }
    };
    sessions.OnStart([&](const SConnectSeen&) { EXPECT_EQ(ST_SUCCESS, thread.GetUDPHandler()->RequestWrite()); });
    SSocket descriptor(ant.AntCreateSocket());
    ASSERT_EQ(0, ant.AntConnectAsync(descriptor.handle, 1, 2, 3));

    std::vector<std::vector<std::uint8_t>> received;
    ASSERT_TRUE(WaitFor([&] {
        std::uint8_t buffer[64];
        std::uint32_t count = 0;
        while (client.Read(sizeof buffer, buffer, count) == ST_SUCCESS) {
            received.emplace_back(buffer, buffer + count);
        }
        return received.size() >= SENDS;
    }));
    ASSERT_GE(sessions.Read(sessions.m_writables), 1); // the flush, and with it the hook, is over
    EXPECT_EQ(sent, received);
    EXPECT_EQ(std::vector<Status>(SENDS, ST_SUCCESS), results);
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(descriptor.handle));
    descriptor.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST_F(AntTransport, AnUnreachablePeerIsReportedByAddressAndTheSocketLivesOn)
{
    Start();
    // A loopback port nobody holds any more.
    CIPEndpoint gone;
    {
        sti::CUDPSocket holder;
        ASSERT_EQ(ST_SUCCESS, holder.Bind(CIPAddress(LOOPBACK), 0));
        ASSERT_EQ(ST_SUCCESS, holder.GetLocalAddress(gone));
    }
    // The report arrives while the socket also waits to write.
    sessions.PushWritableResults({ST_MORE_DATA, ST_MORE_DATA, ST_MORE_DATA});
    sessions.OnStart([&](const SConnectSeen&) {
        CAntUDPSockHandler* handler = thread.GetUDPHandler();
        CPacketRef packet = CPacketRef::Allocate();
        CAntPacketWriter writer(*packet);
        EXPECT_EQ(ST_SUCCESS, WriteAntHeader(writer, SAntHeader::Control(AntProbe, 0, 9)));
        EXPECT_EQ(ST_SUCCESS, writer.WriteU32(1));
        EXPECT_EQ(ST_SUCCESS, handler->SendTo(*packet, gone));
        EXPECT_EQ(ST_SUCCESS, handler->RequestWrite());
    });
    SSocket descriptor(ant.AntCreateSocket());
    ASSERT_EQ(0, ant.AntConnectAsync(descriptor.handle, 1, 2, 3));
    const bool reported = WaitFor([&] { return !sessions.Read(sessions.m_unreachables).empty(); }, 3000);
#ifdef _WIN32
    if (!reported) {
        EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(descriptor.handle));
        descriptor.handle = STI_OS::INVALID_SOCKET_HANDLE;
        GTEST_SKIP() << "this platform reports no unreachable datagrams (Wine)";
    }
#endif
    ASSERT_TRUE(reported);
    EXPECT_EQ(gone, sessions.Read(sessions.m_unreachables)[0]);
    Send(client, ant.GetLocalPort(), Datagram(5, 5));
    ASSERT_TRUE(WaitFor([&] { return DatagramCount() == 1; }));
    EXPECT_EQ(1u, sessions.Read(sessions.m_unreachables).size());
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(descriptor.handle));
    descriptor.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST_F(AntTransport, TheThreadClosesADescriptorOnlyUnderItsOwnSerial)
{
    Start();
    const STI_OS::SocketHandle first = ant.AntCreateSocket();
    ASSERT_EQ(0, ant.AntConnectAsync(first, 1, 2, 3));
    ASSERT_TRUE(WaitFor([&] { return sessions.Read(sessions.m_connects).size() == 1; }));
    const std::uint32_t firstSerial = sessions.Read(sessions.m_connects)[0].serial;
    // The user closes; a new socket most likely gets the same number.
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(first));
    SSocket second(ant.AntCreateSocket());
    ASSERT_EQ(0, ant.AntConnectAsync(second.handle, 1, 2, 3));
    ASSERT_TRUE(WaitFor([&] { return sessions.Read(sessions.m_connects).size() == 2; }));
    const std::uint32_t secondSerial = sessions.Read(sessions.m_connects)[1].serial;

    // A session of the first that fails to start must not close the second.
    EXPECT_EQ(ST_NOT_FOUND, thread.CloseUserSocket(first, firstSerial));
    EXPECT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(second.handle, true));
    EXPECT_EQ(ST_SUCCESS, thread.CloseUserSocket(second.handle, secondSerial));
    // Its owner's own close later finds nothing to close twice.
    EXPECT_EQ(ST_NOT_FOUND, ant.AntCloseSocket(second.handle));
    second.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST(AntStart, FailsAtOnceWhenNoThreadRuns)
{
    CAnt without(nullptr);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ST_FAIL, without.AntStart("localhost", 1864, 0, false));
    EXPECT_EQ(0, without.GetLocalPort());

    CFakeSessions sessions;
    CAntThread thread(sessions);
    CAnt ended(&thread);
    thread.RequestStop();
    ASSERT_EQ(ST_SUCCESS, thread.Wait(10000));
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(ST_FAIL, ended.AntStart("localhost", 1864, 0, false));
    EXPECT_LT(MillisecondsSince(start), 2000);
}

TEST_F(AntTransport, StopEndsOnceTheLastSessionIsGone)
{
    Start();
    sessions.SetSessionCount(2);
    sessions.sessionsEndWithBackends = true;
    const auto start = std::chrono::steady_clock::now();
    thread.RequestStop();
    ASSERT_EQ(ST_SUCCESS, thread.Wait(3000));
    EXPECT_LT(MillisecondsSince(start), 2000);
    EXPECT_EQ(1, sessions.Read(sessions.m_backendCloses));
    EXPECT_EQ(0, sessions.Read(sessions.m_destroys));
    EXPECT_EQ(nullptr, sessions.Read(sessions.m_handler));
    EXPECT_EQ(nullptr, sessions.Read(sessions.m_thread));
}

TEST_F(AntTransport, StopDestroysSessionsLeftAfterTheGracePeriod)
{
    Start();
    sessions.SetSessionCount(1);
    const auto start = std::chrono::steady_clock::now();
    thread.RequestStop();
    ASSERT_EQ(ST_SUCCESS, thread.Wait(15000));
    const long long elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 4900);
    EXPECT_LT(elapsed, 9000);
    EXPECT_EQ(1, sessions.Read(sessions.m_backendCloses));
    EXPECT_GE(sessions.Read(sessions.m_destroys), 1);
    // The queue is closed: later requests fail instead of vanishing.
    EXPECT_EQ(-1, ant.AntConnectAsync(STI_OS::INVALID_SOCKET_HANDLE, 1, 2, 3));
}

TEST_F(AntTransport, ConnectReturnsOnlyOnceTheSessionConnectedTheDescriptor)
{
    Start();
    SListener listener;
    std::atomic<int> result{-1};
    sessions.OnStart([&](const SConnectSeen& seen) {
        // The session needs a while to meet its peer.
        STI_OS::Sleep(300);
        result = int(thread.ConnectUserSocket(seen.descriptor, seen.serial, listener.endpoint));
    });
    SSocket descriptor(ant.AntCreateSocket());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, ant.AntConnect(descriptor.handle, 1, 2, 3));
    EXPECT_GE(MillisecondsSince(start), 250);
    ASSERT_TRUE(WaitFor([&] { return result != -1; }));
    EXPECT_TRUE(result == ST_SUCCESS || result == ST_IN_PROGRESS || result == ST_TRY_LATER) << result;

    SSocket accepted;
    ASSERT_EQ(ST_SUCCESS, STI_OS::Accept(listener.socket.handle, accepted.handle));
    std::uint32_t count = 0;
    ASSERT_EQ(ST_SUCCESS, STI_OS::Send(descriptor.handle, "ant", 3, count));
    char buffer[8] = {};
    ASSERT_EQ(ST_SUCCESS, STI_OS::Recv(accepted.handle, buffer, sizeof buffer, count));
    EXPECT_EQ(std::string("ant"), std::string(buffer, count));
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(descriptor.handle));
    descriptor.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST_F(AntTransport, ConnectGivesUpAfterItsWait)
{
    Start();
    ant.SetConnectWait(200);
    SSocket descriptor(ant.AntCreateSocket());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, ant.AntConnect(descriptor.handle, 1, 2, 3)); // nobody ever connects it
    EXPECT_GE(MillisecondsSince(start), 150);
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(descriptor.handle));
    descriptor.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST_F(AntTransport, AClosedDescriptorIsNeverConnectedEvenWhenItsNumberReturns)
{
    Start();
    const STI_OS::SocketHandle first = ant.AntCreateSocket();
    ASSERT_EQ(0, ant.AntConnectAsync(first, 1, 2, 3));
    ASSERT_TRUE(WaitFor([&] { return sessions.Read(sessions.m_connects).size() == 1; }));
    const std::uint32_t firstSerial = sessions.Read(sessions.m_connects)[0].serial;
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(first));
    EXPECT_EQ(ST_NOT_FOUND, ant.AntCloseSocket(first));
    EXPECT_EQ(-1, ant.AntConnect(first, 1, 2, 3)); // at once, not after the wait

    // A new descriptor, most likely with the old number.
    SSocket second(ant.AntCreateSocket());
    ASSERT_EQ(0, ant.AntConnectAsync(second.handle, 1, 2, 3));
    ASSERT_TRUE(WaitFor([&] { return sessions.Read(sessions.m_connects).size() == 2; }));
    const std::uint32_t secondSerial = sessions.Read(sessions.m_connects)[1].serial;
    EXPECT_NE(firstSerial, secondSerial);

    SListener listener;
    EXPECT_EQ(ST_CONNECTION_CLOSED, ant.ConnectUserSocket(first, firstSerial, listener.endpoint));
    const Status status = ant.ConnectUserSocket(second.handle, secondSerial, listener.endpoint);
    EXPECT_TRUE(status == ST_SUCCESS || status == ST_IN_PROGRESS || status == ST_TRY_LATER) << status;
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(second.handle));
    second.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST_F(AntTransport, NewDescriptorsShedStaleSessionEntries)
{
    CAntSocketMap* map = CAntSocketMap::Instance();
    ASSERT_NE(nullptr, map);
    auto* stale = reinterpret_cast<CAntSession*>(0x1000);
    const STI_OS::SocketHandle first = ant.AntCreateSocket();
    ASSERT_EQ(ST_SUCCESS, map->Insert(first, stale));
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(first));
    SSocket second(ant.AntCreateSocket());
    EXPECT_EQ(nullptr, map->Find(second.handle));
    if (second.handle == first) {
        EXPECT_EQ(nullptr, map->Find(first));
    }
    map->EraseAll(first);
    EXPECT_EQ(ST_SUCCESS, ant.AntCloseSocket(second.handle));
    second.handle = STI_OS::INVALID_SOCKET_HANDLE;
}

TEST(AntSocketMap, AGoingSessionTakesOnlyItsOwnEntry)
{
    CAntSocketMap map;
    auto* older = reinterpret_cast<CAntSession*>(0x10);
    auto* newer = reinterpret_cast<CAntSession*>(0x20);
    ASSERT_EQ(ST_SUCCESS, map.Insert(5, older));
    ASSERT_EQ(ST_SUCCESS, map.Insert(5, newer)); // replaces
    EXPECT_EQ(newer, map.Find(5));
    EXPECT_EQ(1u, map.GetCount());
    map.Erase(5, older); // the older session goes later
    EXPECT_EQ(newer, map.Find(5));
    map.Erase(5, newer);
    EXPECT_EQ(nullptr, map.Find(5));
    EXPECT_EQ(ST_SUCCESS, map.Insert(6, older));
    map.EraseAll(6);
    EXPECT_EQ(0u, map.GetCount());
}

TEST_F(AntTransport, AntSocketConnectsThroughTheTransport)
{
    Start();
    SListener listener;
    sessions.OnStart([&](const SConnectSeen& seen) {
        const Status connected = thread.ConnectUserSocket(seen.descriptor, seen.serial, listener.endpoint);
        // The last socket is closed before its connect comes: ST_CONNECTION_CLOSED.
        EXPECT_TRUE(connected == ST_SUCCESS || connected == ST_IN_PROGRESS || connected == ST_CONNECTION_CLOSED)
            << StatusText(connected);
    });
    {
        CAntSocket socket(&ant);
        ASSERT_EQ(ST_SUCCESS, socket.Connect(CAntAddress(1, 2, 3), false));
        EXPECT_EQ(sti::STATE_CONNECTED, socket.GetState());
        EXPECT_TRUE(socket.IsNonBlocking());
        EXPECT_EQ(ST_SUCCESS, socket.SetLevel(1));
        const STI_OS::SocketHandle handle = socket.GetHandle();
        socket.Close();
        EXPECT_FALSE(socket.IsOpen());
        EXPECT_EQ(ST_NOT_FOUND, ant.AntCloseSocket(handle)); // closed through the transport
        EXPECT_EQ(ST_IN_PROGRESS, socket.Connect(CAntAddress(1, 2, 3), true));
        EXPECT_EQ(sti::STATE_CONNECTING, socket.GetState());
        EXPECT_EQ(ST_IN_USE, socket.Connect(CAntAddress(1, 2, 3), true));
    }
    ant.SetConnectWait(100);
    sessions.OnStart(nullptr);
    CAntSocket unanswered(&ant);
    EXPECT_EQ(ST_SOCKET_ERROR, unanswered.Connect(CAntAddress(1, 2, 3), false));
    EXPECT_FALSE(unanswered.IsOpen());
}

TEST(AntSocket, FailsWithoutARunningTransport)
{
    CAnt without(nullptr);
    CAntSocket socket(&without);
    EXPECT_EQ(ST_SOCKET_ERROR, socket.Connect(CAntAddress(1, 2, 3), false));
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(ST_SOCKET_ERROR, socket.Connect(CAntAddress(1, 2, 3), true));
    EXPECT_EQ(ST_COMMUNICATION_ERROR, socket.SetLevel(2));
}

TEST(AntProcessTransport, StartsOnTheProcessAntThread)
{
    CAnt* ant = CAnt::Instance();
    ASSERT_NE(nullptr, ant);
    EXPECT_EQ(ST_SUCCESS, ant->AntStart("localhost", 1864, 0, false));
    EXPECT_NE(0, ant->GetLocalPort());
    EXPECT_EQ(ant, CAnt::Instance());
}

} // namespace
