#include "framework/com/WindowlessControl.h"

#include "framework/DCGuards.h"

namespace {

// A new control is one inch square until its container sets its extent.
const LONG kDefaultExtent = 2540; // HIMETRIC

RECT ToRect(const RECTL& r)
{
    return RECT{r.left, r.top, r.right, r.bottom};
}

// A reference of our own to an interface the caller lends.
template <class T>
CComPtr<T> Hold(T* lent)
{
    if (lent)
        lent->AddRef();
    return CComPtr<T>::Attach(lent);
}

} // namespace

CWindowlessControl::CWindowlessControl(const CLSID& clsid, DWORD miscStatus)
    : m_clsid(clsid), m_miscStatus(miscStatus), m_extent{kDefaultExtent, kDefaultExtent}
{}

CWindowlessControl::~CWindowlessControl() = default;

// --- IOleObject ---------------------------------------------------------------------------------

STDMETHODIMP CWindowlessControl::SetClientSite(IOleClientSite* site)
{
    m_site = Hold(site);
    return S_OK;
}

STDMETHODIMP CWindowlessControl::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    *site = m_site.Get();
    if (*site)
        (*site)->AddRef();
    return S_OK;
}

STDMETHODIMP CWindowlessControl::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::Close(DWORD)
{
    InPlaceDeactivate();
    m_viewSink.Reset();
    if (m_adviseHolder) {
        m_adviseHolder->SendOnClose();
        m_adviseHolder.Reset();
    }
    return S_OK;
}

