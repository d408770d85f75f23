#pragma once
// Test bench for Ant sessions: transport ports that hand datagrams to a queue instead of a
// socket, and a link that carries them between two session managers on the test thread
// (optionally dropping some), with the thread's dispatcher running the backends and timers.

#include "infra/Dispatcher.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/AntSessionManager.h"
#include "transport/ant/AntTransportPort.h"
#include "transport/ant/PacketPool.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

struct SSentDatagram {
    CPacketRef Packet;
    CIPEndpoint To;
    SAntHeader Header;
};

class CRecordingPort : public IAntTransportPort {
public:
    CRecordingPort(const CIPEndpoint& local, std::uint32_t clientId) : m_local(local), m_clientId(clientId) {}

    Status SendDatagram(const SAntPacket& packet, const CIPEndpoint& to) override;
    CIPEndpoint GetLocalAddress() const override { return m_local; }
    Status GetRendezvousAddress(CIPEndpoint& server) override;
    std::uint32_t GetOwnClientId() const override { return m_clientId; }
    Status RequestWrite() override
    {
        WriteRequested = true;
        return ST_SUCCESS;
    }
    sti::CDispatcher* GetDispatcher() override { return sti::CDispatcher::Instance(); }

    // Sent datagrams of one type, oldest first.
    std::vector<SSentDatagram> OfType(int type) const;
    void Clear() { Sent.clear(); }

    std::vector<SSentDatagram> Sent;
    Status SendResult = ST_SUCCESS;
    bool WriteRequested = false;
    CIPEndpoint Server{CIPAddress(127, 0, 0, 1), 1864};

private:
    CIPEndpoint m_local;
    std::uint32_t m_clientId;
};

// Builders of incoming datagrams.
CPacketRef MakeRelay(std::uint64_t key, const CIPEndpoint& requester);
CPacketRef MakeHello(std::uint64_t key, std::uint16_t senderSession, std::uint16_t destination, std::uint32_t isn,
                     std::uint32_t senderId, std::uint32_t receiverId);
CPacketRef MakeHelloConfirm(std::uint64_t key, std::uint16_t destination);
CPacketRef MakeControl(int type, std::uint16_t destination, std::uint16_t value = 0, std::uint8_t flags = 0);
CPacketRef MakeData(std::uint32_t sequence, std::uint16_t destination, const void* payload, std::uint32_t length,
                    std::uint8_t flags = 0x01);
CPacketRef MakeAck(std::uint32_t cumulative, std::uint16_t destination, std::uint16_t serial, std::uint8_t flags);

// Runs dispatcher rounds until the condition holds or the time is up; true when it held.
bool RunUntil(const std::function<bool()>& condition, std::uint32_t milliseconds);

// Two managers joined by a link: every datagram one side sends reaches the other on the
// next Pump, unless the drop rule says otherwise.
class CAntLinkedPair {
public:
    CAntLinkedPair();
    ~CAntLinkedPair();

    // Delivers queued datagrams both ways; runs the send flushes. True when anything moved.
    bool Pump();
    // Connects a user socket on each side with the same key and runs the handshake.
    bool Connect(STI_OS::SocketHandle& userA, STI_OS::SocketHandle& userB, std::uint32_t timeoutMs = 5000);

    class CLinkPort : public CRecordingPort {
    public:
        CLinkPort(const CIPEndpoint& local, std::uint32_t id) : CRecordingPort(local, id) {}
        Status SendDatagram(const SAntPacket& packet, const CIPEndpoint& to) override;
        std::deque<SSentDatagram> Outbox;
    };

    CAntSessionManager A;
    CAntSessionManager B;
    CLinkPort PortA;
    CLinkPort PortB;
    // Called for each data packet on the wire; true drops it.
    std::function<bool(const SSentDatagram&)> Drop;
    std::uint64_t Key = 0x1122334455667788ull;
};
