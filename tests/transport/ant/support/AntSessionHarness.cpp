#include "support/AntSessionHarness.h"

#include "infra/os/Clock.h"
#include "transport/ant/wire/AntAckBodies.h"
#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/AntNetworkHandler.h"
#include "transport/ant/AntSession.h"

#include <cstring>

namespace {

CPacketRef Copy(const SAntPacket& packet)
{
    CPacketRef copy = CPacketRef::Allocate();
    std::memcpy(copy->Data, packet.Data, packet.Length);
    copy->Length = packet.Length;
    return copy;
}

SSentDatagram Record(const SAntPacket& packet, const CIPEndpoint& to)
{
    SSentDatagram sent;
    sent.Packet = Copy(packet);
    sent.To = to;
    CAntPacketReader reader(*sent.Packet);
    // A datagram too short for a header leaves it zero, which no test expects.
    (void)ReadAntHeader(reader, sent.Header);
    return sent;
}

} // namespace

Status CRecordingPort::SendDatagram(const SAntPacket& packet, const CIPEndpoint& to)
{
    Sent.push_back(Record(packet, to));
    return SendResult;
}

Status CRecordingPort::GetRendezvousAddress(CIPEndpoint& server)
{
    server = Server;
    return ST_SUCCESS;
}

std::vector<SSentDatagram> CRecordingPort::OfType(int type) const
{
    std::vector<SSentDatagram> found;
    for (const SSentDatagram& sent : Sent)
        if (sent.Header.GetType() == type)
            found.push_back(sent);
    return found;
}

CPacketRef MakeRelay(std::uint64_t key, const CIPEndpoint& requester)
{
    CPacketRef packet = CPacketRef::Allocate();
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for a header and a body.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntConnectRelay, 0, 0));
    SAntConnectRelayBody body;
    body.Requester.Address = requester.GetAddress().Get();
    body.Requester.Port = requester.GetPort();
    body.Key = key;
    // A fresh packet has room for a header and a body.
    (void)WriteAntBody(writer, body);
    return packet;
}

CPacketRef MakeHello(std::uint64_t key, std::uint16_t senderSession, std::uint16_t destination, std::uint32_t isn,
                     std::uint32_t senderId, std::uint32_t receiverId)
{
    CPacketRef packet = CPacketRef::Allocate();
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for a header and a body.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntHello, 0, destination));
    SAntHelloBody body;
    body.Key = key;
    body.SessionId = senderSession;
    body.InitialSequence = isn;
    body.SenderId = senderId;
    body.ReceiverId = receiverId;
    // A fresh packet has room for a header and a body.
    (void)WriteAntBody(writer, body);
    return packet;
}

CPacketRef MakeHelloConfirm(std::uint64_t key, std::uint16_t destination)
{
    CPacketRef packet = CPacketRef::Allocate();
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for a header and a body.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntHelloConfirm, 0, destination));
    SAntHelloConfirmBody body;
    body.Key = key;
    // A fresh packet has room for a header and a body.
    (void)WriteAntBody(writer, body);
    return packet;
}

CPacketRef MakeControl(int type, std::uint16_t destination, std::uint16_t value, std::uint8_t flags)
{
    CPacketRef packet = CPacketRef::Allocate();
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for a header and a body.
    (void)WriteAntHeader(writer, SAntHeader::Control(type, value, destination, flags));
    return packet;
}

CPacketRef MakeData(std::uint32_t sequence, std::uint16_t destination, const void* payload, std::uint32_t length,
                    std::uint8_t flags)
{
    CPacketRef packet = CPacketRef::Allocate();
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for a header and a body.
    (void)WriteAntHeader(writer, SAntHeader::Data(sequence, destination, flags));
    (void)writer.WriteBytes(payload, length);
    return packet;
}

CPacketRef MakeAck(std::uint32_t cumulative, std::uint16_t destination, std::uint16_t serial, std::uint8_t flags)
{
    CPacketRef packet = CPacketRef::Allocate();
    CAntPacketWriter writer(*packet);
    // A fresh packet has room for a header and a body.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntAck, serial, destination, flags));
    SAntAckBody body;
    body.Cumulative = cumulative;
    // A fresh packet has room for a header and a body.
    (void)WriteAntBody(writer, body);
    return packet;
}

