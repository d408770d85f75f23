#include "infra/Dispatcher.h"

#include "infra/BaseSockEventHandler.h"
#include "infra/ConnectHandler.h"
#include "infra/EventHelper.h"
#include "infra/IPAddress.h"
#include "infra/Initialize.h"
#include "infra/KeyedTimer.h"
#include "infra/LingeringClose.h"
#include "infra/PollableObject.h"
#include "infra/TCPSocket.h"
#include "infra/TSS.h"
#include "infra/os/Clock.h"

#include <new>
#include <vector>

namespace sti {

namespace {

// Collects every registered object for the shutdown.
class CDoneVisitor : public IPollerVisitor {
public:
    explicit CDoneVisitor(std::vector<IPollableObject*>& objects) : m_objects(objects) {}
    void Visit(STI_OS::SocketHandle, IPollableObject* object) override { m_objects.push_back(object); }

private:
    std::vector<IPollableObject*>& m_objects;
};

// Objects whose handle was closed while they were still registered.
class CStaleVisitor : public IPollerVisitor {
public:
    explicit CStaleVisitor(std::vector<IPollableObject*>& objects) : m_objects(objects) {}
    void Visit(STI_OS::SocketHandle handle, IPollableObject* object) override
    {
        if (object->GetHandle() != handle) {
            m_objects.push_back(object);
        }
    }

private:
    std::vector<IPollableObject*>& m_objects;
};

void VisitPoller(const CPollerSet& pollers, IPollerVisitor& visitor)
{
    pollers.Visit(visitor);
}

} // namespace

int InterestToPollFlags(int kind)
{
    switch (kind) {
    case INTEREST_READ:
        return STI_OS::POLL_READ;
    case INTEREST_WRITE:
        return STI_OS::POLL_WRITE;
    case INTEREST_READ_WRITE:
        return STI_OS::POLL_READ | STI_OS::POLL_WRITE;
    default:
        return -1;
    }
}

CDispatcher* CDispatcher::Instance()
{
    return CTSS_Singleton<CDispatcher>::Instance();
}

CDispatcher* CDispatcher::Existing()
{
    return CTSS_Singleton<CDispatcher>::Existing();
}

CDispatcher::CDispatcher()
{
    Initialize(); // the sockets library and the process poller
    m_status = m_pollers.Open();
    if (m_status == ST_SUCCESS) {
        m_status = m_timers.Initialize(TIMER_LIMIT);
    }
    m_eventHelper = new (std::nothrow) CEventHelper;
    m_connectHandler = new (std::nothrow) CConnectHandler(*this);
    if (m_status == ST_SUCCESS && (m_eventHelper == nullptr || m_connectHandler == nullptr)) {
        m_status = ST_NO_MEMORY;
    }
}

CDispatcher::~CDispatcher()
{
    Shutdown();
    delete m_connectHandler; // fails connects that are somehow still pending
    m_connectHandler = nullptr;
    PurgeDoneList();
    m_timers.Drain();
    delete m_eventHelper;
    m_eventHelper = nullptr;
    m_pollers.CloseHandle();
}

Status CDispatcher::Run(std::uint32_t timeoutMs)
{
    STI_OWNING_THREAD(m_owner);
    if (m_status != ST_SUCCESS) {
        STI_OS::Sleep(timeoutMs); // a loop around a broken dispatcher must not spin
        return m_status;
    }
    PurgeDoneList();
    // Always ST_SUCCESS.
    (void)m_timers.FireDueTimers();
    CTimeValue due;
    if (m_timelyTimers && m_timers.GetNextDue(due) == ST_SUCCESS) {
        // A timer fires once its due time is strictly past: wake a millisecond after it.
        const std::int64_t untilDue = static_cast<std::int64_t>((due - CTimeValue::Now()).GetMilliseconds()) + 1;
        if (untilDue < static_cast<std::int64_t>(timeoutMs)) {
            timeoutMs = untilDue > 0 ? static_cast<std::uint32_t>(untilDue) : 0;
        }
    }
    Status status = m_pollers.Wait(timeoutMs);
    if (status == ST_TIMEOUT) {
        return ST_SUCCESS;
    }
    if (status != ST_SUCCESS) {
        // The poller slept the time already. A handle closed behind the dispatcher's back
        // would fail every later wait too: such objects fail now.
        std::vector<IPollableObject*> stale;
        CStaleVisitor visitor(stale);
        VisitPoller(m_pollers, visitor);
        for (IPollableObject* object : stale) {
            FailObject(object, ST_INVALID_SOCKET);
        }
        return status;
    }
    for (;;) {
        IPollableObject* object = nullptr;
        int flags = 0;
        if (m_pollers.NextReady(object, flags) != ST_SUCCESS) {
            return ST_SUCCESS;
        }
        bool endRound = false;
        // A failing object was failed inside; endRound says what the round does next.
        (void)ServeReady(object, flags, endRound);
        if (endRound) {
            return ST_SUCCESS;
        }
        PurgeDoneList();
    }
}

// The handler is read again before each call: a callback may have switched or lost it.
Status CDispatcher::ServeReady(IPollableObject* object, int flags, bool& endRound)
{
    if (flags & STI_OS::POLL_WRITE) {
        IBaseSockEventHandler* handler = object->GetHandler();
        Status status = handler != nullptr ? handler->OnWrite(object) : ST_INTERNAL_ERROR;
        if (status == ST_NO_MORE_DATA) {
            status = m_pollers.RemoveInterest(object, STI_OS::POLL_WRITE);
            if (status == ST_SUCCESS && object->IsCloseAfterWrite()) {
                Close(object, true);
                endRound = true;
                return ST_SUCCESS;
            }
        } else if (status == ST_MORE_DATA) {
            status = m_pollers.AddInterest(object, STI_OS::POLL_WRITE);
        }
        if (status != ST_SUCCESS) {
            FailObject(object, status);
            endRound = true;
            return status;
        }
    }
    if ((flags & STI_OS::POLL_READ) && !object->IsCloseAfterWrite() && !object->IsClosed()) {
        IBaseSockEventHandler* handler = object->GetHandler();
        Status status = handler != nullptr ? handler->OnRead(object) : ST_INTERNAL_ERROR;
        if (status != ST_SUCCESS) {
            FailObject(object, status);
            endRound = true;
            return status;
        }
    }
    if (flags & STI_OS::POLL_EXCEPTION) {
        FailObject(object, ST_SOCKET_ERROR);
        endRound = true;
        return ST_SOCKET_ERROR;
    }
    return ST_SUCCESS;
}

// The object leaves the attached list only after the calls: a handler that dies inside them
// then still knows the object and unbinds it, so no call reaches the dead handler.
void CDispatcher::FailObject(IPollableObject* object, Status status)
{
    if (object->IsClosed()) {
        return;
    }
    IBaseSockEventHandler* handler = object->GetHandler();
    if (handler != nullptr) {
        // A notice: the object is closed whatever the handler answers.
        (void)handler->OnDetach(object, DETACH_ERROR);
        if (object->GetHandler() == handler) {
            // A notice: the object is closed whatever the handler answers.
            (void)handler->OnError(object, status);
        }
        if (object->GetHandler() == handler) {
            handler->RemoveObject(object);
        }
    }
    // The object came from the poller, so its unregistering cannot fail.
    (void)CloseQuiet(object);
}

Status CDispatcher::Register(IPollableObject* object, IBaseSockEventHandler* handler, int kind)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr || handler == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    if (m_status != ST_SUCCESS) {
        return m_status;
    }
    object->SetHandler(handler);
    Status status = m_pollers.Register(object, InterestToPollFlags(kind));
    if (status != ST_SUCCESS) {
        object->SetHandler(nullptr);
        return status;
    }
    status = handler->AddObject(object);
    if (status != ST_SUCCESS) {
        // Registered just above; undoing it cannot fail.
        (void)m_pollers.Unregister(object);
        object->SetHandler(nullptr);
        return status;
    }
    // The object is registered and bound; a refusing notice cannot undo that.
    (void)handler->OnAttach(object);
    return ST_SUCCESS;
}

