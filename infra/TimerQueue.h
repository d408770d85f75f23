#pragma once
// One-shot timers of one dispatcher, ordered by due time in a binary min-heap. Timer ids are
// small integers that index a lookup table and are reused once a timer has left the queue,
// so a holder must forget an id after its timer fired or was cancelled. Cancelling is
// deferred: the entry stays in the heap, marked, until the next firing pass removes it, so
// a handler may cancel any timer (its own included) from inside OnTimer.
// Used by its owning thread only (checked in debug builds); not locked.

#include "infra/Lock.h"
#include "infra/Status.h"
#include "infra/ThreadOwner.h"
#include "infra/TimeEventHandler.h"
#include "infra/TimeValue.h"
#include "infra/TimerEntryPool.h"

#include <cstdint>
#include <memory>

namespace sti {

class CTimerQueue {
public:
    static constexpr int DEFAULT_LIMIT = 65536; // live timers at most
    static constexpr int INITIAL_LENGTH = 16;   // first table length and first pool block

    CTimerQueue() = default;
    // Drains the queue (every live timer gets OnTimerRemoved).
    ~CTimerQueue();

    CTimerQueue(const CTimerQueue&) = delete;
    CTimerQueue& operator=(const CTimerQueue&) = delete;

    // Must succeed before any other call. ST_NO_MEMORY when the tables or the first pool
    // block cannot be had.
    Status Initialize(int limit = DEFAULT_LIMIT);

    // A timer due at the absolute time, firing handler->OnTimer(id, now, parameter).
    // ST_NO_MEMORY (id -1) at the limit or when no memory is left; ST_INTERNAL_ERROR for a
    // null handler.
    Status Add(const CTimeValue& due, ITimeEventHandler* handler, void* parameter, int& id);
    // Calls OnTimerRemoved at once. ST_OUT_OF_BOUNDS for an id outside the table,
    // ST_NOT_FOUND for one that is free or already cancelled.
    Status Cancel(int id);
    // Cancel only if the id still names a live timer of that handler; else ST_NOT_FOUND (or
    // ST_OUT_OF_BOUNDS). For holders whose id may have gone stale.
    Status CancelOwned(int id, const ITimeEventHandler* owner);
    // Moves a live timer to a new due time (it stays alive when called from its OnTimer).
    // ST_OUT_OF_BOUNDS / ST_NOT_FOUND as Cancel.
    Status Reschedule(int id, const CTimeValue& due);
    // Reschedule only if the id still names a live timer of that handler with that parameter;
    // else ST_NOT_FOUND (or ST_OUT_OF_BOUNDS). For holders whose id may have gone stale.
    Status RescheduleOwned(int id, const ITimeEventHandler* owner, const void* parameter, const CTimeValue& due);

    // Fires every timer whose due time is strictly before now (the clock read once); a timer
    // not rescheduled by its OnTimer is then cancelled. Always ST_SUCCESS. Does nothing when
    // called from inside a firing pass of the same queue.
    Status FireDueTimers();
    Status FireDueTimers(const CTimeValue& now);

    // The due time of the earliest live timer; ST_NOT_FOUND when there is none.
    Status GetNextDue(CTimeValue& due);

    // Removes every timer; those not cancelled get OnTimerRemoved. For shutdown.
    void Drain();

    // Timers in the heap, cancelled ones not yet removed included.
    int GetCount() const { return m_count; }
    // ST_SUCCESS when the id names a timer that is live (not cancelled).
    Status Find(int id) const;

private:
    friend class ITimeEventHandler;

    // The handler moved the record of this timer to another slot of its list.
    void MoveOwnerSlot(int id, int slot);

    struct Entry {
        int id;
        CTimeValue due;
        ITimeEventHandler* handler; // not owned
        void* parameter;
        bool cancelled;
        bool armed;           // set while firing, cleared by a reschedule
        Entry* nextCancelled; // pending-cancel list link
        int ownerSlot;        // position in the handler's own timer list
    };

    Status Lookup(int id, Entry*& entry) const;
    // Moves a live entry found by Lookup to its new due time; ST_NOT_FOUND once cancelled.
    Status Move(Entry* entry, const CTimeValue& due);
    Status EnsureRoom();
    int AllocateId();
    void FreeId(int id);
    void Place(Entry* entry, int position);
    void SiftUp(Entry* entry, int position);
    void SiftDown(Entry* entry, int position);
    void Push(Entry* entry);
    void RemoveAt(int position);
    void MarkCancelled(Entry* entry);
    void ProcessPendingCancels();

    int m_length = 0;
    int m_limit = DEFAULT_LIMIT;
    int m_count = 0;
    std::unique_ptr<Entry*[]> m_heap;
    std::unique_ptr<int[]> m_index; // heap position per id, -1 when the id is free
    int m_cursor = 0;
    int m_lowMark = 0; // every id below it is taken
    CTimerEntryPool<Entry, CNullMutex> m_pool;
    Entry* m_cancelHead = nullptr; // FIFO of cancelled entries still in the heap
    Entry* m_cancelTail = nullptr;
    bool m_firing = false;
    CThreadOwner m_owner; // every entry after Initialize checks it in debug builds
};

} // namespace sti
