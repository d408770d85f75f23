#pragma once
// CClassFactory: the class object DllGetClassObject hands out for one class of the server. It
// makes instances through the class's creation function and keeps the module loaded while a
// client holds LockServer(TRUE). Instances cannot be aggregated. Made as CComObject<CClassFactory>.

#include <windows.h>
#include <objbase.h>

#include "framework/com/ComObject.h"

// Makes one instance of a class and hands out its interface `iid` (CComObject<T>::CreateInstance).
using ComCreateFunction = HRESULT (*)(REFIID iid, void** out);

class CClassFactory : public IClassFactory, public CComObjectRoot {
public:
    static const CInterfaceEntry<CClassFactory>* InterfaceTable();

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

protected:
    explicit CClassFactory(ComCreateFunction create) : m_create(create) {}

private:
    ComCreateFunction m_create;
};
