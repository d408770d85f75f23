#include "infra/os/Socket.h"
#include "infra/os/SocketCalls.h"

#include "infra/os/ErrorTranslation.h"
#include "infra/os/LoopbackPair.h"
#include "infra/os/SocketNames.h"
#include "infra/os/SocketResults.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/errqueue.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace STI_OS {

namespace {

int Fd(SocketHandle handle)
{
    return static_cast<int>(handle);
}

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

// An ICMP report for an earlier send, from the socket's error queue (IP_RECVERR). The name of
// an error-queue read is the address the failed datagram went to. A port unreachable gives
// ST_CONN_RESET, as Windows reports it; other reports their own error. ST_TRY_LATER when
// nothing is queued.
Status TakeQueuedError(int fd, std::uint32_t& address, std::uint16_t& port)
{
    sockaddr_in destination;
    std::memset(&destination, 0, sizeof(destination));
    char byte = 0;
    iovec io = {&byte, 1};
    alignas(cmsghdr) char control[256];
    msghdr message;
    std::memset(&message, 0, sizeof(message));
    message.msg_name = &destination;
    message.msg_namelen = sizeof(destination);
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0)
        return ST_TRY_LATER;
    int error = 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_RECVERR) {
            sock_extended_err report;
            std::memcpy(&report, CMSG_DATA(header), sizeof(report));
            error = static_cast<int>(report.ee_errno);
        }
    }
    if (destination.sin_family == AF_INET) {
        address = ntohl(destination.sin_addr.s_addr);
        port = ntohs(destination.sin_port);
    }
    if (error == ECONNREFUSED)
        return ST_CONN_RESET;
    const char* text = nullptr;
    return error != 0 ? TranslateError(error, text) : ST_SOCKET_ERROR;
}

} // namespace

Status CloseSocket(SocketHandle handle)
{
    if (handle == INVALID_SOCKET_HANDLE)
        return ST_SUCCESS;
    return TranslateSocketResult(::close(Fd(handle)));
}

Status CreateTCPSocket(SocketHandle& handle)
{
    return CreateSocket(SOCK_STREAM, handle);
}

Status CreateUDPSocket(SocketHandle& handle)
{
    const Status status = CreateSocket(SOCK_DGRAM, handle);
    if (status == ST_SUCCESS) {
        // An unconnected socket hears of ICMP reports for its sends only this way; RecvFrom
        // then gives them with the address, as on Windows. Without it they are not reported.
        const int on = 1;
        ::setsockopt(Fd(handle), IPPROTO_IP, IP_RECVERR, &on, sizeof(on));
    }
    return status;
}

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
    internal::CountReceive();
    count = 0;
    if (size == 0)
        return ST_SUCCESS;
    return internal::ReceiveResult(::recv(Fd(handle), buffer, size, 0), count);
}

Status Send(SocketHandle handle, const void* data, std::uint32_t length, std::uint32_t& count)
{
    internal::CountSend();
    count = 0;
    if (length == 0)
        return ST_SUCCESS;
    return internal::SendResult(::send(Fd(handle), data, length, kSendFlags), count);
}

Status ShutdownSend(SocketHandle handle)
{
    return TranslateSocketResult(::shutdown(Fd(handle), SHUT_WR));
}

Status RecvFrom(SocketHandle handle, void* buffer, std::uint32_t size, std::uint32_t& count, std::uint32_t& address,
                std::uint16_t& port)
{
    internal::CountReceive();
    count = 0;
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    socklen_t length = sizeof(sa);
    const ssize_t result = ::recvfrom(Fd(handle), buffer, size, 0, reinterpret_cast<sockaddr*>(&sa), &length);
    const Status status = TranslateSocketResult(result);
    if (status != ST_SUCCESS) {
        // The socket's pending error, or nothing to read while a report waits (the error
        // was read elsewhere): the queued report says which send failed.
        const Status queued = TakeQueuedError(Fd(handle), address, port);
        return queued != ST_TRY_LATER ? queued : status;
    }
    count = static_cast<std::uint32_t>(result);
    address = ntohl(sa.sin_addr.s_addr);
    port = ntohs(sa.sin_port);
    return ST_SUCCESS;
}

Status SendTo(SocketHandle handle, const void* data, std::uint32_t length, std::uint32_t address, std::uint16_t port)
{
    internal::CountSend();
    const sockaddr_in sa = MakeAddress(address, port);
    ssize_t result = ::sendto(Fd(handle), data, length, kSendFlags, reinterpret_cast<const sockaddr*>(&sa), sizeof(sa));
    if (result < 0 && errno == ECONNREFUSED) {
        // The pending error of an earlier send's report, not this datagram's: the failed call
        // cleared it (the report stays queued for the reader), and this datagram still goes.
        result = ::sendto(Fd(handle), data, length, kSendFlags, reinterpret_cast<const sockaddr*>(&sa), sizeof(sa));
    }
    return internal::SendToResult(result, length);
}

