#include "menu_items.h"

#include "MenuOwner.h"
#include "framework/Icon.h"
#include "framework/ImageList.h"
#include "framework/WndClass.h"
#include "test_art_ids.h"
#include "widgets_test_ids.h"
#include "window/Gallery.h"
#include "window/ModalDriver.h"

using windowtest::CGallery;

namespace {

CGallery* g_gallery = nullptr; // the one gallery, for the timer below
const char* g_itemName = nullptr;
bool g_shot = false;

// Runs inside the menu's own loop once it has drawn its highlight: photographs, then closes it.
void CALLBACK Photograph(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    g_shot = g_gallery->ShowItem(g_itemName, nullptr);
    EndMenu();
}

bool ShowPopup(CGallery& gallery, const char* name, EMenuLook look)
{
    CMenuOwnerWnd owner;
    if (!owner.CreateEx(0, AfxRegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1)), name,
                        WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 40, 40, 420, 260, nullptr, nullptr))
        return false;
    owner.forceLook = true;
    owner.look = look;
    BCMenu bar;
    if (!bar.LoadMenu(IDM_WIDGETS_TEST))
        return false;
    CImageList images;
    CIcon art, warning(CopyIcon(CSharedIcon::System(IDI_WARNING)));
    if (!images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1) || !art.Load(IDI_TEST_ART, 16, 16) ||
        images.Add(art) < 0 || images.Add(warning) < 0)
        return false;
    bar.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), ID_WT_OPEN, &images, 0);
    bar.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), ID_WT_SAVE_AS, &images, 1);
    BCMenu* file = dynamic_cast<BCMenu*>(bar.GetSubMenu(0));
    if (!file)
        return false;
    file->CheckMenuItem(ID_WT_EXIT, MF_BYCOMMAND | MF_CHECKED);

    g_gallery = &gallery;
    g_itemName = name;
    g_shot = false;
    windowtest::CModalDriver driver("#32768", [](HWND menuWindow) {
        PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        SetTimer(nullptr, 0, 300, &Photograph);
    });
    owner.UpdateWindow();
    file->TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, 100, 100, owner);
    return driver.Done() && g_shot;
}

} // namespace

int ShowMenuItems(CGallery& gallery)
{
    int failures = 0;
    if (!ShowPopup(gallery, "widgets-menu-classic", EMenuLook::Classic))
        ++failures;
    if (!ShowPopup(gallery, "widgets-menu-xp", EMenuLook::Xp))
        ++failures;
    return failures;
}
