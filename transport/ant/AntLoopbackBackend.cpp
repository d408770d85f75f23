#include "transport/ant/AntLoopbackBackend.h"

#include "infra/Dispatcher.h"
#include "infra/TCPSocket.h"
#include "infra/os/Socket.h"
#include "transport/ant/AntBackendHandler.h"
#include "transport/ant/AntSession.h"
#include "transport/ant/AntSessionManager.h"
#include "transport/ant/AntTransportPort.h"

#include <memory>
#include <new>

namespace {

constexpr std::uint32_t LOOPBACK = 0x7F000001;

// Closes the listener on every path.
class CListenerGuard {
public:
    CListenerGuard() = default;
    ~CListenerGuard()
    {
        // The handle is given up either way; a failed close leaves nothing to undo.
        if (Handle != STI_OS::INVALID_SOCKET_HANDLE)
            (void)STI_OS::CloseSocket(Handle);
    }
    CListenerGuard(const CListenerGuard&) = delete;
    CListenerGuard& operator=(const CListenerGuard&) = delete;

    STI_OS::SocketHandle Handle = STI_OS::INVALID_SOCKET_HANDLE;
};

} // namespace

Status CreateAntLoopbackBackend(CAntSessionManager& manager, CAntSession& session)
{
    if (session.Backend)
        return ST_ALREADY_CONNECTED;
    IAntTransportPort* port = manager.GetPort();
    sti::CDispatcher* dispatcher = port ? port->GetDispatcher() : nullptr;
    if (!dispatcher)
        return ST_NOT_CONNECTED;

    CListenerGuard listener;
    Status status = STI_OS::CreateTCPSocket(listener.Handle);
    if (status != ST_SUCCESS)
        return status;
    status = STI_OS::Bind(listener.Handle, LOOPBACK, 0);
    std::uint32_t address = 0;
    std::uint16_t listenPort = 0;
    if (status == ST_SUCCESS)
        status = STI_OS::GetSockName(listener.Handle, address, listenPort);
    if (status == ST_SUCCESS)
        status = STI_OS::Listen(listener.Handle, 1);
    if (status != ST_SUCCESS)
        return status;

    status = port->ConnectUserSocket(session.Descriptor, session.Serial, CIPEndpoint(CIPAddress(LOOPBACK), listenPort));
    if (status != ST_SUCCESS && status != ST_IN_PROGRESS && status != ST_TRY_LATER && status != ST_WOULD_BLOCK)
        return status;
    STI_OS::SocketHandle accepted = STI_OS::INVALID_SOCKET_HANDLE;
    status = STI_OS::Accept(listener.Handle, accepted);
    if (status != ST_SUCCESS)
        return status;

    std::unique_ptr<sti::CTCPSocket> socket(new (std::nothrow) sti::CTCPSocket());
    if (!socket) {
        // The missing memory is the failure to report; the close leaves nothing to undo.
        (void)STI_OS::CloseSocket(accepted);
        return ST_NO_MEMORY;
    }
    socket->AttachHandle(accepted);
    socket->SetState(sti::STATE_CONNECTED);
    socket->SetNonBlocking();
    // Both buffers keep the system's sizes. A 4 KiB receive buffer can never offer a full
    // loopback segment, so the user's side then waits for its 200 ms persist timer on every
    // 8 KiB and the stream crawls at about 40 KB/s. A 32 KiB send buffer soon holds enough
    // bytes the user's side has not yet acknowledged (it may wait 40 ms to do so) that the
    // system stops reporting the socket writable although it still takes data: the queue in
    // front of it fills, delivery stops, the sender waits for its retransmission timer, and
    // the stream crawls at about 3 MB/s.
    // Received data goes to the user one payload (at most 1264 bytes) at a time; with Nagle's
    // rule each small write behind unacknowledged ones would wait for that same delayed
    // acknowledgement (on Linux, and so under Wine), whatever the buffer's size.
    // Without it the stream is only slower.
    (void)STI_OS::SetNoDelay(accepted, true);

    std::unique_ptr<CAntBackendHandler> handler(new (std::nothrow) CAntBackendHandler(manager, session));
    if (!handler)
        return ST_NO_MEMORY;
    status = dispatcher->Register(socket.get(), handler.get(), sti::INTEREST_READ);
    if (status != ST_SUCCESS)
        return status;
    session.BackendSocket = socket.release();
    session.Backend = handler.release();
    session.BackendState = ANT_BACKEND_OPEN;
    return ST_SUCCESS;
}
