#pragma once
// Reader of the transport-manager thread's pipe queue: hands every whole record to the
// thread's message dispatch. Owned by the dispatcher together with the queue.

#include "infra/MessageQueue.h"
#include "transport/transfer/TransportManagerInternalMsg.h"

#include <cstdint>

class CTransportManagerThread;

class CTransportManagerControlHandler : public sti::CMessageQueueHandler<STransportManagerInternalMsg> {
public:
    using Base = sti::CMessageQueueHandler<STransportManagerInternalMsg>;
    using Base::OnDetach;

    explicit CTransportManagerControlHandler(CTransportManagerThread& thread) : m_thread(thread) {}

    Status OnQueueMessage(const STransportManagerInternalMsg& message) override;
    // One record as read: ST_TIMEOUT (dropped) unless it has exactly the record's size.
    Status OnRecord(const void* data, std::uint32_t size);
    // The queue leaves the dispatcher (closed, failed or shut down): the thread forgets it.
    Status OnDetach(CTransportManagerQueue* queue, int reason) override;

private:
    CTransportManagerThread& m_thread;
};
