#include "infra/Pipe.h"

#include <new>

namespace sti {

CPipe::~CPipe()
{
    Close();
}

Status CPipe::CreatePair(std::unique_ptr<CPipe>& first, std::unique_ptr<CPipe>& second)
{
    first.reset();
    second.reset();
    std::unique_ptr<CPipe> one(new (std::nothrow) CPipe);
    std::unique_ptr<CPipe> other(new (std::nothrow) CPipe);
    if (!one || !other) {
        return ST_NO_MEMORY;
    }
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    Status status = STI_OS::CreateLoopbackPair(a, b);
    if (status != ST_SUCCESS) {
        return status;
    }
    one->AttachHandle(a);
    other->AttachHandle(b);
    first = std::move(one);
    second = std::move(other);
    return ST_SUCCESS;
}

bool CPipe::SetNonBlocking()
{
    if (STI_OS::SetNonBlocking(m_handle, true) != ST_SUCCESS) {
        return false;
    }
    m_nonBlocking = true;
    return true;
}

void CPipe::Close()
{
    if (m_handle != STI_OS::INVALID_SOCKET_HANDLE) {
        // The handle is given up either way; a failed close leaves nothing to undo.
        (void)STI_OS::CloseSocket(m_handle);
        m_handle = STI_OS::INVALID_SOCKET_HANDLE;
    }
}

void CPipe::AttachHandle(STI_OS::SocketHandle handle)
{
    if (handle != m_handle) {
        Close();
    }
    m_handle = handle;
}

Status CPipe::Read(std::uint32_t size, void* buffer, std::uint32_t& count)
{
    return STI_OS::Recv(m_handle, buffer, size, count);
}

Status CPipe::Write(std::uint32_t length, const void* data, std::uint32_t& count)
{
    return STI_OS::Send(m_handle, data, length, count);
}

} // namespace sti