Status CDispatcher::Connect(IBaseSockEventHandler* handler, CTCPSocket* socket, const CIPEndpoint& peer)
{
    STI_OWNING_THREAD(m_owner);
    if (socket == nullptr || handler == nullptr || m_status != ST_SUCCESS) {
        delete socket;
        return socket == nullptr || handler == nullptr ? ST_INTERNAL_ERROR : m_status;
    }
    Status status = socket->Connect(peer, true);
    if (status == ST_SUCCESS) {
        status = Register(socket, handler, INTEREST_READ);
        if (status != ST_SUCCESS) {
            delete socket;
            return status;
        }
        return handler->OnConnected(socket);
    }
    if (status != ST_IN_PROGRESS) {
        delete socket;
        return status;
    }
    int timerId = -1;
    status = ScheduleConnectTimeout(socket, timerId);
    if (status != ST_SUCCESS) {
        delete socket;
        return status;
    }
    status = RegisterConnecting(handler, socket, timerId);
    if (status != ST_SUCCESS) {
        // The timer is this call's own and still pending.
        (void)m_timers.CancelOwned(timerId, m_connectHandler);
        delete socket;
        return status;
    }
    // A notice; the connect waits either way.
    (void)handler->OnConnecting(socket);
    return ST_IN_PROGRESS;
}

