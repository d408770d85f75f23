#include <winsock2.h>

#include "server/Rendezvous.h"

namespace TarnixServer {

// Without exclusive use another program could bind the same port and read the requests.
Status PrepareDatagramSocket(STI_OS::SocketHandle socket)
{
    return STI_OS::SetBoolOption(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, true);
}

} // namespace TarnixServer
