#include "ServiceTestSupport.h"

#include <cstring>

#include "infra/Dispatcher.h"
#include "infra/os/Clock.h"
#include "messaging/ClientBufferAllocator.h"
#include "messaging/Communicator.h"
#include "messaging/MsgFraming.h"
#include "messaging/MsgHeader.h"
#include "messaging/Protocol.h"

namespace svctest {

const std::uint8_t CLIENT_ID[16] = {0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
                                    0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F, 0x60};

bool WaitUntil(const std::function<bool()>& done, std::uint32_t milliseconds, const std::function<void()>& step)
{
    const std::uint64_t deadline = STI_OS::GetClock() + milliseconds;
    for (;;) {
        if (step)
            step();
        if (done())
            return true;
        if (STI_OS::GetClock() > deadline)
            return false;
        if (!step)
            STI_OS::Sleep(5);
    }
}

void CRecordingEvents::OnKeepAliveReply(std::uint32_t value)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_keepAliveReplies.push_back(value);
}

void CRecordingEvents::OnStatusChanged(std::uint8_t status)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_statuses.push_back(status);
}

void CRecordingEvents::OnServerNotice(std::uint8_t type)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_notices.push_back(type);
}

bool CRecordingEvents::OnPeerRequest(std::uint32_t requester, const std::uint8_t clientId[16], std::uint32_t session)
{
    SPeerRequest request{requester, {}, session};
    std::memcpy(request.ClientId, clientId, 16);
    std::lock_guard<std::mutex> guard(m_lock);
    m_peerRequests.push_back(request);
    return AcceptPeers.load();
}

IUploadCallback* CRecordingEvents::GetUploadCallback(std::uint32_t)
{
    return UploadCallback.load();
}

void CRecordingEvents::OnCommand35(std::uint32_t value, bool flag)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_command35s.emplace_back(value, flag);
}

void CRecordingEvents::OnMailSent(std::uint32_t, const std::string& text)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_mailsSent.push_back(text);
}

std::vector<std::string> CRecordingEvents::MailsSent() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_mailsSent;
}

void CRecordingEvents::OnMailNotSent(std::uint32_t, const std::string& text)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_mailsNotSent.push_back(text);
}

std::vector<std::string> CRecordingEvents::MailsNotSent() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_mailsNotSent;
}

std::vector<std::uint8_t> CRecordingEvents::Statuses() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_statuses;
}

std::vector<std::uint8_t> CRecordingEvents::Notices() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_notices;
}

std::vector<std::uint32_t> CRecordingEvents::KeepAliveReplies() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_keepAliveReplies;
}

std::vector<CRecordingEvents::SPeerRequest> CRecordingEvents::PeerRequests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_peerRequests;
}

std::vector<std::pair<std::uint32_t, bool>> CRecordingEvents::Command35s() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_command35s;
}

std::size_t CRecordingEvents::CountStatus(std::uint8_t status) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::size_t count = 0;
    for (std::uint8_t seen : m_statuses)
        count += seen == status ? 1 : 0;
    return count;
}

KV2Service::SServiceSettings TestSettings(std::uint16_t port,
                                          std::shared_ptr<std::unique_ptr<CTransportManagerQueue>> consumer)
{
    KV2Service::SServiceSettings settings;
    settings.Host = "127.0.0.1";
    settings.Port = port;
    settings.AnswerLimitSeconds = 1;
    settings.RedirectLifetimeSeconds = 120;
    settings.InitialRetrySpread = 1;
    settings.UseTransport = false;
    settings.PrivateCommunicator = true;
    settings.StartTransportManager = [consumer](std::unique_ptr<CTransportManagerQueue>& queue,
                                                ITransportManagerOutlet*) {
        return consumer ? CTransportManagerQueue::CreatePair(queue, *consumer) : ST_NOT_IMPLEMENTED;
    };
    return settings;
}

bool ReadRecord(CTransportManagerQueue& consumer, STransportManagerInternalMsg& record, std::uint32_t milliseconds)
{
    bool got = false;
    WaitUntil([&] { return got; }, milliseconds,
              [&] {
                  const std::uint8_t* data = nullptr;
                  std::uint32_t count = 0;
                  if (consumer.Read(data, count) == ST_SUCCESS && count >= sizeof record) {
                      std::memcpy(static_cast<void*>(&record), data, sizeof record);
                      consumer.ConsumeRead(sizeof record);
                      got = true;
                  } else {
                      STI_OS::Sleep(2);
                  }
              });
    return got;
}

void CSteppedService::Begin(CKV2ServiceEvents* events)
{
    Prepare(events, CLIENT_ID, 0, false);
    OnStart();
    m_begun = true;
}

void CSteppedService::Turn(std::uint32_t milliseconds)
{
    (void)sti::CDispatcher::Instance()->Run(milliseconds); // the tests check what the turn did
    OnIdle();
}

void CSteppedService::End()
{
    if (!m_begun)
        return;
    m_begun = false;
    OnExit();
    // Deletes what the exit closed while this object still lives.
    (void)sti::CDispatcher::Instance()->Run(0); // only the deletions matter
}