bool RunUntil(const std::function<bool()>& condition, std::uint32_t milliseconds)
{
    const std::uint64_t end = STI_OS::GetClock() + milliseconds;
    while (!condition()) {
        if (STI_OS::GetClock() > end)
            return false;
        (void)sti::CDispatcher::Instance()->Run(2); // the condition decides
    }
    return true;
}

CAntLinkedPair::CAntLinkedPair()
    : PortA(CIPEndpoint(CIPAddress(127, 0, 0, 1), 40001), 1001),
      PortB(CIPEndpoint(CIPAddress(127, 0, 0, 1), 40002), 1002)
{
    A.SetPort(&PortA);
    B.SetPort(&PortB);
    B.SetNextId(500); // ids that differ make misrouting visible
}

CAntLinkedPair::~CAntLinkedPair()
{
    A.DestroyAllSessions();
    B.DestroyAllSessions();
    // Let the dispatcher delete the closed backends while the managers still exist.
    (void)sti::CDispatcher::Instance()->Run(1);
    (void)sti::CDispatcher::Instance()->Run(1);
}

Status CAntLinkedPair::CLinkPort::SendDatagram(const SAntPacket& packet, const CIPEndpoint& to)
{
    Outbox.push_back(Record(packet, to));
    return ST_SUCCESS;
}

bool CAntLinkedPair::Pump()
{
    bool moved = false;
    for (int side = 0; side < 2; ++side) {
        CLinkPort& from = side == 0 ? PortA : PortB;
        CLinkPort& to = side == 0 ? PortB : PortA;
        CAntSessionManager& receiver = side == 0 ? B : A;
        std::deque<SSentDatagram> batch;
        batch.swap(from.Outbox);
        for (const SSentDatagram& sent : batch) {
            moved = true;
            if (sent.To != to.GetLocalAddress())
                continue; // to the rendezvous server or an address nobody has
            if (Drop && Drop(sent))
                continue;
            // Refused datagrams are the receiver's business, as on a real network.
            (void)receiver.OnDatagram(sent.Packet, from.GetLocalAddress());
        }
    }
    for (int side = 0; side < 2; ++side) {
        CLinkPort& port = side == 0 ? PortA : PortB;
        if (port.WriteRequested) {
            port.WriteRequested = false;
            if ((side == 0 ? A : B).OnWritable() == ST_MORE_DATA)
                port.WriteRequested = true;
        }
    }
    (void)sti::CDispatcher::Instance()->Run(moved ? 0 : 1); // the callers check what moved
    return moved;
}

bool CAntLinkedPair::Connect(STI_OS::SocketHandle& userA, STI_OS::SocketHandle& userB, std::uint32_t timeoutMs)
{
    if (STI_OS::CreateTCPSocket(userA) != ST_SUCCESS || STI_OS::CreateTCPSocket(userB) != ST_SUCCESS ||
        STI_OS::SetNonBlocking(userA, true) != ST_SUCCESS || STI_OS::SetNonBlocking(userB, true) != ST_SUCCESS)
        return false;
    CAntSession* a = A.CreateSession(userA, 1002, std::uint32_t(Key), std::uint32_t(Key >> 32));
    CAntSession* b = B.CreateSession(userB, 1001, std::uint32_t(Key), std::uint32_t(Key >> 32));
    if (!a || !b)
        return false;
    const std::uint16_t idA = a->OwnId;
    const std::uint16_t idB = b->OwnId;
    if (A.StartSession(a) != ST_SUCCESS || B.StartSession(b) != ST_SUCCESS)
        return false;
    // Whether the relays take is what the wait below finds out.
    (void)A.OnDatagram(MakeRelay(Key, PortB.GetLocalAddress()), PortA.Server);
    (void)B.OnDatagram(MakeRelay(Key, PortA.GetLocalAddress()), PortB.Server);
    return RunUntil(
        [&] {
            Pump();
            CAntSession* sa = A.FindById(idA);
            CAntSession* sb = B.FindById(idB);
            return sa && sb && sa->Network->GetState() == ANT_STATE_ESTABLISHED &&
                   sb->Network->GetState() == ANT_STATE_ESTABLISHED;
        },
        timeoutMs);
}
