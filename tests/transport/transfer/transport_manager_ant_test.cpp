// A download and an upload meet through two real Ant transports in one process: each side
// has its own Ant thread, session manager and UDP socket; a small rendezvous responder on
// the loopback introduces them, as the server's rendezvous service would.

#include <gtest/gtest.h>

#include "infra/os/Socket.h"
#include "support/TransportManagerTestSupport.h"
#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/AntInternalMsg.h"
#include "transport/ant/AntSession.h"
#include "transport/ant/AntSessionManager.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/TransportManagerThread.h"

#include <atomic>
#include <map>
#include <thread>

namespace {

using namespace tm_test;
using transfer_test::FILE_ID;
using transfer_test::PEER_ID;

constexpr std::uint32_t LOOPBACK = 0x7F000001;

// One session manager of the test's own behind the Ant thread's interface.
class CSessionsOf : public IAntSessionManager {
public:
    explicit CSessionsOf(CAntSessionManager& sessions) : m_sessions(sessions) {}

    void SetAntThread(CAntThread* thread) override { m_sessions.SetAntThread(thread); }
    void SetUDPHandler(CAntUDPSockHandler* handler) override { m_sessions.SetUDPHandler(handler); }
    void SetAdvertiseLocalAddress(bool on) override { m_sessions.SetAdvertiseLocalAddress(on); }
    Status CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                         std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session) override
    {
        return m_sessions.CreateSession(descriptor, serial, peerId, keyLow, keyHigh, session);
    }
    Status StartSession(CAntSession* session) override { return m_sessions.StartSession(session); }
    Status OnDatagram(SAntPacket& packet, const CIPEndpoint& source) override
    {
        return m_sessions.OnDatagram(packet, source);
    }
    Status OnUnreachable(const CIPEndpoint& address) override { return m_sessions.OnUnreachable(address); }
    Status OnWritable() override { return m_sessions.OnWritable(); }
    Status OnSessionTimer(std::uint16_t sessionId, std::uint16_t kind) override
    {
        return m_sessions.OnSessionTimer(sessionId, kind);
    }
    std::size_t GetSessionCount() const override { return m_sessions.GetSessionCount(); }
    void CloseAllBackends() override { m_sessions.CloseAllBackends(); }
    void DestroyAllSessions() override { m_sessions.DestroyAllSessions(); }

private:
    CAntSessionManager& m_sessions;
};

// Pairs connect requests by key and relays to each side the other's address as seen here.
class CRendezvous {
public:
    CRendezvous()
    {
        std::uint32_t address = 0;
        if (STI_OS::CreateUDPSocket(m_socket) != ST_SUCCESS || STI_OS::Bind(m_socket, LOOPBACK, 0) != ST_SUCCESS ||
            STI_OS::GetSockName(m_socket, address, port) != ST_SUCCESS) {
            ADD_FAILURE() << "no rendezvous socket";
            return;
        }
        EXPECT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(m_socket, true));
        m_thread = std::thread([this] { Run(); });
    }
    ~CRendezvous()
    {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(m_socket));
    }

    std::uint16_t port = 0;
    std::atomic<int> relays{0};

private:
    struct SRequester {
        std::uint32_t address;
        std::uint16_t port;
        SAntConnectRequestBody body;
    };

    void Run()
    {
        SAntPacket packet = {};
        while (!m_stop) {
            std::uint32_t count = 0;
            std::uint32_t address = 0;
            std::uint16_t from = 0;
            if (STI_OS::RecvFrom(m_socket, packet.Data, ANT_MAX_DATAGRAM, count, address, from) != ST_SUCCESS) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            packet.Length = count;
            CAntPacketReader reader(packet);
            SAntHeader header;
            SAntConnectRequestBody body;
            if (ReadAntHeader(reader, header) != ST_SUCCESS || header.GetType() != AntConnectRequest ||
                ReadAntBody(reader, body) != ST_SUCCESS) {
                continue;
            }
            // The latest request of each side; a side that asks again is answered again.
            auto& sides = m_requests[body.Key];
            sides[body.OwnId] = SRequester{address, from, body};
            auto peer = sides.find(body.PeerId);
            if (peer != sides.end()) {
                Relay(sides[body.OwnId], peer->second);
                Relay(peer->second, sides[body.OwnId]);
            }
        }
    }

    // Tells `to` where `about` is.
    void Relay(const SRequester& to, const SRequester& about)
    {
        SAntPacket packet = {};
        CAntPacketWriter writer(packet);
        SAntConnectRelayBody body;
        body.Requester.Address = about.address;
        body.Requester.Port = about.port;
        body.Key = about.body.Key;
        body.LocalPort = about.body.LocalPort;
        body.LocalAddresses = about.body.LocalAddresses;
        if (WriteAntHeader(writer, SAntHeader::Control(AntConnectRelay, 0, 0)) != ST_SUCCESS ||
            WriteAntBody(writer, body) != ST_SUCCESS) {
            return;
        }
        EXPECT_EQ(ST_SUCCESS, STI_OS::SendTo(m_socket, packet.Data, packet.Length, to.address, to.port));
        ++relays;
    }

    STI_OS::SocketHandle m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    std::atomic<bool> m_stop{false};
    std::map<std::uint64_t, std::map<std::uint32_t, SRequester>> m_requests;
    std::thread m_thread;
};

