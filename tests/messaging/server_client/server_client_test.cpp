#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

#include "infra/Dispatcher.h"
#include "infra/IPAddress.h"
#include "infra/ProxyTCPSocket.h"
#include "infra/os/Clock.h"
#include "messaging/ClientBufferAllocator.h"
#include "messaging/CommandHandler.h"
#include "messaging/Communicator.h"
#include "messaging/KV2SockHandler.h"
#include "messaging/Protocol.h"
#include "messaging/RoutingStrategy.h"
#include "messaging/SessionKeys.h"
#include "server/Server.h"

using namespace KV2Protocol;

namespace {

constexpr std::uint32_t LOOPBACK = 0x7F000001;

struct SReceived {
    CMsgHeader Header;
    std::vector<std::uint8_t> Body;
};

// A client put together as the service does it: a direct proxy socket connected in blocking mode,
// the service's socket handler bound through a communicator with the client's strategy, the
// service's commands handled here, the codec installed while a keyed log-in reply is handled.
// The in-process server's loop and this thread's dispatcher take turns, so nothing races.
class CServiceLikeClient : public CCommandHandler, public KV2Service::IConnectionClosedSink {
public:
    explicit CServiceLikeClient(std::unique_ptr<TarnixServer::CServer>& server) : m_server(server)
    {
        EXPECT_EQ(ST_SUCCESS, m_communicator.Init(0, false, ClientBufferAllocator<MSG_MAX_LENGTH>::Instance(),
                                                  std::make_unique<CClientRoutingStrategy>()));
        for (std::uint16_t code : {2, 4, 5, 7, 10, 28, 30, 33, 35})
            EXPECT_EQ(ST_SUCCESS, m_communicator.RegisterCommand(code, this, false));
    }
    ~CServiceLikeClient() override
    {
        Close();
        EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(0)); // deletes a connection that was lost on its own
    }

    Status Connect(std::uint32_t address, std::uint16_t port)
    {
        Close();
        std::unique_ptr<sti::CProxyTCPSocket> socket(new sti::CProxyTCPSocket);
        EXPECT_EQ(ST_SUCCESS, socket->SetProxy(sti::CProxyTCPSocket::PROXY_DIRECT, CIPEndpoint(), "", ""));
        Status status = socket->Connect(CIPEndpoint(CIPAddress(address), port));
        if (status != ST_SUCCESS)
            return status;
        std::unique_ptr<KV2Service::CKV2SockHandler> handler(
            new KV2Service::CKV2SockHandler(*this, m_communicator, std::make_unique<CKV2ClientMsgSockVerifier>()));
        status = m_communicator.AddHandler(socket.get(), handler.get());
        if (status == ST_SUCCESS) {
            handler.release(); // lives as long as the connection
            m_socket = socket.release();
        }
        return status;
    }

    void Close()
    {
        if (m_socket) {
            EXPECT_EQ(ST_SUCCESS, m_communicator.RemoveHandler(m_socket));
        }
        m_socket = nullptr;
    }

    Status Send(std::uint32_t destination, std::uint16_t command, const std::function<void(CMsgStream&)>& write)
    {
        CMsgStream stream;
        Status status = m_communicator.AllocMessage(stream);
        if (status == ST_SUCCESS && write)
            write(stream);
        if (status == ST_SUCCESS)
            status = m_communicator.Send(destination, 0, command, stream.Buffer(), 1);
        m_communicator.FreeMessage(stream);
        return status;
    }

