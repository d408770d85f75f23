#include "infra/UDPSocket.h"

namespace sti {

Status CUDPSocket::Bind(const CIPAddress& address, std::uint16_t port)
{
    if (m_handle != STI_OS::INVALID_SOCKET_HANDLE) {
        return ST_IN_USE;
    }
    STI_OS::SocketHandle handle = STI_OS::INVALID_SOCKET_HANDLE;
    Status status = STI_OS::CreateUDPSocket(handle);
    if (status != ST_SUCCESS) {
        return status;
    }
    status = STI_OS::Bind(handle, address.Get(), port);
    if (status != ST_SUCCESS) {
        // The bind's error is the one to report.
        (void)STI_OS::CloseSocket(handle);
        return status;
    }
    m_handle = handle;
    m_bound = true;
    return ST_SUCCESS;
}

Status CUDPSocket::Bind(std::uint16_t port)
{
    return Bind(CIPAddress(0u), port);
}

void CUDPSocket::Reset()
{
    CIPv4Socket::Reset();
    m_bound = false;
}

Status CUDPSocket::Read(std::uint32_t size, void* buffer, std::uint32_t& count)
{
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    Status status = STI_OS::RecvFrom(m_handle, buffer, size, count, address, port);
    if (status == ST_SUCCESS) {
        m_from = CIPEndpoint(CIPAddress(address), port);
    }
    return status;
}

Status CUDPSocket::Write(std::uint32_t length, const void* data, std::uint32_t& count)
{
    count = 0;
    if (GetState() != STATE_CONNECTED) {
        return ST_NOT_CONNECTED;
    }
    return STI_OS::Send(m_handle, data, length, count);
}

Status CUDPSocket::SendTo(std::uint32_t length, const void* data, const CIPAddress& address, std::uint16_t port,
                          std::uint32_t& sent)
{
    sent = 0;
    Status status = STI_OS::SendTo(m_handle, data, length, address.Get(), port);
    if (status == ST_SUCCESS) {
        sent = length;
    }
    return status;
}

Status CUDPSocket::GetLocalAddress(CIPEndpoint& local) const
{
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    Status status = STI_OS::GetSockName(m_handle, address, port);
    local = CIPEndpoint(CIPAddress(address), port);
    return status;
}

Status CUDPSocket::SetReuseAddress()
{
    return STI_OS::SetReuseAddress(m_handle, true);
}

} // namespace sti
