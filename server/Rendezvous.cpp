#include "server/Rendezvous.h"

#include <cstdio>
#include <cstring>

#include "server/ServerLog.h"
#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/wire/AntPacket.h"
#include "transport/ant/wire/AntPacketStream.h"

namespace TarnixServer {

namespace {

bool NothingWaiting(Status status)
{
    return status == ST_TRY_LATER || status == ST_WOULD_BLOCK || status == ST_TIMEOUT;
}

std::string Endpoint(std::uint32_t address, std::uint16_t port)
{
    return STI_OS::AddressToString(address) + ":" + std::to_string(port);
}

std::string KeyText(std::uint64_t key)
{
    char text[24];
    std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(key));
    return text;
}

std::string SideText(const SRendezvousSide& side)
{
    return Endpoint(side.Address, side.Port) + " (id " + std::to_string(side.OwnId) + ")";
}

} // namespace

CRendezvous::CRendezvous(CServerLog& log) : m_log(log) {}

CRendezvous::~CRendezvous()
{
    Close();
}

Status CRendezvous::Open(std::uint32_t address, std::uint16_t port)
{
    Close();
    if (port == 0)
        return ST_INVALID_PARAM;
    Status status = STI_OS::CreateUDPSocket(m_socket);
    if (status == ST_SUCCESS)
        status = PrepareDatagramSocket(m_socket);
    if (status == ST_SUCCESS)
        status = STI_OS::Bind(m_socket, address, port);
    if (status == ST_SUCCESS)
        status = STI_OS::SetNonBlocking(m_socket, true);
    if (status != ST_SUCCESS) {
        Close();
        return status;
    }
    m_port = port;
    return ST_SUCCESS;
}

void CRendezvous::Close()
{
    // The handle is given up either way; a failed close leaves nothing to undo.
    (void)STI_OS::CloseSocket(m_socket);
    m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    m_port = 0;
}

void CRendezvous::OnReadable(std::uint64_t now)
{
    // One byte more than a datagram may hold, so that a longer one shows.
    std::uint8_t buffer[ANT_MAX_DATAGRAM + 1];
    for (int i = 0; i < DATAGRAMS_PER_TURN; ++i) {
        std::uint32_t count = 0;
        std::uint32_t address = 0;
        std::uint16_t port = 0;
        const Status status = STI_OS::RecvFrom(m_socket, buffer, sizeof(buffer), count, address, port);
        if (NothingWaiting(status))
            return;
        // An unreachable report for an earlier answer (Windows) says nothing about this datagram.
        if (status == ST_CONN_RESET)
            continue;
        if (status != ST_SUCCESS) {
            // Windows refuses a datagram longer than the buffer instead of cutting it.
            m_log.Info(std::string("rendezvous: a datagram could not be read (status ") + StatusText(status) + ")");
            continue;
        }
        OnDatagram(buffer, count, address, port, now);
    }
}

void CRendezvous::OnDatagram(const std::uint8_t* data, std::uint32_t length, std::uint32_t address, std::uint16_t port,
                             std::uint64_t now)
{
    if (length > ANT_MAX_DATAGRAM) {
        Drop(address, port, length, "longer than a datagram may be");
        return;
    }
    SAntPacket packet;
    std::memcpy(packet.Data, data, length);
    packet.Length = length;
    packet.RefCount = 0;
    CAntPacketReader reader(packet);
    SAntHeader header;
    if (ReadAntHeader(reader, header) != ST_SUCCESS) {
        Drop(address, port, length, "shorter than a header");
        return;
    }
    if (header.GetType() != AntConnectRequest) {
        Drop(address, port, length, "not a connect request (type " + std::to_string(header.GetType()) + ")");
        return;
    }
    SAntConnectRequestBody body;
    if (ReadAntBody(reader, body) != ST_SUCCESS) {
        Drop(address, port, length, "connect request cut short");
        return;
    }
    if (reader.GetRemaining() != 0) {
        Drop(address, port, length, "bytes behind the connect request");
        return;
    }

    SRendezvousSide side;
    side.Address = address;
    side.Port = port;
    side.OwnId = body.OwnId;
    side.PeerId = body.PeerId;
    side.LocalPort = body.LocalPort;
    side.LocalAddresses = body.LocalAddresses;
    side.Counter = header.GetValue();
    m_answers.clear();
    const CRendezvousTable::Outcome outcome = m_table.OnRequest(body.Key, side, now, m_answers);
    // A flood from one address ends here, without a line or a string made for it.
    if (outcome == CRendezvousTable::REFUSED_SOURCE_AGAIN)
        return;
    const std::string prefix = "rendezvous: key " + KeyText(body.Key) + ": " + SideText(side);
    switch (outcome) {
    case CRendezvousTable::WAITING:
        m_log.Info(prefix + " waits for id " + std::to_string(body.PeerId));
        break;
    case CRendezvousTable::PAIRED:
        m_log.Info(prefix + " paired with " + SideText(m_answers.front().About));
        break;
    case CRendezvousTable::REPEATED:
        m_log.Info(prefix + " asked again");
        break;
    case CRendezvousTable::REFUSED_TAKEN:
        m_log.Info(prefix + " refused: the key belongs to other clients");
        break;
    case CRendezvousTable::REFUSED_SOURCE:
        m_log.Info(prefix + " refused: its address holds " + std::to_string(CRendezvousTable::MAX_KEYS_PER_SOURCE) +
                   " keys already (further refusals of this address are not logged until one goes)");
        break;
    case CRendezvousTable::REFUSED_SOURCE_AGAIN:
    case CRendezvousTable::REFUSED_FULL:
        m_log.Info(prefix + " refused: " + std::to_string(CRendezvousTable::MAX_KEYS) + " keys wait already");
        break;
    }
    for (const SRendezvousAnswer& answer : m_answers)
        SendRelay(answer, body.Key);
}

void CRendezvous::SendRelay(const SRendezvousAnswer& answer, std::uint64_t key)
{
    SAntPacket packet;
    packet.Length = 0;
    packet.RefCount = 0;
    SAntConnectRelayBody body;
    body.Requester.Address = answer.About.Address;
    body.Requester.Port = answer.About.Port;
    body.Key = key;
    body.LocalPort = answer.About.LocalPort;
    body.LocalAddresses = answer.About.LocalAddresses;
    CAntPacketWriter writer(packet);
    // A failed field sticks in the writer; the body's result covers both.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntConnectRelay, answer.To.Counter, 0));
    Status status = WriteAntBody(writer, body);
    if (status == ST_SUCCESS)
        status = STI_OS::SendTo(m_socket, packet.Data, packet.Length, answer.To.Address, answer.To.Port);
    if (status != ST_SUCCESS)
        m_log.Info("rendezvous: answer to " + Endpoint(answer.To.Address, answer.To.Port) + " lost (status " +
                   StatusText(status) + "); the client asks again");
}

void CRendezvous::Drop(std::uint32_t address, std::uint16_t port, std::uint32_t length, const std::string& why)
{
    m_log.Info("rendezvous: dropped " + std::to_string(length) + " bytes from " + Endpoint(address, port) + ": " + why);
}

} // namespace TarnixServer
