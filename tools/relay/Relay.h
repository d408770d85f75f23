#pragma once

#include "tools/relay/EventLoop.h"
#include "tools/relay/RelayConfig.h"
#include "tools/relay/RelayStats.h"
#include "tools/relay/TcpForwarder.h"
#include "tools/relay/UdpRelay.h"

#include <cstdio>
#include <memory>
#include <string>

namespace TarnixRelay {

// The whole relay: the inside TCP listener and UDP socket on one address, the NAT behind them
// and the loop that drives both.
class CRelay {
public:
    explicit CRelay(const SRelayConfig& config);
    CRelay(const CRelay&) = delete;
    CRelay& operator=(const CRelay&) = delete;
    ~CRelay();

    // Binds the inside sockets. With port 0 both get the same free port.
    bool Open(std::string& error);
    SEndpoint InsideAddress() const { return m_insideAddress; }

    // Runs in the calling thread until Stop (or a stop notice).
    void Run();

    // These three are safe from any thread and from a signal handler.
    void Stop() { m_loop.Stop(); }
    // Prints the summary line to the stats output.
    void RequestStats() { m_loop.Notify('S'); }
    // Prints the summary line and stops.
    void RequestFinalStats() { m_loop.Notify('F'); }

    void SetStatsOutput(std::FILE* out) { m_statsOut = out; }

    // Only from the loop's thread or while the loop is not running.
    SRelayStats Stats() const;

private:
    void OnNotice(char notice);
    void PrintStats();

    SRelayConfig m_config;
    CEventLoop m_loop; // before the parts that watch it, so it outlives them
    std::unique_ptr<CUdpRelay> m_udp;
    std::unique_ptr<CTcpForwarder> m_tcp;
    SEndpoint m_insideAddress;
    std::FILE* m_statsOut = stdout;
};

} // namespace TarnixRelay
