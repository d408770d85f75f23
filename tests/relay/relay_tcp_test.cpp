#include "support/RelayHarness.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>

using namespace RelayTest;
using TarnixRelay::CFd;

namespace {

const SEndpoint kListen = Loopback(2);
const SEndpoint kOutside = Loopback(3);

CFd BlockingConnect(const SEndpoint& to)
{
    CFd fd(::socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in addr = to.ToSockaddr();
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0)
        return CFd();
    return fd;
}

// Waits up to timeoutMs for a connection; returns it and the caller's address.
CFd AcceptWithin(int listener, SEndpoint& peer, int timeoutMs)
{
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1)
        return CFd();
    sockaddr_in addr;
    socklen_t len = sizeof(addr);
    CFd fd(::accept(listener, reinterpret_cast<sockaddr*>(&addr), &len));
    peer = SEndpoint::FromSockaddr(addr);
    // Blocking from here on.
    ::fcntl(fd.Get(), F_SETFL, 0);
    return fd;
}

bool SendAll(int fd, const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads until the other side ends (or timeoutMs passes without a byte); false on an error.
bool ReadToEnd(int fd, std::vector<std::uint8_t>& out, int timeoutMs = 5000)
{
    std::uint8_t chunk[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return false;
        const ssize_t n = ::recv(fd, chunk, sizeof(chunk), 0);
        if (n == 0)
            return true;
        if (n < 0)
            return false;
        out.insert(out.end(), chunk, chunk + n);
    }
}

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(generator());
    return bytes;
}

} // namespace

TEST(RelayTcp, ForwardsBytesExactlyBothWaysFromTheOutsideAddressAndPassesHalfCloses)
{
    std::string error;
    CFd listener = TarnixRelay::OpenTcpListener(Loopback(1), error);
    ASSERT_TRUE(listener.Valid()) << error;
    const SEndpoint server = TarnixRelay::LocalEndpoint(listener.Get());
    CRunningRelay relay(kListen, server, Loopback(1, 9), kOutside);
    ASSERT_TRUE(relay.Ok()) << relay.Error();

    const auto upBytes = RandomBytes(3 * 1024 * 1024 + 17, 1);
    const auto downBytes = RandomBytes(1024 * 1024 + 5, 2);
    std::vector<std::uint8_t> serverGot;
    SEndpoint seenFrom;
    std::atomic<bool> serverOk{false};
    std::thread serverThread([&] {
        CFd conn = AcceptWithin(listener.Get(), seenFrom, 5000);
        if (!conn.Valid())
            return;
        // The copy's end arrives as an end here, while the way back stays open.
        if (!ReadToEnd(conn.Get(), serverGot))
            return;
        serverOk = SendAll(conn.Get(), downBytes);
    });

    CFd client = BlockingConnect(relay.Inside());
    ASSERT_TRUE(client.Valid());
    ASSERT_TRUE(SendAll(client.Get(), upBytes));
    ::shutdown(client.Get(), SHUT_WR);
    std::vector<std::uint8_t> clientGot;
    const bool clientOk = ReadToEnd(client.Get(), clientGot);
    serverThread.join();

    ASSERT_TRUE(serverOk);
    ASSERT_TRUE(clientOk);
    EXPECT_TRUE(serverGot == upBytes);
    EXPECT_TRUE(clientGot == downBytes);
    EXPECT_EQ(kOutside.Address, seenFrom.Address);

    const auto stats = relay.StopAndCollect();
    EXPECT_EQ(1u, stats.TcpConnections);
    EXPECT_EQ(upBytes.size(), stats.TcpBytesUp);
    EXPECT_EQ(downBytes.size(), stats.TcpBytesDown);
}

TEST(RelayTcp, SeveralConnectionsAtOnceStayApart)
{
    std::string error;
    CFd listener = TarnixRelay::OpenTcpListener(Loopback(1), error);
    ASSERT_TRUE(listener.Valid()) << error;
    CRunningRelay relay(kListen, TarnixRelay::LocalEndpoint(listener.Get()), Loopback(1, 9), kOutside);
    ASSERT_TRUE(relay.Ok()) << relay.Error();

    const int count = 5;
    std::vector<CFd> clients;
    std::vector<CFd> served;
    for (int i = 0; i < count; ++i) {
        clients.push_back(BlockingConnect(relay.Inside()));
        ASSERT_TRUE(clients.back().Valid());
        SEndpoint peer;
        served.push_back(AcceptWithin(listener.Get(), peer, 5000));
        ASSERT_TRUE(served.back().Valid());
    }
    // Each served side tells which client it belongs to by its first bytes.
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(SendAll(clients[i].Get(), RandomBytes(1000 + i, 10 + i)));
    for (int i = 0; i < count; ++i) {
        ::shutdown(clients[i].Get(), SHUT_WR);
        std::vector<std::uint8_t> got;
        ASSERT_TRUE(ReadToEnd(served[i].Get(), got));
        EXPECT_TRUE(got == RandomBytes(1000 + i, 10 + i)) << i;
        served[i].Reset();
        std::vector<std::uint8_t> rest;
        EXPECT_TRUE(ReadToEnd(clients[i].Get(), rest));
        EXPECT_TRUE(rest.empty());
    }
}

TEST(RelayTcp, ACopyIsCutOffWhenTheServerCannotBeReached)
{
    // A port that nothing listens on.
    std::string error;
    SEndpoint dead;
    {
        CFd probe = TarnixRelay::OpenTcpListener(Loopback(1), error);
        ASSERT_TRUE(probe.Valid()) << error;
        dead = TarnixRelay::LocalEndpoint(probe.Get());
    }
    CRunningRelay relay(kListen, dead, Loopback(1, 9), kOutside);
    ASSERT_TRUE(relay.Ok()) << relay.Error();
    CFd client = BlockingConnect(relay.Inside());
    ASSERT_TRUE(client.Valid());
    std::vector<std::uint8_t> got;
    pollfd p{client.Get(), POLLIN, 0};
    ASSERT_EQ(1, ::poll(&p, 1, 5000));
    std::uint8_t byte;
    EXPECT_LE(::recv(client.Get(), &byte, 1, 0), 0);
}
