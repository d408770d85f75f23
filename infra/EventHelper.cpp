#include "infra/EventHelper.h"

#include "infra/BaseSockEventHandler.h"
#include "infra/KeyedTimer.h"
#include "infra/PollableObject.h"

namespace sti {

Status CEventHelper::OnTimer(int timerId, const CTimeValue& now, void* parameter)
{
    SKeyedTimer* record = static_cast<SKeyedTimer*>(parameter);
    if (record == nullptr || record->timerId != timerId) {
        return ST_INTERNAL_ERROR;
    }
    IPollableObject* object = record->object;
    IBaseSockEventHandler* handler = object->GetHandler();
    if (object->IsClosed() || handler == nullptr) {
        return ST_SUCCESS;
    }
    return handler->OnTimer(object, now, record->key);
}

// Frees the record only when the object's set holds this very record: a record that never
// made it into the set, or whose set was taken away, belongs to whoever holds it.
Status CEventHelper::OnTimerRemoved(int timerId, void* parameter)
{
    SKeyedTimer* record = static_cast<SKeyedTimer*>(parameter);
    if (record == nullptr || record->timerId != timerId) {
        return ST_INTERNAL_ERROR;
    }
    CKeyedTimerSet* set = record->object != nullptr ? record->object->GetKeyedTimers() : nullptr;
    if (set == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    return set->Erase(record) ? ST_SUCCESS : ST_INTERNAL_ERROR;
}

} // namespace sti
