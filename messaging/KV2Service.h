#pragma once
// The messaging service: the thread that owns the one connection to the messaging server. It
// greets the main server, follows its redirect to a log-in server, logs in with the user's
// client id, keeps the link alive, reconnects with randomised back-off, sends the application's
// requests and reports its state and the server's commands through CKV2ServiceEvents. It also
// starts the transport-manager thread and posts the records that reach it.
//
// Any thread may call Start, Connect, Disconnect, the senders and the posting methods: the
// senders only fill a message buffer and post it to the service thread, so every message leaves
// on that thread in posting order. Everything else (state, connection, timers, lists) is touched
// on the service thread only; the senders read the state without a lock.

#include <atomic>
#include <deque>
#include <mutex>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "infra/Longevity.h"
#include "infra/NetworkThread.h"
#include "infra/Status.h"
#include "messaging/CommandHandler.h"
#include "messaging/KV2SockHandler.h"
#include "messaging/MsgStream.h"
#include "transport/transfer/TransferEntry.h"
#include "transport/transfer/TransportManagerInternalMsg.h"
#include "transport/transfer/TransportManagerOutlet.h"

class CCommunicator;
class IUploadCallback;
class IDownloadCallback;

namespace sti {
class CProxyTCPSocket;
}

namespace KV2Service {

// Starts the transport-manager thread and hands back the queue end the service posts to.
using TransportManagerStarter =
    std::function<Status(std::unique_ptr<CTransportManagerQueue>& queue, ITransportManagerOutlet* outlet)>;

// What a test instance may change; the process's service keeps the defaults.
struct SServiceSettings {
    std::string Host;                              // empty: KV2Protocol::ServerHost()
    std::uint16_t Port = 0;                        // 0: KV2Protocol::ServerPort()
    std::uint32_t AnswerLimitSeconds = 30;         // a greeting or log-in left unanswered longer fails
    std::uint32_t RedirectLifetimeSeconds = 120;   // a redirect list is used this long after it came
    std::uint16_t InitialRetrySpread = 15;         // seconds, until a redirect gives one
    bool UseTransport = true;                      // start the Ant transport and tell it the own address
    bool PrivateCommunicator = false;              // a communicator of its own instead of the process's
    TransportManagerStarter StartTransportManager; // empty: the transport-manager thread
    // Test seam: runs on the service thread just before a mail request is handed to the live
    // connection's handler (a test holds the handler's output there to reach a connection that
    // ends before the mail is written).
    std::function<void(CMsgSockHandler&)> BeforeMailHandedOver;
};

class CKV2Service : public sti::CNetworkThread,
                    public CCommandHandler,
                    public ITransportManagerOutlet,
                    public IConnectionClosedSink {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::KV2_SERVICE;

    // Service states.
    enum State : int {
        STATE_IDLE = 0,
        STATE_CONNECTING = 1,    // to the main server
        STATE_GREETING_SENT = 2, // to the main server
        STATE_REDIRECTED = 3,    // redirect list received
        STATE_RETRY_PENDING = 4, // connection lost or log-in refused
        STATE_LOGIN_SENT = 5,    // to a redirect server
        STATE_MAIN_UNREACHABLE = 6,
        STATE_LIST_EXHAUSTED = 7,
        STATE_ONLINE = 8,
    };

    // Status values handed to OnStatusChanged.
    enum ServiceStatus : std::uint8_t {
        STATUS_OFFLINE = 0,
        STATUS_CONNECTING = 1,
        STATUS_ONLINE = 3
    };

    // Thread message kinds.
    enum MessageKind : std::uint32_t {
        MSG_CONNECT = 1,
        MSG_DISCONNECT = 2,
        MSG_SEND = 3
    };
    // Length of a send message: header, command, target and a pointer-sized buffer reference.
    static constexpr std::uint32_t SEND_MESSAGE_LENGTH = 16 + sizeof(void*);

    // The application's side; every call comes on the service thread and must not block it.
    class CKV2ServiceEvents {
    public:
        virtual ~CKV2ServiceEvents() = default;
        virtual void OnKeepAliveReply(std::uint32_t value) = 0;
        virtual void OnStatusChanged(std::uint8_t status) = 0;
        virtual void OnServerNotice(std::uint8_t type) = 0;
        virtual bool OnPeerRequest(std::uint32_t requester, const std::uint8_t clientId[TRANSFER_ID_SIZE],
                                   std::uint32_t session) = 0;
        // The callback of the upload session, or null when the application does not know it.
        virtual IUploadCallback* GetUploadCallback(std::uint32_t session) = 0;
        virtual void OnCommand35(std::uint32_t value, bool flag) = 0;
        // Every mail request SendMailRequest took ends in exactly one of these two: written
        // whole to the server's connection, or never (no connection when its turn came, or the
        // connection ended before it was written), so the application may send it again.
        virtual void OnMailSent(std::uint32_t /*kind*/, const std::string& /*text*/) {}
        virtual void OnMailNotSent(std::uint32_t /*kind*/, const std::string& /*text*/) {}
    };

    struct SRedirectEntry {
        std::uint32_t Address = 0; // IPv4, host order
        std::uint16_t Port = 0;
    };

    static CKV2Service* Instance();

    CKV2Service();
    explicit CKV2Service(const SServiceSettings& settings);
    ~CKV2Service() override;

    // Any thread. Once only: later calls return true at once. Stores the sink (not owned) and the
    // client id, starts the transport toward the server, makes the thread's pipe and starts the
    // thread; false when the pipe or the thread cannot be had.
    bool Start(CKV2ServiceEvents* events, const std::uint8_t clientId[TRANSFER_ID_SIZE], std::uint16_t localUdpPort,
               bool advertiseLocalAddress);
    bool Connect();
    bool Disconnect();

    // Senders: each acts only in states 6, 7 and 8 and returns true once its message is posted
    // to the service thread.
    // Command 4 to the ticket; also needs a connection and a peer other than this client.
    bool SendConnectRequest(std::uint32_t ticket, std::uint32_t sessionHandle) override;
    // Command 29.
    bool SendSessionRequest(const std::uint8_t peerId[TRANSFER_ID_SIZE],
                            const std::uint8_t fileId[TRANSFER_ID_SIZE]) override;
    // Command 34. Only online with a live connection: on false the caller keeps the mail.
    bool SendMailRequest(std::uint32_t kind, const std::string& text);
    // Command 36.
    bool SendReport(const std::string& text);

    // Records for the transport-manager thread (ST_NOT_CONNECTED before the thread started).
    Status PostStartDownload(const std::uint8_t fileId[TRANSFER_ID_SIZE], const std::uint8_t peerId[TRANSFER_ID_SIZE],
                             IDownloadCallback* callback);
    Status PostDownloadCommand(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t value);
    Status PostUploadCommand(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t value);
    Status PostUploadLevel(const std::uint8_t fileId[TRANSFER_ID_SIZE], std::uint32_t level);

    // The transport's local UDP port (0 before it started, or without transport).
    std::uint16_t GetAntLocalPort() const;

    // Commands 2, 4, 5, 7, 10, 28, 30, 33 and 35 from the server (service thread).
    Status HandleCommand(const SMsgConnectionContext& from, const CMsgHeader& header, CMsgStream& body) override;

    // The connection failed (its handler's error path; service thread).
    void OnConnectionClosed() override;
    // Mails the handler had not written are given back (service thread).
    void OnConnectionEnding(const CMsgSockHandler& handler) override;

    // Inspection; from any thread for the state, otherwise on the service thread or while the
    // thread does not run.
    int GetState() const { return m_state.load(); }
    std::uint32_t GetOwnAddress() const { return m_ownAddress.load(); }
    bool HasConnection() const { return m_connectionLive.load(); }
    const std::vector<SRedirectEntry>& GetRedirectList() const { return m_redirects; }
    std::size_t GetRedirectIndex() const { return m_redirectIndex; }
    std::uint16_t GetRetrySpread() const { return m_retrySpread; }
    std::uint16_t GetKeepAliveInterval() const { return m_keepAliveInterval; }
    bool IsRetryScheduled() const { return m_nextRetry != 0; }
    bool IsServerStopped() const { return m_serverStop; }
    CCommunicator* GetCommunicator() const { return m_communicator.load(); }

protected:
    void OnStart() override;
    void OnExit() override;
    void OnCleanup() override;
    void OnIdle() override;
    Status HandleMessage(std::uint32_t type, sti::CMessageReader& reader) override;

    // Start without starting the thread: a test may run the thread's steps on its own.
    bool Prepare(CKV2ServiceEvents* events, const std::uint8_t clientId[TRANSFER_ID_SIZE], std::uint16_t localUdpPort,
                 bool advertiseLocalAddress);

    // The connection state machine (service thread).
    void SetState(int state);
    void RetryWithBackoff();
    bool Reconnect();
    bool ConnectMainServer();
    bool ConnectAlternate(const SRedirectEntry& entry);
    bool NextAlternate();
    void CloseConnection();
    bool SendKeepAlive();
    bool SendConnectAnswer(std::uint32_t requester, std::uint32_t session, std::uint8_t status);

private:
    struct SMailOnWire {
        const CMsgSockHandler* handler; // the connection it was handed to
        std::uint64_t ordinal;          // its place among the messages that handler took
        std::uint32_t kind;
        std::string text;
    };

    // A mail request reached the service thread: handed to `handler` as its message number
    // `ordinal`, or (handler null) to no connection, so it goes back.
    void OnMailHandled(const CMsgSockHandler* handler, std::uint64_t ordinal);
    // Mails that have left on the wire are reported sent; with `ending`, those of that handler
    // that have not are reported not sent.
    void SettleMails(const CMsgSockHandler* ending);
    // Seconds on the monotonic library clock.
    static std::int64_t Now();

    bool CanSend() const;
    bool PostToServer(std::uint16_t command, std::uint32_t target, const std::function<void(CMsgStream&)>& writeBody);
    Status SendDirect(std::uint32_t destination, std::uint16_t command,
                      const std::function<void(CMsgStream&)>& writeBody);
    // Opens and attaches a connection; on success it becomes the current one.
    Status OpenConnection(const std::string& host, std::uint16_t port);
    void SetConnection(sti::CProxyTCPSocket* connection);
    std::uint32_t NextRandom(std::uint16_t spread);

    Status OnLoginReply(const SMsgConnectionContext& from, CMsgStream& body);
    Status OnConnectRequest(CMsgStream& body);
    Status OnConnectAnswer(CMsgStream& body);
    Status OnKeepAliveReply(CMsgStream& body);
    Status OnRedirect(CMsgStream& body);
    Status OnSessionSetup(CMsgStream& body);
    Status OnSessionAnswer(CMsgStream& body);
    Status OnCommand35(CMsgStream& body);

    SServiceSettings m_settings;
    std::string m_host;
    std::uint16_t m_port;

    std::atomic<std::uint32_t> m_ownAddress{0};
    CKV2ServiceEvents* m_events = nullptr; // not owned
    std::atomic<int> m_state{STATE_IDLE};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_stopping{false};
    sti::CProxyTCPSocket* m_connection = nullptr; // the dispatcher's once attached
    CMsgSockHandler* m_handler = nullptr;         // m_connection's; the dispatcher's
    std::atomic<bool> m_connectionLive{false};
    std::uint8_t m_clientId[TRANSFER_ID_SIZE] = {};

    // Keep-alive (seconds, 0 = none).
    std::int64_t m_keepAliveSent = 0;
    std::int64_t m_keepAliveReply = 0;
    std::int64_t m_onlineSince = 0;
    std::uint16_t m_keepAliveInterval = 0;

    std::int64_t m_nextRetry = 0; // 0 = not scheduled
    std::uint16_t m_retrySpread;

    std::vector<SRedirectEntry> m_redirects;
    std::int64_t m_redirectTime = 0;
    std::size_t m_redirectIndex = 0;
    bool m_serverStop = false;

    std::int64_t m_stateStamp = 0; // when states 2 and 5 were entered
    bool m_oneMoreRound = true;

    std::unique_ptr<CCommunicator> m_ownCommunicator;
    std::atomic<CCommunicator*> m_communicator{nullptr}; // the process's or m_ownCommunicator
    std::unique_ptr<CTransportManagerQueue> m_tmQueue;
    std::atomic<CTransportManagerQueue*> m_tmQueueEnd{nullptr};
    std::minstd_rand m_random;

    // Mail requests posted to the service thread and not yet handled there, in posting order
    // (kind, text): one whose connection is gone by then is given back to the application.
    std::mutex m_mailLock;
    std::deque<std::pair<std::uint32_t, std::string>> m_mailsInFlight;
    // Mails handed to a connection and not yet written whole (service thread only).
    std::deque<SMailOnWire> m_mailsOnWire;
};

} // namespace KV2Service
