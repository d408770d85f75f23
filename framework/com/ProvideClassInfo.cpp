#include "framework/com/ProvideClassInfo.h"

#include "framework/com/TypeLibrary.h"

STDMETHODIMP CProvideClassInfo2Impl::GetClassInfo(ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    CComPtr<ITypeInfo> found;
    const HRESULT result = ComTypeLibrary::GetTypeInfo(m_clsid, found);
    if (SUCCEEDED(result))
        *info = found.Detach();
    return result;
}

STDMETHODIMP CProvideClassInfo2Impl::GetGUID(DWORD kind, GUID* guid)
{
    if (!guid)
        return E_POINTER;
    *guid = GUID_NULL;
    return kind == GUIDKIND_DEFAULT_SOURCE_DISP_IID ? E_FAIL : E_INVALIDARG;
}
