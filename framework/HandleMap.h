#pragma once
// A permanent map from a handle to the one object attached to it (windows, menus).
// User-interface thread only: not locked.

#include <unordered_map>

template <typename Handle, typename Object>
class CHandleMap {
public:
    Object* Find(Handle handle) const
    {
        auto it = m_map.find(handle);
        return it == m_map.end() ? nullptr : it->second;
    }
    // Attaches when neither the handle nor the object's slot is taken.
    bool Attach(Handle handle, Object* object, Handle& slot)
    {
        if (!handle || slot || Find(handle))
            return false;
        m_map[handle] = object;
        slot = handle;
        return true;
    }
    Handle Detach(Handle& slot)
    {
        Handle handle = slot;
        if (handle)
            m_map.erase(handle);
        slot = nullptr;
        return handle;
    }

private:
    std::unordered_map<Handle, Object*> m_map;
};
