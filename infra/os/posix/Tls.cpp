#include "infra/os/Tls.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace STI_OS {

Status AllocTlsSlot(TlsSlot& slot)
{
    pthread_key_t key;
    if (::pthread_key_create(&key, nullptr) != 0) {
        slot = INVALID_TLS_SLOT;
        return ST_FAIL;
    }
    slot = static_cast<TlsSlot>(key);
    return ST_SUCCESS;
}

Status FreeTlsSlot(TlsSlot slot)
{
    if (slot == INVALID_TLS_SLOT)
        return ST_INVALID_PARAM;
    return ::pthread_key_delete(static_cast<pthread_key_t>(slot)) == 0 ? ST_SUCCESS : ST_FAIL;
}

Status GetTlsValue(TlsSlot slot, void*& value)
{
    value = nullptr;
    if (slot == INVALID_TLS_SLOT)
        return ST_INVALID_PARAM;
    value = ::pthread_getspecific(static_cast<pthread_key_t>(slot));
    return ST_SUCCESS;
}

Status SetTlsValue(TlsSlot slot, void* value)
{
    if (slot == INVALID_TLS_SLOT)
        return ST_INVALID_PARAM;
    return ::pthread_setspecific(static_cast<pthread_key_t>(slot), value) == 0 ? ST_SUCCESS : ST_FAIL;
}

Status AllocOwningTlsSlot(TlsSlot& slot, TlsDestroy destroy)
{
    slot = INVALID_TLS_SLOT;
    pthread_key_t key;
    if (destroy == nullptr)
        return ST_INVALID_PARAM;
    if (::pthread_key_create(&key, destroy) != 0)
        return ST_FAIL;
    slot = static_cast<TlsSlot>(key);
    return ST_SUCCESS;
}

Status GetOwningTlsValue(TlsSlot slot, void*& value)
{
    return GetTlsValue(slot, value);
}

Status SetOwningTlsValue(TlsSlot slot, void* value)
{
    return SetTlsValue(slot, value);
}

std::uint32_t GetCurrentThreadId()
{
    return static_cast<std::uint32_t>(::syscall(SYS_gettid));
}

} // namespace STI_OS
