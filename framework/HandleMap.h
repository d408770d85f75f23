#pragma once
// A permanent map from a handle to the one object attached to it (windows, menus).
// User-interface thread only: not locked. Debug builds check it: the first attach or look-up
// makes its thread the map's owner, and an attach, detach or look-up from any other thread
// prints the entry ("CWnd::Attach") and aborts (infra/ThreadOwner.h).

#include <string>
#include <unordered_map>

#include "infra/ThreadOwner.h"

template <typename Handle, typename Object>
class CHandleMap {
public:
    // `owner` names the class whose objects the map holds, for the check's message.
    explicit CHandleMap(const char* owner)
        : m_findEntry(std::string(owner) + "::FromHandlePermanent"), m_attachEntry(std::string(owner) + "::Attach"),
          m_detachEntry(std::string(owner) + "::Detach")
    {}

    Object* Find(Handle handle) const
    {
        Check(m_findEntry);
        auto it = m_map.find(handle);
        return it == m_map.end() ? nullptr : it->second;
    }
    // Attaches when neither the handle nor the object's slot is taken.
    bool Attach(Handle handle, Object* object, Handle& slot)
    {
        Check(m_attachEntry);
        if (!handle || slot || m_map.count(handle))
            return false;
        m_map[handle] = object;
        slot = handle;
        return true;
    }
    Handle Detach(Handle& slot)
    {
        Check(m_detachEntry);
        Handle handle = slot;
        if (handle)
            m_map.erase(handle);
        slot = nullptr;
        return handle;
    }

private:
    void Check(const std::string& entry) const { m_owner.Check(__FILE__, __LINE__, entry.c_str()); }

    std::unordered_map<Handle, Object*> m_map;
    sti::CThreadOwner m_owner;
    const std::string m_findEntry;
    const std::string m_attachEntry;
    const std::string m_detachEntry;
};
