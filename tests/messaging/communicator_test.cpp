#include <gtest/gtest.h>

#include <memory>

#include "messaging/ClientBufferAllocator.h"
#include "messaging/Communicator.h"
#include "messaging/MsgSockHandler.h"
#include "messaging/Protocol.h"
#include "messaging/RoutingStrategy.h"
#include "support/ConnectionTestSupport.h"

using namespace msgtest;
using namespace KV2Protocol;

namespace {

constexpr std::uint32_t GATED = 0x8001FFFB;

void InitClient(CCommunicator& communicator, std::uint32_t ownAddress = 0, bool gate = false)
{
    ASSERT_EQ(ST_SUCCESS, communicator.Init(ownAddress, gate, ClientBufferAllocator<MSG_MAX_LENGTH>::Instance(),
                                            std::make_unique<CClientRoutingStrategy>()));
}

std::unique_ptr<CMsgBuffer> Received(const Bytes& wire, std::uint32_t destination = 0)
{
    auto buffer = std::make_unique<CMsgBuffer>();
    std::copy(wire.begin(), wire.end(), buffer->Data);
    for (int i = 0; i < 4; ++i)
        buffer->Data[10 + i] = static_cast<std::uint8_t>(destination >> (8 * i));
    buffer->Used = static_cast<std::uint32_t>(wire.size());
    return buffer;
}

// Sends a message with an empty body; the counter afterwards.
std::uint32_t SendEmpty(CCommunicator& communicator, std::uint32_t destination)
{
    CMsgStream stream;
    EXPECT_EQ(ST_SUCCESS, communicator.AllocMessage(stream));
    EXPECT_EQ(ST_SUCCESS, communicator.Send(destination, 0, CMD_REPORT, stream.Buffer(), 0));
    communicator.FreeMessage(stream);
    return communicator.GetSendCounter();
}

class CCountedHandler : public CCommandHandler {
public:
    explicit CCountedHandler(int& deleted) : m_deleted(deleted) {}
    ~CCountedHandler() override { ++m_deleted; }

private:
    int& m_deleted;
};

} // namespace

TEST(CommunicatorSend, FillsInTheHeaderAndNumbersEveryMessage)
{
    CCommunicator communicator;
    InitClient(communicator, 0x00012345);
    CTestConnection connection;
    ASSERT_EQ(ST_SUCCESS, connection.Open(communicator));
    CMsgStream first, second; // the second, a keep-alive, has no body
    ASSERT_EQ(ST_SUCCESS, communicator.AllocMessage(first));
    ASSERT_EQ(ST_SUCCESS, communicator.AllocMessage(second));
    EXPECT_EQ(MSG_HEADER_SIZE, first.Position());
    EXPECT_EQ(1u, first.Buffer()->RefCount.load());
    EXPECT_EQ(ST_SUCCESS, first.WriteU32(0xA1B2C3D4));
    EXPECT_EQ(ST_SUCCESS, communicator.Send(ADDR_CLIENT_SERVICE, 77, CMD_REPORT, first.Buffer(), 0));
    EXPECT_EQ(ST_SUCCESS, communicator.Send(ADDR_CLIENT_SERVICE, 0, CMD_KEEP_ALIVE, second.Buffer(), 0));
    EXPECT_EQ(2u, communicator.GetSendCounter());

    CMsgHeader header;
    Bytes body;
    ASSERT_EQ(ST_SUCCESS, connection.Peer().ReceiveMessage(header, body));
    EXPECT_EQ(28, header.MessageLength);
    EXPECT_EQ(0u, header.Checksum);
    EXPECT_EQ(0x00012345u, header.SourceAddr);
    EXPECT_EQ(ADDR_CLIENT_SERVICE, header.DestinationAddr);
    EXPECT_EQ(CMD_REPORT, header.Command);
    EXPECT_EQ(0u, header.SeqNumber);
    EXPECT_EQ(77u, header.SourceClient);
    EXPECT_EQ((Bytes{0xD4, 0xC3, 0xB2, 0xA1}), body);
    ASSERT_EQ(ST_SUCCESS, connection.Peer().ReceiveMessage(header, body));
    EXPECT_EQ(24, header.MessageLength);
    EXPECT_EQ(1u, header.SeqNumber);
    communicator.FreeMessage(first);
    communicator.FreeMessage(second);
    EXPECT_EQ(nullptr, first.Buffer());
}

TEST(CommunicatorSend, WithoutARouteOrThroughAShutGateAMessageIsDroppedAndNotCounted)
{
    CCommunicator bare; // no strategy before Init
    EXPECT_EQ(0u, SendEmpty(bare, ADDR_CLIENT_SERVICE));
    CCommunicator communicator;
    InitClient(communicator, 0, true);
    EXPECT_EQ(0u, SendEmpty(communicator, ADDR_CLIENT_SERVICE)) << "no connection yet";

    CTestConnection connection;
    ASSERT_EQ(ST_SUCCESS, connection.Open(communicator));
    CRecordingCommands commands;
    EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(CMD_SERVER_VALUE, &commands, false));
    EXPECT_EQ(1u, SendEmpty(communicator, GATED)) << "the gate starts open";
    // A message to a gated address sets the gate from bit 15 of its command.
    SMsgConnectionContext from;
    EXPECT_EQ(ST_SUCCESS, communicator.Dispatch(*Received(WireMessage(CMD_SERVER_VALUE), GATED), from));
    EXPECT_FALSE(communicator.IsGateOpen());
    EXPECT_EQ(1u, SendEmpty(communicator, GATED));
    EXPECT_EQ(2u, SendEmpty(communicator, ADDR_CLIENT_SERVICE)) << "other addresses pass";
    EXPECT_EQ(ST_SUCCESS,
              communicator.Dispatch(*Received(WireMessage(CMD_SERVER_VALUE | COMMAND_FLAG_BIT), GATED), from));
    EXPECT_EQ(3u, SendEmpty(communicator, GATED));

    CCommunicator ungated; // the client's setting: the switch is off
    InitClient(ungated);
    CTestConnection other;
    ASSERT_EQ(ST_SUCCESS, other.Open(ungated));
    EXPECT_EQ(ST_SUCCESS, ungated.RegisterCommand(CMD_SERVER_VALUE, &commands, false));
    EXPECT_EQ(ST_SUCCESS, ungated.Dispatch(*Received(WireMessage(CMD_SERVER_VALUE), GATED), from));
    EXPECT_EQ(1u, SendEmpty(ungated, GATED));
}

