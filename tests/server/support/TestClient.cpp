#include "support/TestClient.h"

#include <cstring>
#include <utility>

#include "infra/Initialize.h"
#include "infra/os/Clock.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgFraming.h"
#include "messaging/MsgStream.h"
#include "messaging/SessionKeys.h"
#include "transport/transfer/Checksum.h"

#define CRYPTOPP_ENABLE_NAMESPACE_WEAK 1
#include <crypto++/arc4.h>

namespace {

// The encoding direction played from the keys alone, from some point of the key stream on: what
// the program's encoder cannot do, as it never sends a message too short for its digest.
class CStreamEncoder : public IMsgEncoder {
public:
    CStreamEncoder(const SSessionKeys& keys, std::uint64_t used)
    {
        m_stream.SetKey(keys.EncoderCipherKey, sizeof(keys.EncoderCipherKey));
        m_stream.DiscardBytes(static_cast<std::size_t>(used));
        (void)m_checksum.SetKey(keys.EncoderChecksumKey); // a given key never fails
    }

    void Encipher(std::uint8_t* bytes, std::size_t count) { m_stream.ProcessData(bytes, bytes, count); }

    Status Encode(CMsgBuffer& message) override
    {
        const std::uint32_t length = PeekMessageLength(message);
        std::memset(message.Data + 2, 0, CChecksum::DIGEST_SIZE);
        const Status status = m_checksum.Compute(message.Data, length, message.Data + 2);
        Encipher(message.Data + 2, length - 2);
        return status;
    }

private:
    CryptoPP::Weak::MARC4 m_stream;
    CChecksum m_checksum;
};

} // namespace

CRawTestClient::CRawTestClient()
{
    sti::Initialize();
    (void)STI_OS::PollInit(m_poll); // without a poller every wait fails, and so does the test
}

CRawTestClient::~CRawTestClient()
{
    Close();
    (void)STI_OS::PollRelease(m_poll); // teardown: nothing to check
}

Status CRawTestClient::Connect(std::uint32_t address, std::uint16_t port)
{
    Close();
    Status status = STI_OS::CreateTCPSocket(m_socket);
    if (status == ST_SUCCESS && m_receiveBuffer > 0)
        status = STI_OS::SetReceiveBufferSize(m_socket, m_receiveBuffer);
    if (status == ST_SUCCESS)
        status = STI_OS::Connect(m_socket, address, port);
    if (status == ST_SUCCESS)
        status = STI_OS::SetNonBlocking(m_socket, true);
    if (status == ST_SUCCESS)
        status = STI_OS::PollRegister(m_poll, m_socket, STI_OS::POLL_READ);
    if (status != ST_SUCCESS)
        Close();
    return status;
}

void CRawTestClient::Close()
{
    if (m_socket != STI_OS::INVALID_SOCKET_HANDLE) {
        // Teardown of this socket: nothing to check.
        (void)STI_OS::PollUnregister(m_poll, m_socket);
        (void)STI_OS::CloseSocket(m_socket);
    }
    m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    m_inbox.clear();
    m_inboxRead = 0;
    m_encoder.reset();
    m_decoder.reset();
    m_keyStreamUsed = 0;
    m_ownAddress = 0;
    m_sequence = 0;
}

Status CRawTestClient::SendRaw(const Bytes& bytes)
{
    std::uint32_t done = 0;
    const std::uint64_t deadline = STI_OS::GetClock() + 5000;
    while (done < bytes.size()) {
        std::uint32_t sent = 0;
        const Status status =
            STI_OS::Send(m_socket, bytes.data() + done, static_cast<std::uint32_t>(bytes.size() - done), sent);
        if (status == ST_TRY_LATER || status == ST_TIMEOUT) {
            if (STI_OS::GetClock() > deadline)
                return ST_TIMEOUT;
            STI_OS::Sleep(1);
            continue;
        }
        if (status != ST_SUCCESS)
            return status;
        done += sent;
    }
    return ST_SUCCESS;
}

Status CRawTestClient::Send(std::uint32_t destination, std::uint16_t command, std::uint32_t sourceClient,
                            const Bytes& body)
{
    CMsgBuffer buffer;
    CMsgStream stream(&buffer, CMsgStream::MODE_WRITE);
    if (!body.empty() && stream.Write(body.data(), body.size()) != ST_SUCCESS)
        return ST_OUT_OF_BOUNDS;
    CMsgHeader header;
    header.MessageLength = OutgoingMessageLength(buffer);
    header.SourceAddr = m_ownAddress;
    header.DestinationAddr = destination;
    header.Command = command;
    header.SeqNumber = m_sequence++;
    header.SourceClient = sourceClient;
    Status status = WriteMessageHeader(buffer, header);
    if (status == ST_SUCCESS && m_encoder) {
        status = m_encoder->Encode(buffer);
        m_keyStreamUsed += header.MessageLength - 2u;
    }
    if (status != ST_SUCCESS)
        return status;
    Bytes bytes(buffer.Data, buffer.Data + header.MessageLength);
    if (m_corruptAt != 0 && m_corruptAt < bytes.size())
        bytes[m_corruptAt] ^= 0x5A;
    m_corruptAt = 0;
    return SendRaw(bytes);
}

