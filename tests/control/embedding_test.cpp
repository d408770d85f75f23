// The control in a container: a small windowless container site activates it in place, has it
// draw into a canvas, and closes it. No browser can host the control under Wine, so this is the
// container that exercises the embedding interfaces.

#include <gtest/gtest.h>

#include <ocidl.h>
#include <oleidl.h>

#include "LoadedControl.h"
#include "framework/ComInitializer.h"
#include "framework/com/ComObject.h"
#include "window/Canvas.h"

namespace {

// A container's site that offers windowless in-place activation at a fixed place, and records
// activation and deactivation.
class CWindowlessSite : public IOleClientSite, public IOleInPlaceSiteWindowless, public CComObjectRoot {
public:
    static const CInterfaceEntry<CWindowlessSite>* InterfaceTable()
    {
        static const CInterfaceEntry<CWindowlessSite> table[] = {
            {&IID_IOleClientSite, InterfaceOf<CWindowlessSite, IOleClientSite>},
            {&IID_IOleWindow, InterfaceOf<CWindowlessSite, IOleWindow, IOleInPlaceSiteWindowless>},
            {&IID_IOleInPlaceSite, InterfaceOf<CWindowlessSite, IOleInPlaceSite, IOleInPlaceSiteWindowless>},
            {&IID_IOleInPlaceSiteEx, InterfaceOf<CWindowlessSite, IOleInPlaceSiteEx, IOleInPlaceSiteWindowless>},
            {&IID_IOleInPlaceSiteWindowless, InterfaceOf<CWindowlessSite, IOleInPlaceSiteWindowless>},
            {nullptr, nullptr}};
        return table;
    }

    static RECT Place() { return RECT{10, 10, 190, 50}; }
    DWORD m_activatedAs = 0;
    int m_deactivations = 0;

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer**) override { return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow, IOleInPlaceSite, IOleInPlaceSiteEx
    STDMETHODIMP GetWindow(HWND* window) override
    {
        *window = nullptr;
        return E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return OnInPlaceActivateEx(nullptr, 0); }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO) override
    {
        *frame = nullptr;
        *document = nullptr;
        *position = Place();
        *clip = Place();
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override
    {
        ++m_deactivations;
        return S_OK;
    }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }
    STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override
    {
        if (noRedraw)
            *noRedraw = FALSE;
        m_activatedAs = flags | 0x80000000u;
        return S_OK;
    }
    STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override { return OnInPlaceDeactivate(); }
    STDMETHODIMP RequestUIActivate() override { return S_OK; }
    // IOleInPlaceSiteWindowless
    STDMETHODIMP CanWindowlessActivate() override { return S_OK; }
    STDMETHODIMP GetCapture() override { return S_FALSE; }
    STDMETHODIMP SetCapture(BOOL) override { return S_OK; }
    STDMETHODIMP GetFocus() override { return S_FALSE; }
    STDMETHODIMP SetFocus(BOOL) override { return S_OK; }
    STDMETHODIMP GetDC(LPCRECT, DWORD, HDC*) override { return E_NOTIMPL; }
    STDMETHODIMP ReleaseDC(HDC) override { return E_NOTIMPL; }
    STDMETHODIMP InvalidateRect(LPCRECT, BOOL) override { return S_OK; }
    STDMETHODIMP InvalidateRgn(HRGN, BOOL) override { return S_OK; }
    STDMETHODIMP ScrollRect(INT, INT, LPCRECT, LPCRECT) override { return E_NOTIMPL; }
    STDMETHODIMP AdjustRect(LPRECT) override { return S_OK; }
    STDMETHODIMP OnDefWindowMessage(UINT, WPARAM, LPARAM, LRESULT*) override { return S_FALSE; }
};

const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kGround = RGB(0, 128, 0);

HRESULT DrawInto(IViewObject2* view, HDC dc, const RECT* bounds, DWORD aspect = DVASPECT_CONTENT)
{
    RECTL b = {};
    if (bounds)
        b = RECTL{bounds->left, bounds->top, bounds->right, bounds->bottom};
    return view->Draw(aspect, -1, nullptr, nullptr, nullptr, dc, bounds ? &b : nullptr, nullptr, nullptr, 0);
}

} // namespace