// One program copy's transport: its own Ant thread over its own sessions, started against
// the rendezvous with its client id.
class CAntSide {
public:
    CAntSide(std::uint16_t rendezvousPort, std::uint32_t clientId) : link(sessions), thread(link), ant(&thread)
    {
        EXPECT_EQ(ST_SUCCESS, ant.AntStart("127.0.0.1", rendezvousPort, 0, false));
        EXPECT_EQ(ST_SUCCESS, ant.Post(SAntInternalMsg::MakeClientId(clientId)));
    }

    CAntSessionManager sessions;
    CSessionsOf link;
    CAntThread thread;
    CAnt ant;
};

TEST(TransportManagerOverAnt, DownloadAndUploadMeetThroughTwoAntTransportsAndMoveTheFile)
{
    constexpr std::uint32_t UPLOADER = 500;
    constexpr std::uint32_t DOWNLOADER = 600;
    constexpr std::uint32_t KEY_LOW = 0xA5A5;
    constexpr std::uint32_t KEY_HIGH = 0x5A5A;
    const Bytes content = transfer_test::RandomBytes(150000, 11);

    CRendezvous rendezvous;
    CAntSide downloaderAnt(rendezvous.port, DOWNLOADER);
    CAntSide uploaderAnt(rendezvous.port, UPLOADER);
    CRecordingOutlet downloaderOutlet;
    CRecordingOutlet uploaderOutlet;
    CSharedDownload download;
    CSharedUpload upload(content);
    std::unique_ptr<CTransportManagerQueue> downloaderQueue;
    std::unique_ptr<CTransportManagerQueue> uploaderQueue;
    CTransportManagerThread uploader(&uploaderAnt.ant);
    CTransportManagerThread downloader(&downloaderAnt.ant);
    STransportTimings timings;
    timings.FirstLocateMs = 10;
    downloader.SetTimings(timings);

    // The messaging server's part: where the file is, then the connect request passed on.
    std::atomic<bool> introduced{false};
    downloaderOutlet.onCommand = [&](const SCommand& command) {
        if (command.command == 29) {
            EXPECT_EQ(ST_SUCCESS, PostTMAnswer(downloaderQueue.get(), PEER_ID, FILE_ID, UPLOADER));
        } else if (command.command == 4 && !introduced.exchange(true)) {
            EXPECT_EQ(ST_SUCCESS, PostTMNewUpload(uploaderQueue.get(), DOWNLOADER, KEY_LOW, KEY_HIGH,
                                                  WithMessageReference(&upload)));
            EXPECT_EQ(ST_SUCCESS,
                      PostTMIncomingDownload(downloaderQueue.get(), command.handle, command.ticket, KEY_LOW, KEY_HIGH));
        }
    };
    ASSERT_EQ(ST_SUCCESS, uploader.Launch(uploaderQueue, &uploaderOutlet));
    ASSERT_EQ(ST_SUCCESS, downloader.Launch(downloaderQueue, &downloaderOutlet));
    ASSERT_EQ(ST_SUCCESS,
              PostTMStartDownload(downloaderQueue.get(), FILE_ID, PEER_ID, WithMessageReference(&download)));

    ASSERT_TRUE(WaitFor([&] { return Released(download) && Released(upload); }, 60000))
        << "download: " << ::testing::PrintToString(download.Log())
        << " upload: " << ::testing::PrintToString(upload.Log());
    EXPECT_TRUE(download.With([&](CSharedDownload& r) { return r.data == content; }));
    EXPECT_EQ(1, download.With([](CSharedDownload& r) { return r.Count("closed 0 2"); }));
    EXPECT_EQ(1, upload.With([](CSharedUpload& r) { return r.Count("closed 1 2"); }));
    EXPECT_EQ((std::vector<int>{2, 3, 4, 5, 0}), download.With([](CSharedDownload& r) { return r.statuses; }));
    EXPECT_GE(rendezvous.relays.load(), 2);
}

} // namespace
