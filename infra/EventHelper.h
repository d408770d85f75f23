#pragma once
// Timer handler of every keyed object timer of one dispatcher: turns an expiry into the
// object's handler's OnTimer(object, now, key) and frees the record once the timer is gone.
// Owned by its dispatcher.

#include "infra/TimeEventHandler.h"

namespace sti {

class CEventHelper : public ITimeEventHandler {
public:
    CEventHelper() = default;

    // parameter is the SKeyedTimer record.
    Status OnTimer(int timerId, const CTimeValue& now, void* parameter) override;
    Status OnTimerRemoved(int timerId, void* parameter) override;
};

} // namespace sti
