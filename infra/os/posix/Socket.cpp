#include "infra/os/Socket.h"

#include "infra/os/ErrorTranslation.h"
#include "infra/os/LoopbackPair.h"
#include "infra/os/SocketResults.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace STI_OS {

namespace {

int Fd(SocketHandle handle) { return static_cast<int>(handle); }

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    sa.sin_port = htons(port);
    return sa;
}

Status CreateSocket(int type, SocketHandle& handle)
{
    const int fd = ::socket(AF_INET, type, 0);
    handle = fd < 0 ? INVALID_SOCKET_HANDLE : fd;
    return TranslateSocketResult(fd);
}

// A peer that has gone must not raise SIGPIPE in the process.
constexpr int kSendFlags = MSG_NOSIGNAL;

} // namespace

Status CloseSocket(SocketHandle handle)
{
    if (handle == INVALID_SOCKET_HANDLE)
        return ST_SUCCESS;
    return TranslateSocketResult(::close(Fd(handle)));
}

Status CreateTCPSocket(SocketHandle& handle) { return CreateSocket(SOCK_STREAM, handle); }

Status CreateUDPSocket(SocketHandle& handle) { return CreateSocket(SOCK_DGRAM, handle); }

Status Bind(SocketHandle handle, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return TranslateSocketResult(::bind(Fd(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)));
}

Status Listen(SocketHandle handle, int backlog)
{
    return TranslateSocketResult(::listen(Fd(handle), backlog));
}

Status Connect(SocketHandle handle, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return internal::ConnectResult(::connect(Fd(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)));
}

Status Accept(SocketHandle handle, SocketHandle& newHandle, std::uint32_t& address, std::uint16_t& port)
{
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    socklen_t length = sizeof(sa);
    const int fd = ::accept(Fd(handle), reinterpret_cast<sockaddr*>(&sa), &length);
    newHandle = fd < 0 ? INVALID_SOCKET_HANDLE : fd;
    const Status status = TranslateSocketResult(fd);
    if (status == ST_SUCCESS) {
        address = ntohl(sa.sin_addr.s_addr);
        port = ntohs(sa.sin_port);
    }
    return status;
}

Status Accept(SocketHandle handle, SocketHandle& newHandle)
{
    const int fd = ::accept(Fd(handle), nullptr, nullptr);
    newHandle = fd < 0 ? INVALID_SOCKET_HANDLE : fd;
    return TranslateSocketResult(fd);
}

Status CheckConnection(SocketHandle handle)
{
    char byte;
    return internal::CheckConnectionResult(::recv(Fd(handle), &byte, 1, MSG_PEEK));
}

Status Recv(SocketHandle handle, void* buffer, std::uint32_t size, std::uint32_t& count)
{
    count = 0;
    if (size == 0)
        return ST_SUCCESS;
    return internal::ReceiveResult(::recv(Fd(handle), buffer, size, 0), count);
}

Status Send(SocketHandle handle, const void* data, std::uint32_t length, std::uint32_t& count)
{
    count = 0;
    if (length == 0)
        return ST_SUCCESS;
    return internal::SendResult(::send(Fd(handle), data, length, kSendFlags), count);
}

Status ShutdownSend(SocketHandle handle)
{
    return TranslateSocketResult(::shutdown(Fd(handle), SHUT_WR));
}

Status RecvFrom(SocketHandle handle, void* buffer, std::uint32_t size, std::uint32_t& count,
                std::uint32_t& address, std::uint16_t& port)
{
    count = 0;
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    socklen_t length = sizeof(sa);
    const ssize_t result = ::recvfrom(Fd(handle), buffer, size, 0, reinterpret_cast<sockaddr*>(&sa), &length);
    const Status status = TranslateSocketResult(result);
    if (status != ST_SUCCESS)
        return status;
    count = static_cast<std::uint32_t>(result);
    address = ntohl(sa.sin_addr.s_addr);
    port = ntohs(sa.sin_port);
    return ST_SUCCESS;
}

