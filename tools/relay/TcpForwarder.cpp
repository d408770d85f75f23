#include "tools/relay/TcpForwarder.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>

namespace TarnixRelay {

CTcpForwarder::CTcpForwarder(CEventLoop& loop, CFd listener, const SEndpoint& server, std::uint32_t outsideAddress)
    : m_loop(loop), m_listener(std::move(listener)), m_server(server), m_outsideAddress(outsideAddress)
{
    m_loop.Watch(m_listener.Get(), POLLIN, [this](short) { OnAccept(); });
}

CTcpForwarder::~CTcpForwarder()
{
    m_loop.Unwatch(m_listener.Get());
    while (!m_connections.empty())
        Close(m_connections.begin()->first);
}

void CTcpForwarder::CollectStats(SRelayStats& stats) const
{
    stats.TcpConnections += m_accepted;
    stats.TcpBytesUp += m_bytesUp;
    stats.TcpBytesDown += m_bytesDown;
}

void CTcpForwarder::OnAccept()
{
    for (;;) {
        CFd inside(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!inside.Valid())
            return;
        ++m_accepted;
        if (m_connections.size() >= MAX_CONNECTIONS) {
            std::fprintf(stderr, "relay: too many TCP connections, one refused\n");
            continue;
        }
        std::string error;
        CFd outside = StartTcpConnect(m_outsideAddress, m_server, error);
        if (!outside.Valid()) {
            std::fprintf(stderr, "relay: %s\n", error.c_str());
            continue;
        }
        const std::uint64_t id = m_nextId++;
        auto connection = std::make_unique<SConnection>();
        connection->Inside = std::move(inside);
        connection->Outside = std::move(outside);
        const int insideFd = connection->Inside.Get();
        const int outsideFd = connection->Outside.Get();
        m_connections.emplace(id, std::move(connection));
        m_loop.Watch(insideFd, 0, [this, id](short revents) { OnInside(id, revents); });
        m_loop.Watch(outsideFd, 0, [this, id](short revents) { OnOutside(id, revents); });
        Update(id);
    }
}

bool CTcpForwarder::ReadInto(int fd, SFlow& flow, std::uint64_t& counter)
{
    if (flow.Offset == flow.Pending.size()) {
        flow.Pending.clear();
        flow.Offset = 0;
    }
    while (!flow.Ended && flow.Waiting() < BUFFER_LIMIT) {
        const std::size_t old = flow.Pending.size();
        const std::size_t room = BUFFER_LIMIT - flow.Waiting();
        flow.Pending.resize(old + room);
        const ssize_t n = ::recv(fd, flow.Pending.data() + old, room, 0);
        flow.Pending.resize(old + static_cast<std::size_t>(n > 0 ? n : 0));
        if (n > 0) {
            counter += static_cast<std::uint64_t>(n);
        } else if (n == 0) {
            flow.Ended = true;
        } else {
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
    }
    return true;
}

bool CTcpForwarder::WriteFrom(int fd, SFlow& flow)
{
    while (flow.Waiting() > 0) {
        const ssize_t n = ::send(fd, flow.Pending.data() + flow.Offset, flow.Waiting(), MSG_NOSIGNAL);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        flow.Offset += static_cast<std::size_t>(n);
    }
    if (flow.Ended && !flow.ShutDown) {
        ::shutdown(fd, SHUT_WR);
        flow.ShutDown = true;
    }
    return true;
}

void CTcpForwarder::OnInside(std::uint64_t id, short revents)
{
    SConnection& c = *m_connections.at(id);
    bool ok = (revents & POLLERR) == 0;
    if (ok && (revents & (POLLIN | POLLHUP)) != 0)
        ok = ReadInto(c.Inside.Get(), c.Up, m_bytesUp);
    if (ok && c.Connected)
        ok = WriteFrom(c.Outside.Get(), c.Up);
    if (ok && (revents & POLLOUT) != 0)
        ok = WriteFrom(c.Inside.Get(), c.Down);
    if (!ok)
        Close(id);
    else
        Update(id);
}

void CTcpForwarder::OnOutside(std::uint64_t id, short revents)
{
    SConnection& c = *m_connections.at(id);
    bool ok = (revents & POLLERR) == 0;
    if (ok && !c.Connected && (revents & POLLOUT) != 0) {
        int error = 0;
        socklen_t len = sizeof(error);
        ok = ::getsockopt(c.Outside.Get(), SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
        c.Connected = ok;
    }
    if (ok && c.Connected && (revents & (POLLIN | POLLHUP)) != 0)
        ok = ReadInto(c.Outside.Get(), c.Down, m_bytesDown);
    if (ok && c.Connected)
        ok = WriteFrom(c.Outside.Get(), c.Up);
    if (ok)
        ok = WriteFrom(c.Inside.Get(), c.Down);
    if (!ok)
        Close(id);
    else
        Update(id);
}

void CTcpForwarder::Update(std::uint64_t id)
{
    SConnection& c = *m_connections.at(id);
    const bool upDone = c.Up.ShutDown && c.Up.Waiting() == 0;
    const bool downDone = c.Down.ShutDown && c.Down.Waiting() == 0;
    if (upDone && downDone) {
        Close(id);
        return;
    }
    short inside = 0;
    short outside = 0;
    if (!c.Up.Ended && c.Up.Waiting() < BUFFER_LIMIT)
        inside |= POLLIN;
    if (c.Down.Waiting() > 0)
        inside |= POLLOUT;
    if (!c.Connected) {
        outside |= POLLOUT;
    } else {
        if (!c.Down.Ended && c.Down.Waiting() < BUFFER_LIMIT)
            outside |= POLLIN;
        if (c.Up.Waiting() > 0)
            outside |= POLLOUT;
    }
    m_loop.SetEvents(c.Inside.Get(), inside);
    m_loop.SetEvents(c.Outside.Get(), outside);
}

void CTcpForwarder::Close(std::uint64_t id)
{
    auto it = m_connections.find(id);
    if (it == m_connections.end())
        return;
    m_loop.Unwatch(it->second->Inside.Get());
    m_loop.Unwatch(it->second->Outside.Get());
    m_connections.erase(it);
}

} // namespace TarnixRelay
