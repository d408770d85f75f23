#pragma once
// Shared by the service tests: an events sink that records what the service reports, a service
// whose thread steps a test runs on its own thread, a transport-manager start that keeps the
// queue's consumer end for the test, a greeting server that answers with a list of the test's
// choosing (or any other answer), and a port on which nothing listens.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "infra/os/Socket.h"
#include "messaging/KV2Service.h"
#include "messaging/MsgStream.h"
#include "transport/transfer/TransportManagerInternalMsg.h"

namespace svctest {

using Bytes = std::vector<std::uint8_t>;
using KV2Service::CKV2Service;

constexpr std::uint32_t LOOPBACK = 0x7F000001;
extern const std::uint8_t CLIENT_ID[16];

// Polls the condition every few milliseconds (running step first, when given) until it holds or
// the time is up.
bool WaitUntil(const std::function<bool()>& done, std::uint32_t milliseconds = 10000,
               const std::function<void()>& step = nullptr);

class CRecordingEvents : public CKV2Service::CKV2ServiceEvents {
public:
    struct SPeerRequest {
        std::uint32_t Requester;
        std::uint8_t ClientId[16];
        std::uint32_t Session;
    };

    void OnKeepAliveReply(std::uint32_t value) override;
    void OnStatusChanged(std::uint8_t status) override;
    void OnServerNotice(std::uint8_t type) override;
    bool OnPeerRequest(std::uint32_t requester, const std::uint8_t clientId[16], std::uint32_t session) override;
    IUploadCallback* GetUploadCallback(std::uint32_t session) override;
    void OnCommand35(std::uint32_t value, bool flag) override;
    void OnMailSent(std::uint32_t kind, const std::string& text) override;
    void OnMailNotSent(std::uint32_t kind, const std::string& text) override;

    std::vector<std::uint8_t> Statuses() const;
    std::vector<std::string> MailsSent() const;
    std::vector<std::string> MailsNotSent() const;
    std::vector<std::uint8_t> Notices() const;
    std::vector<std::uint32_t> KeepAliveReplies() const;
    std::vector<SPeerRequest> PeerRequests() const;
    std::vector<std::pair<std::uint32_t, bool>> Command35s() const;
    std::size_t CountStatus(std::uint8_t status) const;

    std::atomic<bool> AcceptPeers{false};
    std::atomic<IUploadCallback*> UploadCallback{nullptr};

private:
    mutable std::mutex m_lock;
    std::vector<std::uint8_t> m_statuses;
    std::vector<std::uint8_t> m_notices;
    std::vector<std::uint32_t> m_keepAliveReplies;
    std::vector<SPeerRequest> m_peerRequests;
    std::vector<std::pair<std::uint32_t, bool>> m_command35s;
    std::vector<std::string> m_mailsSent;
    std::vector<std::string> m_mailsNotSent;
};

// Settings of a test instance: its own communicator, no Ant transport, a transport-manager
// start that keeps the consumer end in *consumer, short limits.
KV2Service::SServiceSettings TestSettings(std::uint16_t port,
                                          std::shared_ptr<std::unique_ptr<CTransportManagerQueue>> consumer);

// The next record on the consumer end within the time; false when none came.
bool ReadRecord(CTransportManagerQueue& consumer, STransportManagerInternalMsg& record,
                std::uint32_t milliseconds = 2000);

// A service whose thread steps (start, dispatcher turn plus idle, exit) run on the test's thread,
// so a test can drive it turn by turn, and with it a server it runs itself.
class CSteppedService : public CKV2Service {
public:
    explicit CSteppedService(const KV2Service::SServiceSettings& settings) : CKV2Service(settings) {}
    ~CSteppedService() override { End(); }

    void Begin(CKV2ServiceEvents* events);
    // One dispatcher round of at most the time, then the idle step.
    void Turn(std::uint32_t milliseconds = 1);
    void End();

    // A received command as the communicator hands it over.
    Status Deliver(std::uint16_t command, const Bytes& body, CMsgSockHandler* handler = nullptr);

    using CKV2Service::SetState;

private:
    bool m_begun = false;
};

// Body builder: the fields in the order written.
class CBody {
public:
    CBody();
    CBody& U8(std::uint8_t value);
    CBody& U16(std::uint16_t value);
    CBody& U32(std::uint32_t value);
    CBody& Id(const std::uint8_t* id);
    CBody& Block(const Bytes& block);
    CBody& List(const std::vector<SMsgAddressEntry>& list);
    Bytes Take() const;

private:
    CMsgBuffer m_buffer;
    CMsgStream m_stream;
};

// A TCP port on 127.0.0.1 that is bound but not listening: every connect to it is refused.
class CDeadPort {
public:
    CDeadPort();
    ~CDeadPort();
    std::uint16_t Port() const { return m_port; }

private:
    STI_OS::SocketHandle m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    std::uint16_t m_port = 0;
};

// A server that answers the first message of every connection (a greeting or a log-in; the
// service sends nothing else before the answer) with the same command and body.
class CFakeServer {
public:
    CFakeServer(std::uint16_t command, const Bytes& body);
    ~CFakeServer();
    std::uint16_t Port() const { return m_port; }
    int Requests() const { return m_requests.load(); }

private:
    void Serve();

    Bytes m_reply;
    STI_OS::SocketHandle m_listener = STI_OS::INVALID_SOCKET_HANDLE;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};

} // namespace svctest
