#pragma once
// CProvideClassInfo2Impl: IProvideClassInfo2 for a class described in the module's type library
// (framework/com/TypeLibrary.h). The class has no outgoing interface. The object's apartment
// thread.

#include <windows.h>
#include <ocidl.h>

class CProvideClassInfo2Impl : public IProvideClassInfo2 {
public:
    // The class's type information from the module's type library.
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    // GUIDKIND_DEFAULT_SOURCE_DISP_IID: GUID_NULL and E_FAIL, as there are no events; any other
    // kind: E_INVALIDARG.
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

protected:
    explicit CProvideClassInfo2Impl(const CLSID& clsid) : m_clsid(clsid) {}

private:
    const CLSID& m_clsid; // a constant of the server
};
