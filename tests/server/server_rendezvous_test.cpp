#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "infra/os/Poller.h"
#include "infra/os/Socket.h"
#include "support/ServerRunner.h"
#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/wire/AntPacketStream.h"

namespace {

constexpr std::uint32_t LOOPBACK = 0x7F000001;

using Datagram = std::vector<std::uint8_t>;

// A client's own UDP socket on the loopback.
class CUdpClient {
public:
    explicit CUdpClient(std::uint32_t bindTo = LOOPBACK)
    {
        EXPECT_EQ(ST_SUCCESS, STI_OS::CreateUDPSocket(m_socket));
        EXPECT_EQ(ST_SUCCESS, STI_OS::Bind(m_socket, bindTo, 0));
        EXPECT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(m_socket, true));
        std::uint32_t address = 0;
        EXPECT_EQ(ST_SUCCESS, STI_OS::GetSockName(m_socket, address, m_port));
        EXPECT_EQ(ST_SUCCESS, STI_OS::PollInit(m_poll));
        EXPECT_EQ(ST_SUCCESS, STI_OS::PollRegister(m_poll, m_socket, STI_OS::POLL_READ));
    }
    ~CUdpClient()
    {
        EXPECT_EQ(ST_SUCCESS, STI_OS::PollRelease(m_poll));
        EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(m_socket));
    }
    CUdpClient(const CUdpClient&) = delete;
    CUdpClient& operator=(const CUdpClient&) = delete;

    std::uint16_t Port() const { return m_port; }

    Status Send(const Datagram& bytes, std::uint16_t port)
    {
        return STI_OS::SendTo(m_socket, bytes.data(), static_cast<std::uint32_t>(bytes.size()), LOOPBACK, port);
    }

    // The next datagram within the time; ST_TIMEOUT when none came.
    Status Receive(Datagram& bytes, std::uint32_t milliseconds = 10000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            bytes.assign(2048, 0);
            std::uint32_t count = 0;
            std::uint32_t address = 0;
            std::uint16_t port = 0;
            const Status status = STI_OS::RecvFrom(m_socket, bytes.data(), 2048, count, address, port);
            if (status == ST_SUCCESS) {
                bytes.resize(count);
                return ST_SUCCESS;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return ST_TIMEOUT;
            EXPECT_EQ(ST_SUCCESS, STI_OS::PollWait(m_poll, static_cast<std::uint32_t>(left.count())));
        }
    }

private:
    STI_OS::SocketHandle m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::PollHandle m_poll;
    std::uint16_t m_port = 0;
};

// The counter tells the answers apart: a relay echoes the counter of the request it answers.
Datagram Request(std::uint64_t key, std::uint32_t own, std::uint32_t peer, std::uint16_t counter,
                 std::uint16_t localPort = 0, const std::vector<std::uint32_t>& locals = {})
{
    SAntPacket packet{};
    CAntPacketWriter writer(packet);
    EXPECT_EQ(ST_SUCCESS, WriteAntHeader(writer, SAntHeader::Control(AntConnectRequest, counter, 0)));
    SAntConnectRequestBody body;
    body.OwnId = own;
    body.PeerId = peer;
    body.Key = key;
    body.LocalPort = localPort;
    body.LocalAddresses = locals;
    EXPECT_EQ(ST_SUCCESS, WriteAntBody(writer, body));
    return Datagram(packet.Data, packet.Data + packet.Length);
}

struct SRelay {
    SAntHeader Header;
    SAntConnectRelayBody Body;
};

// A datagram that must be a whole relay.
::testing::AssertionResult ReadRelay(const Datagram& bytes, SRelay& relay)
{
    SAntPacket packet{};
    if (bytes.size() > ANT_MAX_DATAGRAM)
        return ::testing::AssertionFailure() << bytes.size() << " bytes";
    std::copy(bytes.begin(), bytes.end(), packet.Data);
    packet.Length = static_cast<std::uint32_t>(bytes.size());
    CAntPacketReader reader(packet);
    if (ReadAntHeader(reader, relay.Header) != ST_SUCCESS || relay.Header.GetType() != AntConnectRelay)
        return ::testing::AssertionFailure() << "not a relay";
    if (ReadAntBody(reader, relay.Body) != ST_SUCCESS || reader.GetRemaining() != 0)
        return ::testing::AssertionFailure() << "relay body of " << bytes.size() << " bytes";
    return ::testing::AssertionSuccess();
}

