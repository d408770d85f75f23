// Feeds arbitrary datagrams, timer expiries and user actions to one Ant session that was first
// driven into a chosen protocol state, and checks the session's windows after every step and
// that no packet buffer outlives the session.
//
// Input layout:
//   byte 0   the state to start from (mod 11): Requesting, Greeting, Confirming,
//            AwaitingHello, Established, Closing, CloseAcked, PeerClosing, TimeWait,
//            PeerClosed, LastClose
//   byte 1   set-up: bits 0-1 the peer's initial sequence number (2 and 3 lie just before the
//            wrap), bits 2-4 the user's bytes sent before (in 1000s), bits 5-7 peer data
//            packets received before (in order first, then with gaps)
//   then steps, each an op byte and its arguments:
//     op & 0x0F < 7   a datagram: a fix byte, a length byte, then that many bytes (missing
//                     ones are 0). The fix byte picks what is made well-formed: 0x01 the
//                     destination id, 0x02 the type (byte 7 % 11, 10 = data), 0x04 key, peer
//                     session id and relay address, 0x08 sequence numbers relative to the
//                     session's windows (signed 16-bit offsets), 0x10 the peer's address as
//                     source (0x20 without 0x10: the server's), 0x40 a long datagram (length
//                     byte x 5 + 1), 0x80 the header flags of the type.
//     7               (next byte & 0x1F) + 1 rounds with a well-behaved peer: the user
//                     writes 8000 bytes (bit 7), the flush sends, the peer acknowledges
//                     everything sent (only half of it every other round with bit 6): round
//                     trip samples, window updates and data kept in flight across them
//     8               a burst of (next byte & 0x7F) data packets from the receive base on,
//                     every second number only when bit 7 is set (fills the ring and the
//                     backend's queue to their edges)
//     9               fire the session timer of kind (next byte % 8) + 1, if it is armed
//     10              the user writes (next byte x 97) bytes
//     11              the user reads what is there
//     12              the send flush (the UDP socket became writable)
//     13              one dispatcher round (backend reads and writes, closes)
//     14              the user closes its socket
//     15              an unreachable report for the peer's address (next byte odd) or another
//   The steps end after 256, or once DATAGRAM_BUDGET datagrams have been fed and sent: a burst
//   or a conversation turns two bytes into hundreds of datagrams, and unbounded, inputs of a
//   few such steps took tens of milliseconds each.
#include "support/AntSessionHarness.h"

#include "infra/Dispatcher.h"
#include "infra/PollableObject.h"
#include "infra/SocketEventHandler.h"
#include "infra/os/Socket.h"
#include "transport/ant/wire/AntNak.h"
#include "transport/ant/AntNetworkHandler.h"
#include "transport/ant/wire/AntSequence.h"
#include "transport/ant/AntSession.h"
#include "transport/ant/AntSessionManager.h"
#include "transport/ant/AntSocketMap.h"
#include "transport/ant/PacketPool.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

#define Check(condition) CheckAt((condition), __LINE__)

void CheckAt(bool condition, int line)
{
    if (!condition) {
        std::fprintf(stderr, "check failed at line %d\n", line);
        std::abort();
    }
}

// Room to fill the backend's queue and the receive ring behind it (192 data packets, each
// acknowledged) with more to spare.
constexpr std::size_t DATAGRAM_BUDGET = 512;

constexpr std::uint64_t KEY = 0x0123456789ABCDEFull;
constexpr std::uint32_t PEER_ID = 2002;
constexpr std::uint16_t PEER_SESSION = 77;
const CIPEndpoint LOCAL(CIPAddress(127, 0, 0, 1), 40000);
const CIPEndpoint PEER(CIPAddress(127, 0, 0, 1), 40999);
const CIPEndpoint STRANGER(CIPAddress(127, 0, 0, 9), 1);
const std::uint32_t PEER_ISNS[4] = {0x00012345, 0x0FFFFF80, 0x1FFFFFF0, 0x1FFFFF90};

const int TYPES[11] = {AntProbe, AntConnectRequest, AntConnectRelay, AntHello, AntHelloConfirm, AntAck, AntAckEcho,
                       AntNak,   AntClose,          AntCloseAck,     AntData};

enum Fix : std::uint8_t {
    FIX_DESTINATION = 0x01,
    FIX_TYPE = 0x02,
    FIX_KEY = 0x04,
    FIX_SEQUENCE = 0x08,
    FIX_FROM_PEER = 0x10,
    FIX_FROM_SERVER = 0x20,
    FIX_LONG = 0x40,
    FIX_FLAGS = 0x80
};

