#pragma once
// Reference counting and QueryInterface for the objects of an in-process COM server.
//
// A class T derives from its interfaces and from CComObjectRoot, and lists the interfaces it
// answers in a table ended by an entry whose iid is null:
//     static const CInterfaceEntry<T>* InterfaceTable();
// Its first entry is also its IUnknown, so the object's identity never changes. T is made only
// as CComObject<T> (CreateInstance), which implements IUnknown once for all of T's interfaces and
// deletes the object at its last Release. Every live object holds a lock on the module.
// Objects belong to the apartment that made them; only the counts are interlocked.

#include <new>
#include <utility>

#include <windows.h>
#include <objbase.h>

#include "framework/com/ComModule.h"

template <class T>
struct CInterfaceEntry {
    const IID* iid;
    void* (*get)(T* object);
};

// An entry's getter: the object as Interface, reached through Via where Interface is inherited
// along more than one path (IUnknown, IOleWindow, IPersist).
template <class T, class Interface, class Via = Interface>
void* InterfaceOf(T* object)
{
    return static_cast<Interface*>(static_cast<Via*>(object));
}

class CComObjectRoot {
public:
    CComObjectRoot(const CComObjectRoot&) = delete;
    CComObjectRoot& operator=(const CComObjectRoot&) = delete;

protected:
    CComObjectRoot() { CComModule::Instance().Lock(); }
    virtual ~CComObjectRoot() { CComModule::Instance().Unlock(); }

    ULONG InternalAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG InternalRelease() { return static_cast<ULONG>(InterlockedDecrement(&m_references)); }

private:
    volatile LONG m_references = 0;
};

template <class T>
class CComObject final : public T {
public:
    // Makes an object and hands out its interface `iid` in *out (null on failure). The arguments
    // go to T's constructor.
    template <class... Args>
    static HRESULT CreateInstance(REFIID iid, void** out, Args&&... args) noexcept
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        CComObject* object = nullptr;
        try {
            object = new CComObject(std::forward<Args>(args)...);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        object->InternalAddRef();
        const HRESULT result = object->QueryInterface(iid, out);
        object->Release();
        return result;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        const CInterfaceEntry<T>* table = T::InterfaceTable();
        if (IsEqualIID(iid, IID_IUnknown)) {
            *out = table[0].get(this);
        } else {
            for (const CInterfaceEntry<T>* entry = table; entry->iid; ++entry) {
                if (IsEqualIID(iid, *entry->iid)) {
                    *out = entry->get(this);
                    break;
                }
            }
        }
        if (!*out)
            return E_NOINTERFACE;
        this->InternalAddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->InternalAddRef(); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = this->InternalRelease();
        if (left == 0)
            delete this;
        return left;
    }

private:
    template <class... Args>
    explicit CComObject(Args&&... args) : T(std::forward<Args>(args)...)
    {}
    ~CComObject() override = default;
};
