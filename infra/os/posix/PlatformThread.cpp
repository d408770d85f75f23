#include "infra/os/Thread.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>

#include <pthread.h>

namespace STI_OS {

namespace {

// Shared by the handle and the running thread, so either may go first. The thread is
// never joined: "ended" is signalled by the thread itself and the handle detaches it.
struct ThreadState {
    pthread_t thread{};
    ThreadProcedure procedure = nullptr;
    void* argument = nullptr;
    std::mutex lock;
    std::condition_variable endedSignal;
    bool ended = false;
};

struct Handle {
    std::shared_ptr<ThreadState> state;
};

// Marks the thread ended on every way out, a cancellation's unwinding included.
struct EndMarker {
    ThreadState& state;
    ~EndMarker()
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.ended = true;
        state.endedSignal.notify_all();
    }
};

void* StartThread(void* raw)
{
    auto* start = static_cast<std::shared_ptr<ThreadState>*>(raw);
    std::shared_ptr<ThreadState> state = std::move(*start);
    delete start;
    EndMarker marker{*state};
    state->procedure(state->argument);
    return nullptr;
}

} // namespace

Status CreateThread(ThreadProcedure procedure, void* argument, ThreadHandle& handle)
{
    handle = nullptr;
    auto* created = new (std::nothrow) Handle;
    if (created == nullptr) {
        return ST_FAIL;
    }
    try {
        created->state = std::make_shared<ThreadState>();
    } catch (const std::bad_alloc&) {
        delete created;
        return ST_FAIL;
    }
    created->state->procedure = procedure;
    created->state->argument = argument;
    auto* start = new (std::nothrow) std::shared_ptr<ThreadState>(created->state);
    if (start == nullptr) {
        delete created;
        return ST_FAIL;
    }
    pthread_t thread;
    if (pthread_create(&thread, nullptr, StartThread, start) != 0) {
        delete start;
        delete created;
        return ST_FAIL;
    }
    created->state->thread = thread;
    handle = created;
    return ST_SUCCESS;
}

Status WaitThread(ThreadHandle handle, std::uint32_t milliseconds)
{
    if (handle == nullptr) {
        return ST_SUCCESS;
    }
    ThreadState& state = *static_cast<Handle*>(handle)->state;
    std::unique_lock<std::mutex> guard(state.lock);
    if (milliseconds == 0xFFFFFFFFu) {
        state.endedSignal.wait(guard, [&] { return state.ended; });
        return ST_SUCCESS;
    }
    return state.endedSignal.wait_for(guard, std::chrono::milliseconds(milliseconds), [&] { return state.ended; })
               ? ST_SUCCESS
               : ST_TIMEOUT;
}

Status TerminateThread(ThreadHandle handle, std::uint32_t)
{
    if (handle == nullptr) {
        return ST_INVALID_PARAM;
    }
    return pthread_cancel(static_cast<Handle*>(handle)->state->thread) == 0 ? ST_SUCCESS : ST_FAIL;
}

void CloseThreadHandle(ThreadHandle handle)
{
    if (handle == nullptr) {
        return;
    }
    auto* owned = static_cast<Handle*>(handle);
    pthread_detach(owned->state->thread);
    delete owned;
}

} // namespace STI_OS