TEST(CommunicatorDispatch, FindsTheHandlerByTheLow15BitsOfTheCommand)
{
    CCommunicator communicator;
    InitClient(communicator);
    CRecordingCommands commands;
    ASSERT_EQ(ST_SUCCESS, communicator.RegisterCommand(7, &commands, false));
    ASSERT_EQ(ST_SUCCESS, communicator.RegisterCommand(511, &commands, false));
    EXPECT_EQ(ST_INVALID_PARAM, communicator.RegisterCommand(512, &commands, false));
    SMsgConnectionContext from;

    EXPECT_EQ(ST_SUCCESS, communicator.Dispatch(*Received(WireMessage(0x8007, {1, 2, 3})), from));
    EXPECT_EQ(ST_SUCCESS, communicator.Dispatch(*Received(WireMessage(511)), from));
    EXPECT_EQ(ST_NOT_FOUND, communicator.Dispatch(*Received(WireMessage(8)), from));
    EXPECT_EQ(ST_NOT_FOUND, communicator.Dispatch(*Received(WireMessage(0x7FFF)), from)) << "beyond the table";
    ASSERT_EQ(2u, commands.Records.size());
    EXPECT_EQ(0x8007, commands.Records[0].Header.Command);
    EXPECT_EQ((Bytes{1, 2, 3}), commands.Records[0].Body);

    commands.Result = ST_OUT_OF_BOUNDS;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, communicator.Dispatch(*Received(WireMessage(7)), from));
    EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(7, nullptr, false));
    EXPECT_EQ(ST_NOT_FOUND, communicator.Dispatch(*Received(WireMessage(7)), from));
    Bytes shortFrame = WireMessage(511);
    shortFrame.resize(20);
    EXPECT_EQ(ST_OUT_OF_SYNC, communicator.Dispatch(*Received(shortFrame), from));
    CCommandHandler base;
    EXPECT_EQ(ST_NOT_IMPLEMENTED, base.Dispatch(*Received(WireMessage(9)), from));
}

TEST(CommunicatorCommands, OwnedHandlersAreDeletedOnceAndBorrowedOnesNever)
{
    int ownedDeleted = 0;
    int borrowedDeleted = 0;
    CCountedHandler borrowed(borrowedDeleted);
    {
        CCommunicator communicator;
        auto* owned = new CCountedHandler(ownedDeleted);
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(2, owned, true));
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(3, owned, true));
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(3, owned, true));
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(4, &borrowed, false));
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(2, &borrowed, false));
        EXPECT_EQ(0, ownedDeleted) << "still held by entry 3";
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(5, new CCountedHandler(ownedDeleted), true));
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(5, nullptr, false));
        EXPECT_EQ(1, ownedDeleted);
    }
    EXPECT_EQ(2, ownedDeleted);
    EXPECT_EQ(0, borrowedDeleted);
}

TEST(RoutingStrategies, TheClientsStrategyForgetsItsRouteWhicheverConnectionGoes)
{
    CCommunicator communicator;
    CMsgSockHandler current(communicator, std::make_unique<CKV2ClientMsgSockVerifier>());
    CMsgSockHandler other(communicator, std::make_unique<CKV2ClientMsgSockVerifier>());
    CMsgSockHandler* route = nullptr;

    CNoForwardRoutingStrategy noForward;
    EXPECT_EQ(ST_NOT_FOUND, noForward.GetRoute(ADDR_CLIENT_SERVICE, route));
    noForward.SetRoute(&current);
    EXPECT_EQ(ST_SUCCESS, noForward.GetRoute(0x12345678, route));
    EXPECT_EQ(&current, route) << "whatever the destination";
    EXPECT_EQ(ST_SUCCESS, noForward.OnHandlerRemoved(&other));
    EXPECT_EQ(&current, noForward.CurrentRoute());
    EXPECT_EQ(ST_SUCCESS, noForward.OnHandlerRemoved(&current));
    EXPECT_EQ(nullptr, noForward.CurrentRoute());

    CClientRoutingStrategy client;
    client.SetRoute(&current);
    EXPECT_EQ(ST_SUCCESS, client.OnHandlerRemoved(&other));
    EXPECT_EQ(nullptr, client.CurrentRoute());
    CMsgBuffer message;
    SMsgConnectionContext from;
    bool local = false;
    EXPECT_EQ(ST_SUCCESS, client.IsLocal(message, from, local));
    EXPECT_TRUE(local);
    EXPECT_FALSE(client.ShouldForward(message, from));
    EXPECT_EQ(ST_NOT_CONNECTED, client.OnHandlerClosed(&current)) << "no connection to close";
}
