#include <gtest/gtest.h>

#include "infra/IPAddress.h"
#include "infra/ProxyTCPSocket.h"
#include "infra/os/Socket.h"

#include <cstring>

using namespace sti;

namespace {

constexpr std::uint32_t LOOPBACK = 0x7F000001;

// A socket bound to a free loopback port; listening when asked.
class CLocalPort {
public:
    explicit CLocalPort(bool listen)
    {
        EXPECT_EQ(ST_SUCCESS, STI_OS::CreateTCPSocket(m_handle));
        EXPECT_EQ(ST_SUCCESS, STI_OS::Bind(m_handle, LOOPBACK, 0));
        if (listen) {
            EXPECT_EQ(ST_SUCCESS, STI_OS::Listen(m_handle, 4));
        }
        std::uint32_t address = 0;
        EXPECT_EQ(ST_SUCCESS, STI_OS::GetSockName(m_handle, address, m_port));
    }
    // Teardown: a failed close changes nothing the test checks.
    ~CLocalPort() { (void)STI_OS::CloseSocket(m_handle); } // teardown: nothing to check
    CLocalPort(const CLocalPort&) = delete;
    CLocalPort& operator=(const CLocalPort&) = delete;

    CIPEndpoint Endpoint() const { return CIPEndpoint(CIPAddress(LOOPBACK), m_port); }
    STI_OS::SocketHandle Accept()
    {
        STI_OS::SocketHandle accepted = STI_OS::INVALID_SOCKET_HANDLE;
        EXPECT_EQ(ST_SUCCESS, STI_OS::Accept(m_handle, accepted));
        return accepted;
    }

private:
    STI_OS::SocketHandle m_handle = STI_OS::INVALID_SOCKET_HANDLE;
    std::uint16_t m_port = 0;
};

} // namespace

TEST(ProxyTCPSocket, DirectConnectBehavesLikeAPlainTCPSocket)
{
    CLocalPort server(true);
    CProxyTCPSocket socket;
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(ST_SUCCESS, socket.SetProxy(CProxyTCPSocket::PROXY_DIRECT, CIPEndpoint(), "", ""));
    ASSERT_EQ(ST_SUCCESS, socket.Connect(server.Endpoint()));
    EXPECT_EQ(STATE_CONNECTED, socket.GetState());
    EXPECT_FALSE(socket.IsNonBlocking()) << "the direct strategy connects in blocking mode";
    EXPECT_EQ(LOOPBACK, socket.GetPeerAddress());
    EXPECT_EQ(server.Endpoint().GetPort(), socket.GetPeerPort());

    const STI_OS::SocketHandle peer = server.Accept();
    std::uint32_t count = 0;
    EXPECT_EQ(ST_SUCCESS, socket.Write(5, "hello", count));
    EXPECT_EQ(5u, count);
    char buffer[8] = {};
    std::uint32_t got = 0;
    while (got < 5) {
        std::uint32_t n = 0;
        ASSERT_EQ(ST_SUCCESS, STI_OS::Recv(peer, buffer + got, sizeof buffer - got, n));
        got += n;
    }
    EXPECT_EQ(0, std::memcmp("hello", buffer, 5));

    ASSERT_EQ(ST_SUCCESS, STI_OS::Send(peer, "back", 4, count));
    got = 0;
    while (got < 4) {
        std::uint32_t n = 0;
        ASSERT_EQ(ST_SUCCESS, socket.Read(sizeof buffer - got, buffer + got, n));
        got += n;
    }
    EXPECT_EQ(0, std::memcmp("back", buffer, 4));
    EXPECT_EQ(ST_SUCCESS, socket.Write(0, "", count)) << "an empty write returns at once";
    EXPECT_EQ(0u, count);

    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(peer));
    EXPECT_EQ(ST_CONNECTION_CLOSED, socket.Read(sizeof buffer, buffer, got));
    socket.Close();
    EXPECT_FALSE(socket.IsOpen());
    EXPECT_EQ(STATE_NOT_CONNECTED, socket.GetState());
}

TEST(ProxyTCPSocket, RefusedConnectLeavesTheSocketClosedAndReusable)
{
    CProxyTCPSocket socket;
    {
        CLocalPort nobody(false);
        EXPECT_EQ(ST_CONN_REFUSED, socket.Connect(nobody.Endpoint()));
    }
    EXPECT_EQ(STI_OS::INVALID_SOCKET_HANDLE, socket.GetHandle());
    EXPECT_EQ(STATE_NOT_CONNECTED, socket.GetState());

    CLocalPort server(true);
    EXPECT_EQ(ST_SUCCESS, socket.Connect(server.Endpoint()));
    EXPECT_TRUE(socket.IsOpen());
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(server.Accept()));
}

TEST(ProxyTCPSocket, KindWithoutAStrategyConnectsNothing)
{
    CLocalPort server(true);
    CProxyTCPSocket socket;
    EXPECT_EQ(ST_SUCCESS, socket.SetProxy(2, server.Endpoint(), "user", "secret"));
    EXPECT_EQ(2, socket.GetProxyKind());
    EXPECT_EQ("user", socket.GetUser());
    EXPECT_EQ(ST_NOT_IMPLEMENTED, socket.Connect(server.Endpoint()));
    EXPECT_FALSE(socket.IsOpen());
}
