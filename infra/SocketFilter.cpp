#include "infra/SocketFilter.h"

#include "infra/FilterTCPSocket.h"

namespace sti {

Status CPassThroughFilter::Read(std::uint32_t size, void* buffer, std::uint32_t& count)
{
    count = 0;
    return size == 0 ? ST_SUCCESS : m_socket.ReadSocket(size, buffer, count);
}

Status CPassThroughFilter::Write(std::uint32_t length, const void* data, std::uint32_t& count)
{
    count = 0;
    return length == 0 ? ST_SUCCESS : m_socket.WriteSocket(length, data, count);
}

} // namespace sti
