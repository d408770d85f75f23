#include "support/RelayHarness.h"

#include <poll.h>
#include <sys/socket.h>

#include <cstring>

namespace RelayTest {

SEndpoint Loopback(std::uint8_t last, std::uint16_t port)
{
    SEndpoint endpoint;
    endpoint.Address = 0x7F000000u | last;
    endpoint.Port = port;
    return endpoint;
}

CRunningRelay::CRunningRelay(const SEndpoint& listen, const SEndpoint& serverTcp, const SEndpoint& serverUdp,
                             const SEndpoint& outside, const std::vector<std::string>& extra)
{
    std::vector<std::string> args = {"tarnix-relay",       "--listen",           listen.ToString(),
                                     "--server",           serverTcp.ToString(), "--server-udp",
                                     serverUdp.ToString(), "--outside",          outside.ToString()};
    args.insert(args.end(), extra.begin(), extra.end());
    TarnixRelay::SRelayConfig config;
    if (TarnixRelay::ParseCommandLine(args, config, m_error) != TarnixRelay::PARSE_OK)
        return;
    m_relay = std::make_unique<TarnixRelay::CRelay>(config);
    m_relay->SetStatsOutput(nullptr);
    if (!m_relay->Open(m_error))
        return;
    m_ok = true;
    m_thread = std::thread([this] { m_relay->Run(); });
}

CRunningRelay::~CRunningRelay()
{
    StopAndCollect();
}

TarnixRelay::SRelayStats CRunningRelay::StopAndCollect()
{
    if (m_thread.joinable()) {
        m_relay->Stop();
        m_thread.join();
    }
    return m_relay ? m_relay->Stats() : TarnixRelay::SRelayStats{};
}

CUdpPeer::CUdpPeer(const SEndpoint& local)
{
    std::string error;
    m_fd = TarnixRelay::OpenUdp(local, error);
    if (m_fd.Valid())
        m_address = TarnixRelay::LocalEndpoint(m_fd.Get());
}

bool CUdpPeer::SendTo(const SEndpoint& to, const std::vector<std::uint8_t>& bytes)
{
    return TarnixRelay::SendDatagram(m_fd.Get(), to, bytes.data(), bytes.size());
}

bool CUdpPeer::Receive(std::vector<std::uint8_t>& bytes, SEndpoint& from, int timeoutMs)
{
    pollfd p{m_fd.Get(), POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1)
        return false;
    bytes.resize(65536);
    sockaddr_in addr;
    socklen_t len = sizeof(addr);
    const ssize_t n = ::recvfrom(m_fd.Get(), bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&addr), &len);
    if (n < 0)
        return false;
    bytes.resize(static_cast<std::size_t>(n));
    from = SEndpoint::FromSockaddr(addr);
    return true;
}

std::vector<std::uint8_t> Numbered(std::uint32_t n, std::size_t size)
{
    std::vector<std::uint8_t> bytes(size < 4 ? 4 : size);
    std::memcpy(bytes.data(), &n, 4);
    for (std::size_t i = 4; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(n * 31 + i);
    return bytes;
}

std::uint32_t NumberOf(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t n = 0;
    if (bytes.size() >= 4)
        std::memcpy(&n, bytes.data(), 4);
    return n;
}

} // namespace RelayTest
