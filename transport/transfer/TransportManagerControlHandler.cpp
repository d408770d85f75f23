#include "transport/transfer/TransportManagerControlHandler.h"

#include "transport/transfer/TransportManagerThread.h"

#include <cstring>

Status CTransportManagerControlHandler::OnQueueMessage(const STransportManagerInternalMsg& message)
{
    return OnRecord(&message, sizeof message);
}

Status CTransportManagerControlHandler::OnRecord(const void* data, std::uint32_t size)
{
    if (data == nullptr || size != sizeof(STransportManagerInternalMsg)) {
        return ST_TIMEOUT;
    }
    STransportManagerInternalMsg message;
    std::memcpy(static_cast<void*>(&message), data, sizeof message);
    return m_thread.Dispatch(message);
}

Status CTransportManagerControlHandler::OnDetach(CTransportManagerQueue* queue, int reason)
{
    m_thread.OnQueueDetached(queue);
    return Base::OnDetach(queue, reason);
}
