#pragma once
// One T per thread, made on that thread's first call and destroyed when the thread ends,
// however it was started. Use it in place of a `thread_local` object with a destructor, which
// MinGW-w64 runs after the thread's storage is gone (STI_OS owning slots, infra/os/Tls.h).
// A value outlives its thread only on a process exit that skips thread ends (the main thread).

#include "infra/os/Tls.h"

#include <new>

namespace sti {

// The calling thread's T; null when no slot or no memory is to be had.
template <class T>
T* ThreadOwned()
{
    struct SSlot {
        static void Destroy(void* value) { delete static_cast<T*>(value); }
        static STI_OS::TlsSlot Make()
        {
            STI_OS::TlsSlot slot = STI_OS::INVALID_TLS_SLOT;
            return STI_OS::AllocOwningTlsSlot(slot, &Destroy) == ST_SUCCESS ? slot : STI_OS::INVALID_TLS_SLOT;
        }
    };
    static const STI_OS::TlsSlot slot = SSlot::Make();
    void* value = nullptr;
    if (STI_OS::GetOwningTlsValue(slot, value) != ST_SUCCESS)
        return nullptr;
    if (value == nullptr) {
        T* made = new (std::nothrow) T();
        if (made == nullptr)
            return nullptr;
        if (STI_OS::SetOwningTlsValue(slot, made) != ST_SUCCESS) {
            delete made;
            return nullptr;
        }
        value = made;
    }
    return static_cast<T*>(value);
}

} // namespace sti
