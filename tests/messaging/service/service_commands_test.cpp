#include <gtest/gtest.h>

#include "transport/transfer/TransportCallback.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ServiceTestSupport.h"
#include "messaging/Communicator.h"
#include "messaging/MsgFraming.h"
#include "messaging/MsgHeader.h"
#include "messaging/Protocol.h"
#include "messaging/SessionKeys.h"
#include "support/ConnectionTestSupport.h"

using namespace svctest;
using namespace KV2Protocol;
using KV2Service::CKV2Service;

namespace {

const std::uint8_t PEER_ID[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const std::uint8_t FILE_ID[16] = {0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7,
                                  0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
constexpr std::uint32_t OWN_ADDRESS = 0x00010203;

Bytes LoginReply(std::uint16_t interval, std::uint16_t refused, std::uint16_t keyed, const Bytes& block)
{
    return CBody().U32(OWN_ADDRESS).U16(interval).U16(refused).U16(keyed).Block(block).U32(0).U16(0).Take();
}

Bytes Redirect(bool notice, std::uint8_t type, const std::vector<SMsgAddressEntry>& list, std::uint16_t spread)
{
    return CBody().U8(notice ? 1 : 0).U8(type).List(list).U16(0).U16(spread).Take();
}

Bytes KeyBlock(std::size_t size)
{
    Bytes block(size);
    for (std::size_t i = 0; i < size; ++i)
        block[i] = static_cast<std::uint8_t>(0x30 + 7 * i);
    return block;
}

// A service driven turn by turn on the test's thread; its main server port refuses connects.
class ServiceCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        service.reset(new CSteppedService(TestSettings(dead.Port(), consumer)));
        service->Begin(&events);
        ASSERT_TRUE(*consumer) << "the transport-manager queue is made when the thread starts";
    }
    void TearDown() override
    {
        service->End();
        service.reset();
    }

    // Online without a connection of the service's own.
    void GoOnline(std::uint16_t interval = 0)
    {
        ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_LOGIN_REPLY, LoginReply(interval, 0, 0, Bytes())));
        ASSERT_EQ(CKV2Service::STATE_ONLINE, service->GetState());
    }

    bool NextRecord(STransportManagerInternalMsg& record, std::uint32_t milliseconds = 2000)
    {
        return ReadRecord(**consumer, record, milliseconds);
    }

    // Runs turns until the communicator has sent count more messages.
    bool TurnUntilSent(std::uint32_t before, std::uint32_t count = 1)
    {
        return WaitUntil([&] { return service->GetCommunicator()->GetSendCounter() >= before + count; }, 5000,
                         [&] { service->Turn(5); });
    }

    CDeadPort dead;
    std::shared_ptr<std::unique_ptr<CTransportManagerQueue>> consumer =
        std::make_shared<std::unique_ptr<CTransportManagerQueue>>();
    CRecordingEvents events;
    std::unique_ptr<CSteppedService> service;
};

