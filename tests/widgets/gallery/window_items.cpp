#include "window_items.h"

#include "framework/AppState.h"
#include "framework/Icon.h"
#include "framework/Rect.h"
#include "framework/WndClass.h"
#include "test_art_ids.h"
#include "widgets/DialogResize.h"
#include "widgets/SplashScreenEx.h"
#include "widgets/SystemTray.h"
#include "widgets/TrayIconPosition.h"
#include "widgets/XBrowseDialog.h"
#include "widgets_test_ids.h"
#include "window/Gallery.h"
#include "window/ModalDriver.h"

// Last: windowsx.h, which it includes, defines macros named as framework members (CopyRgn).
#include "MenuOwner.h"

using windowtest::CGallery;

namespace {

CGallery* g_gallery = nullptr; // the one gallery, for the timer below
const char* g_itemName = nullptr;
bool g_shot = false;
bool g_closeMenu = false; // a menu's loop ends with EndMenu, a dialog's with Cancel
HWND g_dialog = nullptr;

// Runs inside a modal loop once its window has drawn: photographs, then closes it.
void CALLBACK Photograph(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    g_shot = g_gallery->ShowItem(g_itemName, nullptr);
    if (g_closeMenu)
        EndMenu();
    else
        windowtest::PostCommand(g_dialog, IDCANCEL);
}

void PhotographInsideLoop(CGallery& gallery, const char* name, bool menu)
{
    g_gallery = &gallery;
    g_itemName = name;
    g_shot = false;
    g_closeMenu = menu;
}

// The program's main window as far as the tray is concerned: it draws the tray menu's items
// through the tray.
class CTrayOwner : public CMenuOwnerWnd {
public:
    CSystemTray* tray = nullptr;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_DRAWITEM && tray && DrawItemFromLParam(lParam)->CtlType == ODT_MENU) {
            *result = tray->OnTrayNotification(CSystemTray::kDrawRequest, lParam);
            return true;
        }
        if (msg == WM_COMMAND) {
            *result = 0;
            return true;
        }
        return CMenuOwnerWnd::OnWndMsg(msg, wParam, lParam, result);
    }
};

bool ShowTrayMenu(CGallery& gallery)
{
    CTrayOwner owner;
    if (!owner.CreateEx(0, AfxRegisterWndClass(0), "Tarnix", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr))
        return false;
    AfxSetMainWnd(&owner);
    CSystemTray tray;
    owner.tray = &tray;
    const HICON art = CSharedIcon::Load(IDI_TEST_ART);
    bool shot = false;
    if (tray.Create(nullptr, WM_USER + 1001, "Tarnix", art, IDM_TRAY_TEST)) {
        // The menu opens where the user clicked: on the icon, found as the balloons find it.
        CTrayIconPosition position;
        position.SetTrackedIcon(tray, IDM_TRAY_TEST);
        POINT icon = {};
        position.GetTrayIconPosition(&icon);
        tray.SetIconById(IDI_TEST_ART); // the probe gives way to the icon again
        SetCursorPos(icon.x + 4, icon.y + 4);
        PhotographInsideLoop(gallery, "widgets-tray-menu", true);
        windowtest::CModalDriver driver("#32768", [](HWND menuWindow) {
            PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
            SetTimer(nullptr, 0, 300, &Photograph);
        });
        tray.SendMessage(WM_USER + 1001, IDM_TRAY_TEST, WM_RBUTTONUP);
        shot = driver.Done() && g_shot;
    }
    AfxSetMainWnd(nullptr);
    return shot;
}

bool ShowSplash(CGallery& gallery)
{
    CWnd owner;
    if (!owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr))
        return false;
    auto* splash = new CSplashScreenEx;
    if (!splash->Create(&owner, "Tarnix 1.2", 0, CSplashScreenEx::CentreOnScreen | CSplashScreenEx::DropShadow) ||
        !splash->SetBitmap(IDB_SPLASH_TEST, 255, 0, 255)) {
        delete splash;
        return false;
    }
    splash->Show();
    const bool shot = gallery.ShowItem("widgets-splash", *splash);
    splash->Hide(); // deletes it
    return shot;
}

const CDialogResize::ResizeMapEntry kGalleryMap[] = {
    {IDC_RESIZE_SIZE_X, CDialogResize::SizeX},
    {IDC_RESIZE_SIZE_Y, CDialogResize::SizeY},
    {IDC_RESIZE_MOVE_X, CDialogResize::MoveX},
    {IDC_RESIZE_MOVE_Y, CDialogResize::MoveY},
    {IDC_RESIZE_SIZE_XY, CDialogResize::SizeX | CDialogResize::SizeY},
    {IDC_RESIZE_MOVE_XY, CDialogResize::MoveX | CDialogResize::MoveY},
    {IDC_RESIZE_MOVE_X_SIZE_Y, CDialogResize::MoveX | CDialogResize::SizeY},
    {IDC_RESIZE_SIZE_X_MOVE_Y, CDialogResize::SizeX | CDialogResize::MoveY},
    {-1, 0},
};

class CGalleryResizeDialog : public CDialogResize {
public:
    CGalleryResizeDialog() : CDialogResize(IDD_RESIZE_TEST) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialogResize::OnInitDialog();
        InitResize(true, true, WS_THICKFRAME | WS_CLIPCHILDREN);
        return TRUE;
    }
    const ResizeMapEntry* GetResizeMap() const override { return kGalleryMap; }
};

int ShowResizedDialog(CGallery& gallery)
{
    CGalleryResizeDialog dialog;
    if (!dialog.Create())
        return 2;
    dialog.SetWindowPos(nullptr, 60, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    int failures = gallery.ShowItem("widgets-resize-before", dialog) ? 0 : 1;
    CRect window;
    dialog.GetWindowRect(window);
    dialog.SetWindowPos(nullptr, 0, 0, window.Width() + 160, window.Height() + 90, SWP_NOMOVE | SWP_NOZORDER);
    failures += gallery.ShowItem("widgets-resize-after", dialog) ? 0 : 1;
    dialog.DestroyWindow();
    return failures;
}

bool ShowFolderPicker(CGallery& gallery)
{
    CXBrowseDialog picker;
    picker.SetTitle("Select a download folder");
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    picker.SetPath(temp);
    picker.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX | BIF_NEWDIALOGSTYLE);
    PhotographInsideLoop(gallery, "widgets-folder-picker", false);
    windowtest::CModalDriver driver("#32770", [](HWND dialog) {
        g_dialog = dialog;
        SetWindowPos(dialog, nullptr, 80, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SetTimer(nullptr, 0, 500, &Photograph);
    });
    picker.DoModal();
    return driver.Done() && g_shot;
}

} // namespace

int ShowWindowItems(CGallery& gallery)
{
    int failures = 0;
    failures += ShowTrayMenu(gallery) ? 0 : 1;
    failures += ShowSplash(gallery) ? 0 : 1;
    failures += ShowResizedDialog(gallery);
    failures += ShowFolderPicker(gallery) ? 0 : 1;
    return failures;
}
