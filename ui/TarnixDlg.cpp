// The main window: construction, start-up, the message table and what CUIManager asks of it.

#include "ui/TarnixDlg.h"

#include <commctrl.h>

#include "app/MainManager.h"
#include "app/SettingsManager.h"
#include "app/TransferingFile.h"
#include "app/UINotify.h"
#include "framework/MessageCrackers.h"
#include "framework/Rect.h"
#include "ui/AboutDlg.h"
#include "ui/UIManager.h"
#include "ui/portable/HandOffText.h"
#include "ui/res/ui_ids.h"
#include "widgets/SplashScreenEx.h"

namespace {

// Registered when the program's statics are made, as the sender registers its own.
const UINT g_handOffMessage = ::RegisterWindowMessageA(kHandOffName);
const UINT g_tooltipClientArea = ::RegisterWindowMessageA("WM_TOOLTIP_CLIENT_AREA");

const DWORD kOwnerDataStyles = WS_CLIPCHILDREN | LVS_OWNERDATA;
const COLORREF kHeaderColour = 0xF7F3F2;
const UINT kDrainPeriodMs = 1000;

const CDialogResize::ResizeMapEntry kResizeMap[] = {
    {IDC_LIST, CDialogResize::SizeX | CDialogResize::SizeY},
    {IDC_PAUSE, CDialogResize::MoveX},
    {IDC_SPEED, CDialogResize::MoveX},
    {IDC_STATUS_TEXT, CDialogResize::SizeX | CDialogResize::SizeY | CDialogResize::MoveY},
    {-1, 0},
};

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// Windows XP's list draws without flicker only when asked to buffer.
bool IsWindowsXp()
{
    OSVERSIONINFOEXA extended = {};
    extended.dwOSVersionInfoSize = sizeof(extended);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended))) {
        extended.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended)))
            return false;
    }
    return extended.dwMajorVersion == 5 && extended.dwMinorVersion == 1;
}

} // namespace

CTarnixDlg::CTarnixDlg()
    : CTarnixDlg(*CUIManager::Instance(), *CSettingsManager::Instance(), *CMainManager::Instance(), ::GetCommandLineA())
{}

CTarnixDlg::CTarnixDlg(CUIManager& ui, CSettingsManager& settings, CMainManager& main, const char* commandLine)
    : CDialogResize(IDD_MAIN), m_ui(ui), m_settings(settings), m_main(main), m_commandLine(commandLine)
{
    m_windowIcon = CSharedIcon::Load(IDI_TARNIX);
    m_startedInBackground = IsBackgroundStart(m_commandLine);
}

CTarnixDlg::~CTarnixDlg()
{
    m_ui.SetMainDialog(nullptr);
}

const CDialogResize::ResizeMapEntry* CTarnixDlg::GetResizeMap() const
{
    return kResizeMap;
}

// --- Start-up ---------------------------------------------------------------------------------

BOOL CTarnixDlg::OnInitDialog()
{
    CDialogResize::OnInitDialog();
    m_backgroundBitmaps[0].LoadBitmap(IDB_MAIN_TOP);
    m_backgroundBitmaps[1].LoadBitmap(IDB_MAIN_MIDDLE);
    m_backgroundBitmaps[2].LoadBitmap(IDB_MAIN_BOTTOM);

    CString caption;
    caption.Format("%s %i.%i", GetWindowText().GetString(), CAboutDlg::kMajor, CAboutDlg::kMinor);
    SetWindowText(caption);

    InitTray();
    InitList();
    InitStatusText();
    InitMenus();
    m_ui.EnableEvents(true);
    InitButtons();

    InitResize(false, true, WS_THICKFRAME | WS_CLIPCHILDREN);
    WINDOWPLACEMENT placement = m_settings.GetWindowPlacement();
    if (placement.length == sizeof(placement)) {
        // Only where the window goes: DoModal shows it (unless it started in the background).
        placement.showCmd = SW_HIDE;
        ::SetWindowPlacement(m_hWnd, &placement);
    }
    m_main.SetMainWindow(m_hWnd);
    SetTimer(UI_DRAIN_TIMER_ID, kDrainPeriodMs);
    m_ui.ProcessEvents();
    return TRUE;
}

