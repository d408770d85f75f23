#pragma once
// CGdiObject: owns one GDI object handle and deletes it (DeleteObject) when destroyed, unless
// it is a stock object, which is shared and never deleted.
//
// The object must not be deleted while it is selected into a device context: select it through
// CSelectGuard (framework/DCGuards.h), declared after the object, so the old one is back first.
// Not copyable; one owner. Any thread, but one object is used by one thread at a time.

#include <windows.h>

class CGdiObject {
public:
    CGdiObject() = default;
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;

    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    operator HGDIOBJ() const { return m_hObject; }

    // Takes ownership of `object` (false, and nothing taken, when one is held already or the
    // handle is null).
    bool Attach(HGDIOBJ object);
    // Gives the handle up without deleting it (after SetWindowRgn took a region, say).
    HGDIOBJ Detach();
    // Deletes the handle now; false when there was none or deletion failed.
    bool DeleteObject();
    // A stock object (GetStockObject index), held but never deleted.
    bool CreateStockObject(int index);

    // GetObject of the handle: the size written, 0 on failure.
    int GetObject(int size, void* buffer) const;

protected:
    bool m_stock = false;
};
