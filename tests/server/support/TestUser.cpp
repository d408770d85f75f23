#include "support/TestUser.h"

#include "infra/os/Clock.h"

using namespace KV2Protocol;

Id16 IdOf(std::uint8_t fill)
{
    Id16 id;
    id.fill(fill);
    return id;
}

Bytes BodyOf(const std::function<void(CMsgStream&)>& write)
{
    CMsgBuffer buffer;
    CMsgStream stream(&buffer, CMsgStream::MODE_WRITE);
    write(stream);
    if (buffer.Used <= MSG_HEADER_SIZE)
        return Bytes();
    return Bytes(buffer.Data + MSG_HEADER_SIZE, buffer.Data + buffer.Used);
}

SBodyReader::SBodyReader(const Bytes& body) : Stream(&Buffer, CMsgStream::MODE_READ)
{
    for (std::size_t i = 0; i < MSG_HEADER_SIZE; ++i)
        Buffer.Data[i] = 0;
    for (std::size_t i = 0; i < body.size() && i + MSG_HEADER_SIZE < MSG_MAX_LENGTH; ++i)
        Buffer.Data[MSG_HEADER_SIZE + i] = body[i];
    Buffer.Used = static_cast<std::uint32_t>(MSG_HEADER_SIZE + body.size());
}

CTestUser::CTestUser(ITestClient& client, std::uint16_t port) : m_client(client), m_port(port) {}

Status CTestUser::Connect()
{
    m_aside.clear();
    m_address = 0;
    return m_client.Connect(0x7F000001, m_port);
}

Status CTestUser::SendToService(std::uint16_t command, const Bytes& body, std::uint32_t sourceClient)
{
    return m_client.Send(ADDR_CLIENT_SERVICE, command, sourceClient, body);
}

Status CTestUser::Greet(SRedirect& redirect)
{
    Status status = m_client.Send(ADDR_GREETING_SERVICE, CMD_GREETING, 0, BodyOf([](CMsgStream& s) {
                                      // A test body is far smaller than a message: its fields cannot fail.
                                      (void)s.WriteU16(VERSION_MAJOR);
                                      (void)s.WriteU16(VERSION_MINOR);
                                  }));
    SReceived message;
    if (status == ST_SUCCESS)
        status = WaitFor(CMD_REDIRECT, message);
    if (status != ST_SUCCESS)
        return status;
    SBodyReader body(message.Body);
    // A failed field sticks in the stream, checked once below.
    (void)body.Stream.ReadBool(redirect.NoticeFlag);
    (void)body.Stream.ReadByte(redirect.NoticeType);
    (void)body.Stream.ReadAddressList(redirect.Servers);
    (void)body.Stream.ReadU16(redirect.Unused);
    (void)body.Stream.ReadU16(redirect.Spread);
    return body.Stream.Failed() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
}

Status CTestUser::LogIn(const Id16& id, SLoginReply& reply)
{
    Status status = m_client.Send(ADDR_LOGIN_SERVICE, CMD_LOGIN, 0, BodyOf([&](CMsgStream& s) {
                                      // A test body is far smaller than a message: its fields cannot fail.
                                      (void)s.WriteId16(id.data());
                                      (void)s.WriteU16(VERSION_MAJOR);
                                      (void)s.WriteU16(VERSION_MINOR);
                                      (void)s.WriteU16(LOGIN_REVISION);
                                  }));
    SReceived message;
    if (status == ST_SUCCESS)
        status = WaitFor(CMD_LOGIN_REPLY, message);
    if (status != ST_SUCCESS)
        return status;
    SBodyReader body(message.Body);
    std::uint32_t unused32 = 0;
    std::uint16_t unused16 = 0;
    // A failed field sticks in the stream, checked once below.
    (void)body.Stream.ReadU32(reply.Address);
    (void)body.Stream.ReadU16(reply.Interval);
    (void)body.Stream.ReadU16(reply.Refused);
    (void)body.Stream.ReadU16(reply.Keyed);
    (void)body.Stream.ReadBlock(reply.Block);
    (void)body.Stream.ReadU32(unused32);
    (void)body.Stream.ReadU16(unused16);
    if (body.Stream.Failed())
        return ST_OUT_OF_BOUNDS;
    if (reply.Refused == 0) {
        m_address = reply.Address;
        m_client.SetOwnAddress(reply.Address);
    }
    if (reply.Refused == 0 && reply.Keyed != 0)
        return m_client.InstallKeys(reply.Block);
    return ST_SUCCESS;
}

std::uint32_t CTestUser::Join(const Id16& id)
{
    SLoginReply reply;
    if (Connect() != ST_SUCCESS || LogIn(id, reply) != ST_SUCCESS || reply.Refused != 0)
        return 0;
    return reply.Address;
}

Status CTestUser::KeepAlive(std::uint32_t& value, std::uint32_t milliseconds)
{
    Status status = SendToService(CMD_KEEP_ALIVE, Bytes());
    SReceived message;
    if (status == ST_SUCCESS)
        status = WaitFor(CMD_KEEP_ALIVE_REPLY, message, milliseconds);
    if (status != ST_SUCCESS)
        return status;
    SBodyReader body(message.Body);
    return body.Stream.ReadU32(value);
}

