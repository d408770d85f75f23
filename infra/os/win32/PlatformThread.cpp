#include "infra/os/Thread.h"

#include <new>

#include <windows.h>
#include <process.h>

namespace STI_OS {

namespace {

struct StartRecord {
    ThreadProcedure procedure;
    void* argument;
};

unsigned __stdcall StartThread(void* raw)
{
    StartRecord record = *static_cast<StartRecord*>(raw);
    delete static_cast<StartRecord*>(raw);
    return record.procedure(record.argument);
}

} // namespace

Status CreateThread(ThreadProcedure procedure, void* argument, ThreadHandle& handle)
{
    handle = nullptr;
    auto* record = new (std::nothrow) StartRecord{procedure, argument};
    if (record == nullptr) {
        return ST_FAIL;
    }
    // The C runtime's own start-up, so its per-thread data is set up and freed.
    std::uintptr_t created = _beginthreadex(nullptr, 0, StartThread, record, 0, nullptr);
    if (created == 0) {
        delete record;
        return ST_FAIL;
    }
    handle = reinterpret_cast<ThreadHandle>(created);
    return ST_SUCCESS;
}

Status WaitThread(ThreadHandle handle, std::uint32_t milliseconds)
{
    if (handle == nullptr) {
        return ST_SUCCESS;
    }
    return ::WaitForSingleObject(static_cast<HANDLE>(handle), milliseconds) == WAIT_TIMEOUT ? ST_TIMEOUT : ST_SUCCESS;
}

Status TerminateThread(ThreadHandle handle, std::uint32_t exitCode)
{
    if (handle == nullptr) {
        return ST_INVALID_PARAM;
    }
    return ::TerminateThread(static_cast<HANDLE>(handle), exitCode) ? ST_SUCCESS : ST_FAIL;
}

void CloseThreadHandle(ThreadHandle handle)
{
    if (handle != nullptr) {
        ::CloseHandle(static_cast<HANDLE>(handle));
    }
}

} // namespace STI_OS
