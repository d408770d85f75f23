#pragma once

#include "infra/Status.h"

#include <cstdint>

namespace STI_OS {

// Thread-local-storage slot index; INVALID_TLS_SLOT until allocated.
using TlsSlot = std::int32_t;
constexpr TlsSlot INVALID_TLS_SLOT = -1;

Status AllocTlsSlot(TlsSlot& slot);
Status FreeTlsSlot(TlsSlot slot);
// value is null when the thread stored nothing or the call failed.
Status GetTlsValue(TlsSlot slot, void*& value);
Status SetTlsValue(TlsSlot slot, void* value);

// Slots whose value belongs to its thread: when a thread ends, however it was started, a value
// it still holds is handed to the slot's destroy function on that thread. (MinGW-w64's C++
// thread_local with a destructor runs it after the thread's storage is gone: measured under
// Wine, threads that end crash.) A slot lives as long as the process; Set does not destroy the
// value it replaces.
using TlsDestroy = void (*)(void* value);
Status AllocOwningTlsSlot(TlsSlot& slot, TlsDestroy destroy);
Status GetOwningTlsValue(TlsSlot slot, void*& value);
Status SetOwningTlsValue(TlsSlot slot, void* value);

// The platform's identifier of the calling thread (GetCurrentThreadId / gettid).
std::uint32_t GetCurrentThreadId();

} // namespace STI_OS
