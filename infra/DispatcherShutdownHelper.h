#pragma once
// Per-thread helper that shuts the thread's dispatcher down before the dispatcher itself
// is deleted: its per-thread longevity (1) is below the dispatcher's (1880), so at the end
// of a thread, and at exit for the main thread, it dies first.

#include "infra/Longevity.h"

#include <cstdint>

namespace sti {

class CDispatcherShutdownHelper {
public:
    static constexpr std::uint32_t HOLDER_LONGEVITY = longevity::DISPATCHER_SHUTDOWN_HELPER_HOLDER;
    static constexpr std::uint32_t THREAD_LONGEVITY = longevity::DISPATCHER_SHUTDOWN_HELPER;

    // Called after the shutdown of the thread's dispatcher, on the ending thread; lets tests
    // observe the order of the per-thread values.
    using ShutdownHook = void (*)();
    static void SetShutdownHook(ShutdownHook hook);

    CDispatcherShutdownHelper() = default;
    // Shuts down the calling thread's dispatcher if it exists, then calls the hook.
    ~CDispatcherShutdownHelper();

    CDispatcherShutdownHelper(const CDispatcherShutdownHelper&) = delete;
    CDispatcherShutdownHelper& operator=(const CDispatcherShutdownHelper&) = delete;
};

} // namespace sti
