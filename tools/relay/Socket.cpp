#include "tools/relay/Socket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace TarnixRelay {

CFd& CFd::operator=(CFd&& other) noexcept
{
    if (this != &other) {
        Reset();
        m_fd = other.Release();
    }
    return *this;
}

int CFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void CFd::Reset()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

namespace {

CFd NewSocket(int type, std::string& error)
{
    CFd fd(::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid())
        error = std::string("socket: ") + std::strerror(errno);
    return fd;
}

bool Bind(const CFd& fd, const SEndpoint& local, std::string& error)
{
    const sockaddr_in addr = local.ToSockaddr();
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
        error = "bind " + local.ToString() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

CFd OpenUdp(const SEndpoint& local, std::string& error)
{
    CFd fd = NewSocket(SOCK_DGRAM, error);
    if (!fd.Valid() || !Bind(fd, local, error))
        return CFd();
    // Bursts released by the delay line should not die in our own buffers.
    const int size = 1 << 20;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_SNDBUF, &size, sizeof(size));
    return fd;
}

CFd OpenTcpListener(const SEndpoint& local, std::string& error)
{
    CFd fd = NewSocket(SOCK_STREAM, error);
    if (!fd.Valid())
        return CFd();
    const int on = 1;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (!Bind(fd, local, error))
        return CFd();
    if (::listen(fd.Get(), 64) != 0) {
        error = std::string("listen: ") + std::strerror(errno);
        return CFd();
    }
    return fd;
}

CFd StartTcpConnect(std::uint32_t localAddress, const SEndpoint& remote, std::string& error)
{
    if (!remote.IsLoopback()) {
        error = "refusing to connect to " + remote.ToString();
        return CFd();
    }
    CFd fd = NewSocket(SOCK_STREAM, error);
    SEndpoint local;
    local.Address = localAddress;
    if (!fd.Valid() || !Bind(fd, local, error))
        return CFd();
    const sockaddr_in addr = remote.ToSockaddr();
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 && errno != EINPROGRESS) {
        error = "connect " + remote.ToString() + ": " + std::strerror(errno);
        return CFd();
    }
    return fd;
}

SEndpoint LocalEndpoint(int fd)
{
    sockaddr_in addr;
    socklen_t len = sizeof(addr);
    std::memset(&addr, 0, sizeof(addr));
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return SEndpoint::FromSockaddr(addr);
}

bool SendDatagram(int fd, const SEndpoint& to, const std::uint8_t* data, std::size_t size)
{
    if (!to.IsLoopback())
        return false;
    const sockaddr_in addr = to.ToSockaddr();
    return ::sendto(fd, data, size, 0, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) ==
           static_cast<ssize_t>(size);
}

} // namespace TarnixRelay
