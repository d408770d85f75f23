#include "server/EventLoop.h"

#include <utility>

namespace TarnixServer {

CEventLoop::CEventLoop() = default;

CEventLoop::~CEventLoop()
{
    // The handles are given up either way; a failed release leaves nothing to undo.
    if (m_open)
        (void)STI_OS::PollRelease(m_poll);
    (void)STI_OS::CloseSocket(m_wakeRead);
    (void)STI_OS::CloseSocket(m_wakeWrite);
}

Status CEventLoop::Open()
{
    if (m_open)
        return ST_SUCCESS;
    Status status = STI_OS::PollInit(m_poll);
    if (status != ST_SUCCESS)
        return status;
    m_open = true;
    status = STI_OS::CreateLoopbackPair(m_wakeRead, m_wakeWrite);
    if (status == ST_SUCCESS)
        status = STI_OS::SetNonBlocking(m_wakeRead, true);
    if (status == ST_SUCCESS)
        status = STI_OS::SetNonBlocking(m_wakeWrite, true);
    if (status == ST_SUCCESS)
        status = STI_OS::PollRegister(m_poll, m_wakeRead, STI_OS::POLL_READ);
    return status;
}

Status CEventLoop::Add(STI_OS::SocketHandle socket, int flags, ReadyCallback callback)
{
    const Status status = STI_OS::PollRegister(m_poll, socket, flags);
    if (status != ST_SUCCESS)
        return status;
    m_callbacks[socket] = std::move(callback);
    return ST_SUCCESS;
}

Status CEventLoop::SetInterest(STI_OS::SocketHandle socket, int flags)
{
    return STI_OS::PollSetInterest(m_poll, socket, flags);
}

void CEventLoop::Remove(STI_OS::SocketHandle socket)
{
    // Fails only for a bad handle, which has no interest left to drop.
    (void)STI_OS::PollUnregister(m_poll, socket);
    m_callbacks.erase(socket);
}

Status CEventLoop::RunTurn(std::uint32_t milliseconds)
{
    const Status waited = STI_OS::PollWait(m_poll, milliseconds);
    if (waited == ST_TIMEOUT)
        return ST_SUCCESS;
    if (waited != ST_SUCCESS)
        return waited;
    STI_OS::SocketHandle socket = STI_OS::INVALID_SOCKET_HANDLE;
    int flags = 0;
    while (STI_OS::PollNextReady(m_poll, socket, flags) == ST_SUCCESS) {
        if (socket == m_wakeRead) {
            DrainWake();
            continue;
        }
        auto found = m_callbacks.find(socket);
        if (found == m_callbacks.end())
            continue;
        // A copy: the callback may remove its own entry.
        ReadyCallback callback = found->second;
        callback(flags);
    }
    return ST_SUCCESS;
}

void CEventLoop::Wake()
{
    const std::uint8_t byte = 1;
    std::uint32_t sent = 0;
    // A full pipe means a wake-up is already pending.
    (void)STI_OS::Send(m_wakeWrite, &byte, 1, sent);
}

void CEventLoop::DrainWake()
{
    std::uint8_t bytes[64];
    std::uint32_t count = 0;
    while (STI_OS::Recv(m_wakeRead, bytes, sizeof(bytes), count) == ST_SUCCESS && count > 0) {}
}

} // namespace TarnixServer
