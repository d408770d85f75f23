#include <winsock2.h>

#include "server/Listener.h"

namespace TarnixServer {

// Address reuse on Windows would let another program bind the same port; exclusive use keeps it
// ours, and Windows lets a restarted listener bind past lingering connections anyway.
Status PrepareListeningSocket(STI_OS::SocketHandle socket)
{
    return STI_OS::SetBoolOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, true);
}

} // namespace TarnixServer
