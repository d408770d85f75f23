#include <gtest/gtest.h>

#include <memory>

#include "infra/Dispatcher.h"
#include "messaging/ClientBufferAllocator.h"
#include "messaging/Communicator.h"
#include "messaging/MsgCodec.h"
#include "messaging/MsgSockHandler.h"
#include "messaging/Protocol.h"
#include "messaging/RoutingStrategy.h"
#include "messaging/SessionKeys.h"
#include "support/ConnectionTestSupport.h"

using namespace msgtest;
using namespace KV2Protocol;

namespace {

constexpr std::uint32_t CLIENT_ADDRESS = 0x00001001;

Bytes KeyBlock()
{
    Bytes block(KEY_BLOCK_SIZE);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(0x3C + 11 * i);
    return block;
}

// Codecs from a key block, in the client's view or in the server's.
Status Codecs(const Bytes& block, bool serverView, std::unique_ptr<CEncoder>& encoder,
              std::unique_ptr<CDecoder>& decoder)
{
    SSessionKeys keys;
    const Status status = DeriveSessionKeys(block.data(), block.size(), keys);
    return status == ST_SUCCESS ? MakeCodecs(serverView ? ServerView(keys) : keys, encoder, decoder) : status;
}

Status Install(CMsgSockHandler& handler, const Bytes& block, bool serverView)
{
    std::unique_ptr<CEncoder> encoder;
    std::unique_ptr<CDecoder> decoder;
    const Status status = Codecs(block, serverView, encoder, decoder);
    if (status == ST_SUCCESS) {
        handler.SetEncoder(std::move(encoder));
        handler.SetDecoder(std::move(decoder));
    }
    return status;
}

template <class Write>
Status SendWith(CCommunicator& communicator, std::uint32_t destination, std::uint16_t command, Write write)
{
    CMsgStream stream;
    Status status = communicator.AllocMessage(stream);
    if (status == ST_SUCCESS) {
        write(stream);
        status = communicator.Send(destination, 0, command, stream.Buffer(), 0);
    }
    communicator.FreeMessage(stream);
    return status;
}

CMsgBufferAllocator* ClientAllocator()
{
    return ClientBufferAllocator<MSG_MAX_LENGTH>::Instance();
}

} // namespace

