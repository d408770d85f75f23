#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "ServiceTestSupport.h"
#include "messaging/Protocol.h"
#include "server/Server.h"
#include "transport/ant/AntThread.h"
#include "support/ServerRunner.h"

using namespace svctest;
using namespace KV2Protocol;
using KV2Service::CKV2Service;

namespace {

constexpr std::uint32_t LONG_WAIT_MS = 20000;

std::size_t Occurrences(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

KV2Service::SServiceSettings Settings(std::uint16_t port,
                                      const std::shared_ptr<std::unique_ptr<CTransportManagerQueue>>& consumer)
{
    KV2Service::SServiceSettings settings = TestSettings(port, consumer);
    // Generous for a loaded machine; the test that needs the limit sets its own.
    settings.AnswerLimitSeconds = 10;
    return settings;
}

void FastServer(TarnixServer::SServerOptions& options)
{
    options.RetrySpread = 1;
    options.KeepAliveInterval = 1;
}

// The real service thread against the stand-in server on a thread of its own.
class ServiceAgainstServer : public ::testing::Test {
protected:
    bool StartService(std::uint16_t port, std::uint32_t answerLimit = 10)
    {
        KV2Service::SServiceSettings settings = Settings(port, consumer);
        settings.AnswerLimitSeconds = answerLimit;
        service.reset(new CKV2Service(settings));
        return service->Start(&events, CLIENT_ID, 0, false);
    }
    bool WaitForState(int state, std::uint32_t milliseconds = LONG_WAIT_MS)
    {
        return WaitUntil([&] { return service->GetState() == state; }, milliseconds);
    }
    // The sink hears of a change just after the state has changed.
    bool WaitForStatusCount(std::uint8_t status, std::size_t count)
    {
        return WaitUntil([&] { return events.CountStatus(status) >= count; }, LONG_WAIT_MS);
    }

    std::shared_ptr<std::unique_ptr<CTransportManagerQueue>> consumer =
        std::make_shared<std::unique_ptr<CTransportManagerQueue>>();
    CRecordingEvents events;
    std::unique_ptr<CKV2Service> service;
};

TEST_F(ServiceAgainstServer, GreetsFollowsTheRedirectLogsInAndStaysOnline)
{
    CServerRunner server(FastServer);
    ASSERT_TRUE(server.Started());
    ASSERT_TRUE(StartService(server.Port()));
    EXPECT_TRUE(service->Start(&events, CLIENT_ID, 0, false)) << "a second start does nothing";
    ASSERT_TRUE(service->Connect());

    ASSERT_TRUE(WaitForStatusCount(CKV2Service::STATUS_ONLINE, 1));
    EXPECT_EQ(CKV2Service::STATE_ONLINE, service->GetState());
    EXPECT_NE(0u, service->GetOwnAddress());
    // Connecting (states 1, 2, 3, 4, 5 each report it), then online.
    const auto statuses = events.Statuses();
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(CKV2Service::STATUS_CONNECTING, statuses.front());
    EXPECT_EQ(CKV2Service::STATUS_ONLINE, statuses.back());
    EXPECT_EQ(1u, events.CountStatus(CKV2Service::STATUS_ONLINE));
    EXPECT_EQ(1u, Occurrences(server.LogText(), "(keyed)"));

    // Keep-alives go out and come back encoded.
    ASSERT_TRUE(WaitUntil([&] { return events.KeepAliveReplies().size() >= 2; }, LONG_WAIT_MS));
    EXPECT_TRUE(service->SendMailRequest(MAIL_KIND_XML, "<TNInvite/>"));
    EXPECT_TRUE(service->SendReport("one line"));
    EXPECT_EQ(CKV2Service::STATE_ONLINE, service->GetState());

    ASSERT_TRUE(service->Disconnect());
    ASSERT_TRUE(WaitForStatusCount(CKV2Service::STATUS_OFFLINE, 1));
    EXPECT_EQ(CKV2Service::STATE_IDLE, service->GetState());
    EXPECT_EQ(CKV2Service::STATUS_OFFLINE, events.Statuses().back());
    EXPECT_FALSE(service->SendMailRequest(MAIL_KIND_XML, "<TNInvite/>"));
}

TEST_F(ServiceAgainstServer, AnUnansweredGreetingIsGivenUpAfterTheLimitAndTriedAgain)
{
    CServerRunner server([](TarnixServer::SServerOptions& options) { options.SilentAfterGreeting = true; });
    ASSERT_TRUE(server.Started());
    ASSERT_TRUE(StartService(server.Port(), 1));
    ASSERT_TRUE(service->Connect());
    ASSERT_TRUE(
        WaitUntil([&] { return Occurrences(server.LogText(), "greeting left unanswered") >= 2; }, LONG_WAIT_MS));
    EXPECT_EQ(0u, events.CountStatus(CKV2Service::STATUS_ONLINE));
}

TEST_F(ServiceAgainstServer, ARefusedLogInIsRetriedWithBackOffAndNeverOnline)
{
    CServerRunner server([](TarnixServer::SServerOptions& options) {
        options.RefuseLogin = true;
        options.RetrySpread = 1;
    });
    ASSERT_TRUE(server.Started());
    ASSERT_TRUE(StartService(server.Port()));
    ASSERT_TRUE(service->Connect());
    ASSERT_TRUE(WaitUntil([&] { return Occurrences(server.LogText(), "refused") >= 2; }, LONG_WAIT_MS));
    EXPECT_NE(CKV2Service::STATE_ONLINE, service->GetState());
    EXPECT_EQ(0u, events.CountStatus(CKV2Service::STATUS_ONLINE));
    EXPECT_EQ(0u, service->GetOwnAddress());
}

TEST_F(ServiceAgainstServer, AnUnreachableListEntryIsPassedOverForTheNext)
{
    CServerRunner login(FastServer);
    ASSERT_TRUE(login.Started());
    CDeadPort dead;
    ASSERT_NE(0, dead.Port());
    CFakeServer greeter(
        CMD_REDIRECT,
        CBody().U8(0).U8(0).List({{LOOPBACK, dead.Port()}, {LOOPBACK, login.Port()}}).U16(0).U16(1).Take());
    ASSERT_NE(0, greeter.Port());
    ASSERT_TRUE(StartService(greeter.Port()));
    ASSERT_TRUE(service->Connect());
    ASSERT_TRUE(WaitForState(CKV2Service::STATE_ONLINE));
    EXPECT_EQ(1u, Occurrences(login.LogText(), "logged in as"));
    EXPECT_GE(greeter.Requests(), 1);
}

TEST_F(ServiceAgainstServer, AKeyedLogInReplyWithABadKeyBlockIsClosedAndRetried)
{
    Bytes shortBlock(KEY_BLOCK_SIZE - 1, 0x5A);
    CFakeServer login(CMD_LOGIN_REPLY, CBody().U32(0x4321).U16(1).U16(0).U16(1).Block(shortBlock).U32(0).U16(0).Take());
    ASSERT_NE(0, login.Port());
    CFakeServer greeter(CMD_REDIRECT, CBody().U8(0).U8(0).List({{LOOPBACK, login.Port()}}).U16(0).U16(1).Take());
    ASSERT_NE(0, greeter.Port());
    ASSERT_TRUE(StartService(greeter.Port()));
    ASSERT_TRUE(service->Connect());
    // Each log-in leaves on a connection of its own, so a second one means the first was closed.
    ASSERT_TRUE(WaitUntil([&] { return login.Requests() >= 2; }, LONG_WAIT_MS));
    EXPECT_EQ(0u, events.CountStatus(CKV2Service::STATUS_ONLINE));
    EXPECT_EQ(0u, service->GetOwnAddress());
}

namespace {

// Stops the service thread where it is about to hand a mail to its connection: the test acts
// there (on its own thread, while the service thread waits) and lets it go on.
class CMailGate {
public:
    // The n-th mail handed over (from 1) stops; holdOutput keeps it from being written.
    CMailGate(int stopAt, bool holdOutput) : m_stopAt(stopAt), m_holdOutput(holdOutput) {}
    void Install(KV2Service::SServiceSettings& settings)
    {
        settings.BeforeMailHandedOver = [this](CMsgSockHandler& handler) {
            std::unique_lock<std::mutex> guard(m_lock);
            if (++m_seen != m_stopAt)
                return;
            if (m_holdOutput)
                handler.HoldOutput(true);
            m_stopped = true;
            m_changed.notify_all();
            m_changed.wait_for(guard, std::chrono::seconds(10), [this] { return m_open; });
        };
    }
    bool WaitStopped()
    {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::seconds(10), [this] { return m_stopped; });
    }
    void Open()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

private:
    const int m_stopAt;
    const bool m_holdOutput;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_seen = 0;
    bool m_stopped = false, m_open = false;
};

} // namespace

TEST_F(ServiceAgainstServer, AMailStillQueuedWhenTheConnectionDropsIsGivenBackAndAWrittenOneIsSent)
{
    auto server = std::make_unique<CServerRunner>(FastServer);
    ASSERT_TRUE(server->Started());
    CMailGate gate(2, true);
    KV2Service::SServiceSettings settings = Settings(server->Port(), consumer);
    gate.Install(settings);
    service.reset(new CKV2Service(settings));
    ASSERT_TRUE(service->Start(&events, CLIENT_ID, 0, false));
    ASSERT_TRUE(service->Connect());
    ASSERT_TRUE(WaitForStatusCount(CKV2Service::STATUS_ONLINE, 1));

    ASSERT_TRUE(service->SendMailRequest(MAIL_KIND_XML, "<FLEmail>written</FLEmail>"));
    ASSERT_TRUE(WaitUntil([&] { return events.MailsSent().size() == 1; }, LONG_WAIT_MS));
    ASSERT_TRUE(WaitUntil([&] { return Occurrences(server->LogText(), ": mail (") == 1; }, LONG_WAIT_MS));

    // The second mail is taken and queued on the connection, and the server goes away before
    // a byte of it is written; a third is taken meanwhile.
    ASSERT_TRUE(service->SendMailRequest(MAIL_KIND_XML, "<FLEmail>queued</FLEmail>"));
    ASSERT_TRUE(gate.WaitStopped());
    server.reset();
    ASSERT_TRUE(service->SendMailRequest(MAIL_KIND_XML, "<FLEmail>behind</FLEmail>"));
    gate.Open();
    ASSERT_TRUE(WaitUntil([&] { return events.MailsNotSent().size() == 2; }, LONG_WAIT_MS));
    EXPECT_EQ(events.MailsNotSent(),
              (std::vector<std::string>{"<FLEmail>queued</FLEmail>", "<FLEmail>behind</FLEmail>"}));
    EXPECT_EQ(events.MailsSent(), (std::vector<std::string>{"<FLEmail>written</FLEmail>"}));
}

TEST_F(ServiceAgainstServer, AMailTakenAfterTheServiceClosedItsConnectionIsGivenBack)
{
    CServerRunner server(FastServer);
    ASSERT_TRUE(server.Started());
    CMailGate gate(1, false);
    KV2Service::SServiceSettings settings = Settings(server.Port(), consumer);
    gate.Install(settings);
    service.reset(new CKV2Service(settings));
    ASSERT_TRUE(service->Start(&events, CLIENT_ID, 0, false));
    ASSERT_TRUE(service->Connect());
    ASSERT_TRUE(WaitForStatusCount(CKV2Service::STATUS_ONLINE, 1));

    // While the service thread hands the first mail over, a disconnect and a second mail are
    // posted behind it: the second finds no connection on the service thread.
    ASSERT_TRUE(service->SendMailRequest(MAIL_KIND_XML, "<FLEmail>1</FLEmail>"));
    ASSERT_TRUE(gate.WaitStopped());
    ASSERT_TRUE(service->Disconnect());
    ASSERT_TRUE(service->SendMailRequest(MAIL_KIND_XML, "<FLEmail>2</FLEmail>"));
    gate.Open();
    ASSERT_TRUE(WaitForStatusCount(CKV2Service::STATUS_OFFLINE, 1));
    ASSERT_TRUE(WaitUntil([&] { return events.MailsNotSent().size() == 1; }, LONG_WAIT_MS));
    EXPECT_EQ("<FLEmail>2</FLEmail>", events.MailsNotSent()[0]);
    ASSERT_TRUE(WaitUntil([&] { return events.MailsSent().size() == 1; }, LONG_WAIT_MS));
    EXPECT_EQ("<FLEmail>1</FLEmail>", events.MailsSent()[0]);
    ASSERT_TRUE(WaitUntil([&] { return Occurrences(server.LogText(), ": mail (") == 1; }, LONG_WAIT_MS));
}

TEST_F(ServiceAgainstServer, AServerRestartIsFollowedByAReconnect)
{
    std::unique_ptr<CServerRunner> server(new CServerRunner(FastServer));
    ASSERT_TRUE(server->Started());
    const std::uint16_t port = server->Port();
    ASSERT_TRUE(StartService(port));
    ASSERT_TRUE(service->Connect());
    ASSERT_TRUE(WaitForStatusCount(CKV2Service::STATUS_ONLINE, 1));

    server.reset();
    ASSERT_TRUE(WaitUntil([&] { return events.Statuses().back() == CKV2Service::STATUS_CONNECTING; }, LONG_WAIT_MS));

    // The same port again, as a restarted server would have it.
    ASSERT_TRUE(WaitUntil(
        [&] {
            server.reset(new CServerRunner([port](TarnixServer::SServerOptions& options) {
                FastServer(options);
                options.ListenPort = port;
            }));
            return server->Started();
        },
        LONG_WAIT_MS));
    ASSERT_TRUE(WaitForStatusCount(CKV2Service::STATUS_ONLINE, 2));
    EXPECT_EQ(2u, events.CountStatus(CKV2Service::STATUS_ONLINE));
}

TEST_F(ServiceAgainstServer, WithoutAStarterOfItsOwnTheServiceStartsTheTransportManagerThread)
{
    KV2Service::SServiceSettings settings = Settings(1, nullptr);
    settings.StartTransportManager = nullptr;
    service.reset(new CKV2Service(settings));
    const std::uint8_t fileId[16] = {7};
    EXPECT_EQ(ST_NOT_CONNECTED, service->PostUploadLevel(fileId, 1)) << "no queue before the thread runs";
    ASSERT_TRUE(service->Start(&events, CLIENT_ID, 0, false));
    EXPECT_TRUE(WaitUntil([&] { return service->PostUploadLevel(fileId, 1) == ST_SUCCESS; }));
}

TEST_F(ServiceAgainstServer, StartSetsUpTheSessionTransportTowardTheSameServer)
{
    CDeadPort server; // nothing is sent to it before a session
    KV2Service::SServiceSettings settings = Settings(server.Port(), consumer);
    settings.UseTransport = true;
    service.reset(new CKV2Service(settings));
    EXPECT_EQ(0, service->GetAntLocalPort());
    ASSERT_TRUE(service->Start(&events, CLIENT_ID, 0, false));
    // The start returns once the transport has its socket.
    EXPECT_NE(0, service->GetAntLocalPort());
    EXPECT_EQ("127.0.0.1", CAntThread::Instance()->GetRendezvousHost());
}

// The service's and the server's loops taken in turns on the test's thread, so the server can be
// made to fall silent while its connections stay open.
class ServiceWithSilentServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        TarnixServer::SServerOptions options;
        options.ListenPort = 0;
        options.KeepAliveInterval = 1;
        options.RetrySpread = 1;
        options.OutboxFolder = folder + "/outbox";
        options.ReportLogPath = folder + "/reports.log";
        server.reset(new TarnixServer::CServer(options, log));
        ASSERT_EQ(ST_SUCCESS, server->Open());
        service.reset(new CSteppedService(Settings(server->ListenPort(), consumer)));
        service->Begin(&events);
        ASSERT_TRUE(service->Connect());
    }
    void TearDown() override
    {
        service.reset();
        server.reset();
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }

    // Turns of both loops (or only the service's) until the condition holds.
    bool Run(const std::function<bool()>& done, bool serverAnswers)
    {
        return WaitUntil(done, LONG_WAIT_MS, [&] {
            if (serverAnswers) {
                EXPECT_EQ(ST_SUCCESS, server->RunTurn(0));
            }
            service->Turn(5);
        });
    }

    std::string folder = MakeScratchFolder("tarnix-service-test");
    std::ostringstream log;
    std::unique_ptr<TarnixServer::CServer> server;
    std::shared_ptr<std::unique_ptr<CTransportManagerQueue>> consumer =
        std::make_shared<std::unique_ptr<CTransportManagerQueue>>();
    CRecordingEvents events;
    std::unique_ptr<CSteppedService> service;
};

TEST_F(ServiceWithSilentServer, AFirstKeepAliveLeftUnansweredCountsAsALostLink)
{
    ASSERT_TRUE(Run([&] { return service->GetState() == CKV2Service::STATE_ONLINE; }, true));
    ASSERT_TRUE(events.KeepAliveReplies().empty());
    ASSERT_TRUE(Run([&] { return service->GetState() != CKV2Service::STATE_ONLINE; }, false));
    EXPECT_TRUE(events.KeepAliveReplies().empty());
    // Once the server answers again the service logs in anew.
    ASSERT_TRUE(Run([&] { return events.CountStatus(CKV2Service::STATUS_ONLINE) == 2; }, true));
}

TEST_F(ServiceWithSilentServer, KeepAlivesThatStopComingBackCountAsALostLink)
{
    ASSERT_TRUE(Run([&] { return !events.KeepAliveReplies().empty(); }, true));
    ASSERT_EQ(CKV2Service::STATE_ONLINE, service->GetState());
    ASSERT_TRUE(Run([&] { return service->GetState() != CKV2Service::STATE_ONLINE; }, false));
    ASSERT_TRUE(Run([&] { return events.CountStatus(CKV2Service::STATUS_ONLINE) == 2; }, true));
}

} // namespace
