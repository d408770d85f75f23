#include "tools/relay/Relay.h"

namespace TarnixRelay {

CRelay::CRelay(const SRelayConfig& config) : m_config(config)
{
    m_loop.SetNoticeHandler([this](char notice) { OnNotice(notice); });
}

CRelay::~CRelay()
{
    m_tcp.reset();
    m_udp.reset();
}

bool CRelay::Open(std::string& error)
{
    if (!m_loop.Valid()) {
        error = "no wake-up pipe";
        return false;
    }
    // A free port for TCP that is free for UDP too; another program may take it in between.
    for (int attempt = 0; attempt < 20; ++attempt) {
        CFd listener = OpenTcpListener(m_config.Listen, error);
        if (!listener.Valid())
            return false;
        const SEndpoint bound = LocalEndpoint(listener.Get());
        std::string udpError;
        CFd udp = OpenUdp(bound, udpError);
        if (!udp.Valid()) {
            if (m_config.Listen.Port != 0) {
                error = udpError;
                return false;
            }
            continue;
        }
        m_insideAddress = bound;
        m_udp = std::make_unique<CUdpRelay>(m_loop, m_config, std::move(udp));
        m_tcp = std::make_unique<CTcpForwarder>(m_loop, std::move(listener), m_config.Server, m_config.Outside.Address);
        return true;
    }
    error = "no port free for both TCP and UDP on " + m_config.Listen.ToString();
    return false;
}

void CRelay::Run()
{
    m_loop.Run();
}

SRelayStats CRelay::Stats() const
{
    SRelayStats stats;
    if (m_udp)
        m_udp->CollectStats(stats);
    if (m_tcp)
        m_tcp->CollectStats(stats);
    return stats;
}

void CRelay::PrintStats()
{
    if (m_statsOut == nullptr)
        return;
    std::fprintf(m_statsOut, "%s\n", Stats().Format().c_str());
    std::fflush(m_statsOut);
}

void CRelay::OnNotice(char notice)
{
    if (notice == 'S') {
        PrintStats();
    } else if (notice == 'F') {
        PrintStats();
        m_loop.Stop();
    }
}

} // namespace TarnixRelay
