#include "infra/Thread.h"

#include "infra/ConditionVariable.h"
#include "infra/DispatcherShutdownHelper.h"
#include "infra/TSS.h"
#include "infra/ThreadManager.h"
#include "infra/TimeValue.h"
#include "infra/os/Tls.h"

namespace sti {

namespace {
constexpr std::uint32_t STOP_CHECK_INTERVAL_MS = 100;
} // namespace

CThread::CThread(const char* name) : m_name(name != nullptr ? name : "") {}

CThread::~CThread()
{
    bool onOwnThread = false;
    {
        CScopedLock guard(m_runLock);
        if (m_execution != nullptr && m_threadId == STI_OS::GetCurrentThreadId()) {
            onOwnThread = true;
            m_execution->objectDestroyed = true;
        } else {
            m_destroying = true;
        }
    }
    if (onOwnThread) {
        if (threadman::CThreadManager* manager = threadman::CThreadManager::Instance()) {
            manager->ForgetObject(*this);
        }
    } else {
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(WAIT_INFINITE);
    }
    STI_OS::CloseThreadHandle(m_handle);
}

Status CThread::Start()
{
    // Held until the handle is stored: the new thread's pre-run takes this lock first.
    CScopedLock guard(m_runLock);
    if (m_running) {
        return ST_FAIL;
    }
    STI_OS::CloseThreadHandle(m_handle);
    m_handle = nullptr;
    m_terminated = false;
    m_running = true;
    if (STI_OS::CreateThread(&CThread::ThreadProc, this, m_handle) != ST_SUCCESS) {
        m_running = false;
        m_handle = nullptr;
        return ST_FAIL;
    }
    return ST_SUCCESS;
}

void CThread::RequestStop()
{
    CScopedLock guard(m_stopLock);
    m_stopRequested = true;
}

bool CThread::IsStopRequested()
{
    std::uint64_t now = CTimeValue::Now().GetAs(TIME_UNIT_MILLISECONDS);
    if (now > m_nextStopCheck.load(std::memory_order_relaxed)) {
        CScopedLock guard(m_stopLock);
        m_cachedStop.store(m_stopRequested, std::memory_order_relaxed);
        m_nextStopCheck.store(now + STOP_CHECK_INTERVAL_MS, std::memory_order_relaxed);
    }
    return m_cachedStop.load(std::memory_order_relaxed);
}

bool CThread::IsRunning()
{
    CScopedLock guard(m_runLock);
    return m_running;
}

Status CThread::Wait(std::uint32_t milliseconds)
{
    STI_OS::ThreadHandle handle;
    {
        CScopedLock guard(m_runLock);
        if (m_terminated) {
            return ST_SUCCESS;
        }
        handle = m_handle;
    }
    return STI_OS::WaitThread(handle, milliseconds);
}

std::uint32_t CThread::ThreadProc(void* self)
{
    return static_cast<CThread*>(self)->Execute();
}

std::uint32_t CThread::Execute()
{
    Execution execution;
    {
        CScopedLock guard(m_runLock);
        m_running = true;
        m_threadId = STI_OS::GetCurrentThreadId();
        m_execution = &execution;
    }
    threadman::CThreadManager* manager = threadman::CThreadManager::Instance();
    if (manager != nullptr) {
        manager->Register(*this);
    }
    CTSS_Singleton<CDispatcherShutdownHelper>::Instance();

    // After each step the object may have destroyed itself: then only locals are used. While
    // another thread destroys it, the base waits for this one to end, so the base stays.
    std::uint32_t result = 0;
    if (!execution.objectDestroyed && MayCallHooks()) {
        OnStart();
    }
    if (!execution.objectDestroyed && MayCallHooks()) {
        result = Run();
    }
    if (!execution.objectDestroyed && MayCallHooks()) {
        OnExit();
    }
    if (manager != nullptr) {
        manager->ThreadEnded();
    }
    if (!execution.objectDestroyed) {
        CScopedLock guard(m_runLock);
        m_running = false;
        m_execution = nullptr;
    }
    return result;
}

bool CThread::MayCallHooks()
{
    CScopedLock guard(m_runLock);
    return !m_destroying;
}

void CThread::Terminate()
{
    CScopedLock guard(m_runLock);
    if (m_handle == nullptr || !m_running) {
        return;
    }
    // A thread that ended meanwhile cannot be ended; it is not running either way.
    (void)STI_OS::TerminateThread(m_handle, 0);
    m_terminated = true;
    m_running = false;
    m_execution = nullptr;
}

} // namespace sti
