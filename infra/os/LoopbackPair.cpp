#include "infra/os/LoopbackPair.h"

namespace STI_OS {

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
// Connections that reached the listener before ours; bounded so that a flood of
// strangers makes the call fail instead of spinning.
constexpr int kMaxStrangers = 16;

// Closes the socket on every path unless released.
class CSocketGuard {
public:
    explicit CSocketGuard(SocketHandle& handle) : m_handle(handle) {}
    ~CSocketGuard()
    {
        if (m_armed) {
            // The handle is given up either way; a failed close leaves nothing to undo.
            (void)CloseSocket(m_handle);
            m_handle = INVALID_SOCKET_HANDLE;
        }
    }
    CSocketGuard(const CSocketGuard&) = delete;
    CSocketGuard& operator=(const CSocketGuard&) = delete;
    void Release() { m_armed = false; }

private:
    SocketHandle& m_handle;
    bool m_armed = true;
};

// Accepts until the connection from our own connector (identified by its local name)
// arrives; anything else on the port is closed unserved. The pipe carries pointers, so
// no other local process may take its place.
Status AcceptOwnConnector(SocketHandle listener, SocketHandle connector, SocketHandle& accepted)
{
    std::uint32_t ownAddress = 0;
    std::uint16_t ownPort = 0;
    Status status = GetSockName(connector, ownAddress, ownPort);
    if (status != ST_SUCCESS)
        return status;
    for (int strangers = 0; strangers <= kMaxStrangers; ++strangers) {
        SocketHandle candidate = INVALID_SOCKET_HANDLE;
        std::uint32_t peerAddress = 0;
        std::uint16_t peerPort = 0;
        status = Accept(listener, candidate, peerAddress, peerPort);
        if (status != ST_SUCCESS)
            return status;
        if (peerAddress == ownAddress && peerPort == ownPort) {
            accepted = candidate;
            return ST_SUCCESS;
        }
        // Not our peer; a failed close leaves nothing to undo.
        (void)CloseSocket(candidate);
    }
    return ST_COMMUNICATION_ERROR;
}

} // namespace

namespace internal {

Status CreateLoopbackPair(SocketHandle& first, SocketHandle& second, BeforeConnectHook beforeConnect, void* context)
{
    first = INVALID_SOCKET_HANDLE;
    second = INVALID_SOCKET_HANDLE;

    SocketHandle listener = INVALID_SOCKET_HANDLE;
    Status status = CreateTCPSocket(listener);
    if (status != ST_SUCCESS)
        return status;
    CSocketGuard listenerGuard(listener); // the listener never outlives this call

    if ((status = PrepareLoopbackListener(listener)) != ST_SUCCESS)
        return status;
    if ((status = Bind(listener, kLoopback, 0)) != ST_SUCCESS)
        return status;
    std::uint32_t boundAddress = 0;
    std::uint16_t port = 0;
    if ((status = GetSockName(listener, boundAddress, port)) != ST_SUCCESS)
        return status;
    if (Listen(listener, 1) != ST_SUCCESS)
        return ST_COMMUNICATION_ERROR;

    if (beforeConnect)
        beforeConnect(port, context);

    SocketHandle connector = INVALID_SOCKET_HANDLE;
    if ((status = CreateTCPSocket(connector)) != ST_SUCCESS)
        return status;
    CSocketGuard connectorGuard(connector);
    if ((status = Connect(connector, kLoopback, port)) != ST_SUCCESS)
        return status;

    SocketHandle accepted = INVALID_SOCKET_HANDLE;
    if ((status = AcceptOwnConnector(listener, connector, accepted)) != ST_SUCCESS)
        return status;

    connectorGuard.Release();
    first = connector;
    second = accepted;
    return ST_SUCCESS;
}

} // namespace internal

Status CreateLoopbackPair(SocketHandle& first, SocketHandle& second)
{
    return internal::CreateLoopbackPair(first, second, nullptr, nullptr);
}

} // namespace STI_OS
