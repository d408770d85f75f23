#pragma once
// Icons and cursors, owned or shared, as distinct types so a shared one can never be destroyed:
// - CIcon and CCursor own their handle (loaded at a size, extracted from an image list or made
//   by the caller) and destroy it (DestroyIcon, DestroyCursor). Movable, not copyable.
// - CSharedIcon and CSharedCursor hold what LoadIcon and LoadCursor give: handles the system
//   shares among all users, never destroyed.

#include <windows.h>

#include "framework/AppState.h"

template <BOOL(WINAPI* Destroy)(HICON)>
class COwnedIcon {
public:
    COwnedIcon() = default;
    explicit COwnedIcon(HICON owned) : m_handle(owned) {}
    ~COwnedIcon() { Reset(); }
    COwnedIcon(COwnedIcon&& other) noexcept : m_handle(other.Detach()) {}
    COwnedIcon& operator=(COwnedIcon&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    COwnedIcon(const COwnedIcon&) = delete;
    COwnedIcon& operator=(const COwnedIcon&) = delete;

    HICON GetSafeHandle() const { return m_handle; }
    operator HICON() const { return m_handle; }

    // Destroys the held handle and takes `owned` in its place.
    void Reset(HICON owned = nullptr)
    {
        if (m_handle && m_handle != owned)
            Destroy(m_handle);
        m_handle = owned;
    }
    HICON Detach()
    {
        HICON handle = m_handle;
        m_handle = nullptr;
        return handle;
    }

private:
    HICON m_handle = nullptr;
};

class CIcon : public COwnedIcon<DestroyIcon> {
public:
    using COwnedIcon::COwnedIcon;
    // Icon resource `id` of `module` (null: the resource module) at width x height (0: the
    // system's size for icons), the best-fitting image of the resource. False when it is missing.
    bool Load(UINT id, int width, int height, HINSTANCE module = nullptr);
};

class CCursor : public COwnedIcon<DestroyCursor> {
public:
    using COwnedIcon::COwnedIcon;
    // Cursor resource `id` of `module` (null: the resource module) at its own size.
    bool Load(UINT id, HINSTANCE module = nullptr);
};

// A handle the system shares (LoadIcon, LoadCursor): copied freely, never destroyed.
template <HICON(WINAPI* Loader)(HINSTANCE, LPCSTR)>
class CSharedIconHandle {
public:
    CSharedIconHandle() = default;
    // Resource `id` of `module` (null: the resource module).
    static CSharedIconHandle Load(UINT id, HINSTANCE module = nullptr)
    {
        return CSharedIconHandle(Loader(module ? module : AfxGetResourceHandle(), MAKEINTRESOURCEA(id)));
    }
    // A system one (IDI_APPLICATION, IDC_ARROW ...).
    static CSharedIconHandle System(const char* systemId) { return CSharedIconHandle(Loader(nullptr, systemId)); }

    HICON GetSafeHandle() const { return m_handle; }
    operator HICON() const { return m_handle; }

private:
    explicit CSharedIconHandle(HICON shared) : m_handle(shared) {}
    HICON m_handle = nullptr;
};

using CSharedIcon = CSharedIconHandle<::LoadIconA>;
using CSharedCursor = CSharedIconHandle<::LoadCursorA>;