TEST_F(ServiceCommands, ShortBodiesAreOutOfBoundsAndLeaveNothingHalfDone)
{
    const std::vector<SMsgAddressEntry> list{{LOOPBACK, 1000}, {LOOPBACK, 1001}};
    const std::vector<std::pair<std::uint16_t, Bytes>> bodies{
        {CMD_LOGIN_REPLY, LoginReply(30, 0, 0, Bytes())},
        {CMD_CONNECT_REQUEST, CBody().U32(1).Id(PEER_ID).U32(2).U32(3).Take()},
        {CMD_CONNECT_ANSWER, CBody().U32(1).U32(2).U32(3).U32(0).U8(0).Take()},
        {CMD_KEEP_ALIVE_REPLY, CBody().U32(9).Take()},
        {CMD_REDIRECT, Redirect(true, NOTICE_UPGRADE_REQUIRED, list, 5)},
        {CMD_SESSION_SETUP, CBody().U32(1).U32(2).U32(3).U32(4).U8(1).Take()},
        {CMD_SESSION_ANSWER, CBody().Id(PEER_ID).Id(FILE_ID).U32(7).Take()},
        {CMD_SERVER_VALUE, CBody().U32(1).U8(1).Take()},
    };
    for (const auto& command : bodies) {
        for (std::size_t length : {std::size_t(0), command.second.size() / 2, command.second.size() - 1}) {
            const Bytes cut(command.second.begin(), command.second.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_EQ(ST_OUT_OF_BOUNDS, service->Deliver(command.first, cut))
                << "command " << command.first << ", " << length << " bytes";
        }
    }
    EXPECT_EQ(CKV2Service::STATE_IDLE, service->GetState());
    EXPECT_EQ(0u, service->GetOwnAddress());
    EXPECT_TRUE(service->GetRedirectList().empty());
    EXPECT_FALSE(service->IsServerStopped());
    EXPECT_EQ(1, service->GetRetrySpread());
    EXPECT_TRUE(events.Statuses().empty());
    EXPECT_TRUE(events.Notices().empty());
    EXPECT_TRUE(events.KeepAliveReplies().empty());
    EXPECT_TRUE(events.PeerRequests().empty());
    EXPECT_TRUE(events.Command35s().empty());
    STransportManagerInternalMsg record;
    EXPECT_FALSE(NextRecord(record, 100));
}

TEST_F(ServiceCommands, AShortRedirectKeepsTheListThatCameBefore)
{
    const std::vector<SMsgAddressEntry> first{{LOOPBACK, 2000}, {LOOPBACK + 1, 2001}};
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_REDIRECT, Redirect(false, 0, first, 7)));
    const Bytes second = Redirect(true, NOTICE_UPGRADE_REQUIRED, {{LOOPBACK + 2, 3000}}, 9);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, service->Deliver(CMD_REDIRECT, Bytes(second.begin(), second.end() - 1)));

    ASSERT_EQ(2u, service->GetRedirectList().size());
    EXPECT_EQ(2000, service->GetRedirectList()[0].Port);
    EXPECT_EQ(LOOPBACK + 1, service->GetRedirectList()[1].Address);
    EXPECT_EQ(7, service->GetRetrySpread());
    EXPECT_FALSE(service->IsServerStopped());
    EXPECT_TRUE(events.Notices().empty());
}

TEST_F(ServiceCommands, ARedirectSpreadOfZeroCountsAsOneAndNoticesReachTheApplication)
{
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_REDIRECT, Redirect(true, NOTICE_UPDATE_OFFERED, {{LOOPBACK, 1}}, 0)));
    EXPECT_EQ(CKV2Service::STATE_REDIRECTED, service->GetState());
    EXPECT_EQ(1, service->GetRetrySpread());
    EXPECT_EQ(std::vector<std::uint8_t>{NOTICE_UPDATE_OFFERED}, events.Notices());
    EXPECT_FALSE(service->IsServerStopped());
    // Without the notice flag the type is not passed on.
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_REDIRECT, Redirect(false, NOTICE_UPGRADE_REQUIRED, {{LOOPBACK, 1}}, 4)));
    EXPECT_EQ(1u, events.Notices().size());
    EXPECT_FALSE(service->IsServerStopped());
}

TEST_F(ServiceCommands, NoticeTypeThreeStopsTheClientForGood)
{
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_REDIRECT, Redirect(true, NOTICE_UPGRADE_REQUIRED, {}, 3)));
    EXPECT_EQ(CKV2Service::STATE_REDIRECTED, service->GetState());
    EXPECT_TRUE(service->IsServerStopped());
    EXPECT_EQ(std::vector<std::uint8_t>{NOTICE_UPGRADE_REQUIRED}, events.Notices());

    service->Turn();
    EXPECT_EQ(CKV2Service::STATE_IDLE, service->GetState());
    ASSERT_TRUE(service->Connect());
    for (int turn = 0; turn < 5; ++turn)
        service->Turn(5);
    EXPECT_EQ(CKV2Service::STATE_IDLE, service->GetState());
    EXPECT_EQ(0u, events.CountStatus(CKV2Service::STATUS_ONLINE));
}

TEST_F(ServiceCommands, AnEmptyRedirectListBacksOffInsteadOfGreetingAgainAtOnce)
{
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_REDIRECT, Redirect(false, 0, {}, 15)));
    service->Turn();
    // The main server refuses connects here: a retry at once would have ended in state 6.
    EXPECT_EQ(CKV2Service::STATE_RETRY_PENDING, service->GetState());
    EXPECT_TRUE(service->IsRetryScheduled());
}

