#include "ui/OptionsDlg.h"

#include <shlobj.h>

#include "app/DirectoryProbe.h"
#include "app/StringIds.h"
#include "framework/DataExchange.h"
#include "framework/MessageBox.h"
#include "infra/TextUtilities.h"
#include "ui/res/ui_ids.h"
#include "widgets/XBrowseDialog.h"

namespace {

// File-system folders only and the status text, as the picker starts, plus its edit box in the
// new, resizable style.
const UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;

} // namespace

COptionsDlg::COptionsDlg(CWnd* parent, CSettingsManager& settings)
    : CTNDialog(IDD_OPTIONS, parent), m_showSplash(settings.GetShowSplash() != 0),
      m_downloadLocation(settings.GetDownloadLocation()), m_maxDownloads(settings.GetMaxDownloads()),
      m_maxUploads(settings.GetMaxUploads()), m_unlimitedDownloads(settings.GetUnlimitedDownloads() != 0),
      m_unlimitedUploads(settings.GetUnlimitedUploads() != 0), m_myName(settings.GetMyName()),
      m_myEmail(settings.GetMyEmail()), m_readOutlook(settings.GetExtructOutlook() != 0),
      m_loadOnStartup(settings.GetLoadOnStartup() != 0), m_settings(settings)
{
    m_backgroundBitmapId = IDB_OPTIONS_BACKGROUND;
    m_boldControls.push_back(IDC_TITLE);
}

BOOL COptionsDlg::OnInitDialog()
{
    CTNDialog::OnInitDialog();
    m_ok.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_cancel.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_browse.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    EnableLimits();
    return TRUE;
}

void COptionsDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDOK, m_ok);
    DDX_Control(dx, IDCANCEL, m_cancel);
    DDX_Control(dx, IDC_BROWSE, m_browse);
    DDX_Check(dx, IDC_SHOW_SPLASH, m_showSplash);
    DDX_Text(dx, IDC_DOWNLOAD_LOCATION, m_downloadLocation);
    // The boxes first: a greyed limit is not read, so whatever it holds cannot block OK.
    DDX_Check(dx, IDC_UNLIMITED_DOWNLOADS, m_unlimitedDownloads);
    DDX_Check(dx, IDC_UNLIMITED_UPLOADS, m_unlimitedUploads);
    if (!dx->m_bSaveAndValidate || !m_unlimitedDownloads)
        DDX_Text(dx, IDC_MAX_DOWNLOADS, m_maxDownloads);
    if (!dx->m_bSaveAndValidate || !m_unlimitedUploads)
        DDX_Text(dx, IDC_MAX_UPLOADS, m_maxUploads);
    DDX_Text(dx, IDC_NAME, m_myName);
    DDX_Text(dx, IDC_MY_EMAIL, m_myEmail);
    DDX_Check(dx, IDC_SYNC_OUTLOOK, m_readOutlook);
    DDX_Check(dx, IDC_LOAD_ON_STARTUP, m_loadOnStartup);
}

void COptionsDlg::EnableLimits()
{
    ::EnableWindow(GetDlgItem(IDC_MAX_DOWNLOADS), m_unlimitedDownloads ? FALSE : TRUE);
    ::EnableWindow(GetDlgItem(IDC_MAX_UPLOADS), m_unlimitedUploads ? FALSE : TRUE);
}

void COptionsDlg::Browse()
{
    CString title;
    title.LoadString(IDS_SELECT_DOWNLOAD_FOLDER);
    CDataExchange typed(this, TRUE);
    DDX_Text(&typed, IDC_DOWNLOAD_LOCATION, m_downloadLocation);
    CXBrowseDialog picker(this);
    picker.SetTitle(title);
    picker.SetPath(m_downloadLocation);
    picker.SetFlags(kBrowseFlags);
    if (picker.DoModal() != IDOK)
        return;
    // Only the folder's box: the other boxes keep what was typed in them.
    m_downloadLocation = picker.GetPath();
    SetDlgItemText(IDC_DOWNLOAD_LOCATION, m_downloadLocation);
}

bool COptionsDlg::CheckLimit(bool unlimited, int limit, int boxId)
{
    // A limit of 0 would hold every transfer back without a word.
    if (unlimited || limit >= 1)
        return true;
    AfxMessageBox(IDS_LIMIT_TOO_SMALL, MB_OK | MB_ICONEXCLAMATION);
    HWND box = GetDlgItem(boxId);
    ::SetFocus(box);
    ::SendMessageA(box, EM_SETSEL, 0, -1);
    return false;
}

void COptionsDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (!IsDirectoryWritable(m_downloadLocation)) {
        AfxMessageBox(IDS_DOWNLOAD_DIR_INVALID);
        return;
    }
    if (m_myName.IsEmpty() || !IsValidEmail(m_myEmail.str())) {
        AfxMessageBox(IDS_IDENTITY_MISSING);
        return;
    }
    if (!CheckLimit(m_unlimitedDownloads, m_maxDownloads, IDC_MAX_DOWNLOADS) ||
        !CheckLimit(m_unlimitedUploads, m_maxUploads, IDC_MAX_UPLOADS))
        return;
    m_settings.SetLoadOnStartup(m_loadOnStartup ? 1 : 0);
    if (m_unlimitedDownloads)
        m_maxDownloads = 0;
    if (m_unlimitedUploads)
        m_maxUploads = 0;
    EndDialog(IDOK);
}

bool COptionsDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_BROWSE:
            Browse();
            *result = 0;
            return true;
        case IDC_UNLIMITED_DOWNLOADS:
        case IDC_UNLIMITED_UPLOADS:
            // Only the boxes: a half-typed number is judged at OK, not at this click.
            m_unlimitedDownloads = ::IsDlgButtonChecked(m_hWnd, IDC_UNLIMITED_DOWNLOADS) == BST_CHECKED;
            m_unlimitedUploads = ::IsDlgButtonChecked(m_hWnd, IDC_UNLIMITED_UPLOADS) == BST_CHECKED;
            EnableLimits();
            *result = 0;
            return true;
        default:
            break;
        }
    }
    return CTNDialog::OnWndMsg(msg, wParam, lParam, result);
}
