#include "tools/relay/UdpRelay.h"

#include <poll.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstring>

namespace TarnixRelay {

namespace {

// Datagrams read per wake-up from one socket, so that one busy socket cannot starve the rest.
constexpr int READS_PER_WAKE = 64;

} // namespace

CUdpRelay::CUdpRelay(CEventLoop& loop, const SRelayConfig& config, CFd inside)
    : m_loop(loop), m_serverUdp(config.ServerUdp), m_inside(std::move(inside)),
      m_nat(config.Outside, config.Listen.Address, config.Up, config.Down, config.Seed), m_buffer(65536)
{
    m_loop.Watch(m_inside.Get(), POLLIN, [this](short) { OnInside(); });
}

CUdpRelay::~CUdpRelay()
{
    m_loop.Unwatch(m_inside.Get());
    for (const auto& mapping : m_nat.Mappings()) {
        m_loop.Unwatch(mapping->Outside.Get());
        for (const auto& reflection : mapping->Reflections)
            m_loop.Unwatch(reflection.second.Get());
    }
}

void CUdpRelay::CollectStats(SRelayStats& stats) const
{
    for (const auto& mapping : m_nat.Mappings()) {
        stats.Up += mapping->Up.Stats();
        stats.Down += mapping->Down.Stats();
    }
    stats.Mappings += m_nat.Mappings().size();
    stats.Reflections += m_nat.ReflectionCount();
    stats.Refused += m_refused;
    stats.Strays += m_strays;
    stats.Overflow += m_overflow;
    stats.SendErrors += m_sendErrors;
}

void CUdpRelay::WatchOutside(SMapping& mapping)
{
    m_loop.Watch(mapping.Outside.Get(), POLLIN, [this, &mapping](short) { OnOutside(mapping); });
}

void CUdpRelay::WatchReflection(SMapping& mapping, int fd, const SEndpoint& party)
{
    m_loop.Watch(fd, POLLIN, [this, &mapping, fd, party](short) { OnReflection(mapping, fd, party); });
}

bool CUdpRelay::Receive(int fd, SEndpoint& from)
{
    sockaddr_in addr;
    socklen_t len = sizeof(addr);
    std::memset(&addr, 0, sizeof(addr));
    m_buffer.resize(65536);
    const ssize_t n = ::recvfrom(fd, m_buffer.data(), m_buffer.size(), 0, reinterpret_cast<sockaddr*>(&addr), &len);
    if (n < 0)
        return false;
    m_buffer.resize(static_cast<std::size_t>(n));
    from = SEndpoint::FromSockaddr(addr);
    return true;
}

void CUdpRelay::OnInside()
{
    SEndpoint from;
    for (int i = 0; i < READS_PER_WAKE && Receive(m_inside.Get(), from); ++i) {
        SMapping* mapping = m_nat.Find(from);
        if (mapping == nullptr) {
            std::string error;
            mapping = m_nat.Create(from, error);
            if (mapping == nullptr) {
                ++m_refused;
                std::fprintf(stderr, "relay: %s: %s\n", from.ToString().c_str(), error.c_str());
                continue;
            }
            WatchOutside(*mapping);
            std::fprintf(stderr, "relay: %s is %s outside\n", from.ToString().c_str(),
                         mapping->OutsideAddress.ToString().c_str());
        }
        Pass(mapping->Up, CEventLoop::Now(), SRoute{nullptr, mapping->Outside.Get(), m_serverUdp}, m_buffer);
    }
}

void CUdpRelay::OnOutside(SMapping& mapping)
{
    SEndpoint from;
    for (int i = 0; i < READS_PER_WAKE && Receive(mapping.Outside.Get(), from); ++i) {
        const std::int64_t now = CEventLoop::Now();
        if (from == m_serverUdp) {
            Pass(mapping.Down, now, SRoute{nullptr, m_inside.Get(), mapping.Inside}, m_buffer);
        } else if (SMapping* sender = m_nat.Find(from)) {
            Pass(sender->Up, now, SRoute{&mapping.Down, sender->Outside.Get(), mapping.Inside}, m_buffer);
        } else {
            std::string error;
            const bool known = mapping.Reflections.count(from) != 0;
            const int fd = m_nat.Reflection(mapping, from, error);
            if (fd < 0) {
                ++m_refused;
                continue;
            }
            if (!known)
                WatchReflection(mapping, fd, from);
            Pass(mapping.Down, now, SRoute{nullptr, fd, mapping.Inside}, m_buffer);
        }
    }
}

void CUdpRelay::OnReflection(SMapping& mapping, int fd, const SEndpoint& party)
{
    SEndpoint from;
    for (int i = 0; i < READS_PER_WAKE && Receive(fd, from); ++i) {
        if (from != mapping.Inside) {
            ++m_strays;
            continue;
        }
        const std::int64_t now = CEventLoop::Now();
        // The party may since have turned out to be a copy behind this relay.
        if (SMapping* receiver = m_nat.Find(party))
            Pass(mapping.Up, now, SRoute{&receiver->Down, mapping.Outside.Get(), receiver->Inside}, m_buffer);
        else
            Pass(mapping.Up, now, SRoute{nullptr, mapping.Outside.Get(), party}, m_buffer);
    }
}

void CUdpRelay::Pass(CLinkModel& link, std::int64_t now, const SRoute& route, const std::vector<std::uint8_t>& datagram)
{
    for (CLinkModel::SCopy& copy : link.Process(now, datagram)) {
        if (m_loop.PendingTimers() >= MAX_IN_FLIGHT) {
            ++m_overflow;
            continue;
        }
        const std::int64_t release = copy.Release;
        m_loop.At(release, [this, route, release, bytes = std::move(copy.Bytes)] {
            if (route.Second != nullptr)
                Pass(*route.Second, release, SRoute{nullptr, route.Fd, route.Dest}, bytes);
            else if (!SendDatagram(route.Fd, route.Dest, bytes.data(), bytes.size()))
                ++m_sendErrors;
        });
    }
}

} // namespace TarnixRelay