STDMETHODIMP CWindowlessControl::SetMoniker(DWORD, IMoniker*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::InitFromData(IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::GetClipboardData(DWORD, IDataObject** data)
{
    if (data)
        *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT position)
{
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(position);
    case OLEIVERB_HIDE:
        return UIDeactivate();
    default:
        return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
    }
}

HRESULT CWindowlessControl::InPlaceActivate(LPCRECT position)
{
    if (m_inPlaceSite)
        return S_OK;
    if (!m_site)
        return E_UNEXPECTED;
    CComPtr<IOleInPlaceSiteWindowless> site;
    if (FAILED(m_site.QueryInterface(IID_IOleInPlaceSiteWindowless, site)))
        return E_FAIL; // no window of our own to offer a windowed container
    if (site->CanInPlaceActivate() != S_OK || site->CanWindowlessActivate() != S_OK)
        return E_FAIL;
    BOOL noRedraw = FALSE;
    HRESULT result = site->OnInPlaceActivateEx(&noRedraw, ACTIVATE_WINDOWLESS);
    if (FAILED(result))
        return result;
    CComPtr<IOleInPlaceFrame> frame;
    CComPtr<IOleInPlaceUIWindow> document;
    RECT place = {};
    RECT clip = {};
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof frameInfo;
    result = site->GetWindowContext(frame.Receive(), document.Receive(), &place, &clip, &frameInfo);
    if (FAILED(result)) {
        site->OnInPlaceDeactivate();
        return result;
    }
    m_position = position ? *position : place;
    m_inPlaceSite = site;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::EnumVerbs(IEnumOLEVERB** verbs)
{
    if (!verbs)
        return E_POINTER;
    *verbs = nullptr;
    return OleRegEnumVerbs(m_clsid, verbs);
}

STDMETHODIMP CWindowlessControl::Update()
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::IsUpToDate()
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::GetUserClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::GetUserType(DWORD form, LPOLESTR* type)
{
    if (!type)
        return E_POINTER;
    *type = nullptr;
    return OleRegGetUserType(m_clsid, form, type);
}

STDMETHODIMP CWindowlessControl::SetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    m_extent = *size;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::GetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    *size = m_extent;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::Advise(IAdviseSink* sink, DWORD* connection)
{
    if (!connection)
        return E_POINTER;
    *connection = 0;
    if (!m_adviseHolder) {
        const HRESULT result = CreateOleAdviseHolder(m_adviseHolder.Receive());
        if (FAILED(result))
            return result;
    }
    return m_adviseHolder->Advise(sink, connection);
}

STDMETHODIMP CWindowlessControl::Unadvise(DWORD connection)
{
    return m_adviseHolder ? m_adviseHolder->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CWindowlessControl::EnumAdvise(IEnumSTATDATA** advises)
{
    if (!advises)
        return E_POINTER;
    *advises = nullptr;
    return m_adviseHolder ? m_adviseHolder->EnumAdvise(advises) : E_FAIL;
}

STDMETHODIMP CWindowlessControl::GetMiscStatus(DWORD, DWORD* status)
{
    if (!status)
        return E_POINTER;
    *status = m_miscStatus;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}

// --- IOleWindow, IOleInPlaceObject(Windowless), IOleInPlaceActiveObject ------------------------

STDMETHODIMP CWindowlessControl::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = nullptr;
    return E_FAIL;
}

STDMETHODIMP CWindowlessControl::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::InPlaceDeactivate()
{
    if (!m_inPlaceSite)
        return S_OK;
    // The member is cleared first: the site may call back into the control.
    CComPtr<IOleInPlaceSiteWindowless> site = m_inPlaceSite;
    m_inPlaceSite.Reset();
    site->OnInPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP CWindowlessControl::UIDeactivate()
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::SetObjectRects(LPCRECT position, LPCRECT)
{
    if (!position)
        return E_POINTER;
    m_position = *position;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::ReactivateAndUndo()
{
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::OnWindowMessage(UINT, WPARAM, LPARAM, LRESULT* result)
{
    if (!result)
        return E_POINTER;
    *result = 0;
    return S_FALSE; // not handled: the container does its default
}

STDMETHODIMP CWindowlessControl::GetDropTarget(IDropTarget** target)
{
    if (!target)
        return E_POINTER;
    *target = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::TranslateAccelerator(LPMSG)
{
    return S_FALSE;
}

STDMETHODIMP CWindowlessControl::OnFrameWindowActivate(BOOL)
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::OnDocWindowActivate(BOOL)
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL)
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::EnableModeless(BOOL)
{
    return S_OK;
}

// --- IViewObject2 -------------------------------------------------------------------------------

STDMETHODIMP CWindowlessControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                      LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!dc)
        return E_INVALIDARG;
    RECT area = {};
    if (bounds)
        area = ToRect(*bounds);
    else if (m_inPlaceSite)
        area = m_position;
    else
        return E_INVALIDARG;
    const CSaveDCGuard saved(dc);
    OnDraw(dc, area);
    return S_OK;
}

STDMETHODIMP CWindowlessControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours)
{
    if (colours)
        *colours = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::Freeze(DWORD, LONG, void*, DWORD*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::Unfreeze(DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink)
{
    m_viewSink = Hold(sink);
    m_viewAspects = aspects;
    m_viewFlags = flags;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink)
{
    if (aspects)
        *aspects = m_viewAspects;
    if (flags)
        *flags = m_viewFlags;
    if (sink) {
        *sink = m_viewSink.Get();
        if (*sink)
            (*sink)->AddRef();
    }
    return S_OK;
}

STDMETHODIMP CWindowlessControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size)
{
    return GetExtent(aspect, size);
}

// --- IPersist, IPersistStreamInit, IPersistPropertyBag -----------------------------------------

STDMETHODIMP CWindowlessControl::GetClassID(CLSID* clsid)
{
    if (!clsid)
        return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::IsDirty()
{
    return S_FALSE;
}

STDMETHODIMP CWindowlessControl::Load(LPSTREAM stream)
{
    return stream ? S_OK : E_POINTER;
}

STDMETHODIMP CWindowlessControl::Save(LPSTREAM stream, BOOL)
{
    return stream ? S_OK : E_POINTER;
}

STDMETHODIMP CWindowlessControl::GetSizeMax(ULARGE_INTEGER* size)
{
    if (!size)
        return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::InitNew()
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::Load(IPropertyBag* bag, IErrorLog*)
{
    return bag ? S_OK : E_POINTER;
}

STDMETHODIMP CWindowlessControl::Save(IPropertyBag* bag, BOOL, BOOL)
{
    return bag ? S_OK : E_POINTER;
}

// --- IOleControl --------------------------------------------------------------------------------

STDMETHODIMP CWindowlessControl::GetControlInfo(CONTROLINFO* info)
{
    if (!info)
        return E_POINTER;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP CWindowlessControl::OnMnemonic(MSG*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CWindowlessControl::OnAmbientPropertyChange(DISPID)
{
    return S_OK;
}

STDMETHODIMP CWindowlessControl::FreezeEvents(BOOL)
{
    return S_OK;
}
