#pragma once
// One link of a filtered TCP socket's chain: reads and writes pass through it on their way
// to the socket. The pass-through filter, the only one in use, adds nothing.

#include "infra/PollableObject.h"
#include "infra/Status.h"

#include <cstdint>

namespace sti {

class CFilterTCPSocket;

class ISocketFilter : public IReader, public IWriter {};

// Bound to its socket: reads are the socket's recv, writes its send. Empty reads and writes
// return ST_SUCCESS at once.
class CPassThroughFilter : public ISocketFilter {
public:
    explicit CPassThroughFilter(CFilterTCPSocket& socket) : m_socket(socket) {}

    Status Read(std::uint32_t size, void* buffer, std::uint32_t& count) override;
    Status Write(std::uint32_t length, const void* data, std::uint32_t& count) override;

private:
    CFilterTCPSocket& m_socket;
};

} // namespace sti
