#pragma once
// Knows every running library thread by its platform thread identifier, owns each thread's
// per-thread lifetime trackers, and at process exit (it dies first of all singletons) stops
// every thread, terminating those that do not end within the stop time-out.

#include "infra/LifetimeTracker.h"
#include "infra/Lock.h"
#include "infra/Longevity.h"

#include <cstdint>
#include <map>
#include <vector>

namespace sti {

class CThread;

namespace threadman {

class CThreadManager {
public:
    static constexpr std::uint32_t LONGEVITY = longevity::THREAD_MANAGER;
    static constexpr std::uint32_t STOP_TIMEOUT_MS = 60000;

    // GetCurrentThread's answer on the main thread.
    static CThread* MainThreadMarker() { return reinterpret_cast<CThread*>(~std::uintptr_t(0)); }

    // The process singleton (null if it could not be created).
    static CThreadManager* Instance();

    CThreadManager() = default;
    ~CThreadManager(); // StopAllThreads, then frees the tables

    CThreadManager(const CThreadManager&) = delete;
    CThreadManager& operator=(const CThreadManager&) = delete;

    // Enters the calling thread with its object.
    void Register(CThread& thread);
    // MainThreadMarker() on the main thread; else the calling library thread or null.
    CThread* GetCurrentThread();
    // Takes ownership of the tracker: into the process list on the main thread, else into
    // the calling thread's list, which ThreadEnded empties. Throws std::bad_alloc.
    void AddThreadTracker(LifetimeTracker* tracker);
    // On the ending thread: destroys its trackers lowest longevity first, then forgets it.
    void ThreadEnded();
    // Forgets a thread that will not run its post-run (it was terminated); its trackers are
    // freed without destroying their values, which the thread may have been using.
    void RemoveThread(CThread* thread);
    // Requests every stop, waits up to the stop time-out, then terminates the rest.
    void StopAllThreads();

    // For tests of the terminate path; production keeps STOP_TIMEOUT_MS.
    void SetStopTimeout(std::uint32_t milliseconds);

private:
    friend class sti::CThread;

    // The object of a still running thread is being destroyed on that thread.
    void ForgetObject(CThread& thread);
    void AbandonTrackers(std::uint32_t threadId);

    std::map<std::uint32_t, CThread*> m_threads; // null: object destroyed, thread ending
    std::map<std::uint32_t, std::vector<LifetimeTracker*>> m_trackers;
    CRecursiveMutex m_lock;
    std::uint32_t m_stopTimeout = STOP_TIMEOUT_MS;
};

} // namespace threadman

} // namespace sti
