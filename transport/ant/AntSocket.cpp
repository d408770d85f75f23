#include "transport/ant/AntSocket.h"

#include "transport/ant/Ant.h"

CAntSocket::~CAntSocket()
{
    Close();
}

CAnt* CAntSocket::Transport()
{
    if (m_ant == nullptr) {
        m_ant = CAnt::Instance();
    }
    return m_ant;
}

Status CAntSocket::Connect(const CAntAddress& address, bool nonBlocking)
{
    if (m_handle != STI_OS::INVALID_SOCKET_HANDLE) {
        return ST_IN_USE;
    }
    CAnt* ant = Transport();
    if (ant == nullptr) {
        return ST_TOO_MANY_SOCKETS;
    }
    const STI_OS::SocketHandle descriptor = ant->AntCreateSocket();
    if (descriptor == STI_OS::INVALID_SOCKET_HANDLE) {
        return ST_TOO_MANY_SOCKETS;
    }
    m_handle = descriptor;
    m_fromTransport = true;
    int result = -1;
    if (nonBlocking) {
        // Before the request, so that the Ant thread's connect never blocks on it.
        if (SetNonBlocking()) {
            result = ant->AntConnectAsync(descriptor, address.PeerId, address.KeyLow, address.KeyHigh);
        }
    } else {
        result = ant->AntConnect(descriptor, address.PeerId, address.KeyLow, address.KeyHigh);
        m_nonBlocking = true; // AntConnect leaves it so
    }
    if (result < 0) {
        Close();
        return ST_SOCKET_ERROR;
    }
    SetState(nonBlocking ? sti::STATE_CONNECTING : sti::STATE_CONNECTED);
    return nonBlocking ? ST_IN_PROGRESS : ST_SUCCESS;
}

Status CAntSocket::SetLevel(int level)
{
    CAnt* ant = Transport();
    if (ant == nullptr || ant->AntSetSocketLevel(m_handle, level) < 0) {
        return ST_COMMUNICATION_ERROR;
    }
    return ST_SUCCESS;
}

void CAntSocket::Close()
{
    if (m_handle != STI_OS::INVALID_SOCKET_HANDLE) {
        // The transport closes its own descriptors: one it no longer knows as open is not this
        // object's to close any more, its number may belong to another socket by now.
        if (m_fromTransport && m_ant != nullptr) {
            // The handle is given up either way; a failed close leaves nothing to undo.
            (void)m_ant->AntCloseSocket(m_handle);
        } else {
            // The handle is given up either way; a failed close leaves nothing to undo.
            (void)STI_OS::CloseSocket(m_handle);
        }
        m_handle = STI_OS::INVALID_SOCKET_HANDLE;
        m_fromTransport = false;
    }
    m_nonBlocking = false;
    SetState(sti::STATE_NOT_CONNECTED);
}

void CAntSocket::AttachHandle(STI_OS::SocketHandle handle)
{
    // Close also forgets that the old handle was the transport's.
    if (handle != m_handle) {
        Close();
    }
    sti::CTCPSocket::AttachHandle(handle);
}

void CAntSocket::Reset()
{
    sti::CTCPSocket::Reset();
    m_fromTransport = false;
}
