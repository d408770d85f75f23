#include "ui/SelectFilesPage.h"

#include "app/SettingsManager.h"
#include "framework/Clipboard.h"
#include "framework/DataExchange.h"
#include "framework/MessageBox.h"
#include "infra/TextUtilities.h"
#include "ui/SizeText.h"

namespace {

// The size of a file opened as the upload will open it, or false when it cannot be read.
bool ReadFileSize(const CString& path, std::int64_t& size)
{
    HANDLE file =
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER length = {};
    const bool read = ::GetFileSizeEx(file, &length) != FALSE;
    ::CloseHandle(file);
    size = length.QuadPart;
    return read;
}

} // namespace

CSelectFilesPage::CSelectFilesPage(CFileLink& link, CSettingsManager& settings)
    : CSendFilePage(IDD_SELECT_FILES, link, settings), m_chooser(&m_systemChooser)
{
    m_boldControls.push_back(IDC_FILES_LABEL);
    m_boldControls.push_back(IDC_SIZE_LABEL);
}

BOOL CSelectFilesPage::OnInitDialog()
{
    CSendFilePage::OnInitDialog();
    m_selectFiles.SetBitmaps(IDB_SELECT_FILES, IDB_SELECT_FILES_HOT, IDB_SELECT_FILES_HOT);
    m_next.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED, IDB_BUTTON_DISABLED);
    m_copyLink.SetBitmaps(IDB_COPY_LINK, IDB_COPY_LINK, IDB_COPY_LINK, IDB_COPY_LINK);
    Refresh();
    return TRUE;
}

void CSelectFilesPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_SELECT_FILES, m_selectFiles);
    DDX_Control(dx, IDOK, m_next);
    DDX_Control(dx, IDC_COPY_LINK, m_copyLink);
    DDX_Text(dx, IDC_FILE_NAMES, m_fileNames);
    DDX_Text(dx, IDC_TOTAL_SIZE, m_totalSize);
}

bool CSelectFilesPage::Validate()
{
    if (!m_link->m_entries.empty())
        return true;
    m_errorText.LoadString(IDS_NO_FILE_SELECTED);
    return false;
}

void CSelectFilesPage::Refresh()
{
    std::int64_t total = 0;
    m_fileNames = m_link->JoinFileNames(", ", -1, total);
    m_link->m_totalSize = total; // the copied link carries it
    m_totalSize = FormatSizeText(total);
    const int shown = m_link->m_entries.empty() ? SW_HIDE : SW_SHOW;
    for (const int id : {IDC_FILES_LABEL, IDC_SIZE_LABEL, IDC_FILE_NAMES, IDC_TOTAL_SIZE})
        ::ShowWindow(GetDlgItem(id), shown);
    const BOOL valid = Validate() ? TRUE : FALSE;
    m_copyLink.EnableWindow(valid);
    m_next.EnableWindow(valid);
    UpdateData(FALSE);
    Invalidate();
}

void CSelectFilesPage::SelectFiles()
{
    std::vector<CString> paths;
    if (m_chooser->ChooseFiles(m_hWnd, m_settings.GetWizardSelectFilesDir(), paths) != IDOK || paths.empty())
        return;
    m_link->m_entries.clear();
    for (const CString& path : paths) {
        CLinkFileEntry entry(true);
        entry.SetPath(path);
        // A file offered with a size it does not have would arrive empty, or not at all.
        if (!ReadFileSize(path, entry.m_size)) {
            CString format, text;
            format.LoadString(IDS_FILE_NOT_READABLE);
            text.Format(format, path.GetString());
            AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
            continue;
        }
        m_link->m_entries.push_back(entry);
    }
    Refresh();
    m_settings.SetWizardSelectFilesDir(GetPathDirectory(paths.front().str()).c_str());
}

void CSelectFilesPage::CopyLink()
{
    if (!CanProceed())
        return;
    // Told only once the text is there: a wizard that ends here leaves the user with the link.
    if (!CopyTextToClipboard(m_hWnd, m_link->BuildLinkURL())) {
        AfxMessageBox(IDS_LINK_NOT_COPIED, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    AfxMessageBox(IDS_LINK_COPIED, MB_OK | MB_ICONINFORMATION);
    EndDialog(IDC_COPY_LINK);
}

bool CSelectFilesPage::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDC_SELECT_FILES) {
            SelectFiles();
            *result = 0;
            return true;
        }
        if (LOWORD(wParam) == IDC_COPY_LINK) {
            CopyLink();
            *result = 0;
            return true;
        }
    }
    return CSendFilePage::OnWndMsg(msg, wParam, lParam, result);
}
