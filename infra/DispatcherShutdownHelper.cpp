#include "infra/DispatcherShutdownHelper.h"

#include "infra/Dispatcher.h"

#include <atomic>

namespace sti {

namespace {
std::atomic<CDispatcherShutdownHelper::ShutdownHook> s_shutdownHook{nullptr};
} // namespace

void CDispatcherShutdownHelper::SetShutdownHook(ShutdownHook hook)
{
    s_shutdownHook.store(hook, std::memory_order_release);
}

// Runs on the ending thread (the main thread at exit), before that thread's dispatcher is
// deleted: handlers still hear OnDetach while everything they use is alive.
CDispatcherShutdownHelper::~CDispatcherShutdownHelper()
{
    if (CDispatcher* dispatcher = CDispatcher::Existing()) {
        dispatcher->Shutdown();
    }
    if (ShutdownHook hook = s_shutdownHook.load(std::memory_order_acquire)) {
        hook();
    }
}

} // namespace sti
