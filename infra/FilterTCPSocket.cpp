#include "infra/FilterTCPSocket.h"

#include <new>

namespace sti {

CFilterTCPSocket::CFilterTCPSocket()
{
    std::unique_ptr<ISocketFilter> passThrough(new (std::nothrow) CPassThroughFilter(*this));
    if (passThrough) {
        try {
            m_filters.push_back(std::move(passThrough));
        } catch (const std::bad_alloc&) {
            // Without a chain reads and writes go straight to the socket, which is all the
            // pass-through filter would do.
        }
    }
}

CFilterTCPSocket::~CFilterTCPSocket() = default;

Status CFilterTCPSocket::Read(std::uint32_t size, void* buffer, std::uint32_t& count)
{
    return m_filters.empty() ? ReadSocket(size, buffer, count) : m_filters.front()->Read(size, buffer, count);
}

Status CFilterTCPSocket::Write(std::uint32_t length, const void* data, std::uint32_t& count)
{
    return m_filters.empty() ? WriteSocket(length, data, count) : m_filters.front()->Write(length, data, count);
}

Status CFilterTCPSocket::ReadSocket(std::uint32_t size, void* buffer, std::uint32_t& count)
{
    return CTCPSocket::Read(size, buffer, count);
}

Status CFilterTCPSocket::WriteSocket(std::uint32_t length, const void* data, std::uint32_t& count)
{
    return CTCPSocket::Write(length, data, count);
}

} // namespace sti