TEST_F(ServiceCommands, ARefusedLogInGoesToRetryAndBacksOff)
{
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_LOGIN_REPLY, LoginReply(30, 1, 0, Bytes())));
    EXPECT_EQ(CKV2Service::STATE_RETRY_PENDING, service->GetState());
    EXPECT_EQ(0u, service->GetOwnAddress());
    EXPECT_FALSE(service->IsRetryScheduled());
    service->Turn();
    EXPECT_TRUE(service->IsRetryScheduled());
    EXPECT_EQ(0u, events.CountStatus(CKV2Service::STATUS_ONLINE));
}

TEST_F(ServiceCommands, AnAcceptedLogInGoesOnlineWithItsAddressAndInterval)
{
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_LOGIN_REPLY, LoginReply(45, 0, 0, Bytes())));
    EXPECT_EQ(CKV2Service::STATE_ONLINE, service->GetState());
    EXPECT_EQ(OWN_ADDRESS, service->GetOwnAddress());
    EXPECT_EQ(OWN_ADDRESS, service->GetCommunicator()->GetOwnAddress());
    EXPECT_EQ(45, service->GetKeepAliveInterval());
    EXPECT_EQ(std::vector<std::uint8_t>{CKV2Service::STATUS_ONLINE}, events.Statuses());
}

TEST_F(ServiceCommands, AKeyedLogInInstallsTheCodecOnItsConnection)
{
    msgtest::CTestConnection connection;
    ASSERT_EQ(ST_SUCCESS, connection.Open(*service->GetCommunicator()));
    const Bytes block = KeyBlock(KEY_BLOCK_SIZE);
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_LOGIN_REPLY, LoginReply(0, 0, 1, block), connection.Handler()));
    ASSERT_EQ(CKV2Service::STATE_ONLINE, service->GetState());

    const std::uint32_t before = service->GetCommunicator()->GetSendCounter();
    ASSERT_TRUE(service->SendReport("encoded line"));
    ASSERT_TRUE(TurnUntilSent(before));
    Bytes wire;
    ASSERT_EQ(ST_SUCCESS, connection.Peer().ReceiveBytes(2, wire));
    const std::uint16_t length = static_cast<std::uint16_t>(wire[0] | (wire[1] << 8));
    Bytes rest;
    ASSERT_EQ(ST_SUCCESS, connection.Peer().ReceiveBytes(length - 2u, rest));
    wire.insert(wire.end(), rest.begin(), rest.end());

    // The server's view of the same keys decodes it.
    SSessionKeys keys;
    ASSERT_EQ(ST_SUCCESS, DeriveSessionKeys(block.data(), block.size(), keys));
    std::unique_ptr<CEncoder> serverEncoder;
    std::unique_ptr<CDecoder> serverDecoder;
    ASSERT_EQ(ST_SUCCESS, MakeCodecs(ServerView(keys), serverEncoder, serverDecoder));
    CMsgBuffer buffer;
    std::memcpy(buffer.Data, wire.data(), wire.size());
    buffer.Used = static_cast<std::uint32_t>(wire.size());
    ASSERT_EQ(ST_SUCCESS, serverDecoder->Decode(buffer));
    CMsgHeader header;
    ASSERT_EQ(ST_SUCCESS, ReadReceivedHeader(buffer, header));
    EXPECT_NE(0u, header.Checksum);
    EXPECT_EQ(CMD_REPORT, header.CommandCode());
    CMsgStream body(&buffer, CMsgStream::MODE_READ);
    std::string text;
    ASSERT_EQ(ST_SUCCESS, body.ReadString(text));
    EXPECT_EQ("encoded line", text);
}