void CTarnixDlg::InitTray()
{
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_windowIcon.GetSafeHandle()));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_windowIcon.GetSafeHandle()));
    const CString tip = LoadText(IDS_TRAY_TIP);
    m_trayIconId = IDI_TRAY_OFFLINE;
    // Without a parent the tray's own hidden window owns the icon and hears the shell; its
    // commands come here as the application's main window.
    m_tray.Create(nullptr, kTrayMessage, tip, CSharedIcon::Load(m_trayIconId), kTrayIconId);
    m_tray.SetMenuDefaultItem(0, true);
    const UINT busy[4] = {IDI_TRAY_BUSY_1, IDI_TRAY_BUSY_2, IDI_TRAY_BUSY_3, IDI_TRAY_BUSY_2};
    for (int i = 0; i < 4; ++i)
        m_busyIcons[i].Load(busy[i], 16, 16);
    m_finishedIcons[0].Load(IDI_TRAY_FINISHED, 16, 16);
    m_finishedIcons[1].Load(IDI_TRAY_ONLINE, 16, 16);
    m_trayPosition.SetTrackedIcon(m_tray.m_hWnd, kTrayIconId);
    InitBalloon();
}

void CTarnixDlg::InitList()
{
    m_list.SubclassDlgItem(IDC_LIST, m_hWnd);
    m_list.SetStyle(m_list.GetStyle() | kOwnerDataStyles);
    m_list.SetExtendedStyle(kListParentData | LVS_EX_FULLROWSELECT | (IsWindowsXp() ? LVS_EX_DOUBLEBUFFER : 0));

    for (int column = 0; column < CSettingsManager::COLUMN_COUNT; ++column) {
        const int width = m_settings.GetColumnWidth(column);
        m_list.InsertColumn(column, LoadText(IDS_COLUMN_FILE_NAME + column), LVCFMT_LEFT,
                            width > 0 ? width : CSettingsManager::DEFAULT_COLUMN_WIDTH);
        // A column the user hid in an earlier run stays hidden and can be shown again.
        if (width == 0)
            m_list.SetColumnHidden(column, CSettingsManager::DEFAULT_COLUMN_WIDTH);
    }
    m_list.SetColumnType(kProgressColumn, kColumnProgress);
    m_list.SetColumnType(kStatusColumn, kColumnStatus);
    m_list.SetStatusLineText(LoadText(IDS_CLEAN_COMPLETED));

    m_rowImages.Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 4);
    for (UINT icon : {IDI_DROP_DOWN, IDI_GROUP}) {
        CIcon loaded;
        loaded.Load(icon, 16, 16);
        m_rowImages.Add(loaded);
    }
    m_list.SetImageList(m_rowImages, LVSIL_SMALL);
    m_headerImages.Create(16, 16, ILC_COLOR16 | ILC_MASK, 3, 1);
    for (UINT icon : {IDI_SORT_NONE, IDI_SORT_ASCENDING, IDI_SORT_DESCENDING}) {
        CIcon loaded;
        loaded.Load(icon, 16, 16);
        m_headerImages.Add(loaded);
    }
    CHeaderCtrlEx& header = m_list.GetHeader();
    header.SetImageList(m_headerImages);
    header.ModifyStyle(0, HDS_BUTTONS | HDS_DRAGDROP);
    header.SetBackgroundColor(kHeaderColour);
    m_ui.ProcessEvents();
}

void CTarnixDlg::InitStatusText()
{
    m_statusFont.CreateFont(13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
    UpdateStatusText(0, 0, 0, 0.0, 0.0);
}

void CTarnixDlg::InitButtons()
{
    m_send.SubclassDlgItem(IDC_SEND, m_hWnd);
    m_pause.SubclassDlgItem(IDC_PAUSE, m_hWnd);
    m_speed.SubclassDlgItem(IDC_SPEED, m_hWnd);
    LOGFONTA font = {};
    font.lfHeight = 15;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, "Microsoft Sans Serif", LF_FACESIZE);
    m_send.SetBitmaps(IDB_SEND, IDB_SEND_HOT, IDB_SEND_HOT, 0, &font);
    m_send.SetTextOffset(77, 17);
    m_pause.SetBitmaps(IDB_PAUSE, IDB_PAUSE_HOT, IDB_PAUSE_HOT);
    m_speed.SetBitmaps(IDB_SPEED, IDB_SPEED_HOT, IDB_SPEED_HOT);
}

// --- Messages ---------------------------------------------------------------------------------

