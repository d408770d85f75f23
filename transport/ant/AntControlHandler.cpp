#include "transport/ant/AntControlHandler.h"

#include "transport/ant/AntThread.h"

Status CAntControlHandler::OnQueueMessage(const SAntInternalMsg& message)
{
    return m_thread.Dispatch(message);
}

Status CAntControlHandler::OnDetach(CAntMessageQueue* queue, int reason)
{
    m_thread.OnQueueDetached(queue);
    return sti::CMessageQueueHandler<SAntInternalMsg>::OnDetach(queue, reason);
}
