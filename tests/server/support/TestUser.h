#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "messaging/MsgBuffer.h"
#include "messaging/MsgStream.h"
#include "messaging/Protocol.h"
#include "support/TestClient.h"

using Id16 = std::array<std::uint8_t, 16>;

// An id whose bytes all read the given value, so that tests can tell ids apart at a glance.
Id16 IdOf(std::uint8_t fill);

// A body written field by field with the wire layer's stream.
Bytes BodyOf(const std::function<void(CMsgStream&)>& write);

// Reads a received body field by field.
struct SBodyReader {
    explicit SBodyReader(const Bytes& body);
    CMsgBuffer Buffer;
    CMsgStream Stream;
};

// One user of the server as the program would act, step by step, over any test client.
class CTestUser {
public:
    struct SRedirect {
        bool NoticeFlag = false;
        std::uint8_t NoticeType = 0;
        std::vector<SMsgAddressEntry> Servers;
        std::uint16_t Unused = 0;
        std::uint16_t Spread = 0;
    };
    struct SLoginReply {
        std::uint32_t Address = 0;
        std::uint16_t Interval = 0;
        std::uint16_t Refused = 0;
        std::uint16_t Keyed = 0;
        Bytes Block;
    };
    struct SConnectRequest {
        std::uint32_t Addressee = 0;
        Id16 Requester{};
        std::uint32_t RequesterAddress = 0;
        std::uint32_t Session = 0;
        std::uint32_t SourceClient = 0;
    };
    struct SConnectAnswer {
        std::uint32_t Answerer = 0;
        std::uint32_t Requester = 0;
        std::uint32_t Session = 0;
        std::uint32_t Extra = 0;
        std::uint8_t Status = 0;
    };
    struct SSessionSetup {
        std::uint32_t Peer = 0;
        std::uint32_t Session = 0;
        std::uint32_t KeyLow = 0;
        std::uint32_t KeyHigh = 0;
        bool Download = false;
    };

    static constexpr std::uint32_t WAIT_MS = 5000;

    CTestUser(ITestClient& client, std::uint16_t port);

    Status Connect();
    ITestClient& Client() { return m_client; }
    std::uint32_t Address() const { return m_address; }

    Status Greet(SRedirect& redirect);
    // Installs the keys of a keyed reply.
    Status LogIn(const Id16& id, SLoginReply& reply);
    // Connects and logs in; the address it got.
    std::uint32_t Join(const Id16& id);
    Status KeepAlive(std::uint32_t& value, std::uint32_t milliseconds = WAIT_MS);
    Status Locate(const Id16& peer, const Id16& file, std::uint32_t& ticket);

    // The body's requester fields as given, to show that the server does not pass them on.
    Status SendConnectRequest(std::uint32_t ticket, std::uint32_t session, const Id16& claimedId = Id16{},
                              std::uint32_t claimedAddress = 0);
    Status SendConnectAnswer(std::uint32_t requester, std::uint32_t session, std::uint8_t status,
                             std::uint32_t extra = 0);
    Status SendMail(std::uint32_t kind, const std::string& text);
    Status SendReport(const std::string& text);

    Status WaitConnectRequest(SConnectRequest& request, std::uint32_t milliseconds = WAIT_MS);
    Status WaitConnectAnswer(SConnectAnswer& answer, std::uint32_t milliseconds = WAIT_MS);
    Status WaitSessionSetup(SSessionSetup& setup, std::uint32_t milliseconds = WAIT_MS);

    // The next message of the command; other commands wait aside for later calls.
    Status WaitFor(std::uint16_t command, SReceived& message, std::uint32_t milliseconds = WAIT_MS);
    // True when no message of the command comes within the time.
    bool NoneOf(std::uint16_t command, std::uint32_t milliseconds);

private:
    Status SendToService(std::uint16_t command, const Bytes& body, std::uint32_t sourceClient = 0);

    ITestClient& m_client;
    std::uint16_t m_port;
    std::uint32_t m_address = 0;
    std::deque<SReceived> m_aside;
};
