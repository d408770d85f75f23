// The option wrappers that are the same on every platform: they go through SetSockOpt and
// GetSockOpt, which hold what differs.
#include "infra/os/Socket.h"
#include "infra/os/ErrorTranslation.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace STI_OS {

Status SetBoolOption(SocketHandle handle, int level, int option, bool flag)
{
    return SetSockOpt(handle, level, option, flag ? 1 : 0);
}

Status SetReuseAddress(SocketHandle handle, bool flag)
{
    return SetBoolOption(handle, SOL_SOCKET, SO_REUSEADDR, flag);
}

Status SetReceiveBufferSize(SocketHandle handle, std::int32_t bytes)
{
    return SetSockOpt(handle, SOL_SOCKET, SO_RCVBUF, bytes);
}

Status SetSendBufferSize(SocketHandle handle, std::int32_t bytes)
{
    return SetSockOpt(handle, SOL_SOCKET, SO_SNDBUF, bytes);
}

Status SetNoDelay(SocketHandle handle, bool flag)
{
    return SetBoolOption(handle, IPPROTO_TCP, TCP_NODELAY, flag);
}

Status GetNoDelay(SocketHandle handle, bool& flag)
{
    std::int32_t value = 0;
    const Status status = GetSockOpt(handle, IPPROTO_TCP, TCP_NODELAY, value);
    flag = value != 0;
    return status;
}

Status GetSocketError(SocketHandle handle)
{
    std::int32_t pending = 0;
    const Status status = GetSockOpt(handle, SOL_SOCKET, SO_ERROR, pending);
    if (status != ST_SUCCESS)
        return status;
    const char* msg = nullptr;
    return TranslateError(pending, msg);
}

} // namespace STI_OS
