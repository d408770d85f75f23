#include "infra/LingeringClose.h"

#include "infra/Dispatcher.h"

#include <new>

namespace sti {

bool CLingeringCloseHandler::Start(CDispatcher& dispatcher, IPollableObject* object)
{
    auto* stream = dynamic_cast<IRWPollableObject*>(object);
    if (stream == nullptr || object->ShutdownSend() != ST_SUCCESS) {
        return false;
    }
    auto* handler = new (std::nothrow) CLingeringCloseHandler(dispatcher);
    if (handler == nullptr) {
        return false;
    }
    object->SetCloseAfterWrite(false);
    object->SetClosed(false);
    if (dispatcher.Register(object, handler, INTEREST_READ) != ST_SUCCESS) {
        object->SetClosed(true);
        delete handler;
        return false;
    }
    if (dispatcher.SetObjectTimer(object, LIMIT_MS, LIMIT_TIMER_KEY) != ST_SUCCESS) {
        // Registered already: closing hands the object back to the done list.
        dispatcher.Close(object, false);
    }
    return true;
}

Status CLingeringCloseHandler::OnRead(IRWPollableObject* object)
{
    char scratch[4096];
    for (std::uint32_t dropped = 0; dropped < READ_LIMIT;) {
        std::uint32_t count = 0;
        const Status status = object->Read(sizeof scratch, scratch, count);
        if (status == ST_SUCCESS && count > 0) {
            dropped += count;
            continue;
        }
        if (status == ST_TRY_LATER || status == ST_WOULD_BLOCK || status == ST_TIMEOUT) {
            return ST_SUCCESS;
        }
        // The peer's end of the stream, or a failed socket: nothing more to wait for.
        m_dispatcher.Close(object, false);
        return ST_SUCCESS;
    }
    return ST_SUCCESS;
}

Status CLingeringCloseHandler::OnWrite(IRWPollableObject*)
{
    return ST_NO_MORE_DATA;
}

Status CLingeringCloseHandler::OnTimer(IRWPollableObject* object, const CTimeValue&, int key)
{
    if (key == LIMIT_TIMER_KEY) {
        m_dispatcher.Close(object, false);
    }
    return ST_SUCCESS;
}

} // namespace sti
