#include "infra/ThreadManager.h"

#include "infra/Initialize.h"
#include "infra/Singleton.h"
#include "infra/Thread.h"
#include "infra/TimeValue.h"
#include "infra/os/Clock.h"
#include "infra/os/Tls.h"

namespace sti {
namespace threadman {

namespace {
constexpr std::uint32_t STOP_POLL_INTERVAL_MS = 200;
} // namespace

CThreadManager* CThreadManager::Instance()
{
    return CSingleton<CThreadManager>::Instance();
}

CThreadManager::~CThreadManager()
{
    StopAllThreads();
    // Trackers left belong to threads that are not library threads (no post-run) or still
    // run: their values cannot be destroyed safely from here.
    CScopedLock guard(m_lock);
    while (!m_trackers.empty()) {
        AbandonTrackers(m_trackers.begin()->first);
    }
    m_threads.clear();
}

void CThreadManager::Register(CThread& thread)
{
    CScopedLock guard(m_lock);
    m_threads[STI_OS::GetCurrentThreadId()] = &thread;
}

CThread* CThreadManager::GetCurrentThread()
{
    if (IsMainThread()) {
        return MainThreadMarker();
    }
    CScopedLock guard(m_lock);
    auto found = m_threads.find(STI_OS::GetCurrentThreadId());
    return found != m_threads.end() ? found->second : nullptr;
}

void CThreadManager::AddThreadTracker(LifetimeTracker* tracker)
{
    if (IsMainThread()) {
        implementation::AddProcessTracker(tracker);
        return;
    }
    CScopedLock guard(m_lock);
    implementation::InsertTracker(m_trackers[STI_OS::GetCurrentThreadId()], tracker);
}

void CThreadManager::ThreadEnded()
{
    const std::uint32_t id = STI_OS::GetCurrentThreadId();
    // One at a time, outside the lock: a value's destructor may take other locks or even
    // create another per-thread value, which then lands in this list and is destroyed too.
    for (;;) {
        LifetimeTracker* tracker = nullptr;
        {
            CScopedLock guard(m_lock);
            auto list = m_trackers.find(id);
            if (list == m_trackers.end()) {
                break;
            }
            if (list->second.empty()) {
                m_trackers.erase(list);
                break;
            }
            tracker = list->second.back();
            list->second.pop_back();
        }
        delete tracker;
    }
    CScopedLock guard(m_lock);
    m_threads.erase(id);
}

void CThreadManager::RemoveThread(CThread* thread)
{
    CScopedLock guard(m_lock);
    for (auto entry = m_threads.begin(); entry != m_threads.end(); ++entry) {
        if (entry->second == thread) {
            AbandonTrackers(entry->first);
            m_threads.erase(entry);
            return;
        }
    }
}

void CThreadManager::StopAllThreads()
{
    {
        CScopedLock guard(m_lock);
        for (auto& entry : m_threads) {
            if (entry.second != nullptr) {
                entry.second->RequestStop();
            }
        }
    }
    const CTimeValue deadline = CTimeValue::Now() + CTimeSpan(static_cast<std::int32_t>(m_stopTimeout));
    for (;;) {
        {
            CScopedLock guard(m_lock);
            if (m_threads.empty()) {
                return;
            }
        }
        if (CTimeValue::Now() > deadline) {
            break;
        }
        STI_OS::Sleep(STOP_POLL_INTERVAL_MS);
    }

    CScopedLock guard(m_lock);
    std::size_t count = m_threads.size();
    for (std::size_t i = 0; i < count && !m_threads.empty(); ++i) {
        auto first = m_threads.begin();
        const std::uint32_t id = first->first;
        if (CThread* thread = first->second) {
            thread->Terminate();
        }
        // A thread whose object is gone cannot be forced; it is forgotten all the same.
        AbandonTrackers(id);
        m_threads.erase(id);
    }
}

void CThreadManager::SetStopTimeout(std::uint32_t milliseconds)
{
    CScopedLock guard(m_lock);
    m_stopTimeout = milliseconds;
}

void CThreadManager::ForgetObject(CThread& thread)
{
    CScopedLock guard(m_lock);
    for (auto& entry : m_threads) {
        if (entry.second == &thread) {
            entry.second = nullptr;
        }
    }
}

void CThreadManager::AbandonTrackers(std::uint32_t threadId)
{
    auto list = m_trackers.find(threadId);
    if (list == m_trackers.end()) {
        return;
    }
    for (LifetimeTracker* tracker : list->second) {
        tracker->Abandon();
        delete tracker;
    }
    m_trackers.erase(list);
}

} // namespace threadman
} // namespace sti