std::size_t Count(const std::string& text, const std::string& piece)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

bool LogShows(const CServerRunner& server, const std::string& piece, std::size_t times)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Count(server.LogText(), piece) < times) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class Rendezvous : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.Started()); }

    // The next datagram of the client must be the relay answering its request with the counter,
    // about the other side: nothing may have come before it.
    void ExpectNextRelay(CUdpClient& client, std::uint16_t counter, std::uint64_t key, const CUdpClient& other,
                         SRelay* copy = nullptr)
    {
        Datagram bytes;
        SRelay relay;
        ASSERT_EQ(client.Receive(bytes), ST_SUCCESS);
        ASSERT_TRUE(ReadRelay(bytes, relay));
        EXPECT_EQ(relay.Header.GetValue(), counter);
        EXPECT_EQ(relay.Body.Key, key);
        EXPECT_EQ(relay.Body.Requester.Address, LOOPBACK);
        EXPECT_EQ(relay.Body.Requester.Port, other.Port());
        if (copy)
            *copy = relay;
    }

    // Pairs a (id 10) and b (id 20) under the key.
    void Pair(CUdpClient& a, CUdpClient& b, std::uint64_t key, std::uint16_t counter)
    {
        ASSERT_EQ(a.Send(Request(key, 10, 20, counter), server.Port()), ST_SUCCESS);
        ASSERT_TRUE(LogShows(server, "waits for id 20", ++waits));
        ASSERT_EQ(b.Send(Request(key, 20, 10, counter + 1), server.Port()), ST_SUCCESS);
        ExpectNextRelay(b, counter + 1, key, a);
        ExpectNextRelay(a, counter, key, b);
    }

    CServerRunner server;
    std::size_t waits = 0;
};

TEST_F(Rendezvous, PairsTwoSidesAndTellsEachTheOtherThenAnswersRepeats)
{
    CUdpClient a;
    CUdpClient b;
    const std::uint64_t key = 0xA1B2C3D4E5F60718ull;
    ASSERT_EQ(a.Send(Request(key, 1, 2, 1, 4321, {0x0A000005}), server.Port()), ST_SUCCESS);
    ASSERT_TRUE(LogShows(server, "waits for id 2", 1));
    ASSERT_EQ(b.Send(Request(key, 2, 1, 40), server.Port()), ST_SUCCESS);

    SRelay toB;
    ExpectNextRelay(b, 40, key, a, &toB);
    EXPECT_EQ(toB.Body.LocalPort, 4321);
    EXPECT_EQ(toB.Body.LocalAddresses, std::vector<std::uint32_t>{0x0A000005});
    SRelay toA;
    ExpectNextRelay(a, 1, key, b, &toA);
    EXPECT_EQ(toA.Body.LocalPort, 0);
    EXPECT_TRUE(toA.Body.LocalAddresses.empty());

    // B's relay was lost: its repeat is answered again, and only B hears of it (an answer to A
    // would come before the one to A's own repeat).
    ASSERT_EQ(b.Send(Request(key, 2, 1, 41), server.Port()), ST_SUCCESS);
    ExpectNextRelay(b, 41, key, a);
    ASSERT_EQ(a.Send(Request(key, 1, 2, 2), server.Port()), ST_SUCCESS);
    ExpectNextRelay(a, 2, key, b);
}