Status CDispatcher::SetInterest(IPollableObject* object, int kind)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    return m_pollers.SetInterest(object, InterestToPollFlags(kind));
}

Status CDispatcher::EnableRead(IPollableObject* object, bool on)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    return on ? m_pollers.AddInterest(object, STI_OS::POLL_READ) : m_pollers.RemoveInterest(object, STI_OS::POLL_READ);
}

Status CDispatcher::DisableRead(IPollableObject* object)
{
    STI_OWNING_THREAD(m_owner);
    return EnableRead(object, false);
}

Status CDispatcher::EnableWrite(IPollableObject* object, bool on)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    return on ? m_pollers.AddInterest(object, STI_OS::POLL_WRITE)
              : m_pollers.RemoveInterest(object, STI_OS::POLL_WRITE);
}

Status CDispatcher::DisableWrite(IPollableObject* object)
{
    STI_OWNING_THREAD(m_owner);
    return EnableWrite(object, false);
}

// Only an object registered here is queued: the done list deletes what it holds, and an
// object this dispatcher never took over still belongs to its creator.
void CDispatcher::Close(IPollableObject* object, bool notify)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr || object->IsClosed()) {
        return;
    }
    object->SetClosed(true);
    IBaseSockEventHandler* handler = object->GetHandler();
    if (handler != nullptr) {
        if (notify) {
            // A notice: the object is closed whatever the handler answers.
            (void)handler->OnDetach(object, DETACH_CLOSED);
        }
        if (object->GetHandler() == handler) {
            handler->RemoveObject(object);
        }
    }
    if (m_pollers.IsRegistered(object)) {
        m_pollers.Forget(object);
        m_done.push_back(object);
    }
}

Status CDispatcher::CloseQuiet(IPollableObject* object)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    if (object->IsClosed()) {
        return ST_SUCCESS;
    }
    object->SetClosed(true);
    Status status = m_pollers.Unregister(object);
    if (status != ST_SUCCESS) {
        return status;
    }
    m_done.push_back(object);
    return ST_SUCCESS;
}

Status CDispatcher::CloseAfterWrite(IPollableObject* object)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    // An object polled for nothing at the moment is registered all the same.
    const bool registered = m_pollers.IsRegistered(object);
    int flags = 0;
    if (registered && m_pollers.GetInterest(object, flags) != ST_SUCCESS) {
        flags = 0;
    }
    if (registered) {
        object->SetCloseAfterWrite(true); // also asks for the lingering end at deletion
    }
    if (!registered || (flags & STI_OS::POLL_WRITE) == 0) {
        Close(object, true);
    }
    return ST_SUCCESS;
}

