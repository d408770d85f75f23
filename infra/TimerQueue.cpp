#include "infra/TimerQueue.h"

#include <new>

namespace sti {

namespace {

// Clears a flag on every way out of a scope.
class CFlagGuard {
public:
    explicit CFlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~CFlagGuard() { m_flag = false; }
    CFlagGuard(const CFlagGuard&) = delete;
    CFlagGuard& operator=(const CFlagGuard&) = delete;

private:
    bool& m_flag;
};

} // namespace

CTimerQueue::~CTimerQueue()
{
    Drain();
}

Status CTimerQueue::Initialize(int limit)
{
    if (m_length != 0 || limit <= 0) {
        return ST_INVALID_PARAM;
    }
    std::unique_ptr<Entry*[]> heap(new (std::nothrow) Entry*[INITIAL_LENGTH]);
    std::unique_ptr<int[]> index(new (std::nothrow) int[INITIAL_LENGTH]);
    if (!heap || !index || !m_pool.Initialize(INITIAL_LENGTH, static_cast<std::size_t>(limit))) {
        return ST_NO_MEMORY;
    }
    for (int i = 0; i < INITIAL_LENGTH; ++i) {
        heap[i] = nullptr;
        index[i] = -1;
    }
    m_heap = std::move(heap);
    m_index = std::move(index);
    m_length = INITIAL_LENGTH;
    m_limit = limit;
    return ST_SUCCESS;
}

Status CTimerQueue::Lookup(int id, Entry*& entry) const
{
    entry = nullptr;
    if (id < 0 || id >= m_length) {
        return ST_OUT_OF_BOUNDS;
    }
    int position = m_index[id];
    if (position < 0 || position >= m_count || m_heap[position]->id != id) {
        return ST_NOT_FOUND;
    }
    entry = m_heap[position];
    return ST_SUCCESS;
}

Status CTimerQueue::Find(int id) const
{
    STI_OWNING_THREAD(m_owner);
    Entry* entry = nullptr;
    Status status = Lookup(id, entry);
    if (status != ST_SUCCESS) {
        return status;
    }
    return entry->cancelled ? ST_NOT_FOUND : ST_SUCCESS;
}

// Grows both tables while they can still take a new entry and a free id below the length;
// a failure leaves them as they are.
Status CTimerQueue::EnsureRoom()
{
    if (m_count + 2 < m_length) {
        return ST_SUCCESS;
    }
    int length = m_length * 2;
    std::unique_ptr<Entry*[]> heap(new (std::nothrow) Entry*[length]);
    std::unique_ptr<int[]> index(new (std::nothrow) int[length]);
    if (!heap || !index) {
        return ST_NO_MEMORY;
    }
    for (int i = 0; i < length; ++i) {
        heap[i] = i < m_count ? m_heap[i] : nullptr;
        index[i] = i < m_length ? m_index[i] : -1;
    }
    m_heap = std::move(heap);
    m_index = std::move(index);
    m_length = length;
    return ST_SUCCESS;
}

// Ids are taken exactly by the heap's entries, and EnsureRoom keeps at least two ids below the
// length free, so both scans check the slot and one of them always finds a free id.
int CTimerQueue::AllocateId()
{
    for (int id = m_cursor + 1; id < m_length; ++id) {
        if (m_index[id] == -1) {
            m_cursor = id;
            return id;
        }
    }
    for (int id = m_lowMark; id < m_length; ++id) {
        if (m_index[id] == -1) {
            m_cursor = id;
            m_lowMark = id + 1;
            return id;
        }
    }
    return -1; // unreachable while EnsureRoom holds
}

void CTimerQueue::FreeId(int id)
{
    m_index[id] = -1;
    if (id < m_lowMark) {
        m_lowMark = id;
    }
}

void CTimerQueue::Place(Entry* entry, int position)
{
    m_heap[position] = entry;
    m_index[entry->id] = position;
}

void CTimerQueue::SiftUp(Entry* entry, int position)
{
    while (position > 0) {
        int parent = (position - 1) / 2;
        if (!(entry->due < m_heap[parent]->due)) {
            break;
        }
        Place(m_heap[parent], position);
        position = parent;
    }
    Place(entry, position);
}

void CTimerQueue::SiftDown(Entry* entry, int position)
{
    for (;;) {
        int child = 2 * position + 1;
        if (child >= m_count) {
            break;
        }
        if (child + 1 < m_count && m_heap[child + 1]->due < m_heap[child]->due) {
            ++child;
        }
        if (!(m_heap[child]->due < entry->due)) {
            break;
        }
        Place(m_heap[child], position);
        position = child;
    }
    Place(entry, position);
}

void CTimerQueue::Push(Entry* entry)
{
    SiftUp(entry, m_count);
    ++m_count;
}

void CTimerQueue::RemoveAt(int position)
{
    Entry* removed = m_heap[position];
    Entry* last = m_heap[m_count - 1];
    --m_count;
    m_heap[m_count] = nullptr;
    m_index[removed->id] = -1;
    if (position < m_count) {
        if (position > 0 && last->due < m_heap[(position - 1) / 2]->due) {
            SiftUp(last, position);
        } else {
            SiftDown(last, position);
        }
    }
}

Status CTimerQueue::Add(const CTimeValue& due, ITimeEventHandler* handler, void* parameter, int& id)
{
    STI_OWNING_THREAD(m_owner);
    id = -1;
    if (handler == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    if (m_length == 0 || m_count >= m_limit || EnsureRoom() != ST_SUCCESS) {
        return ST_NO_MEMORY;
    }
    Entry* entry = m_pool.Take();
    if (entry == nullptr) {
        return ST_NO_MEMORY;
    }
    int newId = AllocateId();
    int slot = newId < 0 ? -1 : handler->RememberTimer(this, newId);
    if (slot < 0) {
        m_pool.Give(entry);
        return ST_NO_MEMORY;
    }
    entry->ownerSlot = slot;
    entry->id = newId;
    entry->due = due;
    entry->handler = handler;
    entry->parameter = parameter;
    entry->cancelled = false;
    entry->armed = false;
    entry->nextCancelled = nullptr;
    Push(entry);
    id = newId;
    return ST_SUCCESS;
}

// Only entries really cancelled join the pending list, so an id that was stale when cancelled
// can never take a later timer with the same id out of the heap.
void CTimerQueue::MarkCancelled(Entry* entry)
{
    entry->cancelled = true;
    entry->armed = true;
    entry->nextCancelled = nullptr;
    if (m_cancelTail != nullptr) {
        m_cancelTail->nextCancelled = entry;
    } else {
        m_cancelHead = entry;
    }
    m_cancelTail = entry;
    // Forget before the call: the handler may delete itself in OnTimerRemoved.
    entry->handler->ForgetTimer(this, entry->id, entry->ownerSlot);
    // A notice: the timer is gone whatever the handler answers.
    (void)entry->handler->OnTimerRemoved(entry->id, entry->parameter);
}

Status CTimerQueue::Cancel(int id)
{
    STI_OWNING_THREAD(m_owner);
    Entry* entry = nullptr;
    Status status = Lookup(id, entry);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (entry->cancelled) {
        return ST_NOT_FOUND;
    }
    MarkCancelled(entry);
    return ST_SUCCESS;
}

Status CTimerQueue::CancelOwned(int id, const ITimeEventHandler* owner)
{
    STI_OWNING_THREAD(m_owner);
    Entry* entry = nullptr;
    Status status = Lookup(id, entry);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (entry->cancelled || entry->handler != owner) {
        return ST_NOT_FOUND;
    }
    MarkCancelled(entry);
    return ST_SUCCESS;
}

void CTimerQueue::MoveOwnerSlot(int id, int slot)
{
    Entry* entry = nullptr;
    if (Lookup(id, entry) == ST_SUCCESS) {
        entry->ownerSlot = slot;
    }
}

Status CTimerQueue::Reschedule(int id, const CTimeValue& due)
{
    STI_OWNING_THREAD(m_owner);
    Entry* entry = nullptr;
    Status status = Lookup(id, entry);
    if (status != ST_SUCCESS) {
        return status;
    }
    return Move(entry, due);
}

Status CTimerQueue::RescheduleOwned(int id, const ITimeEventHandler* owner, const void* parameter,
                                    const CTimeValue& due)
{
    STI_OWNING_THREAD(m_owner);
    Entry* entry = nullptr;
    Status status = Lookup(id, entry);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (entry->handler != owner || entry->parameter != parameter) {
        return ST_NOT_FOUND;
    }
    return Move(entry, due);
}

Status CTimerQueue::Move(Entry* entry, const CTimeValue& due)
{
    if (entry->cancelled) {
        return ST_NOT_FOUND; // it leaves the heap at the next pass whatever its time
    }
    RemoveAt(m_index[entry->id]);
    entry->due = due;
    entry->armed = false;
    Push(entry);
    return ST_SUCCESS;
}

void CTimerQueue::ProcessPendingCancels()
{
    while (m_cancelHead != nullptr) {
        Entry* entry = m_cancelHead;
        m_cancelHead = entry->nextCancelled;
        if (m_cancelHead == nullptr) {
            m_cancelTail = nullptr;
        }
        RemoveAt(m_index[entry->id]);
        FreeId(entry->id);
        m_pool.Give(entry);
    }
}

Status CTimerQueue::FireDueTimers()
{
    STI_OWNING_THREAD(m_owner);
    return FireDueTimers(CTimeValue::Now());
}

Status CTimerQueue::FireDueTimers(const CTimeValue& now)
{
    STI_OWNING_THREAD(m_owner);
    if (m_firing) {
        return ST_SUCCESS;
    }
    CFlagGuard firing(m_firing);
    ProcessPendingCancels();
    while (m_count > 0) {
        // Cancelled entries were just processed, so entry 0 is live. It stays valid through
        // the call: entries go back to the pool only while pending cancels are processed.
        Entry* entry = m_heap[0];
        if (!(entry->due < now)) {
            break;
        }
        entry->armed = true;
        // A timer's handler deals with its own failures; the queue has no one to tell.
        (void)entry->handler->OnTimer(entry->id, now, entry->parameter);
        if (entry->armed && !entry->cancelled) {
            MarkCancelled(entry);
        }
        ProcessPendingCancels();
    }
    return ST_SUCCESS;
}

Status CTimerQueue::GetNextDue(CTimeValue& due)
{
    if (m_firing) {
        return ST_NOT_FOUND;
    }
    ProcessPendingCancels();
    if (m_count == 0) {
        return ST_NOT_FOUND;
    }
    due = m_heap[0]->due;
    return ST_SUCCESS;
}

void CTimerQueue::Drain()
{
    STI_OWNING_THREAD(m_owner);
    for (;;) {
        ProcessPendingCancels();
        if (m_count == 0) {
            return;
        }
        MarkCancelled(m_heap[0]);
    }
}

} // namespace sti