TEST_F(ServiceCommands, AKeyedLogInWithABadKeyBlockNeverGoesOnline)
{
    msgtest::CTestConnection connection;
    ASSERT_EQ(ST_SUCCESS, connection.Open(*service->GetCommunicator()));
    for (std::size_t size : {std::size_t(0), KEY_BLOCK_SIZE - 1, KEY_BLOCK_SIZE + 1}) {
        EXPECT_EQ(ST_INVALID_MESSAGE,
                  service->Deliver(CMD_LOGIN_REPLY, LoginReply(30, 0, 1, KeyBlock(size)), connection.Handler()))
            << size;
        EXPECT_EQ(CKV2Service::STATE_RETRY_PENDING, service->GetState());
        EXPECT_EQ(0u, service->GetOwnAddress());
        EXPECT_EQ(0u, service->GetCommunicator()->GetOwnAddress());
    }
    EXPECT_EQ(0u, events.CountStatus(CKV2Service::STATUS_ONLINE));
    service->Turn();
    EXPECT_TRUE(service->IsRetryScheduled());
}

TEST_F(ServiceCommands, TheFirstKeepAliveLeavesOnTheNextTurnAndNoneWithoutAnInterval)
{
    msgtest::CTestConnection connection;
    ASSERT_EQ(ST_SUCCESS, connection.Open(*service->GetCommunicator()));
    GoOnline(0);
    const std::uint32_t before = service->GetCommunicator()->GetSendCounter();
    for (int turn = 0; turn < 3; ++turn)
        service->Turn(5);
    EXPECT_EQ(before, service->GetCommunicator()->GetSendCounter());
    EXPECT_EQ(CKV2Service::STATE_ONLINE, service->GetState());

    GoOnline(30);
    service->Turn();
    ASSERT_TRUE(TurnUntilSent(before));
    CMsgHeader header;
    Bytes body;
    ASSERT_EQ(ST_SUCCESS, connection.Peer().ReceiveMessage(header, body));
    EXPECT_EQ(CMD_KEEP_ALIVE, header.CommandCode());
    EXPECT_EQ(MSG_HEADER_SIZE, header.MessageLength);
    EXPECT_EQ(OWN_ADDRESS, header.SourceAddr);
    EXPECT_EQ(0u, connection.Peer().Pending(20)) << "one keep-alive per interval";
}

TEST_F(ServiceCommands, APeerRequestIsAnsweredWhetherTheApplicationAcceptsOrNot)
{
    msgtest::CTestConnection connection;
    ASSERT_EQ(ST_SUCCESS, connection.Open(*service->GetCommunicator()));
    GoOnline();
    for (bool accept : {false, true}) {
        events.AcceptPeers = accept;
        const std::uint32_t requester = accept ? 0x4455 : 0x4466;
        const std::uint32_t before = service->GetCommunicator()->GetSendCounter();
        ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_CONNECT_REQUEST,
                                               CBody().U32(OWN_ADDRESS).Id(PEER_ID).U32(requester).U32(77).Take()));
        ASSERT_TRUE(TurnUntilSent(before));
        CMsgHeader header;
        Bytes body;
        ASSERT_EQ(ST_SUCCESS, connection.Peer().ReceiveMessage(header, body));
        EXPECT_EQ(CMD_CONNECT_ANSWER, header.CommandCode());
        EXPECT_EQ(ADDR_CLIENT_SERVICE, header.DestinationAddr);
        EXPECT_EQ(requester, header.SourceClient);
        EXPECT_EQ(
            CBody().U32(OWN_ADDRESS).U32(requester).U32(77).U32(0).U8(accept ? CONNECT_ACCEPT : CONNECT_REFUSE).Take(),
            body)
            << "accept " << accept;
    }
    const auto requests = events.PeerRequests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(0x4455u, requests[1].Requester);
    EXPECT_EQ(77u, requests[1].Session);
    EXPECT_EQ(0, std::memcmp(PEER_ID, requests[1].ClientId, 16));
}

