#pragma once
// The reactor of one thread. It owns the thread's registered pollable objects (each bound to
// one socket event handler), the thread's timer queue, and the done list of closed objects,
// which it deletes at the start of the next round; so a handler may close any object, its
// own included, from inside a callback. Every callback runs inside Run on the owning thread;
// nothing here is locked (debug builds abort on a call from another thread). One per thread,
// through Instance(); it dies with its thread, after that thread's CDispatcherShutdownHelper
// has shut it down.

#include "infra/Longevity.h"
#include "infra/PollerSet.h"
#include "infra/Status.h"
#include "infra/ThreadOwner.h"
#include "infra/TimeValue.h"
#include "infra/TimerQueue.h"

#include <cstdint>
#include <deque>

class CIPEndpoint;

namespace sti {

class CConnectHandler;
class CEventHelper;
class CTCPSocket;
class IBaseSockEventHandler;
class IPollableObject;
class ITimeEventHandler;

// Interest kinds for registration and SetInterest.
enum InterestKind : int {
    INTEREST_READ = 1,
    INTEREST_WRITE = 2,
    INTEREST_READ_WRITE = 3
};

// 1 -> POLL_READ, 2 -> POLL_WRITE, 3 -> both; any other kind -> -1.
int InterestToPollFlags(int kind);

class CDispatcher {
public:
    static constexpr std::uint32_t HOLDER_LONGEVITY = longevity::DISPATCHER_HOLDER;
    static constexpr std::uint32_t THREAD_LONGEVITY = longevity::DISPATCHER;
    static constexpr std::int32_t CONNECT_TIMEOUT_MS = 30000;
    static constexpr int TIMER_LIMIT = 65536;

    // The calling thread's dispatcher, created on first use (null if it cannot be).
    static CDispatcher* Instance();
    // The calling thread's dispatcher if it exists; creates nothing.
    static CDispatcher* Existing();

    CDispatcher();
    // Shuts down (if not done yet), then frees everything.
    virtual ~CDispatcher();

    CDispatcher(const CDispatcher&) = delete;
    CDispatcher& operator=(const CDispatcher&) = delete;

    // ST_SUCCESS unless construction failed (Run then returns the failure).
    Status GetStatus() const { return m_status; }

    // One round: delete the objects closed last round, fire due timers, wait up to the time
    // for readiness and serve the ready objects (OnWrite before OnRead). A failing object
    // is detached (reason 2), gets OnError and is closed; only a failing wait is returned
    // (after the poller has slept the time, so a loop around Run does not spin).
    Status Run(std::uint32_t timeoutMs);
    // With timely timers the wait of a round also ends when the next timer falls due, so no
    // timer waits for the rest of a turn. Off by default.
    void SetTimelyTimers(bool on) { m_timelyTimers = on; }

    // Binds the object to the handler and starts polling it; on success the dispatcher owns
    // the object and the handler gets OnAttach. On failure nothing is bound and the caller
    // still owns the object. ST_INTERNAL_ERROR for null arguments.
    Status Register(IPollableObject* object, IBaseSockEventHandler* handler, int kind);

    // Outgoing TCP connection to peer; the socket belongs to the dispatcher from here on,
    // whatever the result (on failure it is deleted and the status returned). Connected at
    // once: registered for reading, OnAttach, then OnConnected, whose result is returned.
    // In progress (ST_IN_PROGRESS): the handler gets OnConnecting, later OnConnected (bound
    // to it), OnConnectFailed(ST_SOCKET_ERROR), OnConnectTimeout (after CONNECT_TIMEOUT_MS,
    // socket closed without OnDetach) or OnConnectAborted.
    Status Connect(IBaseSockEventHandler* handler, CTCPSocket* socket, const CIPEndpoint& peer);

    Status SetInterest(IPollableObject* object, int kind);
    // ST_INVALID_PARAM when the object is not registered here.
    Status EnableRead(IPollableObject* object, bool on);
    Status DisableRead(IPollableObject* object);
    Status EnableWrite(IPollableObject* object, bool on);
    Status DisableWrite(IPollableObject* object);

    // Closes once: detaches it from its handler (OnDetach reason 0 when notify), stops
    // polling it and queues it for deletion. Null or already closed: nothing.
    void Close(IPollableObject* object, bool notify);
    // Closes once without any handler call. Already closed: ST_SUCCESS.
    Status CloseQuiet(IPollableObject* object);
    // Closes once pending output is written (OnWrite answered ST_NO_MORE_DATA); no OnRead is
    // delivered from now on. Closes at once when no write is pending. For the handler the
    // object is gone as after Close; a connected stream socket then still ends gracefully
    // before it is deleted (see LingeringClose.h), so the peer reads the last bytes.
    Status CloseAfterWrite(IPollableObject* object);
    // Rebinds a registered object: old handler OnDetach (reason 1), new handler OnAttach
    // (whose result is returned).
    Status SwitchHandler(IPollableObject* object, IBaseSockEventHandler* handler);

    // Steps of a connect in progress (Connect performs them in this order).
    Status ScheduleConnectTimeout(IPollableObject* object, int& timerId);
    Status RegisterConnecting(IBaseSockEventHandler* handler, IPollableObject* object, int timerId);
    // Drops the object's connect record and cancels its timeout.
    Status ForgetConnecting(IPollableObject* object);

    // Timers of the thread's queue (one-shot; see TimerQueue.h).
    Status ScheduleTimer(const CTimeValue& due, ITimeEventHandler* handler, void* parameter, int& timerId);
    // ST_NOT_FOUND for a negative id.
    Status CancelTimer(int timerId);
    Status RescheduleTimerAt(int timerId, const CTimeValue& due);
    Status RescheduleTimer(int timerId, std::int32_t milliseconds);

    // Keyed object timers: on expiry the object's handler gets OnTimer(object, now, key),
    // unless the object was closed. ST_ALREADY_EXISTS when the key is armed already.
    Status SetObjectTimer(IPollableObject* object, std::int32_t milliseconds, int key);
    // ST_SUCCESS without effect for an object that never had a keyed timer.
    Status RestartObjectTimer(IPollableObject* object, int key, std::int32_t milliseconds);
    // ST_INTERNAL_ERROR for an object that never had a keyed timer; ST_NOT_FOUND for a key
    // not armed.
    Status CancelObjectTimer(IPollableObject* object, int key);

    // Detaches every object (reason 3), drops every timer and deletes every object. Done once;
    // the destructor calls it too.
    void Shutdown();

    bool IsRegistered(const IPollableObject* object) const { return m_pollers.IsRegistered(object); }
    CTimerQueue& GetTimerQueue() { return m_timers; }

private:
    friend class CConnectHandler;
    friend class CEventHelper;

    Status ServeReady(IPollableObject* object, int flags, bool& endRound);
    void FailObject(IPollableObject* object, Status status);
    void PurgeDoneList();
    void DeleteObject(IPollableObject* object);
    void CancelKeyedTimers(IPollableObject* object);

    std::deque<IPollableObject*> m_done; // closed, owned, deleted at the next purge
    CPollerSet m_pollers;
    CEventHelper* m_eventHelper = nullptr; // owned
    CTimerQueue m_timers;
    CConnectHandler* m_connectHandler = nullptr; // owned
    Status m_status = ST_SUCCESS;
    bool m_timelyTimers = false;
    bool m_shutDown = false;
    CThreadOwner m_owner; // every public entry checks it in debug builds
};

} // namespace sti