bool CTarnixDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (OnMenuMessage(msg, wParam, lParam, result))
        return true;
    if (msg == g_handOffMessage && msg) {
        m_ui.OnLinkFromOtherInstance(lParam);
        *result = 1;
        return true;
    }
    if (msg == g_tooltipClientArea && msg) {
        m_ui.OnToolTipLink(0, 1, 0, static_cast<std::uint32_t>(lParam));
        *result = 1;
        return true;
    }
    switch (msg) {
    case WM_CREATE:
        if (m_settings.GetShowSplash()) {
            // Under Wine 8 it shows centred on the screen, owned by this window, its magenta cut
            // away by a window region (measured).
            auto* splash = new CSplashScreenEx; // deletes itself with its window
            if (splash->Create(this, nullptr, 2000, 15) && splash->SetBitmap(IDB_SPLASH, 255, 0, 255))
                splash->Show();
            else
                splash->Hide();
        }
        break;
    case WM_COMMAND:
        if ((HIWORD(wParam) == 0 || HIWORD(wParam) == BN_CLICKED) && OnCommand(LOWORD(wParam))) {
            *result = 0;
            return true;
        }
        break;
    case WM_NOTIFY:
        if (NotifyFromLParam(lParam)->idFrom == IDC_LIST && OnListNotify(NotifyFromLParam(lParam), result))
            return true;
        break;
    case WM_SYSCOMMAND:
        if (OnSysCommand(wParam)) {
            *result = 0;
            return true;
        }
        break;
    case WM_TIMER:
        if (wParam == UI_DRAIN_TIMER_ID)
            m_ui.ProcessEvents();
        break;
    case WM_PAINT:
        OnPaint();
        *result = 0;
        return true;
    case WM_ERASEBKGND:
        *result = TRUE;
        return true;
    case WM_SIZE:
        // The bands are drawn again at the new size on the next paint.
        if (m_list.m_hWnd)
            m_backgroundCached = false;
        break;
    case WM_QUERYDRAGICON:
        *result = reinterpret_cast<LRESULT>(m_windowIcon.GetSafeHandle());
        return true;
    case WM_LBUTTONDBLCLK:
        OnDoubleClick(PointFromLParam(lParam));
        break;
    case WM_CTLCOLORSTATIC:
        *result =
            reinterpret_cast<LRESULT>(OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        return true;
    case WM_WINDOWPOSCHANGING:
        if (m_startedInBackground && IsBackgroundStart(m_commandLine))
            WindowPosFromLParam(lParam)->flags &= ~SWP_SHOWWINDOW;
        break;
    case kBalloonLinkMessage:
        *result = OnBalloonLink(reinterpret_cast<const char*>(wParam), static_cast<std::uint32_t>(lParam));
        return true;
    case kUpdateDownloadedMessage:
        m_ui.OnUpdateDownloaded(wParam);
        *result = 0;
        return true;
    default:
        break;
    }
    return CDialogResize::OnWndMsg(msg, wParam, lParam, result);
}

void CTarnixDlg::OnDestroy()
{
    KillTimer(UI_DRAIN_TIMER_ID);
    m_main.SetMainWindow(nullptr);
    HideBalloon();
    for (int column = 0; column < CSettingsManager::COLUMN_COUNT; ++column)
        m_settings.SetColumnWidth(column, m_list.GetColumnWidth(column));
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (::GetWindowPlacement(m_hWnd, &placement))
        m_settings.SetWindowPlacement(placement);
}

bool CTarnixDlg::OnSysCommand(WPARAM command)
{
    switch (command & 0xFFF0) {
    case SC_CLOSE:
        HideApplication();
        return true;
    case SC_MINIMIZE:
        Default();
        HideApplication();
        return true;
    default:
        break;
    }
    if (command == ID_ABOUT_BOX) {
        ShowAbout();
        return true;
    }
    return false;
}

void CTarnixDlg::OnDoubleClick(POINT client)
{
    CRect list;
    ::GetWindowRect(m_list, list);
    ScreenToClient(list);
    if (client.y > list.bottom)
        m_ui.OnSpeed();
}

