// The one place where the service reaches the transport-manager thread's start.
#include "messaging/KV2Service.h"

namespace KV2Service {

Status StartDefaultTransportManager(std::unique_ptr<CTransportManagerQueue>& queue, ITransportManagerOutlet* outlet)
{
    // The transport-manager thread is not part of this build yet.
    (void)outlet;
    queue.reset();
    return ST_NOT_IMPLEMENTED;
}

} // namespace KV2Service