TEST_F(ServiceCommands, SessionSetUpPostsADownloadOrAKnownUpload)
{
    ASSERT_EQ(ST_SUCCESS,
              service->Deliver(CMD_SESSION_SETUP, CBody().U32(0x11).U32(0x22).U32(0x33).U32(0x44).U8(1).Take()));
    STransportManagerInternalMsg record;
    ASSERT_TRUE(NextRecord(record));
    EXPECT_EQ(TM_MSG_INCOMING_DOWNLOAD, record.Type);
    EXPECT_EQ(0x22u, record.IncomingSession);
    EXPECT_EQ(0x11u, record.IncomingTicket);
    EXPECT_EQ(0x33u, record.IncomingKeyLow);
    EXPECT_EQ(0x44u, record.IncomingKeyHigh);

    // An upload the application does not know is ignored.
    ASSERT_EQ(ST_SUCCESS,
              service->Deliver(CMD_SESSION_SETUP, CBody().U32(0x55).U32(0x66).U32(0x77).U32(0x88).U8(0).Take()));
    EXPECT_FALSE(NextRecord(record, 100));

    // The callback is only carried, never called here; its full pointer must survive the queue.
    alignas(8) static std::uint8_t callbackObject[64];
    IUploadCallback* callback = reinterpret_cast<IUploadCallback*>(callbackObject);
    events.UploadCallback = callback;
    ASSERT_EQ(ST_SUCCESS,
              service->Deliver(CMD_SESSION_SETUP, CBody().U32(0x55).U32(0x66).U32(0x77).U32(0x88).U8(0).Take()));
    ASSERT_TRUE(NextRecord(record));
    EXPECT_EQ(TM_MSG_NEW_UPLOAD, record.Type);
    EXPECT_EQ(0x55u, record.UploadPeer);
    EXPECT_EQ(0x77u, record.UploadKeyLow);
    EXPECT_EQ(0x88u, record.UploadKeyHigh);
    EXPECT_EQ(callback, record.UploadCallback);
}

TEST_F(ServiceCommands, SessionAndConnectAnswersPostTheirRecords)
{
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_SESSION_ANSWER, CBody().Id(PEER_ID).Id(FILE_ID).U32(0x9999).Take()));
    STransportManagerInternalMsg record;
    ASSERT_TRUE(NextRecord(record));
    EXPECT_EQ(TM_MSG_SESSION_ANSWER, record.Type);
    EXPECT_EQ(0, std::memcmp(PEER_ID, record.AnswerUnused, 16));
    EXPECT_EQ(0, std::memcmp(FILE_ID, record.AnswerFileId, 16));
    EXPECT_EQ(0x9999u, record.AnswerTicket);

    ASSERT_EQ(ST_SUCCESS,
              service->Deliver(CMD_CONNECT_ANSWER, CBody().U32(0x1).U32(0x2).U32(0x3456).U32(0x78).U8(2).Take()));
    ASSERT_TRUE(NextRecord(record));
    EXPECT_EQ(TM_MSG_SESSION_NOTICE, record.Type);
    EXPECT_EQ(0x3456u, record.NoticeSession);
    EXPECT_EQ(0x78u, record.NoticeUnused);
    EXPECT_EQ(2u, record.NoticeValue);
}

TEST_F(ServiceCommands, KeepAliveRepliesCommand35AndCommand33)
{
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_KEEP_ALIVE_REPLY, CBody().U32(1234).Take()));
    EXPECT_EQ(std::vector<std::uint32_t>{1234}, events.KeepAliveReplies());
    ASSERT_EQ(ST_SUCCESS, service->Deliver(CMD_SERVER_VALUE, CBody().U32(5).U8(7).Take()));
    ASSERT_EQ(1u, events.Command35s().size());
    EXPECT_EQ(5u, events.Command35s()[0].first);
    EXPECT_TRUE(events.Command35s()[0].second);

    for (const Bytes& body : {Bytes(), Bytes{1}, Bytes(300, 0xAB)})
        EXPECT_EQ(ST_SUCCESS, service->Deliver(CMD_IGNORED, body));
    EXPECT_EQ(CKV2Service::STATE_IDLE, service->GetState());
    EXPECT_TRUE(events.Statuses().empty());
    STransportManagerInternalMsg record;
    EXPECT_FALSE(NextRecord(record, 100));
    // Commands it was not registered for are not its business.
    EXPECT_EQ(ST_NOT_IMPLEMENTED, service->Deliver(CMD_GREETING, Bytes()));
}

