#include "server/Listener.h"

namespace TarnixServer {

namespace {

constexpr int LISTEN_BACKLOG = 64;

} // namespace

CListener::~CListener()
{
    Close();
}

Status CListener::Open(std::uint32_t address, std::uint16_t port)
{
    Close();
    Status status = STI_OS::CreateTCPSocket(m_socket);
    if (status == ST_SUCCESS)
        status = PrepareListeningSocket(m_socket);
    if (status == ST_SUCCESS)
        status = STI_OS::Bind(m_socket, address, port);
    if (status == ST_SUCCESS)
        status = STI_OS::Listen(m_socket, LISTEN_BACKLOG);
    if (status == ST_SUCCESS)
        status = STI_OS::SetNonBlocking(m_socket, true);
    std::uint32_t boundAddress = 0;
    std::uint16_t boundPort = 0;
    if (status == ST_SUCCESS)
        status = STI_OS::GetSockName(m_socket, boundAddress, boundPort);
    if (status != ST_SUCCESS) {
        Close();
        return status;
    }
    m_address = boundAddress;
    m_port = boundPort;
    return ST_SUCCESS;
}

void CListener::Close()
{
    // The handle is given up either way; a failed close leaves nothing to undo.
    (void)STI_OS::CloseSocket(m_socket);
    m_socket = STI_OS::INVALID_SOCKET_HANDLE;
}

Status CListener::Accept(STI_OS::SocketHandle& socket, std::uint32_t& peerAddress, std::uint16_t& peerPort)
{
    socket = STI_OS::INVALID_SOCKET_HANDLE;
    Status status = STI_OS::Accept(m_socket, socket, peerAddress, peerPort);
    if (status == ST_TIMEOUT || status == ST_IN_PROGRESS)
        status = ST_TRY_LATER;
    if (status != ST_SUCCESS)
        return status;
    // Accepted sockets inherit the listener's mode on some platforms and not on others.
    status = STI_OS::SetNonBlocking(socket, true);
    if (status != ST_SUCCESS) {
        // The earlier failure is the one to report; the close leaves nothing to undo.
        (void)STI_OS::CloseSocket(socket);
        socket = STI_OS::INVALID_SOCKET_HANDLE;
    }
    return status;
}

} // namespace TarnixServer
