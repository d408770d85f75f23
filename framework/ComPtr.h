#pragma once
// CComPtr<T>: holds one reference to a COM interface and releases it on destruction.

#include <windows.h>
#include <objbase.h>

template <typename T>
class CComPtr {
public:
    CComPtr() = default;
    // Takes over a reference the caller already holds (as an out parameter gives it).
    static CComPtr Attach(T* raw)
    {
        CComPtr p;
        p.m_ptr = raw;
        return p;
    }
    CComPtr(const CComPtr& other) : m_ptr(other.m_ptr)
    {
        if (m_ptr)
            m_ptr->AddRef();
    }
    CComPtr(CComPtr&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    CComPtr& operator=(CComPtr other) noexcept
    {
        T* t = m_ptr;
        m_ptr = other.m_ptr;
        other.m_ptr = t;
        return *this;
    }
    ~CComPtr() { Reset(); }

    void Reset()
    {
        if (m_ptr) {
            T* t = m_ptr;
            m_ptr = nullptr;
            t->Release();
        }
    }
    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }
    // For out parameters: drops the current reference and lends the slot.
    T** Receive()
    {
        Reset();
        return &m_ptr;
    }
    // For out parameters typed void** (CoCreateInstance, QueryInterface).
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    T* Detach()
    {
        T* t = m_ptr;
        m_ptr = nullptr;
        return t;
    }

    template <typename U>
    HRESULT QueryInterface(REFIID iid, CComPtr<U>& out) const
    {
        if (!m_ptr)
            return E_POINTER;
        return m_ptr->QueryInterface(iid, out.ReceiveVoid());
    }

private:
    T* m_ptr = nullptr;
};