Status CTestUser::Locate(const Id16& peer, const Id16& file, std::uint32_t& ticket)
{
    Status status = SendToService(CMD_SESSION_REQUEST, BodyOf([&](CMsgStream& s) {
                                      // A test body is far smaller than a message: its fields cannot fail.
                                      (void)s.WriteId16(peer.data());
                                      (void)s.WriteId16(file.data());
                                  }));
    SReceived message;
    if (status == ST_SUCCESS)
        status = WaitFor(CMD_SESSION_ANSWER, message);
    if (status != ST_SUCCESS)
        return status;
    SBodyReader body(message.Body);
    Id16 echoedPeer{};
    Id16 echoedFile{};
    // A failed field sticks in the stream, checked once below.
    (void)body.Stream.ReadId16(echoedPeer.data());
    (void)body.Stream.ReadId16(echoedFile.data());
    (void)body.Stream.ReadU32(ticket);
    if (body.Stream.Failed())
        return ST_OUT_OF_BOUNDS;
    return echoedPeer == peer && echoedFile == file ? ST_SUCCESS : ST_INVALID_MESSAGE;
}

Status CTestUser::SendConnectRequest(std::uint32_t ticket, std::uint32_t session, const Id16& claimedId,
                                     std::uint32_t claimedAddress)
{
    return SendToService(CMD_CONNECT_REQUEST, BodyOf([&](CMsgStream& s) {
                             // A test body is far smaller than a message: its fields cannot fail.
                             (void)s.WriteU32(ticket);
                             (void)s.WriteId16(claimedId.data());
                             (void)s.WriteU32(claimedAddress);
                             (void)s.WriteU32(session);
                         }));
}

Status CTestUser::SendConnectAnswer(std::uint32_t requester, std::uint32_t session, std::uint8_t status,
                                    std::uint32_t extra)
{
    return SendToService(CMD_CONNECT_ANSWER, BodyOf([&](CMsgStream& s) {
                             // A test body is far smaller than a message: its fields cannot fail.
                             (void)s.WriteU32(m_address);
                             (void)s.WriteU32(requester);
                             (void)s.WriteU32(session);
                             (void)s.WriteU32(extra);
                             (void)s.WriteByte(status);
                         }),
                         requester);
}

Status CTestUser::SendMail(std::uint32_t kind, const std::string& text)
{
    return SendToService(CMD_MAIL_REQUEST, BodyOf([&](CMsgStream& s) {
                             // A test body is far smaller than a message: its fields cannot fail.
                             (void)s.WriteU32(kind);
                             (void)s.WriteString(text);
                         }));
}

Status CTestUser::SendReport(const std::string& text)
{
    // A test body is far smaller than a message: its fields cannot fail.
    return SendToService(CMD_REPORT, BodyOf([&](CMsgStream& s) { (void)s.WriteString(text); }));
}

Status CTestUser::WaitConnectRequest(SConnectRequest& request, std::uint32_t milliseconds)
{
    SReceived message;
    const Status status = WaitFor(CMD_CONNECT_REQUEST, message, milliseconds);
    if (status != ST_SUCCESS)
        return status;
    SBodyReader body(message.Body);
    // A failed field sticks in the stream, checked once below.
    (void)body.Stream.ReadU32(request.Addressee);
    (void)body.Stream.ReadId16(request.Requester.data());
    (void)body.Stream.ReadU32(request.RequesterAddress);
    (void)body.Stream.ReadU32(request.Session);
    request.SourceClient = message.Header.SourceClient;
    return body.Stream.Failed() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
}

Status CTestUser::WaitConnectAnswer(SConnectAnswer& answer, std::uint32_t milliseconds)
{
    SReceived message;
    const Status status = WaitFor(CMD_CONNECT_ANSWER, message, milliseconds);
    if (status != ST_SUCCESS)
        return status;
    SBodyReader body(message.Body);
    // A failed field sticks in the stream, checked once below.
    (void)body.Stream.ReadU32(answer.Answerer);
    (void)body.Stream.ReadU32(answer.Requester);
    (void)body.Stream.ReadU32(answer.Session);
    (void)body.Stream.ReadU32(answer.Extra);
    (void)body.Stream.ReadByte(answer.Status);
    return body.Stream.Failed() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
}

Status CTestUser::WaitSessionSetup(SSessionSetup& setup, std::uint32_t milliseconds)
{
    SReceived message;
    const Status status = WaitFor(CMD_SESSION_SETUP, message, milliseconds);
    if (status != ST_SUCCESS)
        return status;
    SBodyReader body(message.Body);
    // A failed field sticks in the stream, checked once below.
    (void)body.Stream.ReadU32(setup.Peer);
    (void)body.Stream.ReadU32(setup.Session);
    (void)body.Stream.ReadU32(setup.KeyLow);
    (void)body.Stream.ReadU32(setup.KeyHigh);
    (void)body.Stream.ReadBool(setup.Download);
    return body.Stream.Failed() ? ST_OUT_OF_BOUNDS : ST_SUCCESS;
}

Status CTestUser::WaitFor(std::uint16_t command, SReceived& message, std::uint32_t milliseconds)
{
    for (auto it = m_aside.begin(); it != m_aside.end(); ++it) {
        if (it->Command() == command) {
            message = *it;
            m_aside.erase(it);
            return ST_SUCCESS;
        }
    }
    const std::uint64_t deadline = STI_OS::GetClock() + milliseconds;
    for (;;) {
        const std::uint64_t now = STI_OS::GetClock();
        if (now >= deadline)
            return ST_TIMEOUT;
        SReceived next;
        const Status status = m_client.Receive(next, static_cast<std::uint32_t>(deadline - now));
        if (status != ST_SUCCESS)
            return status;
        if (next.Command() == command) {
            message = next;
            return ST_SUCCESS;
        }
        m_aside.push_back(next);
    }
}

bool CTestUser::NoneOf(std::uint16_t command, std::uint32_t milliseconds)
{
    SReceived message;
    const Status status = WaitFor(command, message, milliseconds);
    if (status == ST_SUCCESS) {
        m_aside.push_front(message);
        return false;
    }
    return true;
}
