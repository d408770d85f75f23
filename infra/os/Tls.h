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

// The platform's identifier of the calling thread (GetCurrentThreadId / gettid).
std::uint32_t GetCurrentThreadId();

} // namespace STI_OS
