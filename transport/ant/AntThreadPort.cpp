#include "transport/ant/AntThread.h"
#include "transport/ant/AntTransportPort.h"
#include "transport/ant/AntUDPSockHandler.h"

Status IAntTransportPort::ConnectUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t, const CIPEndpoint& listener)
{
    return STI_OS::Connect(descriptor, listener.GetAddress().Get(), listener.GetPort());
}

Status IAntTransportPort::CloseUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t)
{
    return STI_OS::CloseSocket(descriptor);
}

Status CAntThreadPort::SendDatagram(const SAntPacket& packet, const CIPEndpoint& to)
{
    return m_handler ? m_handler->SendTo(packet, to) : ST_NOT_CONNECTED;
}

CIPEndpoint CAntThreadPort::GetLocalAddress() const
{
    CIPEndpoint local;
    if (m_handler && m_handler->GetLocalAddress(local) == ST_SUCCESS)
        return local;
    return m_thread ? m_thread->GetLocalBindAddress() : CIPEndpoint();
}

Status CAntThreadPort::GetRendezvousAddress(CIPEndpoint& server)
{
    return m_thread ? m_thread->GetRendezvousAddress(server) : ST_NOT_CONNECTED;
}

std::uint32_t CAntThreadPort::GetOwnClientId() const
{
    return m_thread ? m_thread->GetClientId() : 0;
}

Status CAntThreadPort::RequestWrite()
{
    return m_handler ? m_handler->RequestWrite() : ST_NOT_CONNECTED;
}

sti::CDispatcher* CAntThreadPort::GetDispatcher()
{
    return m_thread ? m_thread->GetDispatcher() : nullptr;
}

Status CAntThreadPort::ConnectUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial,
                                         const CIPEndpoint& listener)
{
    return m_thread ? m_thread->ConnectUserSocket(descriptor, serial, listener)
                    : IAntTransportPort::ConnectUserSocket(descriptor, serial, listener);
}

Status CAntThreadPort::CloseUserSocket(STI_OS::SocketHandle descriptor, std::uint32_t serial)
{
    return m_thread ? m_thread->CloseUserSocket(descriptor, serial)
                    : IAntTransportPort::CloseUserSocket(descriptor, serial);
}
