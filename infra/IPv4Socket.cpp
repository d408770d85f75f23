#include "infra/IPv4Socket.h"

namespace sti {

CIPv4Socket::~CIPv4Socket()
{
    CloseHandle();
}

void CIPv4Socket::CloseHandle()
{
    if (m_handle != STI_OS::INVALID_SOCKET_HANDLE) {
        // The handle is given up either way; a failed close leaves nothing to undo.
        (void)STI_OS::CloseSocket(m_handle);
        m_handle = STI_OS::INVALID_SOCKET_HANDLE;
    }
}

bool CIPv4Socket::SetNonBlocking()
{
    if (STI_OS::SetNonBlocking(m_handle, true) != ST_SUCCESS) {
        return false;
    }
    m_nonBlocking = true;
    return true;
}

void CIPv4Socket::Close()
{
    CloseHandle();
    SetState(STATE_NOT_CONNECTED);
}

Status CIPv4Socket::GetSocketError()
{
    if (m_handle == STI_OS::INVALID_SOCKET_HANDLE) {
        return ST_INVALID_SOCKET;
    }
    return STI_OS::GetSocketError(m_handle);
}

void CIPv4Socket::AttachHandle(STI_OS::SocketHandle handle)
{
    if (handle != m_handle) {
        CloseHandle();
    }
    m_handle = handle;
}

void CIPv4Socket::Reset()
{
    m_handle = STI_OS::INVALID_SOCKET_HANDLE;
    m_nonBlocking = false;
    SetState(STATE_NOT_CONNECTED);
}

} // namespace sti
