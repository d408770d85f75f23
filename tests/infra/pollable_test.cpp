#include "infra/Pipe.h"
#include "infra/TCPSocket.h"
#include "infra/UDPSocket.h"
#include "infra/os/Clock.h"

#include "reactor_test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace reactor_test;

namespace {

TEST(Pipe, CarriesBytesUnchangedAndInOrderBothWays)
{
    std::unique_ptr<sti::CPipe> first;
    std::unique_ptr<sti::CPipe> second;
    ASSERT_EQ(ST_SUCCESS, sti::CPipe::CreatePair(first, second));
    ASSERT_TRUE(first->IsOpen());
    ASSERT_TRUE(second->IsOpen());
    std::string sent;
    for (int i = 0; i < 256; ++i) {
        sent.push_back(static_cast<char>(i));
    }
    ASSERT_TRUE(WriteAll(*first, sent));
    ASSERT_TRUE(WriteAll(*first, "tail"));
    std::string received;
    while (received.size() < sent.size() + 4) {
        std::string part = ReadSome(second->GetHandle(), 1000);
        ASSERT_FALSE(part.empty());
        received += part;
    }
    EXPECT_EQ(sent + "tail", received);
    ASSERT_TRUE(WriteAll(*second, "back"));
    EXPECT_EQ("back", ReadSome(first->GetHandle(), 16));
    EXPECT_EQ(ST_SUCCESS, first->GetSocketError());
}

TEST(Pipe, ClosedEndHasNoHandleAndReadsGiveWouldBlockWhenEmpty)
{
    std::unique_ptr<sti::CPipe> first;
    std::unique_ptr<sti::CPipe> second;
    ASSERT_EQ(ST_SUCCESS, sti::CPipe::CreatePair(first, second));
    ASSERT_TRUE(second->SetNonBlocking());
    EXPECT_TRUE(second->IsNonBlocking());
    char byte = 0;
    std::uint32_t count = 7;
    Status status = second->Read(1, &byte, count);
    EXPECT_TRUE(status == ST_TRY_LATER || status == ST_WOULD_BLOCK || status == ST_TIMEOUT) << status;
    EXPECT_EQ(0u, count);
    first->Close();
    EXPECT_EQ(STI_OS::INVALID_SOCKET_HANDLE, first->GetHandle());
    EXPECT_FALSE(first->IsOpen());
    EXPECT_EQ(ST_CONNECTION_CLOSED, second->Read(1, &byte, count));
}

TEST(TCPSocket, ConnectToAListenerConnectsAtOnceOrIsInProgress)
{
    CListener listener;
    ASSERT_NE(0, listener.Port());
    sti::CTCPSocket blocking;
    ASSERT_EQ(ST_SUCCESS, blocking.Connect(CIPEndpoint(CIPAddress(LOOPBACK), listener.Port()), false));
    EXPECT_EQ(sti::STATE_CONNECTED, blocking.GetState());
    EXPECT_EQ(LOOPBACK, blocking.GetPeerAddress());
    EXPECT_EQ(listener.Port(), blocking.GetPeerPort());

    sti::CTCPSocket nonBlocking;
    Status status = nonBlocking.Connect(CIPEndpoint(CIPAddress(LOOPBACK), listener.Port()), true);
    ASSERT_TRUE(status == ST_SUCCESS || status == ST_IN_PROGRESS) << status;
    EXPECT_EQ(status == ST_SUCCESS ? sti::STATE_CONNECTED : sti::STATE_CONNECTING, nonBlocking.GetState());
    EXPECT_TRUE(nonBlocking.IsNonBlocking());
    EXPECT_TRUE(nonBlocking.IsOpen());
    EXPECT_EQ(ST_IN_USE, nonBlocking.Connect(CIPEndpoint(CIPAddress(LOOPBACK), listener.Port()), true));

    nonBlocking.Close();
    EXPECT_FALSE(nonBlocking.IsOpen());
    EXPECT_EQ(sti::STATE_NOT_CONNECTED, nonBlocking.GetState());
}

TEST(TCPSocket, RefusedConnectLeavesNoHandleAndStateZero)
{
    sti::CTCPSocket socket;
    Status status = socket.Connect(CIPEndpoint(CIPAddress(LOOPBACK), UnusedPort()), false);
    EXPECT_EQ(ST_CONN_REFUSED, status);
    EXPECT_EQ(STI_OS::INVALID_SOCKET_HANDLE, socket.GetHandle());
    EXPECT_EQ(sti::STATE_NOT_CONNECTED, socket.GetState());
    EXPECT_EQ(-1, socket.GetPeerPort());
}

TEST(TCPSocket, AcceptedHandleKnowsItsPeer)
{
    CListener listener;
    sti::CTCPSocket client;
    ASSERT_EQ(ST_SUCCESS, client.Connect(CIPEndpoint(CIPAddress(LOOPBACK), listener.Port()), false));
    STI_OS::SocketHandle accepted = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_EQ(ST_SUCCESS, STI_OS::Accept(listener.Handle(), accepted));
    sti::CTCPSocket server;
    server.AttachHandle(accepted);
    EXPECT_EQ(LOOPBACK, server.GetPeerAddress());
    EXPECT_GT(server.GetPeerPort(), 0);
    ASSERT_TRUE(WriteAll(server, "hello"));
    char buffer[16];
    std::uint32_t count = 0;
    ASSERT_EQ(ST_SUCCESS, client.Read(sizeof buffer, buffer, count));
    EXPECT_EQ("hello", std::string(buffer, count));
}

TEST(UDPSocket, WriteNeedsAConnectedStateAndReadKeepsTheSender)
{
    sti::CUDPSocket receiver;
    ASSERT_EQ(ST_SUCCESS, receiver.Bind(CIPAddress(LOOPBACK), 0));
    EXPECT_TRUE(receiver.IsBound());
    EXPECT_EQ(ST_IN_USE, receiver.Bind(0));
    CIPEndpoint local;
    ASSERT_EQ(ST_SUCCESS, receiver.GetLocalAddress(local));
    ASSERT_NE(0, local.GetPort());

    sti::CUDPSocket sender;
    ASSERT_EQ(ST_SUCCESS, sender.Bind(CIPAddress(LOOPBACK), 0));
    std::uint32_t count = 9;
    EXPECT_EQ(ST_NOT_CONNECTED, sender.Write(3, "abc", count));
    EXPECT_EQ(0u, count);

    ASSERT_TRUE(receiver.SetNonBlocking());
    char buffer[64];
    Status nothing = receiver.Read(sizeof buffer, buffer, count);
    EXPECT_NE(ST_SUCCESS, nothing);
    EXPECT_EQ(0, receiver.GetFromAddress().GetPort()); // unchanged by a read of nothing

    std::uint32_t sent = 0;
    ASSERT_EQ(ST_SUCCESS, sender.SendTo(5, "dgram", CIPAddress(LOOPBACK), local.GetPort(), sent));
    EXPECT_EQ(5u, sent);
    CIPEndpoint from;
    ASSERT_EQ(ST_SUCCESS, sender.GetLocalAddress(from));
    Status status = ST_TRY_LATER;
    for (int i = 0; i < 200 && status != ST_SUCCESS; ++i) {
        status = receiver.Read(sizeof buffer, buffer, count);
        if (status != ST_SUCCESS) {
            STI_OS::Sleep(5);
        }
    }
    ASSERT_EQ(ST_SUCCESS, status);
    EXPECT_EQ("dgram", std::string(buffer, count));
    EXPECT_EQ(from.GetPort(), receiver.GetFromAddress().GetPort());
    EXPECT_EQ(LOOPBACK, receiver.GetFromAddress().GetAddress().Get());

    // A UDP close keeps the handle; only the object's end closes it.
    receiver.Close();
    EXPECT_TRUE(receiver.IsOpen());
    EXPECT_EQ(ST_SUCCESS, receiver.GetSocketError());
}

} // namespace