Status SendTo(SocketHandle handle, const void* data, std::uint32_t length, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return internal::SendToResult(
        ::sendto(Fd(handle), data, length, kSendFlags, reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)), length);
}

Status SetNonBlocking(SocketHandle handle, bool on)
{
    const int flags = ::fcntl(Fd(handle), F_GETFL, 0);
    if (flags == -1)
        return TranslateSocketResult(-1);
    return TranslateSocketResult(::fcntl(Fd(handle), F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)));
}

Status GetPeerName(SocketHandle handle, std::uint32_t& address, std::uint16_t& port)
{
    address = 0;
    port = 0xFFFF;
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    socklen_t length = sizeof(sa);
    const Status status = TranslateSocketResult(::getpeername(Fd(handle), reinterpret_cast<sockaddr*>(&sa), &length));
    if (status == ST_SUCCESS) {
        address = ntohl(sa.sin_addr.s_addr);
        port = ntohs(sa.sin_port);
    }
    return status;
}

Status GetSockName(SocketHandle handle, std::uint32_t& address, std::uint16_t& port)
{
    address = 0xFFFFFFFF;
    port = 0xFFFF;
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    socklen_t length = sizeof(sa);
    const Status status = TranslateSocketResult(::getsockname(Fd(handle), reinterpret_cast<sockaddr*>(&sa), &length));
    if (status == ST_SUCCESS) {
        address = ntohl(sa.sin_addr.s_addr);
        port = ntohs(sa.sin_port);
    }
    return status;
}

Status SetSockOpt(SocketHandle handle, int level, int option, std::int32_t value)
{
    return TranslateSocketResult(::setsockopt(Fd(handle), level, option, &value, sizeof(value)));
}

Status GetSockOpt(SocketHandle handle, int level, int option, std::int32_t& value)
{
    socklen_t length = sizeof(value);
    return TranslateSocketResult(::getsockopt(Fd(handle), level, option, &value, &length));
}

Status LookupHost(const char* hostName, std::uint32_t& address)
{
    address = 0xFFFFFFFF;
    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    addrinfo* result = nullptr;
    const int error = ::getaddrinfo(hostName, nullptr, &hints, &result);
    if (error != 0)
        return TranslateHostLookupError(error);
    Status status = TranslateHostLookupError(EAI_NODATA);
    for (const addrinfo* entry = result; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addr) {
            address = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
            status = ST_SUCCESS;
            break;
        }
    }
    ::freeaddrinfo(result);
    return status;
}

Status GetLocalAddresses(std::vector<CIPAddress>& addresses)
{
    addresses.clear();
    char hostName[257];
    if (::gethostname(hostName, sizeof(hostName) - 1) != 0)
        return TranslateSocketResult(-1);
    hostName[sizeof(hostName) - 1] = '\0';
    // Without a socket type the resolver here repeats every address once per type;
    // asking for one type gives each address once, as Windows does.
    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(hostName, nullptr, &hints, &result) != 0)
        return ST_SUCCESS;
    for (const addrinfo* entry = result; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || !entry->ai_addr)
            continue;
        const std::uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
        if (address == 0 || address == 0x7F000001)
            continue;
        addresses.push_back(CIPAddress(address));
    }
    ::freeaddrinfo(result);
    return ST_SUCCESS;
}

namespace internal {

// A listening port on Linux cannot be bound by anyone else while we hold it; address
// reuse only lets the port be taken again after a previous pair's TIME_WAIT.
Status PrepareLoopbackListener(SocketHandle listener) { return SetReuseAddress(listener, true); }

_CInitSockets::_CInitSockets()
{
    // Belt and braces with MSG_NOSIGNAL: a write to a dead stream must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
}

_CInitSockets::~_CInitSockets() = default;

} // namespace internal

} // namespace STI_OS
