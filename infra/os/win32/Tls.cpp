#include "infra/os/Tls.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <new>

namespace STI_OS {

namespace {

// What an owning slot holds for a thread: fiber-local storage hands only the value to its
// callback, so the value travels with its slot's destroy function.
struct SOwnedValue {
    TlsDestroy destroy;
    void* value;
};

void WINAPI ReleaseOwnedValue(void* data)
{
    SOwnedValue* owned = static_cast<SOwnedValue*>(data);
    if (owned == nullptr)
        return;
    if (owned->value != nullptr)
        owned->destroy(owned->value);
    delete owned;
}

std::mutex& OwningSlotsLock()
{
    static std::mutex lock;
    return lock;
}

std::map<TlsSlot, TlsDestroy>& OwningSlots()
{
    static std::map<TlsSlot, TlsDestroy> slots;
    return slots;
}

} // namespace

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

Status AllocOwningTlsSlot(TlsSlot& slot, TlsDestroy destroy)
{
    slot = INVALID_TLS_SLOT;
    if (destroy == nullptr)
        return ST_INVALID_PARAM;
    // Fiber-local storage calls back on every thread's exit, whoever started the thread.
    const DWORD index = ::FlsAlloc(ReleaseOwnedValue);
    if (index == FLS_OUT_OF_INDEXES)
        return ST_FAIL;
    try {
        std::lock_guard<std::mutex> guard(OwningSlotsLock());
        OwningSlots()[static_cast<TlsSlot>(index)] = destroy;
    } catch (const std::bad_alloc&) {
        ::FlsFree(index);
        return ST_NO_MEMORY;
    }
    slot = static_cast<TlsSlot>(index);
    return ST_SUCCESS;
}

Status GetOwningTlsValue(TlsSlot slot, void*& value)
{
    value = nullptr;
    if (slot == INVALID_TLS_SLOT)
        return ST_INVALID_PARAM;
    const SOwnedValue* owned = static_cast<const SOwnedValue*>(::FlsGetValue(static_cast<DWORD>(slot)));
    value = owned != nullptr ? owned->value : nullptr;
    return ST_SUCCESS;
}

Status SetOwningTlsValue(TlsSlot slot, void* value)
{
    if (slot == INVALID_TLS_SLOT)
        return ST_INVALID_PARAM;
    SOwnedValue* owned = static_cast<SOwnedValue*>(::FlsGetValue(static_cast<DWORD>(slot)));
    if (owned != nullptr) {
        owned->value = value;
        return ST_SUCCESS;
    }
    if (value == nullptr)
        return ST_SUCCESS;
    TlsDestroy destroy = nullptr;
    {
        std::lock_guard<std::mutex> guard(OwningSlotsLock());
        const auto found = OwningSlots().find(slot);
        if (found == OwningSlots().end())
            return ST_INVALID_PARAM;
        destroy = found->second;
    }
    owned = new (std::nothrow) SOwnedValue{destroy, value};
    if (owned == nullptr)
        return ST_NO_MEMORY;
    if (!::FlsSetValue(static_cast<DWORD>(slot), owned)) {
        delete owned;
        return ST_FAIL;
    }
    return ST_SUCCESS;
}

std::uint32_t GetCurrentThreadId()
{
    return static_cast<std::uint32_t>(::GetCurrentThreadId());
}

} // namespace STI_OS
