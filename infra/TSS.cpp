#include "infra/TSS.h"

namespace sti {
namespace implementation {

CTSSBase::~CTSSBase()
{
    if (m_allocated.load(std::memory_order_acquire)) {
        // The slot is given up either way; a failed free leaves nothing to undo.
        (void)STI_OS::FreeTlsSlot(m_slot);
    }
}

bool CTSSBase::EnsureSlot()
{
    if (m_allocated.load(std::memory_order_acquire)) {
        return true;
    }
    CScopedLock guard(m_lock);
    if (m_allocated.load(std::memory_order_relaxed)) {
        return true;
    }
    STI_OS::TlsSlot slot = STI_OS::INVALID_TLS_SLOT;
    if (STI_OS::AllocTlsSlot(slot) != ST_SUCCESS) {
        return false;
    }
    m_slot = slot;
    m_allocated.store(true, std::memory_order_release);
    return true;
}

void* CTSSBase::GetRaw()
{
    if (!EnsureSlot()) {
        return nullptr;
    }
    void* value = nullptr;
    if (STI_OS::GetTlsValue(m_slot, value) != ST_SUCCESS) {
        return nullptr;
    }
    return value;
}

void CTSSBase::SetRaw(void* value)
{
    if (EnsureSlot()) {
        // Instance reads the value back, so a failed store shows there.
        (void)STI_OS::SetTlsValue(m_slot, value);
    }
}

} // namespace implementation
} // namespace sti