TEST_F(ServiceCommands, SendersActOnlyWhereTheirMessageCanLeave)
{
    EXPECT_FALSE(service->SendReport("report"));
    EXPECT_FALSE(service->SendSessionRequest(PEER_ID, FILE_ID));
    EXPECT_FALSE(service->SendMailRequest(MAIL_KIND_XML, "<FLEmail/>"));
    EXPECT_FALSE(service->SendConnectRequest(0x1234, 1));

    for (int state : {CKV2Service::STATE_MAIN_UNREACHABLE, CKV2Service::STATE_LIST_EXHAUSTED}) {
        service->SetState(state);
        EXPECT_TRUE(service->SendReport("report")) << state;
        EXPECT_TRUE(service->SendSessionRequest(PEER_ID, FILE_ID)) << state;
        // No route to the server: the caller must keep the mail.
        EXPECT_FALSE(service->SendMailRequest(MAIL_KIND_XML, "<FLEmail/>")) << state;
    }
    GoOnline();
    // Online as far as the state goes, but without a connection of its own.
    EXPECT_FALSE(service->SendMailRequest(MAIL_KIND_XML, "<FLEmail/>"));
    EXPECT_FALSE(service->SendConnectRequest(0x1234, 1));
    EXPECT_TRUE(service->SendReport(std::string(100, 'r')));
    // A body that does not fit one message is refused, not cut.
    EXPECT_FALSE(service->SendReport(std::string(MSG_MAX_LENGTH, 'x')));
    for (int turn = 0; turn < 3; ++turn)
        service->Turn(5);
}

namespace {
// Counts its references; does nothing else.
class CCountedDownload : public IDownloadCallback {
public:
    void OnConnected(const std::uint32_t*) override {}
    void OnClosed(int, std::uint32_t) override {}
    void SetSessionStatus(int) override {}
    std::uint32_t AddRef() override { return ++refs; }
    void Release() override { --refs; }
    void OnFileInfo(const std::uint8_t*, const TransferFileList&) override {}
    Status OnRangeEnd() override { return ST_NO_MORE_DATA; }
    void OnBlock(std::uint32_t, std::uint32_t, std::uint32_t, const std::uint8_t*) override {}
    void OnNotice(int) override {}
    Status GetNextRange(std::uint64_t*, std::uint64_t*) override { return ST_NO_MORE_DATA; }
    std::atomic<std::uint32_t> refs{0};
};
} // namespace

TEST_F(ServiceCommands, PostingMethodsReachTheTransportManagerQueue)
{
    static CCountedDownload counted;
    IDownloadCallback* callback = &counted;
    ASSERT_EQ(ST_SUCCESS, service->PostStartDownload(FILE_ID, PEER_ID, callback));
    // The record carries a reference until the transport manager's session holds its own.
    EXPECT_EQ(1u, counted.refs.load());
    ASSERT_EQ(ST_SUCCESS, service->PostDownloadCommand(FILE_ID, 4));
    ASSERT_EQ(ST_SUCCESS, service->PostUploadCommand(PEER_ID, 5));
    EXPECT_EQ(ST_INVALID_PARAM, service->PostUploadLevel(FILE_ID, 3));
    ASSERT_EQ(ST_SUCCESS, service->PostUploadLevel(FILE_ID, 2));

    STransportManagerInternalMsg record;
    ASSERT_TRUE(NextRecord(record));
    EXPECT_EQ(TM_MSG_START_DOWNLOAD, record.Type);
    EXPECT_EQ(0, std::memcmp(FILE_ID, record.StartFileId, 16));
    EXPECT_EQ(0, std::memcmp(PEER_ID, record.StartPeerId, 16));
    EXPECT_EQ(callback, record.StartCallback);
    ASSERT_TRUE(NextRecord(record));
    EXPECT_EQ(TM_MSG_CLOSE_DOWNLOAD, record.Type);
    EXPECT_EQ(4u, record.CloseReason);
    ASSERT_TRUE(NextRecord(record));
    EXPECT_EQ(TM_MSG_CLOSE_UPLOAD, record.Type);
    EXPECT_EQ(0, std::memcmp(PEER_ID, record.CloseFileId, 16));
    ASSERT_TRUE(NextRecord(record));
    EXPECT_EQ(TM_MSG_UPLOAD_LEVEL, record.Type);
    EXPECT_EQ(2u, record.Level);
    EXPECT_FALSE(NextRecord(record, 100));
}

} // namespace