TEST(ControlEmbedding, AWindowlessContainerActivatesDrawsAndClosesTheControl)
{
    CComInitializer com;
    CLoadedControl library;
    ASSERT_TRUE(library.IsLoaded());
    CComPtr<ITNControl> control;
    ASSERT_EQ(S_OK, library.Create(control));
    CComPtr<IOleObject> object;
    CComPtr<IViewObject2> view;
    CComPtr<IOleInPlaceObjectWindowless> inPlace;
    ASSERT_EQ(S_OK, control.QueryInterface(IID_IOleObject, object));
    ASSERT_EQ(S_OK, control.QueryInterface(IID_IViewObject2, view));
    ASSERT_EQ(S_OK, control.QueryInterface(IID_IOleInPlaceObjectWindowless, inPlace));

    // Activated in place, windowless, where the site says.
    EXPECT_EQ(E_UNEXPECTED, object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr));
    CComPtr<IOleClientSite> site;
    ASSERT_EQ(S_OK, CComObject<CWindowlessSite>::CreateInstance(IID_IOleClientSite, site.ReceiveVoid()));
    auto* container = static_cast<CWindowlessSite*>(site.Get());
    ASSERT_EQ(S_OK, object->SetClientSite(site.Get()));
    ASSERT_EQ(S_OK, object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, nullptr, nullptr));
    EXPECT_EQ(0x80000000u | ACTIVATE_WINDOWLESS, container->m_activatedAs);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(E_FAIL, inPlace->GetWindow(&window));
    EXPECT_EQ(nullptr, window);

    // Drawn at its place: the frame on the place's edge, the caption inside, nothing around it.
    windowtest::CTestCanvas canvas(200, 120, kGround);
    ASSERT_TRUE(canvas.IsValid());
    ASSERT_EQ(S_OK, DrawInto(view.Get(), canvas.Dc(), nullptr));
    const RECT place = CWindowlessSite::Place();
    EXPECT_EQ(kBlack, canvas.Pixel(place.left, place.top));
    EXPECT_EQ(kBlack, canvas.Pixel(place.right - 1, place.bottom - 1));
    EXPECT_EQ(kGround, canvas.Pixel(place.right, place.bottom));
    const RECT inside = {place.left + 1, place.top + 1, place.right - 1, place.bottom - 1};
    EXPECT_GT(canvas.Count(kBlack, inside), 40) << "the caption";
    EXPECT_EQ(0, canvas.CountOther({kBlack, kWhite}, inside));
    const RECT drawn = canvas.Bounds(kBlack);
    EXPECT_TRUE(EqualRect(&drawn, &place))
        << drawn.left << "," << drawn.top << " " << drawn.right << "," << drawn.bottom;

    // Drawn where the container asks, clipped to it: the caption is wider than this.
    canvas.Fill(kGround);
    const RECT narrow = {80, 60, 120, 100};
    ASSERT_EQ(S_OK, DrawInto(view.Get(), canvas.Dc(), &narrow));
    EXPECT_GT(canvas.Count(kBlack, RECT{81, 61, 119, 99}), 10);
    EXPECT_EQ(0, canvas.CountOther({kGround}, RECT{0, 0, 80, 120}));
    EXPECT_EQ(0, canvas.CountOther({kGround}, RECT{120, 0, 200, 120}));
    EXPECT_EQ(DV_E_DVASPECT, DrawInto(view.Get(), canvas.Dc(), &narrow, DVASPECT_ICON));

    // Deactivated and closed, it has no place to draw to.
    EXPECT_EQ(S_OK, inPlace->InPlaceDeactivate());
    EXPECT_EQ(1, container->m_deactivations);
    EXPECT_EQ(E_INVALIDARG, DrawInto(view.Get(), canvas.Dc(), nullptr));
    EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(1, container->m_deactivations);
    EXPECT_EQ(S_OK, object->SetClientSite(nullptr));
}