// ANT_FUZZ_TRACE=1 in the environment prints every step (for reproducing a finding).
bool Tracing()
{
    static const bool on = std::getenv("ANT_FUZZ_TRACE") != nullptr;
    return on;
}

SAntHeader HeaderOf(const SAntPacket& packet)
{
    SAntHeader header;
    CAntPacketReader reader(packet);
    (void)ReadAntHeader(reader, header); // too short, it stays zero: no type matches
    return header;
}

std::uint32_t GetU32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16) |
           (std::uint32_t(at[3]) << 24);
}

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = std::uint8_t(value >> (8 * i));
}

void PutU64(std::uint8_t* at, std::uint64_t value)
{
    PutU32(at, std::uint32_t(value));
    PutU32(at + 4, std::uint32_t(value >> 32));
}

// A sequence number near base: the low 16 bits of value taken as a signed offset.
std::uint32_t Near(std::uint32_t base, std::uint32_t value)
{
    return AntSeqAdd(base, std::uint32_t(std::int32_t(std::int16_t(value & 0xFFFF))));
}

// Records nothing; keeps a reference to every buffer it was given, so that the check at the
// end sees whether anything else still holds one.
class CFuzzPort : public CRecordingPort {
public:
    explicit CFuzzPort(sti::CDispatcher& dispatcher) : CRecordingPort(LOCAL, 1001), m_dispatcher(dispatcher) {}

    Status SendDatagram(const SAntPacket& packet, const CIPEndpoint&) override
    {
        Check(packet.Length >= ANT_HEADER_SIZE && packet.Length <= ANT_MAX_DATAGRAM);
        Held.emplace_back(const_cast<SAntPacket*>(&packet));
        return ST_SUCCESS;
    }
    // A dispatcher of this input alone: timers and backends left behind die with it.
    sti::CDispatcher* GetDispatcher() override { return &m_dispatcher; }

    std::vector<CPacketRef> Held;

private:
    sti::CDispatcher& m_dispatcher;
};

// A socket that is never readable, one for the process. With it registered, a dispatcher
// round that has nothing else to poll waits with select for no time; without it the round
// sleeps for "0 ms", about 100 us on Linux, and teardown alone takes three such rounds.
class CIdleSocket : public sti::IPollableObject {
public:
    STI_OS::SocketHandle GetHandle() const override
    {
        static const STI_OS::SocketHandle handle = [] {
            STI_OS::SocketHandle created = STI_OS::INVALID_SOCKET_HANDLE;
            return STI_OS::CreateUDPSocket(created) == ST_SUCCESS ? created : STI_OS::INVALID_SOCKET_HANDLE;
        }();
        return handle;
    }
    bool SetNonBlocking() override { return true; }
    bool IsNonBlocking() const override { return true; }
    void Close() override {} // the handle outlives every dispatcher
};

class CIdleHandler : public sti::CSocketEventHandler<CIdleSocket> {
public:
    Status OnRead(CIdleSocket*) override { return ST_SUCCESS; }
    Status OnWrite(CIdleSocket*) override { return ST_NO_MORE_DATA; }
};

