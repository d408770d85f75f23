#pragma once
// Receiver of timer events. A handler remembers the ids of its own live timers so that its
// destruction cancels them: a queue never calls a handler that is gone.

#include "infra/Status.h"
#include "infra/TimeValue.h"

#include <memory>
#include <vector>

namespace sti {

class CTimerQueue;

class ITimeEventHandler {
public:
    ITimeEventHandler() = default;
    // Cancels every timer of this handler that is still live.
    virtual ~ITimeEventHandler();

    ITimeEventHandler(const ITimeEventHandler&) = delete;
    ITimeEventHandler& operator=(const ITimeEventHandler&) = delete;

    // The timer is due; now is the time read once for the whole firing pass. The result is
    // ignored. A timer is one-shot unless this call reschedules it.
    virtual Status OnTimer(int timerId, const CTimeValue& now, void* parameter) = 0;
    // The timer left the queue's live set (fired without re-arm, cancelled, or drained). The
    // id may be handed out again afterwards.
    virtual Status OnTimerRemoved(int timerId, void* parameter);

private:
    friend class CTimerQueue;

    struct OwnTimer {
        CTimerQueue* queue;
        int id;
    };

    // Kept by the queues: Add records the timer and keeps the slot it got (-1 when out of
    // memory); removal forgets it by that slot in constant time.
    int RememberTimer(CTimerQueue* queue, int id);
    void ForgetTimer(CTimerQueue* queue, int id, int slot);

    std::unique_ptr<std::vector<OwnTimer>> m_timers; // created on first use
};

} // namespace sti
