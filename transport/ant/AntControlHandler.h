#pragma once
// Reader of the Ant thread's pipe queue: hands every whole record to the thread's message
// dispatch. Owned by the dispatcher together with the queue.

#include "infra/MessageQueue.h"
#include "transport/ant/AntInternalMsg.h"

class CAntThread;

using CAntMessageQueue = sti::CMessageQueue<SAntInternalMsg>;

class CAntControlHandler : public sti::CMessageQueueHandler<SAntInternalMsg> {
public:
    explicit CAntControlHandler(CAntThread& thread) : m_thread(thread) {}

    using sti::CMessageQueueHandler<SAntInternalMsg>::OnDetach;

    Status OnQueueMessage(const SAntInternalMsg& message) override;
    // The queue leaves the dispatcher (closed, failed or shut down): the thread forgets it.
    Status OnDetach(CAntMessageQueue* queue, int reason) override;

private:
    CAntThread& m_thread;
};