class CInput {
public:
    CInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // Up to length bytes; the rest of out stays 0.
    void Bytes(std::uint8_t* out, std::size_t length)
    {
        const std::size_t take = length < m_size - m_at ? length : m_size - m_at;
        if (take > 0)
            std::memcpy(out, m_data + m_at, take);
        m_at += take;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

class CFuzzRun {
public:
    CFuzzRun() : m_port(m_dispatcher) { m_manager.SetPort(&m_port); }

    ~CFuzzRun()
    {
        m_manager.DestroyAllSessions();
        for (int i = 0; i < 3; ++i)
            (void)m_dispatcher.Run(0); // what the round did is what is checked
        // No session is left to be found by the descriptor.
        if (CAntSocketMap* map = CAntSocketMap::Instance())
            Check(map->Find(m_descriptor) == nullptr);
        // The session is gone: the user's end is reset, not closed in order, which would leave
        // the connection a minute in TIME_WAIT on a loopback port. At hundreds of inputs a
        // second those ports made every bind of a backend's listener search the port range,
        // and would soon exhaust it.
        if (m_user != STI_OS::INVALID_SOCKET_HANDLE) {
            const linger reset = {1, 0};
            (void)::setsockopt(int(m_user), SOL_SOCKET, SO_LINGER, &reset, sizeof reset); // best effort
        }
        CloseUser();
        // Every buffer the session sent or was given is now held by this run alone: with our
        // references taken off every count is 0. (A retransmitted buffer was handed over more
        // than once.) Counted in a map instead, this check took a tenth of the run.
        for (const CPacketRef& packet : m_port.Held)
            --packet->RefCount;
        for (const CPacketRef& packet : m_port.Held) {
            if (packet->RefCount != 0 && Tracing())
                std::fprintf(stderr, "buffer of type %d still held %u times\n", HeaderOf(*packet).GetType(),
                             unsigned(packet->RefCount));
            Check(packet->RefCount == 0);
        }
        for (const CPacketRef& packet : m_port.Held)
            ++packet->RefCount;
        m_port.Held.clear();
    }

    CAntSession* Session() const { return m_manager.FindById(m_id); }
    // Every datagram fed or sent is held until teardown.
    bool HasBudget() const { return m_port.Held.size() < DATAGRAM_BUDGET; }
    int State() const
    {
        CAntSession* session = Session();
        return session && session->Network ? session->Network->GetState() : 0;
    }

    // False only when the machine is out of sockets; a state not reached is a fault.
    bool Setup(std::uint8_t target, std::uint8_t setup);
    void Step(CInput& input);
    void CheckInvariants() const;

private:
    Status Feed(const CPacketRef& packet, const CIPEndpoint& from)
    {
        m_port.Held.push_back(packet);
        return m_manager.OnDatagram(packet, from);
    }
    // Fuzzed traffic: a refused datagram is an outcome like any other; the states and
    // invariants are what is checked.
    void Push(const CPacketRef& packet, const CIPEndpoint& from) { (void)Feed(packet, from); }
    bool Reached(int state) const
    {
        Check(State() == state);
        return true;
    }
    void Establish(std::uint8_t setup);
    void UserWrite(std::uint32_t bytes);
    void UserRead();
    void CloseUser();
    void Datagram(std::uint8_t op, CInput& input);
    void Burst(std::uint8_t shape);
    void Converse(std::uint8_t shape);
    void FireTimer(int kind);

    CAntSessionManager m_manager; // outlives the dispatcher: its timers name the manager
    sti::CDispatcher m_dispatcher;
    CFuzzPort m_port;
    STI_OS::SocketHandle m_user = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle m_descriptor = STI_OS::INVALID_SOCKET_HANDLE; // m_user's number, kept
    std::uint16_t m_id = 0;
    std::uint32_t m_peerIsn = 0;
    mutable std::uint32_t m_scannedBase = 0xFFFFFFFF;
    mutable std::uint32_t m_scannedNext = 0xFFFFFFFF;
};

bool CFuzzRun::Setup(std::uint8_t target, std::uint8_t setup)
{
    if (m_dispatcher.GetStatus() != ST_SUCCESS || STI_OS::CreateTCPSocket(m_user) != ST_SUCCESS)
        return false;
    auto idle = std::make_unique<CIdleSocket>();
    auto idleHandler = std::make_unique<CIdleHandler>();
    if (!idle->IsOpen() || m_dispatcher.Register(idle.get(), idleHandler.get(), sti::INTEREST_READ) != ST_SUCCESS)
        return false;
    idle.release(); // the dispatcher's now; the handler goes with it
    idleHandler.release();
    if (STI_OS::SetNonBlocking(m_user, true) != ST_SUCCESS)
        return false;
    // Once the user has closed and its close is acknowledged, its end is gone rather than
    // waiting in FIN_WAIT_2 and TIME_WAIT (a loopback port held for a minute, as above). What
    // still arrives for it is reset, as it was before.
    const int noWait = -1;
    (void)::setsockopt(int(m_user), IPPROTO_TCP, TCP_LINGER2, &noWait, sizeof noWait); // best effort
    m_descriptor = m_user;
    m_peerIsn = PEER_ISNS[setup & 3];
    CAntSession* session = m_manager.CreateSession(m_user, PEER_ID, std::uint32_t(KEY), std::uint32_t(KEY >> 32));
    if (!session)
        return false;
    m_id = session->OwnId;
    if (m_manager.StartSession(session) != ST_SUCCESS)
        return false;
    Check(State() == ANT_STATE_REQUESTING);
    switch (target % 11) {
    case 0:
        return true;
    case 1:
        Push(MakeRelay(KEY, PEER), m_port.Server);
        return Reached(ANT_STATE_GREETING);
    case 2:
        Push(MakeRelay(KEY, PEER), m_port.Server);
        Push(MakeHello(KEY, PEER_SESSION, m_id, m_peerIsn, PEER_ID, 1001), PEER);
        return Reached(ANT_STATE_CONFIRMING);
    case 3:
        Push(MakeRelay(KEY, PEER), m_port.Server);
        Push(MakeHelloConfirm(KEY, m_id), PEER);
        return Reached(ANT_STATE_AWAITING_HELLO);
    default:
        break;
    }
    // Established with data queued both ways.
    Establish(setup);
    Reached(ANT_STATE_ESTABLISHED);
    switch (target % 11) {
    case 4:
        return true;
    case 9:
    case 10:
        Push(MakeControl(AntClose, m_id), PEER);
        Reached(ANT_STATE_PEER_CLOSED);
        if (target % 11 == 10) {
            // The user has had everything: the backend goes and the close starts from here.
            for (int i = 0; i < 20 && State() == ANT_STATE_PEER_CLOSED; ++i)
                (void)m_dispatcher.Run(0); // what the round did is what is checked
            return Reached(ANT_STATE_LAST_CLOSE);
        }
        return true;
    default:
        break;
    }
    // The user closes; the flush finds the end of its stream. What it had sent is still in
    // flight, so it is acknowledged first.
    CAntSession* established = Session();
    const std::uint32_t next = established->Network->GetSendWindow().GetNextSequence();
    Push(MakeAck(next, m_id, 0, 0), PEER);
    CloseUser();
    for (int i = 0; i < 20 && State() == ANT_STATE_ESTABLISHED; ++i) {
        (void)m_manager.OnWritable(); // more or no more data: the window shows which
        if (State() == ANT_STATE_ESTABLISHED)
            (void)m_dispatcher.Run(0); // what the round did is what is checked
        if (Session() && !Session()->Network->GetSendWindow().IsEmpty())
            Push(MakeAck(Session()->Network->GetSendWindow().GetNextSequence(), m_id, 0, 0), PEER);
    }
    Reached(ANT_STATE_CLOSING);
    switch (target % 11) {
    case 5:
        return true;
    case 6:
        Push(MakeControl(AntCloseAck, m_id), PEER);
        return Reached(ANT_STATE_CLOSE_ACKED);
    case 7:
        Push(MakeControl(AntClose, m_id), PEER);
        return Reached(ANT_STATE_PEER_CLOSING);
    default:
        Push(MakeControl(AntCloseAck, m_id), PEER);
        Push(MakeControl(AntClose, m_id), PEER);
        return Reached(ANT_STATE_TIME_WAIT);
    }
}

void CFuzzRun::Establish(std::uint8_t setup)
{
    Push(MakeRelay(KEY, PEER), m_port.Server);
    Push(MakeHello(KEY, PEER_SESSION, m_id, m_peerIsn, PEER_ID, 1001), PEER);
    Push(MakeHelloConfirm(KEY, m_id), PEER);
    if (State() != ANT_STATE_ESTABLISHED)
        return;
    const std::uint32_t userBytes = ((setup >> 2) & 7) * 1000;
    if (userBytes > 0) {
        UserWrite(userBytes);
        (void)m_manager.OnWritable(); // more or no more data: the window shows which
    }
    const int packets = (setup >> 5) & 7;
    const char payload[] = "abcdefgh";
    for (int i = 0; i < packets; ++i) {
        // In order first, then every third number, so the ring holds some with gaps.
        const std::uint32_t offset = i < 2 ? std::uint32_t(i) : std::uint32_t(3 * i);
        Push(MakeData(AntSeqAdd(m_peerIsn, offset), m_id, payload, 1 + i), PEER);
    }
}

void CFuzzRun::UserWrite(std::uint32_t bytes)
{
    if (m_user == STI_OS::INVALID_SOCKET_HANDLE)
        return;
    static const std::vector<char> data(255 * 97, 'u'); // the most one step writes
    std::uint32_t count = 0;
    (void)STI_OS::Send(m_user, data.data(), bytes, count); // a full socket takes less: fine
}

void CFuzzRun::UserRead()
{
    if (m_user == STI_OS::INVALID_SOCKET_HANDLE)
        return;
    char buffer[8192];
    std::uint32_t count = 0;
    while (STI_OS::Recv(m_user, buffer, sizeof buffer, count) == ST_SUCCESS && count > 0) {}
}

void CFuzzRun::CloseUser()
{
    if (m_user != STI_OS::INVALID_SOCKET_HANDLE)
        (void)STI_OS::CloseSocket(m_user); // the session sees the close either way
    m_user = STI_OS::INVALID_SOCKET_HANDLE;
}

void CFuzzRun::FireTimer(int kind)
{
    CAntSession* session = Session();
    if (!session || !session->Network || !session->Network->IsTimerArmed(kind))
        return;
    // As the dispatcher would: the id is forgotten before the handler runs.
    session->Network->ForgetTimer(kind);
    (void)m_manager.OnSessionTimer(m_id, std::uint16_t(kind)); // any outcome: the states are checked
}

void CFuzzRun::Datagram(std::uint8_t op, CInput& input)
{
    const std::uint8_t fix = input.Byte();
    std::uint32_t length = input.Byte();
    if (fix & FIX_LONG)
        length = length * 5 + 1;
    CPacketRef packet = CPacketRef::Allocate();
    if (!packet)
        return;
    std::uint8_t* data = packet->Data;
    std::memset(data, 0, ANT_MAX_DATAGRAM);
    // One byte past the largest datagram is allowed for: it must be refused.
    std::uint8_t raw[255 * 5 + 1];
    input.Bytes(raw, length);
    const std::uint32_t kept = length < ANT_MAX_DATAGRAM ? length : ANT_MAX_DATAGRAM;
    std::memcpy(data, raw, kept);
    packet->Length = length;

    CAntSession* session = Session();
    const std::uint16_t peerSession = session && session->PeerSessionId ? session->PeerSessionId : PEER_SESSION;
    std::uint32_t sendBase = 0;
    std::uint32_t receiveBase = m_peerIsn;
    if (session && session->Network) {
        sendBase = session->Network->GetSendWindow().GetBase();
        if (State() >= ANT_STATE_ESTABLISHED)
            receiveBase = session->Network->GetReceiveWindow().GetBase();
    }

    // A header needs its 8 bytes before any fix can apply.
    if ((fix & (FIX_DESTINATION | FIX_TYPE | FIX_KEY | FIX_SEQUENCE | FIX_FLAGS)) && packet->Length < ANT_HEADER_SIZE)
        packet->Length = ANT_HEADER_SIZE;
    if (fix & FIX_DESTINATION) {
        data[2] = std::uint8_t(m_id);
        data[3] = std::uint8_t(m_id >> 8);
    }
    if (fix & FIX_TYPE) {
        const int type = TYPES[data[7] % 11];
        std::uint32_t word = GetU32(data + 4);
        word = type == AntData ? (word & ANT_SEQUENCE_MASK) : MakeAntControlWord(type, std::uint16_t(word));
        PutU32(data + 4, word);
    }
    SAntHeader header;
    {
        CAntPacketReader reader(*packet);
        if (packet->Length <= ANT_MAX_DATAGRAM)
            (void)ReadAntHeader(reader, header); // too short, it stays zero: no type matches
    }
    const int type = header.GetType();
    std::uint8_t* body = data + ANT_HEADER_SIZE;
    auto need = [&packet](std::uint32_t bodyBytes) {
        if (packet->Length < ANT_HEADER_SIZE + bodyBytes)
            packet->Length = ANT_HEADER_SIZE + bodyBytes;
    };
    if ((fix & FIX_KEY) && packet->Length <= ANT_MAX_DATAGRAM) {
        if (type == AntHello) {
            need(28);
            PutU64(body, KEY);
            body[10] = std::uint8_t(peerSession);
            body[11] = std::uint8_t(peerSession >> 8);
        } else if (type == AntHelloConfirm) {
            need(16);
            PutU64(body, KEY);
        } else if (type == AntConnectRelay) {
            need(20);
            PutU32(body, PEER.GetAddress().Get());
            body[4] = std::uint8_t(PEER.GetPort());
            body[5] = std::uint8_t(PEER.GetPort() >> 8);
            PutU64(body + 8, KEY);
        }
    }
    if ((fix & FIX_SEQUENCE) && packet->Length <= ANT_MAX_DATAGRAM) {
        if (type == AntData) {
            PutU32(data + 4, (GetU32(data + 4) & ~ANT_SEQUENCE_MASK) | Near(receiveBase, GetU32(data + 4)));
        } else if (type == AntAck) {
            need(24);
            PutU32(body, Near(sendBase, GetU32(body)));
        } else if (type == AntProbe || type == AntAckEcho) {
            need(type == AntProbe ? 4 : 16);
            PutU32(body, Near(receiveBase, GetU32(body)));
        } else if (type == AntNak) {
            for (std::uint32_t at = ANT_HEADER_SIZE; at + 4 <= packet->Length; at += 4) {
                const std::uint32_t entry = GetU32(data + at);
                PutU32(data + at, (entry & ~ANT_SEQUENCE_MASK) | Near(sendBase, entry));
            }
        }
    }
    if ((fix & FIX_FLAGS) && packet->Length <= ANT_MAX_DATAGRAM) {
        if (type == AntData)
            data[1] = std::uint8_t(ANT_DATA_FLAG | (data[1] & ANT_DATA_RETRANSMISSION));
        else if (type == AntAck)
            data[1] &= ANT_ACK_ANSWERS_DATA | ANT_ACK_NOT_IN_ORDER | ANT_ACK_ECHO_WANTED;
        else
            data[1] = 0;
    }
    if (type == AntData && (fix & FIX_SEQUENCE) && packet->Length == ANT_HEADER_SIZE)
        packet->Length = ANT_HEADER_SIZE + 1 + (op >> 4); // a payload of a few bytes

    CIPEndpoint from = STRANGER;
    if (fix & FIX_FROM_PEER)
        from = session && session->PeerPublic.GetPort() != 0 ? session->PeerPublic : PEER;
    else if (fix & FIX_FROM_SERVER)
        from = m_port.Server;
    const Status status = Feed(packet, from);
    if (Tracing())
        std::fprintf(stderr, "  datagram type %d length %u word %08x from %u -> %d, state %d\n", type, unsigned(length),
                     unsigned(header.Word), unsigned(from.GetPort()), int(status), State());
    if (length > ANT_MAX_DATAGRAM)
        Check(status == ST_OUT_OF_BOUNDS);
}

void CFuzzRun::Burst(std::uint8_t shape)
{
    CAntSession* session = Session();
    if (!session || !session->Network)
        return;
    const std::uint32_t base = session->Network->GetReceiveWindow().GetBase();
    const std::uint32_t step = (shape & 0x80) ? 2 : 1;
    char payload[100];
    std::memset(payload, 'p', sizeof payload);
    for (std::uint32_t i = 0; i < (shape & 0x7Fu) && HasBudget(); ++i) {
        Push(MakeData(AntSeqAdd(base, i * step), m_id, payload, sizeof payload), PEER);
        CheckInvariants();
    }
}

void CFuzzRun::Converse(std::uint8_t shape)
{
    for (int round = 0; round <= (shape & 0x1F) && HasBudget(); ++round) {
        if (shape & 0x80)
            UserWrite(8000);
        (void)m_manager.OnWritable(); // more or no more data: the window shows which
        CAntSession* session = Session();
        if (!session || !session->Network)
            return;
        const CAntSendWindow& send = session->Network->GetSendWindow();
        std::uint32_t cumulative = AntSeqNext(send.GetHighestSent());
        if ((shape & 0x40) && (round & 1))
            cumulative = AntSeqAdd(send.GetBase(), AntSeqDistance(send.GetBase(), cumulative) / 2);
        Push(MakeAck(cumulative, m_id, std::uint16_t(round), ANT_ACK_ANSWERS_DATA), PEER);
        if (Tracing())
            std::fprintf(stderr, "  round %d: cwnd %u queued %u in flight %u\n", round, unsigned(send.GetCwnd()),
                         unsigned(send.GetQueued()), unsigned(send.GetPacketsInFlight()));
        CheckInvariants();
    }
}

void CFuzzRun::Step(CInput& input)
{
    const std::uint8_t op = input.Byte();
    if (Tracing() && (op & 0x0F) >= 7)
        std::fprintf(stderr, "  op %d (state %d)\n", op & 0x0F, State());
    switch (op & 0x0F) {
    case 7:
        Converse(input.Byte());
        break;
    case 8:
        Burst(input.Byte());
        break;
    case 9:
        FireTimer(1 + input.Byte() % 8);
        break;
    case 10:
        UserWrite(std::uint32_t(input.Byte()) * 97);
        break;
    case 11:
        UserRead();
        break;
    case 12:
        (void)m_manager.OnWritable(); // more or no more data: the window shows which
        break;
    case 13:
        (void)m_dispatcher.Run(0); // what the round did is what is checked
        break;
    case 14:
        CloseUser();
        break;
    case 15:
        (void)m_manager.OnUnreachable(input.Byte() & 1 ? PEER : STRANGER); // a stranger's report is refused: fine
        break;
    default:
        Datagram(op, input);
        break;
    }
    // Between dispatcher rounds every re-armed timer leaves a cancelled entry in the heap,
    // thousands in one input; clearing them, as a round would, fires nothing.
    sti::CTimeValue due;
    (void)m_dispatcher.GetTimerQueue().GetNextDue(due); // an empty queue is fine
    CheckInvariants();
}

void CFuzzRun::CheckInvariants() const
{
    Check(m_manager.GetSessionCount() <= 1);
    CAntSession* session = Session();
    if (!session || !session->Network)
        return;
    const CAntNetworkHandler& network = *session->Network;
    Check(network.GetState() >= ANT_STATE_IDLE && network.GetState() <= ANT_STATE_LAST_CLOSE);

    // The receive ring never reaches past base + 128, and holds nothing beyond the highest
    // number seen.
    const CAntReceiveWindow& receive = network.GetReceiveWindow();
    const std::uint32_t base = receive.GetBase();
    const std::uint32_t next = receive.GetNextAfterHighest();
    Check(AntSeqDistance(base, next) <= CAntReceiveWindow::SIZE);
    if (base != m_scannedBase || next != m_scannedNext) {
        // (The scan is the dearest check: only when the ring has moved.)
        m_scannedBase = base;
        m_scannedNext = next;
        const std::uint32_t limit = receive.GetLimit();
        for (std::uint32_t s = next; s != limit; s = AntSeqNext(s))
            Check(!receive.IsStored(s));
    }

    // Packets in flight are queued ones; the congestion window stays within 1..max.
    const CAntSendWindow& send = network.GetSendWindow();
    Check(send.GetPacketsInFlight() + send.GetMarked() <= send.GetQueued());
    Check(send.GetMaxWindow() >= 1 && send.GetMaxWindow() <= ANT_RECEIVE_WINDOW);
    Check(send.GetCwnd() >= 1 && send.GetCwnd() <= send.GetMaxWindow());
    Check(send.GetQueued() <= send.GetMaxWindow());
    // The highest number sent lies between the base less one and the last queued packet.
    Check(AntSeqDistance(AntSeqPrevious(send.GetBase()), send.GetHighestSent()) <= send.GetQueued());
    if (const IAntFlowControlStrategy* strategy = network.GetStrategy())
        Check(strategy->GetInterval() >= 5);
}

} // namespace

// Every packet buffer's allocation and release records a stack; at the default depth of 30
// frames that unwinding and storing took about 4% of the run. Four frames still name the
// pool's caller; ASAN_OPTIONS=malloc_context_size=30 gives whole stacks when reproducing a
// finding. What is detected does not change.
extern "C" const char* __asan_default_options()
{
    return "malloc_context_size=4";
}

// One input reaches tens of thousands of coverage features (a whole session's code, for up to
// 256 steps), and libFuzzer's entropic schedule then spends three quarters of the time
// counting feature frequencies: about 20 inputs a second against about 230 without it. So
// the schedule is off unless the command line names it.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    for (int i = 1; i < *argc; ++i)
        if (std::strncmp((*argv)[i], "-entropic=", 10) == 0)
            return 0;
    static std::vector<char*> arguments;
    static char entropicOff[] = "-entropic=0";
    arguments.assign(*argv, *argv + *argc);
    arguments.insert(arguments.begin() + 1, entropicOff);
    arguments.push_back(nullptr);
    *argc += 1;
    *argv = arguments.data();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    CInput input(data + 2, size - 2);
    CFuzzRun run;
    if (!run.Setup(data[0], data[1]))
        return 0;
    if (Tracing())
        std::fprintf(stderr, "set up in state %d\n", run.State());
    run.CheckInvariants();
    for (int steps = 0; !input.Empty() && steps < 256 && run.HasBudget(); ++steps)
        run.Step(input);
    return 0;
}