HBRUSH CTarnixDlg::OnControlColour(HDC dc, HWND)
{
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

bool CTarnixDlg::OnListNotify(NMHDR* header, LRESULT* result)
{
    const int code = static_cast<int>(header->code);
    *result = 0;
    switch (code) {
    case static_cast<int>(NM_DBLCLK): {
        STransferRef ref;
        if (RowTransfer(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem, &ref))
            m_ui.OpenFile(ref.kind, ref.index);
        return true;
    }
    case static_cast<int>(NM_RCLICK):
        ShowContextMenu(reinterpret_cast<NMITEMACTIVATE*>(header)->ptAction);
        return true;
    case static_cast<int>(LVN_ITEMCHANGED):
        m_ui.OnSelectionChanged();
        return true;
    case kListStatusLineClicked:
        m_ui.OnCleanCompleted();
        ShowStatusLine(false);
        return true;
    case kListCellRequest:
        OnCellRequest(*reinterpret_cast<SListCellRequest*>(header));
        return true;
    case kListColumnClicked:
        m_ui.SortTransfers(reinterpret_cast<NMHEADERA*>(header)->iItem, m_list.GetHeader().IsSortAscending());
        RebuildList();
        return true;
    default:
        return false;
    }
}

// --- What CUIManager asks -----------------------------------------------------------------------

void CTarnixDlg::RebuildList()
{
    int uploads = 0, downloads = 0;
    m_ui.GetItemCounts(uploads, downloads);
    const int wanted = (uploads > 0 ? 1 : 0) + (downloads > 0 ? 1 : 0);
    for (; m_groupCount < wanted; ++m_groupCount)
        m_list.InsertGroup(0, "");
    for (; m_groupCount > wanted; --m_groupCount)
        m_list.DeleteGroup(0);
    m_uploadGroupRow = uploads > 0 ? 0 : -1;
    m_downloadGroupRow = downloads > 0 ? m_uploadGroupRow + 1 : -1;
    m_list.SetDownloadGroup(m_downloadGroupRow);
    if (m_uploadGroupRow >= 0)
        m_list.SetGroupItemCount(m_uploadGroupRow, uploads);
    if (m_downloadGroupRow >= 0)
        m_list.SetGroupItemCount(m_downloadGroupRow, downloads);
    m_list.Invalidate();
    UpdatePauseButton();
}

void CTarnixDlg::UpdatePauseButton()
{
    std::vector<STransferRef> selection;
    CollectSelection(selection);
    bool allPaused = !selection.empty();
    for (const STransferRef& ref : selection) {
        const CTransferingFile* row = m_ui.GetTransferAt(ref.kind, ref.index);
        if (!row || (row->m_fileStatus != FS_PAUSED && row->m_fileStatus != FS_SUSPENDED))
            allPaused = false;
    }
    // With nothing selected the button offers Pause, and says so: its command then acts on what
    // gets selected next as a pause.
    if (allPaused == m_showingResume)
        return;
    m_showingResume = allPaused;
    if (m_showingResume)
        m_pause.SetBitmaps(IDB_RESUME, IDB_RESUME_HOT, IDB_RESUME_HOT);
    else
        m_pause.SetBitmaps(IDB_PAUSE, IDB_PAUSE_HOT, IDB_PAUSE_HOT);
    m_pause.Invalidate();
}

void CTarnixDlg::CollectSelection(std::vector<STransferRef>& selection)
{
    selection.clear();
    if (!m_list.m_hWnd)
        return;
    for (int row = m_list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = m_list.GetNextItem(row, LVNI_SELECTED)) {
        STransferRef ref;
        if (RowRef(row, &ref))
            selection.push_back(ref);
    }
}

void CTarnixDlg::SelectTransfer(int kind, int index)
{
    if (!IsWindowVisible())
        ShowFromTray();
    const int group = kind == kUploadRows ? m_uploadGroupRow : m_downloadGroupRow;
    const int row = group < 0 ? -1 : m_list.PositionToRow(index + 1, group);
    if (row < 0)
        return;
    const int mark = m_list.GetSelectionMark();
    if (mark >= 0)
        m_list.SetItemState(mark, 0, LVIS_SELECTED);
    m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetSelectionMark(row);
    m_list.EnsureVisible(row, FALSE);
}

void CTarnixDlg::ShowFromTray()
{
    m_startedInBackground = false;
    SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    ShowWindow(SW_SHOW);
    ::BringWindowToTop(m_hWnd);
    SetForegroundWindow();
    SetFocus();
}

void CTarnixDlg::ShowStatusLine(bool show)
{
    m_list.ShowStatusLine(show);
}

// --- Rows -------------------------------------------------------------------------------------

int CTarnixDlg::KindOfGroup(int group) const
{
    // A list with one group holds downloads in it when there are no uploads.
    return group == 0 && m_uploadGroupRow == -1 ? kDownloadRows : group;
}

bool CTarnixDlg::RowRef(int row, STransferRef* ref) const
{
    const int position = m_list.RowToPosition(row);
    const int kind = KindOfGroup(m_list.RowToGroup(row));
    if (position <= 0 || (kind != kUploadRows && kind != kDownloadRows))
        return false;
    *ref = STransferRef{kind, position - 1};
    return true;
}

CTransferingFile* CTarnixDlg::RowTransfer(int row, STransferRef* ref) const
{
    STransferRef found;
    if (row < 0 || !RowRef(row, &found))
        return nullptr;
    if (ref)
        *ref = found;
    return m_ui.GetTransferAt(found.kind, found.index);
}

std::vector<CTransferingFile*> CTarnixDlg::SelectedTransfers()
{
    std::vector<STransferRef> selection;
    CollectSelection(selection);
    std::vector<CTransferingFile*> rows;
    for (const STransferRef& ref : selection) {
        if (CTransferingFile* row = m_ui.GetTransferAt(ref.kind, ref.index))
            rows.push_back(row);
    }
    return rows;
}
