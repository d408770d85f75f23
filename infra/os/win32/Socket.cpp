#include "infra/os/Socket.h"
#include "infra/os/SocketCalls.h"

#include "infra/os/ErrorTranslation.h"
#include "infra/os/LoopbackPair.h"
#include "infra/os/SocketNames.h"
#include "infra/os/SocketResults.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <cstring>

namespace STI_OS {

namespace {

SOCKET Sock(SocketHandle handle)
{
    return static_cast<SOCKET>(handle);
}

// The socket calls take int lengths; larger buffers are served in part.
int Length(std::uint32_t length)
{
    return length > INT_MAX ? INT_MAX : static_cast<int>(length);
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

// INVALID_SOCKET reads as -1 through the handle type.
long HandleResult(SOCKET s)
{
    return s == INVALID_SOCKET ? -1L : 0L;
}

Status CreateSocket(int type, SocketHandle& handle)
{
    const SOCKET s = ::socket(AF_INET, type, 0);
    handle = s == INVALID_SOCKET ? INVALID_SOCKET_HANDLE : static_cast<SocketHandle>(s);
    return TranslateSocketResult(HandleResult(s));
}

} // namespace

Status CloseSocket(SocketHandle handle)
{
    if (handle == INVALID_SOCKET_HANDLE)
        return ST_SUCCESS;
    return TranslateSocketResult(::closesocket(Sock(handle)));
}

Status CreateTCPSocket(SocketHandle& handle)
{
    return CreateSocket(SOCK_STREAM, handle);
}

Status CreateUDPSocket(SocketHandle& handle)
{
    return CreateSocket(SOCK_DGRAM, handle);
}

Status Bind(SocketHandle handle, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return TranslateSocketResult(::bind(Sock(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)));
}

Status Listen(SocketHandle handle, int backlog)
{
    return TranslateSocketResult(::listen(Sock(handle), backlog));
}

Status Connect(SocketHandle handle, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return internal::ConnectResult(::connect(Sock(handle), reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)));
}

Status Accept(SocketHandle handle, SocketHandle& newHandle, std::uint32_t& address, std::uint16_t& port)
{
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    int length = sizeof(sa);
    const SOCKET s = ::accept(Sock(handle), reinterpret_cast<sockaddr*>(&sa), &length);
    newHandle = s == INVALID_SOCKET ? INVALID_SOCKET_HANDLE : static_cast<SocketHandle>(s);
    const Status status = TranslateSocketResult(HandleResult(s));
    if (status == ST_SUCCESS) {
        address = ntohl(sa.sin_addr.s_addr);
        port = ntohs(sa.sin_port);
    }
    return status;
}

Status Accept(SocketHandle handle, SocketHandle& newHandle)
{
    const SOCKET s = ::accept(Sock(handle), nullptr, nullptr);
    newHandle = s == INVALID_SOCKET ? INVALID_SOCKET_HANDLE : static_cast<SocketHandle>(s);
    return TranslateSocketResult(HandleResult(s));
}

Status CheckConnection(SocketHandle handle)
{
    char byte;
    return internal::CheckConnectionResult(::recv(Sock(handle), &byte, 1, MSG_PEEK));
}

Status Recv(SocketHandle handle, void* buffer, std::uint32_t size, std::uint32_t& count)
{
    internal::CountReceive();
    count = 0;
    if (size == 0)
        return ST_SUCCESS;
    return internal::ReceiveResult(::recv(Sock(handle), static_cast<char*>(buffer), Length(size), 0), count);
}

Status Send(SocketHandle handle, const void* data, std::uint32_t length, std::uint32_t& count)
{
    internal::CountSend();
    count = 0;
    if (length == 0)
        return ST_SUCCESS;
    return internal::SendResult(::send(Sock(handle), static_cast<const char*>(data), Length(length), 0), count);
}

Status ShutdownSend(SocketHandle handle)
{
    return TranslateSocketResult(::shutdown(Sock(handle), SD_SEND));
}

Status RecvFrom(SocketHandle handle, void* buffer, std::uint32_t size, std::uint32_t& count, std::uint32_t& address,
                std::uint16_t& port)
{
    internal::CountReceive();
    count = 0;
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    int length = sizeof(sa);
    const int result = ::recvfrom(Sock(handle), static_cast<char*>(buffer), Length(size), 0,
                                  reinterpret_cast<sockaddr*>(&sa), &length);
    const Status status = TranslateSocketResult(result);
    if (status == ST_CONN_RESET && sa.sin_family == AF_INET) {
        // Windows names the destination of the send that was reported unreachable, where it
        // fills the address at all (Wine reports no such error).
        address = ntohl(sa.sin_addr.s_addr);
        port = ntohs(sa.sin_port);
    }
    if (status != ST_SUCCESS)
        return status;
    count = static_cast<std::uint32_t>(result);
    address = ntohl(sa.sin_addr.s_addr);
    port = ntohs(sa.sin_port);
    return ST_SUCCESS;
}

Status SendTo(SocketHandle handle, const void* data, std::uint32_t length, std::uint32_t address, std::uint16_t port)
{
    internal::CountSend();
    const sockaddr_in sa = MakeAddress(address, port);
    return internal::SendToResult(::sendto(Sock(handle), static_cast<const char*>(data), Length(length), 0,
                                           reinterpret_cast<const sockaddr*>(&sa), sizeof(sa)),
                                  length);
}

// Winsock has no batched datagram calls. Stopping the receive when FIONREAD says nothing is left
// would replace the last, failing recvfrom with an ioctl after every datagram: more calls, and
// under Wine (where FIONREAD is about 25 us and recvfrom about 80-100 us) faster only for
// rounds of one or two datagrams. So the loop ends on the recvfrom that finds nothing.
Status RecvFromBatch(SocketHandle handle, SDatagramIn* slots, std::uint32_t count, std::uint32_t& received)
{
    received = 0;
    if (count > MAX_DATAGRAM_BATCH)
        count = MAX_DATAGRAM_BATCH;
    while (received < count) {
        SDatagramIn& slot = slots[received];
        const Status status = RecvFrom(handle, slot.Buffer, slot.Size, slot.Count, slot.Address, slot.Port);
        if (status == ST_TRY_LATER || status == ST_WOULD_BLOCK)
            return received > 0 ? ST_SUCCESS : status;
        slot.Result = status;
        ++received;
        if (status != ST_SUCCESS)
            break;
    }
    return ST_SUCCESS;
}

Status SendToBatch(SocketHandle handle, const SDatagramOut* datagrams, std::uint32_t count, std::uint32_t& handled)
{
    for (handled = 0; handled < count; ++handled) {
        const SDatagramOut& datagram = datagrams[handled];
        const Status status = SendTo(handle, datagram.Data, datagram.Length, datagram.Address, datagram.Port);
        if (status == ST_TRY_LATER || status == ST_WOULD_BLOCK)
            return status;
    }
    return ST_SUCCESS;
}

bool HasBatchedDatagramCalls()
{
    return false;
}

Status SetNonBlocking(SocketHandle handle, bool on)
{
    u_long mode = on ? 1 : 0;
    return TranslateSocketResult(::ioctlsocket(Sock(handle), FIONBIO, &mode));
}

namespace internal {

Status ReadSocketName(SocketHandle handle, bool peer, std::uint32_t& address, std::uint16_t& port)
{
    sockaddr_in sa;
    std::memset(&sa, 0, sizeof(sa));
    int length = sizeof(sa);
    sockaddr* name = reinterpret_cast<sockaddr*>(&sa);
    const int result = peer ? ::getpeername(Sock(handle), name, &length) : ::getsockname(Sock(handle), name, &length);
    const Status status = TranslateSocketResult(result);
    address = ntohl(sa.sin_addr.s_addr);
    port = ntohs(sa.sin_port);
    return status;
}

} // namespace internal

Status SetSockOpt(SocketHandle handle, int level, int option, std::int32_t value)
{
    return TranslateSocketResult(
        ::setsockopt(Sock(handle), level, option, reinterpret_cast<const char*>(&value), sizeof(value)));
}

Status GetSockOpt(SocketHandle handle, int level, int option, std::int32_t& value)
{
    int length = sizeof(value);
    return TranslateSocketResult(::getsockopt(Sock(handle), level, option, reinterpret_cast<char*>(&value), &length));
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
    Status status = TranslateHostLookupError(WSANO_DATA);
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
    if (::gethostname(hostName, 256) != 0)
        return TranslateSocketResult(-1);
    hostName[256] = '\0';
    // One socket type, so that a resolver that answers per type lists each address once.
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

// No other socket may bind the pipe's port, address reuse or not: the pipe carries pointers.
Status PrepareLoopbackListener(SocketHandle listener)
{
    return SetBoolOption(listener, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, true);
}

_CInitSockets::_CInitSockets()
{
    WSADATA data;
    const int error = ::WSAStartup(MAKEWORD(1, 1), &data);
    if (error != 0) {
        const char* msg = nullptr;
        m_status = TranslateError(error, msg);
        if (m_status == ST_SUCCESS)
            m_status = ST_INTERNAL_ERROR;
    }
}

_CInitSockets::~_CInitSockets()
{
    if (m_status == ST_SUCCESS)
        ::WSACleanup();
}

} // namespace internal

} // namespace STI_OS
