#pragma once
// A thread whose body is its own dispatcher's event loop: it runs the dispatcher in rounds of
// at most ROUND_MS, calls OnIdle after each, and takes messages from other threads through a
// private pipe whose reading end its dispatcher polls. Other threads only PostMessage,
// RequestStop or destroy it; everything else happens on the thread itself, so the thread's
// own state needs no lock.
//
// A thread message is u32 total length (8..8192, header included), u32 type, then the body
// (IPCMessageHeader.h). Only a broken or unframeable pipe closes the inbound queue; a
// HandleMessage failure concerns that one message.

#include "infra/IPCMessageHeader.h"
#include "infra/Lock.h"
#include "infra/MessageReader.h"
#include "infra/MessageSocketHandler.h"
#include "infra/Pipe.h"
#include "infra/Status.h"
#include "infra/Thread.h"
#include "infra/TimeEventHandler.h"
#include "infra/TimeValue.h"

#include <cstdint>
#include <map>
#include <memory>

namespace sti {

class CNetworkThread : public CThread {
public:
    static constexpr std::uint32_t ROUND_MS = 40;

    explicit CNetworkThread(const char* name);
    // Requests the stop and waits for the thread to end.
    ~CNetworkThread() override;

    // Creates the message pipe; call before Start. On failure neither end exists.
    Status CreateMessageQueue();

    // Any thread: writes the whole message (its length field says how long) into the pipe.
    // Posts from several threads never mix. ST_INVALID_PARAM for a length outside 8..8192,
    // ST_NOT_CONNECTED without a pipe, else ST_SUCCESS or the pipe's error.
    Status PostMessage(const IPCMessageBlock& message);

protected:
    std::uint32_t Run() override;
    void OnStart() override;
    void OnExit() override;

    // After every dispatcher round.
    virtual void OnIdle() {}
    // Last step of OnStart.
    virtual void OnInit() {}
    // First step of OnExit.
    virtual void OnCleanup() {}
    // One message from the pipe; the reader stands at the body.
    virtual Status HandleMessage(std::uint32_t type, CMessageReader& reader);

    // Thread timers: owner->OnTimer(id, now, null) when due (one-shot). On the thread only;
    // cancelled at exit.
    Status ScheduleThreadTimer(std::int32_t milliseconds, ITimeEventHandler* owner, int& timerId);
    Status CancelThreadTimer(int timerId);

private:
    class CThreadTimerHandler : public ITimeEventHandler {
    public:
        explicit CThreadTimerHandler(CNetworkThread& thread) : m_thread(thread) {}
        Status OnTimer(int timerId, const CTimeValue& now, void* parameter) override;
        Status OnTimerRemoved(int timerId, void* parameter) override;

    private:
        CNetworkThread& m_thread;
    };

    class CThreadMessageQueueHandler : public CMessageSocketHandler<CPipe, IPCMessageHeader, IPCMessageAllocator> {
    public:
        explicit CThreadMessageQueueHandler(CNetworkThread& thread) : m_thread(thread) {}
        Status OnMessage(const IPCMessageHeader& header, CMessageReader& reader) override;

    private:
        CNetworkThread& m_thread;
    };

    Status OnThreadTimer(int timerId, const CTimeValue& now);
    void ForgetThreadTimer(int timerId);

    std::unique_ptr<CPipe> m_writeEnd;
    CPipe* m_readEnd = nullptr; // owned until registered, then the dispatcher's
    bool m_readEndRegistered = false;
    std::map<int, ITimeEventHandler*> m_timerOwners;      // timer id -> owner (not owned)
    std::multimap<ITimeEventHandler*, int> m_ownerTimers; // owner -> its timer ids
    std::unique_ptr<CThreadTimerHandler> m_timerHandler;  // from OnStart to OnExit
    CMutex m_postLock;
};

} // namespace sti