TEST(KeyedExchange, BothSidesEncodeEverythingAfterTheLogInReply)
{
    CCommunicator client, server;
    ASSERT_EQ(ST_SUCCESS, client.Init(0, false, ClientAllocator(), std::make_unique<CClientRoutingStrategy>()));
    ASSERT_EQ(ST_SUCCESS, server.Init(0, false, ClientAllocator(), std::make_unique<CNoForwardRoutingStrategy>()));

    // The server answers the log-in in clear, keys its side at once and puts an encoded message
    // right behind the reply, so that both reach the client in one burst.
    CRecordingCommands serverCommands;
    serverCommands.OnCommand = [&](const SMsgConnectionContext& from, const CMsgHeader& header, CMsgStream&) {
        if (header.CommandCode() != CMD_LOGIN)
            return SendWith(server, 0, CMD_KEEP_ALIVE_REPLY,
                            [](CMsgStream& s) { EXPECT_EQ(ST_SUCCESS, s.WriteU32(78)); });
        const Bytes block = KeyBlock();
        Status status = SendWith(server, 0, CMD_LOGIN_REPLY, [&](CMsgStream& s) {
            EXPECT_EQ(ST_SUCCESS, s.WriteU32(CLIENT_ADDRESS));
            EXPECT_EQ(ST_SUCCESS, s.WriteU16(60));
            EXPECT_EQ(ST_SUCCESS, s.WriteU16(0));
            EXPECT_EQ(ST_SUCCESS, s.WriteU16(1));
            EXPECT_EQ(ST_SUCCESS, s.WriteBlock(block.data(), static_cast<std::uint16_t>(block.size())));
            EXPECT_EQ(ST_SUCCESS, s.WriteU32(0));
            EXPECT_EQ(ST_SUCCESS, s.WriteU16(0));
        });
        if (status == ST_SUCCESS)
            status = Install(*from.Handler, block, true);
        return status == ST_SUCCESS ? SendWith(server, 0, CMD_KEEP_ALIVE_REPLY,
                                               [](CMsgStream& s) { EXPECT_EQ(ST_SUCCESS, s.WriteU32(77)); })
                                    : status;
    };
    EXPECT_EQ(ST_SUCCESS, server.RegisterCommand(CMD_LOGIN, &serverCommands, false));
    EXPECT_EQ(ST_SUCCESS, server.RegisterCommand(CMD_KEEP_ALIVE, &serverCommands, false));

    // The client keys the connection the reply came on while it handles the reply.
    CRecordingCommands clientCommands;
    clientCommands.OnCommand = [&](const SMsgConnectionContext& from, const CMsgHeader& header, CMsgStream& body) {
        if (header.CommandCode() != CMD_LOGIN_REPLY)
            return ST_SUCCESS;
        std::uint32_t address = 0;
        std::uint16_t value = 0;
        std::vector<std::uint8_t> block;
        EXPECT_EQ(ST_SUCCESS, body.ReadU32(address));
        EXPECT_EQ(ST_SUCCESS, body.ReadU16(value));
        EXPECT_EQ(ST_SUCCESS, body.ReadU16(value));
        EXPECT_EQ(ST_SUCCESS, body.ReadU16(value));
        if (body.ReadBlock(block) != ST_SUCCESS)
            return ST_OUT_OF_BOUNDS;
        client.SetOwnAddress(address);
        return Install(*from.Handler, Bytes(block.begin(), block.end()), false);
    };
    EXPECT_EQ(ST_SUCCESS, client.RegisterCommand(CMD_LOGIN_REPLY, &clientCommands, false));
    EXPECT_EQ(ST_SUCCESS, client.RegisterCommand(CMD_KEEP_ALIVE_REPLY, &clientCommands, false));

    STI_OS::SocketHandle clientEnd = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle serverEnd = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_EQ(ST_SUCCESS, STI_OS::CreateLoopbackPair(clientEnd, serverEnd));
    CTestConnection clientSide, serverSide;
    ASSERT_EQ(ST_SUCCESS, clientSide.Attach(client, clientEnd));
    ASSERT_EQ(ST_SUCCESS, serverSide.Attach(server, serverEnd));

    ASSERT_EQ(ST_SUCCESS, SendWith(client, ADDR_LOGIN_SERVICE, CMD_LOGIN, [](CMsgStream& s) {
                  const std::uint8_t id[CMsgStream::ID_SIZE] = {1, 2, 3};
                  EXPECT_EQ(ST_SUCCESS, s.WriteId16(id));
                  EXPECT_EQ(ST_SUCCESS, s.WriteU16(VERSION_MAJOR));
                  EXPECT_EQ(ST_SUCCESS, s.WriteU16(VERSION_MINOR));
                  EXPECT_EQ(ST_SUCCESS, s.WriteU16(LOGIN_REVISION));
              }));
    ASSERT_TRUE(Pump([&] { return clientCommands.Records.size() == 2; }));
    EXPECT_EQ(0u, clientCommands.Records[0].Header.Checksum) << "the reply came in clear";
    EXPECT_NE(0u, clientCommands.Records[1].Header.Checksum) << "the message behind it came encoded";
    EXPECT_EQ((Bytes{77, 0, 0, 0}), clientCommands.Records[1].Body);

    // The server reads the client's messages only if they leave encoded with the right keys.
    for (std::size_t round = 0; round < 3; ++round) {
        ASSERT_EQ(ST_SUCCESS, SendWith(client, ADDR_CLIENT_SERVICE, CMD_KEEP_ALIVE, [](CMsgStream&) {}));
        ASSERT_TRUE(Pump([&] { return clientCommands.Records.size() == 3 + round; })) << round;
        EXPECT_EQ((Bytes{78, 0, 0, 0}), clientCommands.Records.back().Body);
    }
    ASSERT_EQ(4u, serverCommands.Records.size());
    EXPECT_NE(0u, serverCommands.Records[1].Header.Checksum);
    EXPECT_EQ(CLIENT_ADDRESS, serverCommands.Records[1].Header.SourceAddr);
    EXPECT_EQ(0, clientSide.Probe.ErrorCount + serverSide.Probe.ErrorCount);
}

TEST(KeyedExchange, AMessageWithABadChecksumIsDroppedAndTheNextStillDecodes)
{
    CCommunicator client;
    ASSERT_EQ(ST_SUCCESS, client.Init(0, false, ClientAllocator(), std::make_unique<CClientRoutingStrategy>()));
    CRecordingCommands commands;
    EXPECT_EQ(ST_SUCCESS, client.RegisterCommand(CMD_KEEP_ALIVE_REPLY, &commands, false));
    CTestConnection connection;
    ASSERT_EQ(ST_SUCCESS, connection.Open(client));
    ASSERT_EQ(ST_SUCCESS, Install(*connection.Handler(), KeyBlock(), false));

    std::unique_ptr<CEncoder> encoder;
    std::unique_ptr<CDecoder> decoder;
    ASSERT_EQ(ST_SUCCESS, Codecs(KeyBlock(), true, encoder, decoder));
    Bytes wire[2];
    for (std::uint32_t i = 0; i < 2; ++i) {
        CMsgBuffer buffer;
        const Bytes plain = WireMessage(CMD_KEEP_ALIVE_REPLY, {static_cast<std::uint8_t>(i), 0, 0, 0}, i);
        std::copy(plain.begin(), plain.end(), buffer.Data);
        buffer.Used = static_cast<std::uint32_t>(plain.size());
        ASSERT_EQ(ST_SUCCESS, encoder->Encode(buffer));
        wire[i].assign(buffer.Data, buffer.Data + buffer.Used);
    }
    wire[0][12] ^= 0x40;
    ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(Join({wire[0], wire[1]})));

    EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(1000));
    EXPECT_TRUE(commands.Records.empty());
    EXPECT_TRUE(connection.IsOpen());
    ASSERT_TRUE(Pump([&] { return commands.Records.size() == 1; }));
    EXPECT_EQ(1u, commands.Records[0].Header.SeqNumber);
    EXPECT_EQ((Bytes{1, 0, 0, 0}), commands.Records[0].Body);
}