Status CDispatcher::SwitchHandler(IPollableObject* object, IBaseSockEventHandler* handler)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr || handler == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    IBaseSockEventHandler* old = object->GetHandler();
    if (old != nullptr) {
        old->RemoveObject(object);
        // A notice: the object moves on whatever the old handler answers.
        (void)old->OnDetach(object, DETACH_HANDED_ON);
    }
    object->SetHandler(handler);
    Status status = handler->AddObject(object);
    if (status != ST_SUCCESS) {
        return status;
    }
    return handler->OnAttach(object);
}

Status CDispatcher::ScheduleConnectTimeout(IPollableObject* object, int& timerId)
{
    STI_OWNING_THREAD(m_owner);
    timerId = -1;
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    return m_timers.Add(CTimeValue::Now() + CTimeSpan(CONNECT_TIMEOUT_MS), m_connectHandler, object, timerId);
}

Status CDispatcher::RegisterConnecting(IBaseSockEventHandler* handler, IPollableObject* object, int timerId)
{
    STI_OWNING_THREAD(m_owner);
    if (handler == nullptr || object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    Status status = handler->AddConnecting(object);
    if (status != ST_SUCCESS) {
        return status;
    }
    status = m_connectHandler->AddRecord(handler, object, timerId);
    if (status != ST_SUCCESS) {
        handler->RemoveConnecting(object);
        return status;
    }
    status = Register(object, m_connectHandler, INTEREST_WRITE);
    if (status != ST_SUCCESS) {
        // The caller still owns the object and its time-out; only the record goes.
        m_connectHandler->EraseRecord(object);
        handler->RemoveConnecting(object);
    }
    return status;
}

Status CDispatcher::ForgetConnecting(IPollableObject* object)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    return m_connectHandler->DropRecord(object);
}

Status CDispatcher::ScheduleTimer(const CTimeValue& due, ITimeEventHandler* handler, void* parameter, int& timerId)
{
    STI_OWNING_THREAD(m_owner);
    return m_timers.Add(due, handler, parameter, timerId);
}

Status CDispatcher::CancelTimer(int timerId)
{
    STI_OWNING_THREAD(m_owner);
    if (timerId < 0) {
        return ST_NOT_FOUND;
    }
    return m_timers.Cancel(timerId);
}

Status CDispatcher::RescheduleTimerAt(int timerId, const CTimeValue& due)
{
    STI_OWNING_THREAD(m_owner);
    Status status = m_timers.Reschedule(timerId, due);
    return status == ST_OUT_OF_BOUNDS ? ST_NOT_FOUND : status;
}

Status CDispatcher::RescheduleTimer(int timerId, std::int32_t milliseconds)
{
    STI_OWNING_THREAD(m_owner);
    return RescheduleTimerAt(timerId, CTimeValue::Now() + CTimeSpan(milliseconds));
}

// The record is in the set only once everything succeeded; until then a cancel of its timer
// finds no record to free, and the unique_ptr frees it.
Status CDispatcher::SetObjectTimer(IPollableObject* object, std::int32_t milliseconds, int key)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    std::unique_ptr<SKeyedTimer> record(new (std::nothrow) SKeyedTimer);
    if (!record) {
        return ST_NO_MEMORY;
    }
    int timerId = -1;
    Status status = m_timers.Add(CTimeValue::Now() + CTimeSpan(milliseconds), m_eventHelper, record.get(), timerId);
    if (status != ST_SUCCESS) {
        return status;
    }
    record->timerId = timerId;
    record->key = key;
    record->object = object;
    CKeyedTimerSet* set = object->GetKeyedTimers();
    if (set == nullptr) {
        std::unique_ptr<CKeyedTimerSet> created(new (std::nothrow) CKeyedTimerSet);
        if (!created) {
            // The timer is this call's own and still pending.
            (void)m_timers.Cancel(timerId);
            return ST_NO_MEMORY;
        }
        set = created.get();
        object->SetKeyedTimers(std::move(created));
    }
    if (set->Find(key) != nullptr) {
        // The timer is this call's own and still pending.
        (void)m_timers.Cancel(timerId);
        return ST_ALREADY_EXISTS;
    }
    bool inserted = false;
    try {
        inserted = set->Insert(record);
    } catch (const std::bad_alloc&) {
        inserted = false;
    }
    if (!inserted) {
        // The timer is this call's own and still pending.
        (void)m_timers.Cancel(timerId); // the record is still ours and freed on return
        return ST_NO_MEMORY;
    }
    return ST_SUCCESS;
}

