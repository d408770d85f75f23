#include "infra/PollerSet.h"

#include <new>

namespace sti {

CPollerSet::~CPollerSet()
{
    CloseHandle();
}

Status CPollerSet::Open()
{
    if (m_open) {
        return ST_SUCCESS;
    }
    Status status = STI_OS::PollInit(m_poll);
    if (status == ST_SUCCESS) {
        m_open = true;
    }
    return status;
}

void CPollerSet::CloseHandle()
{
    if (m_open) {
        // The handle is given up either way; a failed release leaves nothing to undo.
        (void)STI_OS::PollRelease(m_poll);
        m_open = false;
    }
}

IPollableObject* CPollerSet::Slot(STI_OS::SocketHandle handle) const
{
    if (handle < 0 || static_cast<std::size_t>(handle) >= m_table.size()) {
        return nullptr;
    }
    return m_table[static_cast<std::size_t>(handle)];
}

bool CPollerSet::FindIndex(const IPollableObject* object, std::size_t& index) const
{
    if (object == nullptr) {
        return false;
    }
    STI_OS::SocketHandle handle = object->GetHandle();
    if (Slot(handle) == object) {
        index = static_cast<std::size_t>(handle);
        return true;
    }
    for (std::size_t i = 0; i < m_table.size(); ++i) {
        if (m_table[i] == object) {
            index = i;
            return true;
        }
    }
    return false;
}

bool CPollerSet::IsRegistered(const IPollableObject* object) const
{
    std::size_t index = 0;
    return FindIndex(object, index);
}

Status CPollerSet::Register(IPollableObject* object, int pollFlags)
{
    if (object == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    if (!m_open) {
        return ST_INVALID_PARAM;
    }
    STI_OS::SocketHandle handle = object->GetHandle();
    if (handle < 0) {
        return ST_INVALID_PARAM;
    }
    std::size_t index = static_cast<std::size_t>(handle);
    if (index >= m_table.size()) {
        try {
            m_table.resize(index * 2 > index + 1 ? index * 2 : index + 1, nullptr);
        } catch (const std::bad_alloc&) {
            return ST_NO_MEMORY;
        }
    }
    if (m_table[index] != nullptr) {
        return ST_DUPLICATE;
    }
    if (!object->SetNonBlocking()) {
        return ST_SOCKET_ERROR;
    }
    Status status = STI_OS::PollRegister(m_poll, handle, pollFlags);
    if (status != ST_SUCCESS) {
        return status;
    }
    m_table[index] = object;
    return ST_SUCCESS;
}

Status CPollerSet::Unregister(IPollableObject* object)
{
    std::size_t index = 0;
    if (!FindIndex(object, index)) {
        return ST_INVALID_PARAM;
    }
    Status status = STI_OS::PollUnregister(m_poll, static_cast<STI_OS::SocketHandle>(index));
    if (status != ST_SUCCESS) {
        return status;
    }
    m_table[index] = nullptr;
    return ST_SUCCESS;
}

void CPollerSet::Forget(IPollableObject* object)
{
    std::size_t index = 0;
    if (FindIndex(object, index)) {
        // Fails only for a bad handle, which has no interest left to drop.
        (void)STI_OS::PollUnregister(m_poll, static_cast<STI_OS::SocketHandle>(index));
        m_table[index] = nullptr;
    }
}

Status CPollerSet::AddInterest(IPollableObject* object, int pollFlags)
{
    std::size_t index = 0;
    if (!FindIndex(object, index)) {
        return ST_INVALID_PARAM;
    }
    return STI_OS::PollAddInterest(m_poll, static_cast<STI_OS::SocketHandle>(index), pollFlags);
}

Status CPollerSet::RemoveInterest(IPollableObject* object, int pollFlags)
{
    std::size_t index = 0;
    if (!FindIndex(object, index)) {
        return ST_INVALID_PARAM;
    }
    return STI_OS::PollRemoveInterest(m_poll, static_cast<STI_OS::SocketHandle>(index), pollFlags);
}

Status CPollerSet::SetInterest(IPollableObject* object, int pollFlags)
{
    std::size_t index = 0;
    if (!FindIndex(object, index)) {
        return ST_INVALID_PARAM;
    }
    return STI_OS::PollSetInterest(m_poll, static_cast<STI_OS::SocketHandle>(index), pollFlags);
}

Status CPollerSet::GetInterest(IPollableObject* object, int& pollFlags)
{
    pollFlags = 0;
    std::size_t index = 0;
    if (!FindIndex(object, index)) {
        return ST_INVALID_PARAM;
    }
    return STI_OS::PollGetInterest(m_poll, static_cast<STI_OS::SocketHandle>(index), pollFlags);
}

Status CPollerSet::Wait(std::uint32_t milliseconds)
{
    if (!m_open) {
        return ST_INVALID_PARAM;
    }
    return STI_OS::PollWait(m_poll, milliseconds);
}

Status CPollerSet::NextReady(IPollableObject*& object, int& flags)
{
    object = nullptr;
    flags = 0;
    for (;;) {
        STI_OS::SocketHandle handle = STI_OS::INVALID_SOCKET_HANDLE;
        int ready = 0;
        Status status = STI_OS::PollNextReady(m_poll, handle, ready);
        if (status != ST_SUCCESS) {
            return status;
        }
        if (IPollableObject* found = Slot(handle)) {
            object = found;
            flags = ready;
            return ST_SUCCESS;
        }
    }
}

void CPollerSet::Visit(IPollerVisitor& visitor) const
{
    for (std::size_t i = 0; i < m_table.size(); ++i) {
        if (m_table[i] != nullptr) {
            visitor.Visit(static_cast<STI_OS::SocketHandle>(i), m_table[i]);
        }
    }
}

} // namespace sti
