#include "framework/com/ObjectSafety.h"

#include "framework/ComPtr.h"

bool CObjectSafetyImpl::Answers(REFIID iid, HRESULT& error)
{
    CComPtr<IUnknown> answered;
    error = QueryInterface(iid, answered.ReceiveVoid());
    return SUCCEEDED(error);
}

STDMETHODIMP CObjectSafetyImpl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled)
{
    if (!supported || !enabled)
        return E_POINTER;
    HRESULT error = S_OK;
    if (!Answers(iid, error)) {
        *supported = 0;
        *enabled = 0;
        return error;
    }
    *supported = kSupported;
    *enabled = m_enabled;
    return S_OK;
}

STDMETHODIMP CObjectSafetyImpl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD wanted)
{
    HRESULT error = S_OK;
    if (!Answers(iid, error))
        return E_NOINTERFACE;
    if (mask & ~kSupported)
        return E_FAIL;
    m_enabled = (m_enabled & ~mask) | (mask & wanted);
    return S_OK;
}
