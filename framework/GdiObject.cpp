#include "framework/GdiObject.h"

bool CGdiObject::Attach(HGDIOBJ object)
{
    if (m_hObject || !object)
        return false;
    m_hObject = object;
    m_stock = false;
    return true;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ object = m_hObject;
    m_hObject = nullptr;
    m_stock = false;
    return object;
}

bool CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return false;
    const bool deleted = m_stock || ::DeleteObject(m_hObject) != FALSE;
    m_hObject = nullptr;
    m_stock = false;
    return deleted;
}

bool CGdiObject::CreateStockObject(int index)
{
    if (m_hObject)
        return false;
    m_hObject = ::GetStockObject(index);
    m_stock = m_hObject != nullptr;
    return m_stock;
}

int CGdiObject::GetObject(int size, void* buffer) const
{
    return m_hObject ? ::GetObjectA(m_hObject, size, buffer) : 0;
}