    bool TurnUntil(const std::function<bool()>& done)
    {
        const std::uint64_t deadline = STI_OS::GetClock() + 5000;
        while (!done() && STI_OS::GetClock() < deadline) {
            if (m_server) {
                EXPECT_EQ(ST_SUCCESS, m_server->RunTurn(0));
            }
            EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(2));
        }
        return done();
    }

    // The next message of the command; a body reader over a copy of it.
    bool WaitFor(std::uint16_t command, SReceived& message)
    {
        auto found = m_received.end();
        TurnUntil([&] {
            found = std::find_if(m_received.begin(), m_received.end(),
                                 [&](const SReceived& r) { return r.Header.CommandCode() == command; });
            return found != m_received.end();
        });
        if (found == m_received.end())
            return false;
        message = *found;
        m_received.erase(found);
        return true;
    }

    Status HandleCommand(const SMsgConnectionContext& from, const CMsgHeader& header, CMsgStream& body) override
    {
        const std::uint8_t* data = body.Buffer()->Data + body.Position();
        m_received.push_back({header, std::vector<std::uint8_t>(data, data + body.Remaining())});
        if (header.CommandCode() != CMD_LOGIN_REPLY)
            return ST_SUCCESS;
        std::uint32_t address = 0;
        std::uint16_t interval = 0, refused = 0, keyed = 0;
        std::vector<std::uint8_t> block;
        EXPECT_EQ(ST_SUCCESS, body.ReadU32(address));
        EXPECT_EQ(ST_SUCCESS, body.ReadU16(interval));
        EXPECT_EQ(ST_SUCCESS, body.ReadU16(refused));
        EXPECT_EQ(ST_SUCCESS, body.ReadU16(keyed));
        if (body.ReadBlock(block) != ST_SUCCESS || refused != 0)
            return body.Failed() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
        m_communicator.SetOwnAddress(address);
        SSessionKeys keys;
        std::unique_ptr<CEncoder> encoder;
        std::unique_ptr<CDecoder> decoder;
        Status status = keyed ? DeriveSessionKeys(block.data(), block.size(), keys) : ST_SUCCESS;
        if (keyed && status == ST_SUCCESS)
            status = MakeCodecs(keys, encoder, decoder);
        if (keyed && status == ST_SUCCESS) {
            from.Handler->SetEncoder(std::move(encoder));
            from.Handler->SetDecoder(std::move(decoder));
            Keyed = true;
        }
        return status;
    }

    void OnConnectionClosed() override
    {
        ++LostCount;
        m_socket = nullptr; // the dispatcher closes and deletes it
    }

    CCommunicator& Communicator() { return m_communicator; }
    bool Connected() const { return m_socket != nullptr; }
    bool Keyed = false;
    int LostCount = 0;

private:
    std::unique_ptr<TarnixServer::CServer>& m_server;
    CCommunicator m_communicator;
    sti::CProxyTCPSocket* m_socket = nullptr; // owned by the dispatcher once attached
    std::vector<SReceived> m_received;
};

class CommunicatorAgainstServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::filesystem::path scratch = std::filesystem::temp_directory_path() / "tarnix-messaging-tests";
        TarnixServer::SServerOptions options;
        options.ListenAddress = LOOPBACK;
        options.ListenPort = 0;
        options.KeepAliveInterval = 30;
        options.OutboxFolder = (scratch / "outbox").string();
        options.ReportLogPath = (scratch / "reports.log").string();
        server.reset(new TarnixServer::CServer(options, log));
        ASSERT_EQ(ST_SUCCESS, server->Open());
        port = server->ListenPort();
    }

    void Greet(SReceived& redirect)
    {
        ASSERT_EQ(ST_SUCCESS, client.Connect(LOOPBACK, port));
        ASSERT_EQ(ST_SUCCESS, client.Send(ADDR_GREETING_SERVICE, CMD_GREETING, [](CMsgStream& s) {
            EXPECT_EQ(ST_SUCCESS, s.WriteU16(VERSION_MAJOR));
            EXPECT_EQ(ST_SUCCESS, s.WriteU16(VERSION_MINOR));
        }));
        ASSERT_TRUE(client.WaitFor(CMD_REDIRECT, redirect));
    }

    std::ostringstream log;
    std::unique_ptr<TarnixServer::CServer> server;
    std::uint16_t port = 0;
    CServiceLikeClient client{server};
};

