#include "control/TNControl.h"

#include <cwchar>
#include <string>

#include "control/LinkHandOff.h"
#include "control/portable/LinkText.h"
#include "framework/com/TypeLibrary.h"

namespace {

// The design-time picture's caption.
const char kCaption[] = "ATL 7.0 : TNControl";

struct SDispatchName {
    const wchar_t* name;
    DISPID id;
};
const SDispatchName kDispatchNames[] = {
    {L"link", CTNControl::kDispidLink},
    {L"DownloadFileLink", CTNControl::kDispidDownloadFileLink},
};

bool SameNameAnyCase(const wchar_t* a, const wchar_t* b)
{
    for (;; ++a, ++b) {
        const wchar_t x = (*a >= L'A' && *a <= L'Z') ? static_cast<wchar_t>(*a - L'A' + L'a') : *a;
        const wchar_t y = (*b >= L'A' && *b <= L'Z') ? static_cast<wchar_t>(*b - L'A' + L'a') : *b;
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

} // namespace

CTNControl::CTNControl()
    : CWindowlessControl(CLSID_TNControl, kMiscStatus), CSupportErrorInfoImpl(IID_ITNControl),
      CProvideClassInfo2Impl(CLSID_TNControl)
{}

const CInterfaceEntry<CTNControl>* CTNControl::InterfaceTable()
{
    static const CInterfaceEntry<CTNControl> table[] = {
        {&IID_ITNControl, InterfaceOf<CTNControl, ITNControl>},
        {&IID_IDispatch, InterfaceOf<CTNControl, IDispatch, ITNControl>},
        {&IID_IObjectSafety, InterfaceOf<CTNControl, IObjectSafety>},
        {&IID_ISupportErrorInfo, InterfaceOf<CTNControl, ISupportErrorInfo>},
        {&IID_IProvideClassInfo, InterfaceOf<CTNControl, IProvideClassInfo, IProvideClassInfo2>},
        {&IID_IProvideClassInfo2, InterfaceOf<CTNControl, IProvideClassInfo2>},
        {&IID_IOleObject, InterfaceOf<CTNControl, IOleObject>},
        {&IID_IOleWindow, InterfaceOf<CTNControl, IOleWindow, IOleInPlaceObjectWindowless>},
        {&IID_IOleInPlaceObject, InterfaceOf<CTNControl, IOleInPlaceObject, IOleInPlaceObjectWindowless>},
        {&IID_IOleInPlaceObjectWindowless, InterfaceOf<CTNControl, IOleInPlaceObjectWindowless>},
        {&IID_IOleInPlaceActiveObject, InterfaceOf<CTNControl, IOleInPlaceActiveObject>},
        {&IID_IViewObject, InterfaceOf<CTNControl, IViewObject, IViewObject2>},
        {&IID_IViewObject2, InterfaceOf<CTNControl, IViewObject2>},
        {&IID_IPersist, InterfaceOf<CTNControl, IPersist, IPersistStreamInit>},
        {&IID_IPersistStreamInit, InterfaceOf<CTNControl, IPersistStreamInit>},
        {&IID_IPersistPropertyBag, InterfaceOf<CTNControl, IPersistPropertyBag>},
        {&IID_IOleControl, InterfaceOf<CTNControl, IOleControl>},
        {nullptr, nullptr},
    };
    return table;
}

// --- IDispatch ----------------------------------------------------------------------------------

STDMETHODIMP CTNControl::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP CTNControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    if (!m_typeInfo) {
        const HRESULT result = ComTypeLibrary::GetTypeInfo(IID_ITNControl, m_typeInfo);
        if (FAILED(result))
            return result;
    }
    *info = m_typeInfo.Get();
    (*info)->AddRef();
    return S_OK;
}

STDMETHODIMP CTNControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (count > 0 && (!names || !ids))
        return E_POINTER;
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (const SDispatchName& known : kDispatchNames) {
            if (names[i] && SameNameAnyCase(names[i], known.name)) {
                ids[i] = known.id;
                break;
            }
        }
        if (ids[i] == DISPID_UNKNOWN)
            result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

STDMETHODIMP CTNControl::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                                UINT* argumentError)
{
    if (!parameters)
        return DISP_E_BADVARTYPE;
    if (parameters->cArgs > 1)
        return DISP_E_BADPARAMCOUNT;
    // An out parameter: what the caller left in it is not ours to free.
    if (result)
        VariantInit(result);
    if (id != kDispidDownloadFileLink)
        return DISP_E_MEMBERNOTFOUND;
    if (parameters->cArgs != 1 || !parameters->rgvarg)
        return DISP_E_BADPARAMCOUNT;
    // Coerced on a copy of our own: a script's argument may be a reference or an object.
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, &parameters->rgvarg[0], 0, VT_BSTR))) {
        if (argumentError)
            *argumentError = 0;
        return DISP_E_TYPEMISMATCH;
    }
    const HRESULT called = DownloadFileLink(text.bstrVal);
    VariantClear(&text);
    return called;
}

// --- ITNControl ---------------------------------------------------------------------------------

STDMETHODIMP CTNControl::DownloadFileLink(BSTR link)
{
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "a BSTR holds UTF-16 code units");
    try {
        std::string text;
        if (HandOverLinkFromText(reinterpret_cast<const char16_t*>(link), SysStringLen(link), text) !=
            LinkTextFault::None)
            return E_FAIL;
        return HandLinkToTarnix(text) ? S_OK : E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

// --- Design-time drawing ------------------------------------------------------------------------

void CTNControl::OnDraw(HDC dc, const RECT& bounds)
{
    // The caller restores the DC's clip and text alignment.
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    Rectangle(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    SetTextAlign(dc, TA_CENTER | TA_BASELINE);
    TextOutA(dc, (bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2, kCaption,
             static_cast<int>(sizeof kCaption - 1));
}
