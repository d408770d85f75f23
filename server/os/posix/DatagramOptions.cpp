#include "server/Rendezvous.h"

namespace TarnixServer {

// Linux keeps a bound datagram port to its socket unless both sides ask to share it.
Status PrepareDatagramSocket(STI_OS::SocketHandle)
{
    return ST_SUCCESS;
}

} // namespace TarnixServer
