#pragma once
// Base of every worker thread. A thread object owns one platform thread at a time and runs
// OnStart, Run and OnExit on it; its loop polls IsStopRequested, which any thread may make
// true with RequestStop. The object keeps the platform handle until its destructor or the
// next Start releases it; the thread itself never touches the object after it has ended.
//
// Destroying the object from another thread requests the stop and waits for the thread to
// end; a hook that had not begun by then is not called, since the derived part it belongs to
// is already gone. A derived class whose Run uses the derived part must do the same
// (RequestStop, then Wait(WAIT_INFINITE)) first in its own destructor. Destroying the object
// from inside its own Run (or OnStart or OnExit) does not wait; OnExit is then not called and
// the thread's post-run clean-up still runs.

#include "infra/ConditionVariable.h" // WAIT_INFINITE
#include "infra/Lock.h"
#include "infra/Status.h"
#include "infra/os/Thread.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace sti {

namespace threadman {
class CThreadManager;
} // namespace threadman

class CThread {
public:
    explicit CThread(const char* name);
    virtual ~CThread();

    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // ST_FAIL when the platform refuses, or while this object's thread is still running.
    Status Start();
    void RequestStop();
    // For the thread's own loop: the first call reads the request, later calls at most every
    // 100 ms; in between a call costs one clock read.
    bool IsStopRequested();
    bool IsRunning();
    // ST_TIMEOUT when the time ran out; ST_SUCCESS once the thread has ended, at once when no
    // thread is attached (or it was terminated). 0xFFFFFFFF waits without limit.
    virtual Status Wait(std::uint32_t milliseconds);

    const std::string& GetName() const { return m_name; }

protected:
    // The thread's body; its result is the thread's exit code. Every thread class has its own:
    // this one is reached only by a thread that looks its body up while this base destructor
    // has begun (the derived part gone) and has not yet marked the object, and it ends at once.
    virtual std::uint32_t Run() { return 0; }
    virtual void OnStart() {}
    virtual void OnExit() {}

private:
    friend class threadman::CThreadManager;

    // Lives on the running thread's stack; lets the destructor tell a running Execute that
    // the object is gone.
    struct Execution {
        bool objectDestroyed = false;
    };

    // False once the base destructor has begun on another thread: the derived hooks are gone.
    bool MayCallHooks();

    static std::uint32_t ThreadProc(void* self);
    std::uint32_t Execute();
    // For the thread manager at exit; the handle stays with the object.
    void Terminate();

    STI_OS::ThreadHandle m_handle = nullptr; // owned; guarded by the run lock
    std::atomic<bool> m_cachedStop{false};
    bool m_stopRequested = false; // guarded by the stop lock
    std::atomic<std::uint64_t> m_nextStopCheck{0};
    CMutex m_stopLock;
    CMutex m_runLock;
    bool m_running = false;           // guarded by the run lock
    bool m_terminated = false;        // guarded by the run lock
    bool m_destroying = false;        // guarded by the run lock
    std::uint32_t m_threadId = 0;     // guarded by the run lock
    Execution* m_execution = nullptr; // guarded by the run lock
    std::string m_name;
};

} // namespace sti
