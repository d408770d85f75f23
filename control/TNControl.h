#pragma once
// CTNControl: the browser link control. A web page creates it from script and calls
// DownloadFileLink with a file link; the control hands the link to the running program, or
// starts the program with it (control/LinkHandOff.h). It is safe for untrusted callers and data,
// has no properties and no events, and draws a framed name in design mode. Apartment-threaded:
// every method runs on the page's thread. Made as CComObject<CTNControl> by the class factory.

#include <windows.h>
#include <oaidl.h>

#include "TNControlAX.h" // made by widl from TNControlAX.idl
#include "framework/ComPtr.h"
#include "framework/com/ComObject.h"
#include "framework/com/ObjectSafety.h"
#include "framework/com/ProvideClassInfo.h"
#include "framework/com/SupportErrorInfo.h"
#include "framework/com/WindowlessControl.h"

class CTNControl : public ITNControl,
                   public CComObjectRoot,
                   public CWindowlessControl,
                   public CObjectSafetyImpl,
                   public CSupportErrorInfoImpl,
                   public CProvideClassInfo2Impl {
public:
    // The OLEMISC bits of the control, registered under MiscStatus\1 as well: recompose on
    // resize, no linking inside, inside-out, activate when visible, client site first.
    static const DWORD kMiscStatus = 131473;
    // The dispatch ids: the method, and its parameter's name.
    static const DISPID kDispidLink = 0;
    static const DISPID kDispidDownloadFileLink = 1;

    static const CInterfaceEntry<CTNControl>* InterfaceTable();

    // --- IDispatch: names and calls by the table below, the type information from the type library
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    // "link" is 0 and "DownloadFileLink" 1, in any case; any other name DISP_E_UNKNOWNNAME.
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    // In this order: null parameters DISP_E_BADVARTYPE; more than one argument
    // DISP_E_BADPARAMCOUNT; the result cleared; an id other than 1 DISP_E_MEMBERNOTFOUND; not one
    // argument DISP_E_BADPARAMCOUNT; an argument that cannot be made text DISP_E_TYPEMISMATCH (its
    // index 0 in *argumentError); else DownloadFileLink's result.
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

    // --- ITNControl
    // S_OK once the link is handed over or the program started with it; E_FAIL for anything
    // else, with no error info and nothing shown.
    STDMETHODIMP DownloadFileLink(BSTR link) override;

protected:
    CTNControl();

    void OnDraw(HDC dc, const RECT& bounds) override;

private:
    CComPtr<ITypeInfo> m_typeInfo; // ITNControl's, loaded on first use
};
