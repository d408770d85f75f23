#include "server/Listener.h"

#include <sys/socket.h>

namespace TarnixServer {

// Without address reuse a restart fails while old connections linger in TIME_WAIT; Linux keeps a
// listening port private all the same.
Status PrepareListeningSocket(STI_OS::SocketHandle socket)
{
    return STI_OS::SetBoolOption(socket, SOL_SOCKET, SO_REUSEADDR, true);
}

} // namespace TarnixServer
