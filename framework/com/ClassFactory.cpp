#include "framework/com/ClassFactory.h"

const CInterfaceEntry<CClassFactory>* CClassFactory::InterfaceTable()
{
    static const CInterfaceEntry<CClassFactory> table[] = {
        {&IID_IClassFactory, InterfaceOf<CClassFactory, IClassFactory>},
        {nullptr, nullptr},
    };
    return table;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return m_create(iid, out);
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock)
{
    if (lock)
        CComModule::Instance().Lock();
    else
        CComModule::Instance().Unlock();
    return S_OK;
}