Status CSteppedService::Deliver(std::uint16_t command, const Bytes& body, CMsgSockHandler* handler)
{
    CMsgBuffer buffer;
    std::memset(buffer.Data, 0, MSG_HEADER_SIZE);
    if (!body.empty())
        std::memcpy(buffer.Data + MSG_HEADER_SIZE, body.data(), body.size());
    buffer.Used = static_cast<std::uint32_t>(MSG_HEADER_SIZE + body.size());
    CMsgHeader header;
    header.MessageLength = static_cast<std::uint16_t>(buffer.Used);
    header.Command = command;
    SMsgConnectionContext from;
    from.Handler = handler;
    from.Communicator = GetCommunicator();
    from.Allocator = ClientBufferAllocator<MSG_MAX_LENGTH>::Instance();
    CMsgStream stream(&buffer, CMsgStream::MODE_READ);
    return HandleCommand(from, header, stream);
}

CBody::CBody() : m_stream(&m_buffer, CMsgStream::MODE_WRITE) {}

CBody& CBody::U8(std::uint8_t value)
{
    (void)m_stream.WriteByte(value); // a test body is far smaller than a message
    return *this;
}

CBody& CBody::U16(std::uint16_t value)
{
    (void)m_stream.WriteU16(value); // a test body is far smaller than a message
    return *this;
}

CBody& CBody::U32(std::uint32_t value)
{
    (void)m_stream.WriteU32(value); // a test body is far smaller than a message
    return *this;
}

CBody& CBody::Id(const std::uint8_t* id)
{
    (void)m_stream.WriteId16(id); // a test body is far smaller than a message
    return *this;
}

CBody& CBody::Block(const Bytes& block)
{
    (void)m_stream.WriteBlock(block.data(), static_cast<std::uint16_t>(block.size())); // ditto
    return *this;
}

CBody& CBody::List(const std::vector<SMsgAddressEntry>& list)
{
    (void)m_stream.WriteAddressList(list); // a test body is far smaller than a message
    return *this;
}

Bytes CBody::Take() const
{
    return Bytes(m_buffer.Data + MSG_HEADER_SIZE, m_buffer.Data + m_buffer.Used);
}

CDeadPort::CDeadPort()
{
    if (STI_OS::CreateTCPSocket(m_socket) != ST_SUCCESS)
        return;
    std::uint32_t address = 0;
    if (STI_OS::Bind(m_socket, LOOPBACK, 0) == ST_SUCCESS)
        (void)STI_OS::GetSockName(m_socket, address, m_port); // without a port the connect fails, and so the test
}

CDeadPort::~CDeadPort()
{
    if (m_socket != STI_OS::INVALID_SOCKET_HANDLE)
        (void)STI_OS::CloseSocket(m_socket); // teardown: nothing to check
}

CFakeServer::CFakeServer(std::uint16_t command, const Bytes& body)
{
    CMsgBuffer buffer;
    CMsgStream stream(&buffer, CMsgStream::MODE_WRITE);
    // A test reply is far smaller than a message: neither write can fail.
    (void)stream.Write(body.data(), body.size());
    CMsgHeader header;
    header.MessageLength = static_cast<std::uint16_t>(buffer.Used);
    header.Command = command;
    (void)WriteMessageHeader(buffer, header);
    m_reply.assign(buffer.Data, buffer.Data + buffer.Used);

    std::uint32_t address = 0;
    if (STI_OS::CreateTCPSocket(m_listener) != ST_SUCCESS || STI_OS::Bind(m_listener, LOOPBACK, 0) != ST_SUCCESS ||
        STI_OS::Listen(m_listener, 16) != ST_SUCCESS || STI_OS::SetNonBlocking(m_listener, true) != ST_SUCCESS ||
        STI_OS::GetSockName(m_listener, address, m_port) != ST_SUCCESS) {
        m_port = 0;
        return;
    }
    m_thread = std::thread([this] { Serve(); });
}

CFakeServer::~CFakeServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener != STI_OS::INVALID_SOCKET_HANDLE)
        (void)STI_OS::CloseSocket(m_listener); // teardown: nothing to check
}

void CFakeServer::Serve()
{
    std::vector<STI_OS::SocketHandle> clients;
    std::vector<std::size_t> received;
    std::vector<std::size_t> lengths;
    while (!m_stop) {
        STI_OS::SocketHandle client = STI_OS::INVALID_SOCKET_HANDLE;
        if (STI_OS::Accept(m_listener, client) == ST_SUCCESS && client != STI_OS::INVALID_SOCKET_HANDLE) {
            (void)STI_OS::SetNonBlocking(client, true); // a blocking client only slows the stand-in
            clients.push_back(client);
            received.push_back(0);
            lengths.push_back(0);
        }
        // The answer goes out once a whole message has come (its length is in its first two bytes).
        for (std::size_t i = 0; i < clients.size(); ++i) {
            std::uint8_t chunk[256];
            std::uint32_t count = 0;
            if (STI_OS::Recv(clients[i], chunk, sizeof chunk, count) != ST_SUCCESS || count == 0)
                continue;
            if (received[i] == 0 && count >= 2)
                lengths[i] = static_cast<std::size_t>(chunk[0] | (chunk[1] << 8));
            const std::size_t before = received[i];
            received[i] += count;
            if (lengths[i] >= MSG_HEADER_SIZE && before < lengths[i] && received[i] >= lengths[i]) {
                ++m_requests;
                std::uint32_t sent = 0;
                // A reply that cannot go shows as the client's time-out in its test.
                (void)STI_OS::Send(clients[i], m_reply.data(), static_cast<std::uint32_t>(m_reply.size()), sent);
            }
        }
        STI_OS::Sleep(2);
    }
    for (STI_OS::SocketHandle client : clients)
        (void)STI_OS::CloseSocket(client); // teardown: nothing to check
}

} // namespace svctest
