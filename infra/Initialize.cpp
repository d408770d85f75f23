#include "infra/Initialize.h"

#include "infra/DispatcherShutdownHelper.h"
#include "infra/Singleton.h"
#include "infra/TSS.h"
#include "infra/os/CrashReporter.h"
#include "infra/os/RealPoller.h"
#include "infra/os/Socket.h"
#include "infra/os/Tls.h"

#include <atomic>

namespace sti {

namespace {

std::atomic<bool> s_initialised{false};
std::atomic<bool> s_mainThreadKnown{false};
std::atomic<std::uint32_t> s_mainThreadId{0};

CMutex& StartupLock()
{
    static CMutex* lock = new CMutex; // never destroyed: Initialize may run during exit
    return *lock;
}

void RecordMainThread()
{
    bool expected = false;
    std::uint32_t id = STI_OS::GetCurrentThreadId();
    // The first caller wins; the flag is raised only after the id is stored.
    static std::atomic<bool> claimed{false};
    if (claimed.compare_exchange_strong(expected, true)) {
        s_mainThreadId.store(id, std::memory_order_relaxed);
        s_mainThreadKnown.store(true, std::memory_order_release);
    }
}

struct AutoInitialize {
    AutoInitialize() { Initialize(); }
};
const AutoInitialize s_autoInitialize;

} // namespace

void Initialize()
{
    if (s_initialised.load(std::memory_order_acquire)) {
        return;
    }
    RecordMainThread();
    CScopedLock guard(StartupLock());
    if (s_initialised.load(std::memory_order_relaxed)) {
        return;
    }
    STI_OS::InstallCrashReporter();
    CSingleton<STI_OS::internal::_CInitSockets>::Instance();
    CSingleton<STI_OS::internal::_RealPoller>::Instance();
    CTSS_Singleton<CDispatcherShutdownHelper>::Instance();
    s_initialised.store(true, std::memory_order_release);
}

bool IsMainThread()
{
    return s_mainThreadKnown.load(std::memory_order_acquire) &&
           s_mainThreadId.load(std::memory_order_relaxed) == STI_OS::GetCurrentThreadId();
}

} // namespace sti
