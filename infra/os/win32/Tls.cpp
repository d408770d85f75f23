#include "infra/os/Tls.h"

#include <windows.h>

namespace STI_OS {

Status AllocTlsSlot(TlsSlot& slot)
{
    const DWORD index = ::TlsAlloc();
    if (index == TLS_OUT_OF_INDEXES) {
        slot = INVALID_TLS_SLOT;
        return ST_FAIL;
    }
    slot = static_cast<TlsSlot>(index);
    return ST_SUCCESS;
}

Status FreeTlsSlot(TlsSlot slot)
{
    if (slot == INVALID_TLS_SLOT)
        return ST_INVALID_PARAM;
    return ::TlsFree(static_cast<DWORD>(slot)) ? ST_SUCCESS : ST_FAIL;
}

Status GetTlsValue(TlsSlot slot, void*& value)
{
    value = nullptr;
    if (slot == INVALID_TLS_SLOT)
        return ST_INVALID_PARAM;
    value = ::TlsGetValue(static_cast<DWORD>(slot));
    return ST_SUCCESS;
}

Status SetTlsValue(TlsSlot slot, void* value)
{
    if (slot == INVALID_TLS_SLOT)
        return ST_INVALID_PARAM;
    return ::TlsSetValue(static_cast<DWORD>(slot), value) ? ST_SUCCESS : ST_FAIL;
}

std::uint32_t GetCurrentThreadId()
{
    return static_cast<std::uint32_t>(::GetCurrentThreadId());
}

} // namespace STI_OS