Status CRawTestClient::WaitReadable(std::uint32_t milliseconds)
{
    const Status status = STI_OS::PollWait(m_poll, milliseconds);
    STI_OS::SocketHandle ready;
    int flags;
    while (STI_OS::PollNextReady(m_poll, ready, flags) == ST_SUCCESS) {}
    return status;
}

Status CRawTestClient::ReadExactly(std::uint8_t* data, std::uint32_t length, std::uint32_t milliseconds)
{
    const std::uint64_t deadline = STI_OS::GetClock() + milliseconds;
    while (m_inbox.size() - m_inboxRead < length) {
        // Whatever has come, in one call: under Wine each socket call costs about 100 us.
        std::uint8_t bytes[16384];
        std::uint32_t count = 0;
        const Status status = STI_OS::Recv(m_socket, bytes, sizeof(bytes), count);
        if (status == ST_SUCCESS) {
            m_inbox.erase(m_inbox.begin(), m_inbox.begin() + static_cast<std::ptrdiff_t>(m_inboxRead));
            m_inboxRead = 0;
            m_inbox.insert(m_inbox.end(), bytes, bytes + count);
            continue;
        }
        if (status != ST_TRY_LATER && status != ST_TIMEOUT)
            return status == ST_CONN_RESET ? ST_CONNECTION_CLOSED : status;
        const std::uint64_t now = STI_OS::GetClock();
        if (now >= deadline)
            return ST_TIMEOUT;
        (void)WaitReadable( // a failed wait slept its time; the deadline decides
            static_cast<std::uint32_t>(deadline - now));
    }
    std::memcpy(data, m_inbox.data() + m_inboxRead, length);
    m_inboxRead += length;
    return ST_SUCCESS;
}

Status CRawTestClient::Receive(SReceived& message, std::uint32_t milliseconds)
{
    if (m_socket == STI_OS::INVALID_SOCKET_HANDLE)
        return ST_NOT_CONNECTED;
    CMsgBuffer buffer;
    Status status = ReadExactly(buffer.Data, 2, milliseconds);
    if (status != ST_SUCCESS)
        return status;
    buffer.Used = 2;
    const std::uint16_t length = PeekMessageLength(buffer);
    if (CheckMessageLength(length) != ST_SUCCESS || length < MSG_HEADER_SIZE)
        return ST_OUT_OF_SYNC;
    // Once the length is in, the rest follows at once.
    status = ReadExactly(buffer.Data + 2, length - 2u, 5000);
    if (status != ST_SUCCESS)
        return status;
    buffer.Used = length;
    if (m_decoder && (status = m_decoder->Decode(buffer)) != ST_SUCCESS)
        return status;
    status = ReadReceivedHeader(buffer, message.Header);
    if (status != ST_SUCCESS)
        return status;
    message.Body.assign(buffer.Data + MSG_HEADER_SIZE, buffer.Data + length);
    return ST_SUCCESS;
}

Status CRawTestClient::InstallKeys(const Bytes& block)
{
    Status status = DeriveSessionKeys(block.data(), block.size(), m_keys);
    std::unique_ptr<CEncoder> encoder;
    if (status == ST_SUCCESS)
        status = MakeCodecs(m_keys, encoder, m_decoder);
    m_encoder = std::move(encoder);
    m_keyStreamUsed = 0;
    return status;
}

Status CRawTestClient::SendShortEncoded(std::uint16_t length)
{
    if (!m_encoder || length < 3 || length > 5)
        return ST_INVALID_PARAM;
    std::unique_ptr<CStreamEncoder> encoder(new CStreamEncoder(m_keys, m_keyStreamUsed));
    Bytes bytes = {static_cast<std::uint8_t>(length), 0, 0x06, 0x00, 0x00};
    bytes.resize(length);
    encoder->Encipher(bytes.data() + 2, length - 2u);
    m_keyStreamUsed += length - 2u;
    m_encoder = std::move(encoder);
    return SendRaw(bytes);
}

bool CRawTestClient::WaitClosed(std::uint32_t milliseconds)
{
    const std::uint64_t deadline = STI_OS::GetClock() + milliseconds;
    for (;;) {
        std::uint8_t bytes[4096];
        std::uint32_t count = 0;
        const Status status = STI_OS::Recv(m_socket, bytes, sizeof(bytes), count);
        if (status == ST_CONNECTION_CLOSED || status == ST_CONN_RESET)
            return true;
        if (status != ST_SUCCESS && status != ST_TRY_LATER && status != ST_TIMEOUT)
            return true;
        const std::uint64_t now = STI_OS::GetClock();
        if (now >= deadline)
            return false;
        if (status != ST_SUCCESS)
            (void)WaitReadable( // a failed wait slept its time; the deadline decides
                static_cast<std::uint32_t>(deadline - now));
    }
}
