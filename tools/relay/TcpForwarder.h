#pragma once

#include "tools/relay/EventLoop.h"
#include "tools/relay/RelayStats.h"
#include "tools/relay/Socket.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace TarnixRelay {

// Forwards each TCP connection made to the inside listener to the server, byte for byte and
// unimpaired, from the outside address. Half-closes are passed on; an error on either side
// closes both. Each direction buffers a bounded amount and stops reading while it is full.
class CTcpForwarder {
public:
    static constexpr std::size_t BUFFER_LIMIT = 256 * 1024;
    static constexpr std::size_t MAX_CONNECTIONS = 64;

    // listener: a listening socket (owned from here on).
    CTcpForwarder(CEventLoop& loop, CFd listener, const SEndpoint& server, std::uint32_t outsideAddress);
    CTcpForwarder(const CTcpForwarder&) = delete;
    CTcpForwarder& operator=(const CTcpForwarder&) = delete;
    ~CTcpForwarder();

    void CollectStats(SRelayStats& stats) const;
    std::size_t OpenConnections() const { return m_connections.size(); }

private:
    // One direction of a connection: bytes read from one side, waiting to be written to the other.
    struct SFlow {
        std::vector<std::uint8_t> Pending;
        std::size_t Offset = 0;
        bool Ended = false;    // the reading side sent its end
        bool ShutDown = false; // the end was passed on
        std::size_t Waiting() const { return Pending.size() - Offset; }
    };
    struct SConnection {
        CFd Inside;
        CFd Outside;
        bool Connected = false;
        SFlow Up;   // inside to server
        SFlow Down; // server to inside
    };

    void OnAccept();
    void OnInside(std::uint64_t id, short revents);
    void OnOutside(std::uint64_t id, short revents);
    // Reads what fits into flow; false on error.
    bool ReadInto(int fd, SFlow& flow, std::uint64_t& counter);
    // Writes what is waiting and passes on an end; false on error.
    bool WriteFrom(int fd, SFlow& flow);
    // Sets the events both sides wait for, or closes the connection when it is done.
    void Update(std::uint64_t id);
    void Close(std::uint64_t id);

    CEventLoop& m_loop;
    CFd m_listener;
    SEndpoint m_server;
    std::uint32_t m_outsideAddress;
    std::map<std::uint64_t, std::unique_ptr<SConnection>> m_connections;
    std::uint64_t m_nextId = 1;
    std::uint64_t m_accepted = 0;
    std::uint64_t m_bytesUp = 0;
    std::uint64_t m_bytesDown = 0;
};

} // namespace TarnixRelay
