#pragma once
// A TCP socket whose reads and writes pass through a chain of filters; the first filter of
// the chain serves them. The constructor installs the pass-through filter.

#include "infra/SocketFilter.h"
#include "infra/Status.h"
#include "infra/TCPSocket.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sti {

class CFilterTCPSocket : public CTCPSocket {
public:
    CFilterTCPSocket();
    ~CFilterTCPSocket() override;

    // Through the first filter (straight to the socket should the chain be empty).
    Status Read(std::uint32_t size, void* buffer, std::uint32_t& count) override;
    Status Write(std::uint32_t length, const void* data, std::uint32_t& count) override;

    // The socket's own recv and send, for the filter next to the socket.
    Status ReadSocket(std::uint32_t size, void* buffer, std::uint32_t& count);
    Status WriteSocket(std::uint32_t length, const void* data, std::uint32_t& count);

    std::size_t GetFilterCount() const { return m_filters.size(); }

private:
    std::vector<std::unique_ptr<ISocketFilter>> m_filters; // owned; front serves
};

} // namespace sti
