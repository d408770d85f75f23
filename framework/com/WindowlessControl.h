#pragma once
// CWindowlessControl: the embedding interfaces a container needs to create, activate, draw,
// persist and close a windowless control without properties: IOleObject,
// IOleInPlaceObjectWindowless, IOleInPlaceActiveObject, IViewObject2, IPersistStreamInit,
// IPersistPropertyBag and IOleControl. The derived control draws itself in OnDraw; it derives
// from CComObjectRoot too and lists these interfaces in its table (IOleWindow through
// IOleInPlaceObjectWindowless, IPersist through IPersistStreamInit, IViewObject through
// IViewObject2).
//
// The control activates only in a container that offers IOleInPlaceSiteWindowless: it has no
// window of its own. Persistence has nothing to keep. The object's apartment thread; the site,
// the in-place site, the advise sinks and the advise holder are held references, released by
// Close (and at the end).

#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>

#include "framework/ComPtr.h"

class CWindowlessControl : public IOleObject,
                           public IOleInPlaceObjectWindowless,
                           public IOleInPlaceActiveObject,
                           public IViewObject2,
                           public IPersistStreamInit,
                           public IPersistPropertyBag,
                           public IOleControl {
public:
    // --- IOleObject ---------------------------------------------------------------------------
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR application, LPCOLESTR object) override;
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    // Show, the primary verb, in-place and UI activation all activate in place (windowless).
    STDMETHODIMP DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index, HWND parent,
                        LPCRECT position) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advises) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // --- IOleWindow, IOleInPlaceObject(Windowless), IOleInPlaceActiveObject --------------------
    STDMETHODIMP GetWindow(HWND* window) override; // E_FAIL: windowless
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    STDMETHODIMP GetDropTarget(IDropTarget** target) override;
    STDMETHODIMP TranslateAccelerator(LPMSG message) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

    // --- IViewObject2 -------------------------------------------------------------------------
    // DVASPECT_CONTENT only; into `bounds`, or the in-place position when the container gives none.
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDC, HDC dc,
                      LPCRECTL bounds, LPCRECTL metafileBounds, BOOL(STDMETHODCALLTYPE* keepGoing)(ULONG_PTR),
                      ULONG_PTR keepGoingArgument) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDC,
                             LOGPALETTE** colours) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

    // --- IPersist, IPersistStreamInit, IPersistPropertyBag: nothing to keep --------------------
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

    // --- IOleControl --------------------------------------------------------------------------
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* message) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID property) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

protected:
    // `clsid` is a constant of the server; `miscStatus` the OLEMISC bits it registers too.
    CWindowlessControl(const CLSID& clsid, DWORD miscStatus);
    virtual ~CWindowlessControl();

    // Draws the control into `bounds` of `dc`; the DC's state is restored afterwards.
    virtual void OnDraw(HDC dc, const RECT& bounds) = 0;

    bool IsInPlaceActive() const { return static_cast<bool>(m_inPlaceSite); }

private:
    HRESULT InPlaceActivate(LPCRECT position);

    const CLSID& m_clsid;
    DWORD m_miscStatus;
    SIZEL m_extent; // HIMETRIC
    RECT m_position = {};
    CComPtr<IOleClientSite> m_site;
    CComPtr<IOleInPlaceSiteWindowless> m_inPlaceSite; // set while active in place
    CComPtr<IOleAdviseHolder> m_adviseHolder;
    CComPtr<IAdviseSink> m_viewSink;
    DWORD m_viewAspects = 0;
    DWORD m_viewFlags = 0;
};
