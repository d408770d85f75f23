#pragma once
// CTarnixDlg: the program's main window, a resizable modal dialog (template 133) that lists every
// transfer grouped into "Sending" and "Receiving" rows, carries the owner-drawn menu bar, the
// tray icon with its menu, the notification balloons and the status line at the bottom.
//
// It owns no transfer state: the rows are CUIManager's (addressed as (kind, index), see
// ui/MainDialog.h), every command goes to CUIManager, and CUIManager calls back through
// IMainDialog. Timer 5 (UI_DRAIN_TIMER_ID) drains the core's event queues once a second, and at
// once when a worker thread calls CMainManager::NotifyUI: the window publishes its handle there
// from OnInitDialog until WM_DESTROY.
//
// Closing and minimising hide it to the tray; only Exit, Enter and Escape end its modal loop. It
// saves its column widths and placement on WM_DESTROY, so it must be destroyed (its modal loop
// ended, or DestroyWindow) before the object goes (framework/Wnd.h). User-interface thread.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "framework/Bitmap.h"
#include "framework/Font.h"
#include "framework/Icon.h"
#include "framework/ImageList.h"
#include "framework/MemoryDC.h"
#include "framework/String.h"
#include "htmltip/PPToolTip.h"
#include "ui/MainDialog.h"
#include "ui/TNButtonTr.h"
#include "ui/TNListCtrlEx.h"
#include "widgets/BCMenu.h"
#include "widgets/DialogResize.h"
#include "widgets/SystemTray.h"
#include "widgets/TrayIconPosition.h"

class CCmdUI;
class CMainManager;
class CSettingsManager;
class CTransferingFile;
class CUIManager;
struct SListCellRequest;

class CTarnixDlg : public CDialogResize, public IMainDialog {
public:
    // The tray icon's callback message and identifier (the tray menu's resource number too).
    static constexpr UINT kTrayMessage = WM_USER + 1001;
    static constexpr UINT kTrayIconId = 4;
    // A link clicked in a balloon: wParam its msg text, lParam the transfer id (0: the update).
    static constexpr UINT kBalloonLinkMessage = 0x8100;
    // The update download dialog's message when its download ended.
    static constexpr UINT kUpdateDownloadedMessage = WM_USER + 0x40;
    // The list's columns with a type of their own.
    static constexpr int kProgressColumn = 4;
    static constexpr int kStatusColumn = 5;

    // The process's managers and command line.
    CTarnixDlg();
    // The managers must outlive the object; `commandLine` is read for " /background".
    CTarnixDlg(CUIManager& ui, CSettingsManager& settings, CMainManager& main, const char* commandLine);
    ~CTarnixDlg() override;

    // IMainDialog
    void RebuildList() override;
    void UpdateStatusText(int receiving, int sending, int serviceState, double sendingRate,
                          double receivingRate) override;
    void ShowNotificationTip(std::uint32_t id, bool finished, int value) override;
    void ShowStatusLine(bool show) override;
    void ShowFromTray() override;
    void SelectTransfer(int kind, int index) override;
    void CollectSelection(std::vector<STransferRef>& selection) override;
    void UpdatePauseButton() override;

    BOOL PreTranslateMessage(MSG* msg) override;

    // What the window shows, for its tests.
    CTNListCtrlEx& GetList() { return m_list; }
    const CString& GetStatusText() const { return m_statusText; }
    bool IsShowingResume() const { return m_showingResume; }
    UINT GetTrayIconId() const { return m_trayIconId; }
    CSystemTray& GetTray() { return m_tray; }
    BCMenu& GetMainMenu() { return m_menu; }
    CPPToolTip& GetBalloon() { return m_balloon; }
    // The transfer context menu's popup as the list's right click would show it, without showing
    // it; null when no item is selected.
    CMenu* PrepareContextMenu();

protected:
    BOOL OnInitDialog() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnDestroy() override;
    bool OnUpdateCommand(CCmdUI* cmdUI) override;
    const ResizeMapEntry* GetResizeMap() const override;

private:
    // Start-up steps.
    void InitTray();
    void InitList();
    void InitStatusText();
    void InitMenus();
    void InitButtons();
    void InitBalloon();