CMsgStream ReaderOf(CMsgBuffer& buffer, const SReceived& message)
{
    std::copy(message.Body.begin(), message.Body.end(), buffer.Data);
    buffer.Used = static_cast<std::uint32_t>(message.Body.size());
    return CMsgStream(&buffer, CMsgStream::MODE_READ, 0);
}

} // namespace

TEST_F(CommunicatorAgainstServer, GreetsFollowsTheRedirectLogsInWithKeysAndKeepsAlive)
{
    SReceived redirect;
    Greet(redirect);
    CMsgBuffer buffer;
    CMsgStream body = ReaderOf(buffer, redirect);
    bool notice = true;
    std::uint8_t type = 0;
    std::vector<SMsgAddressEntry> servers;
    EXPECT_EQ(ST_SUCCESS, body.ReadBool(notice));
    EXPECT_EQ(ST_SUCCESS, body.ReadByte(type));
    ASSERT_EQ(ST_SUCCESS, body.ReadAddressList(servers));
    EXPECT_FALSE(notice);
    ASSERT_FALSE(servers.empty());
    EXPECT_EQ(LOOPBACK, servers[0].Address);
    EXPECT_EQ(port, servers[0].Port);

    // The log-in goes to the first listed server on a connection of its own.
    client.Close();
    ASSERT_EQ(ST_SUCCESS, client.Connect(servers[0].Address, servers[0].Port));
    ASSERT_EQ(ST_SUCCESS, client.Send(ADDR_LOGIN_SERVICE, CMD_LOGIN, [](CMsgStream& s) {
        const std::uint8_t id[CMsgStream::ID_SIZE] = {0x14, 0x14, 0x14, 0x14};
        EXPECT_EQ(ST_SUCCESS, s.WriteId16(id));
        EXPECT_EQ(ST_SUCCESS, s.WriteU16(VERSION_MAJOR));
        EXPECT_EQ(ST_SUCCESS, s.WriteU16(VERSION_MINOR));
        EXPECT_EQ(ST_SUCCESS, s.WriteU16(LOGIN_REVISION));
    }));
    SReceived reply;
    ASSERT_TRUE(client.WaitFor(CMD_LOGIN_REPLY, reply));
    EXPECT_EQ(0u, reply.Header.Checksum) << "the reply comes in clear";
    body = ReaderOf(buffer, reply);
    std::uint32_t address = 0;
    std::uint16_t interval = 0;
    EXPECT_EQ(ST_SUCCESS, body.ReadU32(address));
    ASSERT_EQ(ST_SUCCESS, body.ReadU16(interval));
    EXPECT_NE(0u, address);
    EXPECT_EQ(30, interval);
    EXPECT_TRUE(client.Keyed);
    EXPECT_EQ(address, client.Communicator().GetOwnAddress());

    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(ST_SUCCESS, client.Send(ADDR_CLIENT_SERVICE, CMD_KEEP_ALIVE, nullptr));
        SReceived alive;
        ASSERT_TRUE(client.WaitFor(CMD_KEEP_ALIVE_REPLY, alive)) << round;
        EXPECT_NE(0u, alive.Header.Checksum) << "encoded";
        EXPECT_EQ(4u, alive.Body.size());
    }
    EXPECT_EQ(0, client.LostCount);
    EXPECT_TRUE(client.Connected());
}

TEST_F(CommunicatorAgainstServer, AServerThatGoesAwayIsReportedAsALostConnection)
{
    SReceived redirect;
    Greet(redirect);
    server.reset();
    ASSERT_TRUE(client.TurnUntil([&] { return client.LostCount == 1; }));
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(nullptr, client.Communicator().GetStrategy()->CurrentRoute());
    const std::uint32_t sent = client.Communicator().GetSendCounter();
    EXPECT_EQ(ST_SUCCESS, client.Send(ADDR_CLIENT_SERVICE, CMD_KEEP_ALIVE, nullptr)) << "dropped: no route";
    EXPECT_EQ(sent, client.Communicator().GetSendCounter());
}
