#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "infra/Status.h"
#include "infra/os/Poller.h"
#include "infra/os/Socket.h"
#include "messaging/MsgCodec.h"
#include "messaging/MsgHeader.h"
#include "messaging/SessionKeys.h"

using Bytes = std::vector<std::uint8_t>;

// A message as a test sees it.
struct SReceived {
    CMsgHeader Header;
    Bytes Body;
    std::uint16_t Command() const { return Header.CommandCode(); }
};

// The wire end of a test client. The tests speak to the server only through this, so the raw
// client below can give way to one built on the program's own communicator.
class ITestClient {
public:
    virtual ~ITestClient() = default;

    virtual Status Connect(std::uint32_t address, std::uint16_t port) = 0;
    virtual void Close() = 0;
    // A whole message with the given header fields; the length, own address and sequence number
    // are filled in, and it is encoded once keys are installed.
    virtual Status Send(std::uint32_t destination, std::uint16_t command, std::uint32_t sourceClient,
                        const Bytes& body) = 0;
    // The next message within the time: ST_TIMEOUT when none came, ST_CONNECTION_CLOSED when the
    // server closed the connection.
    virtual Status Receive(SReceived& message, std::uint32_t milliseconds) = 0;
    // The key block of a keyed log-in reply: both directions are encoded from here on.
    virtual Status InstallKeys(const Bytes& block) = 0;
    virtual void SetOwnAddress(std::uint32_t address) = 0;
};

// Over a plain socket and the messaging wire layer (header, stream, codec).
class CRawTestClient : public ITestClient {
public:
    CRawTestClient();
    ~CRawTestClient() override;

    Status Connect(std::uint32_t address, std::uint16_t port) override;
    void Close() override;
    Status Send(std::uint32_t destination, std::uint16_t command, std::uint32_t sourceClient,
                const Bytes& body) override;
    Status Receive(SReceived& message, std::uint32_t milliseconds) override;
    Status InstallKeys(const Bytes& block) override;
    void SetOwnAddress(std::uint32_t address) override { m_ownAddress = address; }

    // Raw bytes as they stand, for the tests of bad input.
    Status SendRaw(const Bytes& bytes);
    // Smaller receive buffer before connecting, so that a client that stops reading fills up soon.
    void SetReceiveBuffer(std::int32_t bytes) { m_receiveBuffer = bytes; }
    // Flips a byte of the next message after it has been encoded, as a damaged line would.
    void CorruptNextMessage(std::size_t offset) { m_corruptAt = offset; }
    // A message of the length (3..5) too short for its digest, as a faulty sender would encode
    // it: bytes 2..L-1 run through the key stream, no digest. Once keyed only; later messages
    // go on from where the key stream then stands.
    Status SendShortEncoded(std::uint16_t length);
    // Whether the server has closed the connection (waits up to the time for it); reads and
    // discards whatever still arrives.
    bool WaitClosed(std::uint32_t milliseconds);

private:
    Status WaitReadable(std::uint32_t milliseconds);
    Status ReadExactly(std::uint8_t* data, std::uint32_t length, std::uint32_t milliseconds);

    STI_OS::SocketHandle m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::PollHandle m_poll;
    std::uint32_t m_ownAddress = 0;
    std::uint32_t m_sequence = 0;
    std::int32_t m_receiveBuffer = 0;
    std::size_t m_corruptAt = 0; // 0: none
    Bytes m_inbox;               // received, not yet taken from m_inboxRead on
    std::size_t m_inboxRead = 0;
    std::unique_ptr<IMsgEncoder> m_encoder;
    std::unique_ptr<CDecoder> m_decoder;
    SSessionKeys m_keys;
    std::uint64_t m_keyStreamUsed = 0; // bytes of the encoding key stream used so far
};