    // Messages.
    bool OnCommand(UINT id);
    bool OnListNotify(NMHDR* header, LRESULT* result);
    void OnCellRequest(SListCellRequest& request);
    bool OnSysCommand(WPARAM command);
    void OnDoubleClick(POINT client);
    LRESULT OnBalloonLink(const char* msgText, std::uint32_t id);
    void OnPaint();
    HBRUSH OnControlColour(HDC dc, HWND control);

    // Balloons and the about box.
    void HideBalloon();
    void RelayToBalloon(MSG* msg);
    // Where the tray icon is on the screen; false when it cannot be told.
    bool TrayPoint(POINT* point);
    void ShowAbout();

    // Rows and cells. A list group's kind: with only downloads, group 0 holds them.
    int KindOfGroup(int group) const;
    // The (kind, index) of an item row; false for a group row or the status line.
    bool RowRef(int row, STransferRef* ref) const;
    CString CellText(const CTransferingFile& row, int column) const;
    int ExtensionImage(const CString& fileName);
    // The transfer a list row shows; null for a group row or a row with no snapshot.
    CTransferingFile* RowTransfer(int row, STransferRef* ref = nullptr) const;
    std::vector<CTransferingFile*> SelectedTransfers();

    // Menus.
    // The row menu for a right click at `click` (the list's client coordinates).
    void ShowContextMenu(POINT click);
    void CopyLinkOfSelection();
    bool OnMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void MeasureBarItem(MEASUREITEMSTRUCT* measure);
    void DrawBarItem(const DRAWITEMSTRUCT* draw);
    void DrawBarHover(POINT screen);

    // Painting.
    void BuildBackground(int width, int height);
    void HideApplication() { ShowWindow(SW_HIDE); }

    CUIManager& m_ui;
    CSettingsManager& m_settings;
    CMainManager& m_main;
    CString m_commandLine;

    CSharedIcon m_windowIcon; // 191
    // The tray's pictures, made before the tray and destroyed after it.
    CIcon m_busyIcons[4]; // 22814, 22815, 22816, 22815
    DWORD m_busyDelays[4] = {250, 250, 500, 250};
    CIcon m_finishedIcons[2]; // 192, 193
    DWORD m_finishedDelays[2] = {425, 425};
    CSystemTray m_tray;
    BCMenu m_menu; // the bar; its popups are its own
    CImageList m_menuImages;
    CBitmap m_menuBitmap;
    BCMenu m_contextMenu; // loaded each time it is shown, kept while the list tracks it
    CTNButtonTr m_send;
    CTNButtonTr m_pause;
    CTNButtonTr m_speed;
    CTNListCtrlEx m_list;
    std::map<std::string, int> m_extensionImages; // lower-case extension -> row image - 2
    int m_uploadGroupRow = -1;
    int m_downloadGroupRow = -1;
    int m_groupCount = 0;
    CImageList m_rowImages;    // 214, 213, then one per extension
    CImageList m_headerImages; // 210, 209, 208
    CString m_cellText;        // answers the list's cell requests
    CFont m_statusFont;
    CString m_statusText;
    std::unique_ptr<CMemoryDC> m_background; // the painted bands at the client's size
    CBitmap m_backgroundBitmaps[3];          // 168 top, 170 middle, 169 bottom
    bool m_backgroundCached = false;
    bool m_showingResume = false;
    CPPToolTip m_balloon;
    CTrayIconPosition m_trayPosition;
    UINT m_trayIconId = 0; // 194 or 193, the static picture shown
    bool m_startedInBackground = false;
    int m_hoverBarItem = -1; // the menu-bar item framed under the pointer
};
