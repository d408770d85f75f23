#include "infra/TCPSocket.h"

namespace sti {

Status CTCPSocket::Connect(const CIPEndpoint& peer, bool nonBlocking)
{
    if (m_handle != STI_OS::INVALID_SOCKET_HANDLE) {
        return ST_IN_USE;
    }
    Status status = STI_OS::CreateTCPSocket(m_handle);
    if (status != ST_SUCCESS) {
        m_handle = STI_OS::INVALID_SOCKET_HANDLE;
        return status;
    }
    if (nonBlocking && !SetNonBlocking()) {
        Close();
        return ST_SOCKET_ERROR;
    }
    status = STI_OS::Connect(m_handle, peer.GetAddress().Get(), peer.GetPort());
    if (status == ST_SUCCESS) {
        SetState(STATE_CONNECTED);
    } else if (status == ST_IN_PROGRESS) {
        SetState(STATE_CONNECTING);
    } else {
        Close();
        return status;
    }
    m_peerAddress = peer.GetAddress().Get();
    m_peerPort = peer.GetPort();
    return status;
}

void CTCPSocket::AttachHandle(STI_OS::SocketHandle handle)
{
    CIPv4Socket::AttachHandle(handle);
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    if (handle != STI_OS::INVALID_SOCKET_HANDLE && STI_OS::GetPeerName(handle, address, port) == ST_SUCCESS) {
        m_peerAddress = address;
        m_peerPort = port;
    } else {
        m_peerAddress = 0;
        m_peerPort = -1;
    }
}

void CTCPSocket::Reset()
{
    CIPv4Socket::Reset();
    m_peerAddress = 0;
    m_peerPort = -1;
}

Status CTCPSocket::Read(std::uint32_t size, void* buffer, std::uint32_t& count)
{
    return STI_OS::Recv(m_handle, buffer, size, count);
}

Status CTCPSocket::Write(std::uint32_t length, const void* data, std::uint32_t& count)
{
    return STI_OS::Send(m_handle, data, length, count);
}

Status CTCPSocket::ShutdownSend()
{
    if (GetState() != STATE_CONNECTED || m_handle == STI_OS::INVALID_SOCKET_HANDLE) {
        return ST_NOT_CONNECTED;
    }
    return STI_OS::ShutdownSend(m_handle);
}

} // namespace sti