TEST_F(Rendezvous, BadDatagramsAreDroppedWithALogLineAndNeverAnswered)
{
    CUdpClient a;
    CUdpClient b;
    const Datagram good = Request(0x55, 10, 20, 1, 0, {LOOPBACK});
    Datagram cut = good;
    cut.pop_back();
    Datagram trailing = good;
    trailing.push_back(0);
    Datagram hello(ANT_HEADER_SIZE + ANT_HELLO_BODY_SIZE, 0);
    hello[7] = 0x83;
    Datagram data(100, 0x11);
    data[7] = 0x00; // a data packet
    // A count of 300 addresses behind a body that holds one.
    Datagram lying = good;
    lying[ANT_HEADER_SIZE + 18] = 0x2C;
    lying[ANT_HEADER_SIZE + 19] = 0x01;
    const std::vector<Datagram> bad = {
        Datagram(3, 0x81), cut, trailing, hello, data, lying, Datagram(ANT_MAX_DATAGRAM + 1, 0x81)};
    for (const Datagram& datagram : bad)
        ASSERT_EQ(a.Send(datagram, server.Port()), ST_SUCCESS);
    ASSERT_TRUE(LogShows(server, "rendezvous: dropped", bad.size()));
    EXPECT_EQ(server.LogText().find("waits for"), std::string::npos);
    // Anything answered to them would arrive before the relay.
    Pair(a, b, 0x55, 100);
}

TEST_F(Rendezvous, AThirdCopyOfAPairedKeyIsRefusedAndNotAnswered)
{
    CUdpClient a;
    CUdpClient b;
    CUdpClient c;
    Pair(a, b, 0x77, 1);
    ASSERT_EQ(c.Send(Request(0x77, 30, 10, 50), server.Port()), ST_SUCCESS);
    ASSERT_TRUE(LogShows(server, "refused: the key belongs to other clients", 1));
    // Ids that name B: it is B having moved, and it gets B's answer, as the first datagram.
    ASSERT_EQ(c.Send(Request(0x77, 20, 10, 51), server.Port()), ST_SUCCESS);
    ExpectNextRelay(c, 51, 0x77, a);
    ASSERT_EQ(a.Send(Request(0x77, 10, 20, 3), server.Port()), ST_SUCCESS);
    ExpectNextRelay(a, 3, 0x77, c);
}

TEST(RendezvousPort, ServerRefusesToStartWhenItsUdpPortIsTaken)
{
    // The TCP port of the same number may be busy too (other tests connect meanwhile): then
    // another number is tried.
    for (int attempt = 0; attempt < 20; ++attempt) {
        STI_OS::SocketHandle holder = STI_OS::INVALID_SOCKET_HANDLE;
        ASSERT_EQ(STI_OS::CreateUDPSocket(holder), ST_SUCCESS);
        ASSERT_EQ(STI_OS::Bind(holder, LOOPBACK, 0), ST_SUCCESS);
        std::uint32_t address = 0;
        std::uint16_t port = 0;
        ASSERT_EQ(STI_OS::GetSockName(holder, address, port), ST_SUCCESS);
        std::string log;
        bool started = false;
        {
            CServerRunner server([port](TarnixServer::SServerOptions& options) { options.ListenPort = port; });
            started = server.Started();
            log = server.LogText();
        }
        EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(holder));
        EXPECT_FALSE(started);
        if (log.find("cannot listen on") != std::string::npos)
            continue;
        EXPECT_NE(log.find("cannot bind the rendezvous socket to UDP 127.0.0.1:" + std::to_string(port)),
                  std::string::npos)
            << log;
        return;
    }
    FAIL() << "no port was free for TCP";
}

TEST_F(Rendezvous, OneAddressFloodingNewKeysLeavesRoomForOthers)
{
    // 11,000 keys from one address (its own port for each would change nothing).
    CUdpClient flooder(LOOPBACK + 1);
    for (std::uint64_t key = 1; key <= 11000; ++key) {
        EXPECT_EQ(ST_SUCCESS, flooder.Send(Request(key, 7, 8, 0), server.Port()));
        if (key % 64 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(LogShows(server, "keys already", 1));
    // Wine sends from 127.0.0.1 whatever other loopback address the socket was bound to.
    if (server.LogText().find("127.0.0.2:") == std::string::npos)
        GTEST_SKIP() << "the datagrams did not come from a second loopback address";
    EXPECT_EQ(Count(server.LogText(), "waits for id 8"), TarnixServer::CRendezvousTable::MAX_KEYS_PER_SOURCE);
    CUdpClient a;
    CUdpClient b;
    Pair(a, b, 0x5EEDull, 3);
    EXPECT_EQ(Count(server.LogText(), "keys already"), 1u);
}

} // namespace