Status CDispatcher::RestartObjectTimer(IPollableObject* object, int key, std::int32_t milliseconds)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    CKeyedTimerSet* set = object->GetKeyedTimers();
    if (set == nullptr) {
        return ST_SUCCESS;
    }
    SKeyedTimer* record = set->Find(key);
    if (record == nullptr) {
        return ST_NOT_FOUND;
    }
    return RescheduleTimer(record->timerId, milliseconds);
}

Status CDispatcher::CancelObjectTimer(IPollableObject* object, int key)
{
    STI_OWNING_THREAD(m_owner);
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    CKeyedTimerSet* set = object->GetKeyedTimers();
    if (set == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    SKeyedTimer* record = set->Find(key);
    if (record == nullptr) {
        return ST_NOT_FOUND;
    }
    if (record->object != object || record->key != key) {
        return ST_INTERNAL_ERROR;
    }
    return CancelTimer(record->timerId);
}

// The set leaves the object first: each cancel's OnTimerRemoved then finds nothing to erase,
// so the set is never changed while it is walked.
void CDispatcher::CancelKeyedTimers(IPollableObject* object)
{
    std::unique_ptr<CKeyedTimerSet> set = object->TakeKeyedTimers();
    if (!set) {
        return;
    }
    set->ForEach([this](const SKeyedTimer& record) {
        if (record.timerId >= 0) {
            // A keyed timer that fired already is gone; the rest go now.
            (void)m_timers.CancelOwned(record.timerId, m_eventHelper);
        }
    });
}

void CDispatcher::DeleteObject(IPollableObject* object)
{
    if (IBaseSockEventHandler* handler = object->GetHandler()) {
        // A quiet close leaves the object in the list; the handler must not keep it past here.
        handler->RemoveObject(object);
        // A notice: the object is deleted whatever the handler answers.
        (void)handler->OnRemoved(object);
        object->SetHandler(nullptr);
    }
    CancelKeyedTimers(object);
    // A stream closed after its last write ends gracefully before it is deleted.
    if (object->IsCloseAfterWrite() && !m_shutDown && CLingeringCloseHandler::Start(*this, object)) {
        return;
    }
    delete object;
}

void CDispatcher::PurgeDoneList()
{
    while (!m_done.empty()) {
        IPollableObject* object = m_done.front();
        m_done.pop_front();
        DeleteObject(object);
    }
}

// Each object is marked closed before its OnDetach, so a handler that closes objects from
// there cannot queue one that the shutdown deletes itself. Callbacks may register new
// objects; a few passes take those too.
void CDispatcher::Shutdown()
{
    STI_OWNING_THREAD(m_owner);
    m_shutDown = true; // nothing lingers past the dispatcher
    for (int pass = 0; pass < 4; ++pass) {
        std::vector<IPollableObject*> collected;
        CDoneVisitor visitor(collected);
        VisitPoller(m_pollers, visitor);
        PurgeDoneList();
        std::vector<IPollableObject*> detached;
        for (IPollableObject* object : collected) {
            if (!m_pollers.IsRegistered(object)) {
                continue; // closed by a callback of this loop; the done list has it
            }
            if (!object->IsClosed()) {
                object->SetClosed(true);
                IBaseSockEventHandler* handler = object->GetHandler();
                if (handler != nullptr) {
                    // A notice: the object is deleted whatever the handler answers.
                    (void)handler->OnDetach(object, DETACH_SHUTDOWN);
                    if (object->GetHandler() == handler) {
                        handler->RemoveObject(object);
                    }
                }
            }
            m_pollers.Forget(object);
            detached.push_back(object);
        }
        PurgeDoneList();
        m_timers.Drain();
        for (IPollableObject* object : detached) {
            DeleteObject(object);
        }
        PurgeDoneList();
        if (collected.empty()) {
            break;
        }
    }
}

} // namespace sti