Status RecvFromBatch(SocketHandle handle, SDatagramIn* slots, std::uint32_t count, std::uint32_t& received)
{
    received = 0;
    if (count > MAX_DATAGRAM_BATCH)
        count = MAX_DATAGRAM_BATCH;
    if (count == 0)
        return ST_SUCCESS;
    internal::CountReceive();
    mmsghdr messages[MAX_DATAGRAM_BATCH];
    iovec buffers[MAX_DATAGRAM_BATCH];
    sockaddr_in sources[MAX_DATAGRAM_BATCH];
    std::memset(messages, 0, sizeof(mmsghdr) * count);
    std::memset(sources, 0, sizeof(sockaddr_in) * count);
    for (std::uint32_t i = 0; i < count; ++i) {
        buffers[i] = {slots[i].Buffer, slots[i].Size};
        messages[i].msg_hdr.msg_name = &sources[i];
        messages[i].msg_hdr.msg_namelen = sizeof(sockaddr_in);
        messages[i].msg_hdr.msg_iov = &buffers[i];
        messages[i].msg_hdr.msg_iovlen = 1;
    }
    const int result = ::recvmmsg(Fd(handle), messages, count, MSG_DONTWAIT, nullptr);
    if (result < 0) {
        // As RecvFrom: an error read after datagrams is kept by the kernel for the next call,
        // so a report is always the first and only slot of its call.
        const Status status = TranslateSocketResult(-1);
        SDatagramIn& slot = slots[0];
        slot.Count = 0;
        Status queued = TakeQueuedError(Fd(handle), slot.Address, slot.Port);
        if (queued == ST_TRY_LATER) {
            if (status == ST_TRY_LATER)
                return status;
            queued = status;
        }
        slot.Result = queued;
        received = 1;
        return ST_SUCCESS;
    }
    for (int i = 0; i < result; ++i) {
        SDatagramIn& slot = slots[i];
        const bool cut = (messages[i].msg_hdr.msg_flags & MSG_TRUNC) != 0;
        slot.Count = cut ? 0 : messages[i].msg_len;
        slot.Address = ntohl(sources[i].sin_addr.s_addr);
        slot.Port = ntohs(sources[i].sin_port);
        const char* text = nullptr;
        slot.Result = cut ? TranslateError(EMSGSIZE, text) : ST_SUCCESS;
    }
    received = static_cast<std::uint32_t>(result);
    return ST_SUCCESS;
}

Status SendToBatch(SocketHandle handle, const SDatagramOut* datagrams, std::uint32_t count, std::uint32_t& handled)
{
    handled = 0;
    mmsghdr messages[MAX_DATAGRAM_BATCH];
    iovec buffers[MAX_DATAGRAM_BATCH];
    sockaddr_in destinations[MAX_DATAGRAM_BATCH];
    while (handled < count) {
        const std::uint32_t part = count - handled < MAX_DATAGRAM_BATCH ? count - handled : MAX_DATAGRAM_BATCH;
        std::memset(messages, 0, sizeof(mmsghdr) * part);
        for (std::uint32_t i = 0; i < part; ++i) {
            const SDatagramOut& datagram = datagrams[handled + i];
            destinations[i] = MakeAddress(datagram.Address, datagram.Port);
            buffers[i] = {const_cast<void*>(datagram.Data), datagram.Length};
            messages[i].msg_hdr.msg_name = &destinations[i];
            messages[i].msg_hdr.msg_namelen = sizeof(sockaddr_in);
            messages[i].msg_hdr.msg_iov = &buffers[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        internal::CountSend();
        int result = ::sendmmsg(Fd(handle), messages, part, kSendFlags);
        if (result < 0 && errno == ECONNREFUSED) {
            // An earlier send's report, as in SendTo: the failed call cleared it.
            internal::CountSend();
            result = ::sendmmsg(Fd(handle), messages, part, kSendFlags);
        }
        if (result > 0) {
            // A short count means the next datagram failed; the next call tells why.
            handled += static_cast<std::uint32_t>(result);
            continue;
        }
        const Status status = TranslateSocketResult(-1);
        if (status == ST_TRY_LATER)
            return status;
        ++handled; // lost to its own failure, as a single SendTo would be
    }
    return ST_SUCCESS;
}

bool HasBatchedDatagramCalls()
{
    return true;
}

Status SetNonBlocking(SocketHandle handle, bool on)
{
    const int flags = ::fcntl(Fd(handle), F_GETFL, 0);
    if (flags == -1)
        return TranslateSocketResult(-1);
    return TranslateSocketResult(::fcntl(Fd(handle), F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)));
}

namespace internal {

Status ReadSocketName(SocketHandle handle, bool peer, std::uint32_t& address, std::uint16_t& port)
{
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    socklen_t length = sizeof(sa);
    sockaddr* name = reinterpret_cast<sockaddr*>(&sa);
    const int result = peer ? ::getpeername(Fd(handle), name, &length) : ::getsockname(Fd(handle), name, &length);
    const Status status = TranslateSocketResult(result);
    address = ntohl(sa.sin_addr.s_addr);
    port = ntohs(sa.sin_port);
    return status;
}

} // namespace internal

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
Status PrepareLoopbackListener(SocketHandle listener)
{
    return SetReuseAddress(listener, true);
}

_CInitSockets::_CInitSockets()
{
    // Belt and braces with MSG_NOSIGNAL: a write to a dead stream must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
}

_CInitSockets::~_CInitSockets() = default;

} // namespace internal

} // namespace STI_OS
