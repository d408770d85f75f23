#include "ui/UpdateDownloadDlg.h"

#include <climits>
#include <cstdint>

#include "app/HttpDownloader.h"
#include "app/InternetEnvironment.h"
#include "framework/DataExchange.h"
#include "framework/TickSource.h"
#include "ui/UpdateDownloadHolder.h"
#include "ui/portable/RemainingTime.h"
#include "ui/res/ui_ids.h"

CUpdateDownloadDlg::CUpdateDownloadDlg(const CString& url, const CString& target, HWND notify, CWnd* parent)
    : CDialog(IDD_UPDATE_DOWNLOAD, parent), m_url(url), m_target(target), m_notify(notify)
{}

CUpdateDownloadDlg::~CUpdateDownloadDlg()
{
    m_holder = nullptr; // being deleted already: the window's end must not delete it again
    if (m_hWnd)
        DestroyWindow();
    if (m_controller) {
        ::Sleep(kStopGraceMs);
        m_controller.reset();
    }
}

bool CUpdateDownloadDlg::Create(UINT templateId, CWnd* parent)
{
    m_modeless = true;
    return CDialog::Create(templateId, parent);
}

BOOL CUpdateDownloadDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_window = m_hWnd;
    m_button.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED, IDB_BUTTON_DISABLED);
    m_sizeUnit.LoadString(IDS_UNIT_KB);
    m_sizePrefix.LoadString(IDS_FILE_SIZE);
    m_secondsUnit.LoadString(IDS_SECONDS);
    m_total = 0;
    m_current = 0;
    m_sampled = 0;
    m_samples = 0;
    m_rate = 0;
    m_startTick = AfxGetTickCount();
    Refresh();
    SetTimer(kRefreshTimer, kRefreshMs);
    SetTimer(kConnectionTimer, kConnectionMs);
    return TRUE;
}

void CUpdateDownloadDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_UPDATE_PROGRESS, m_progress);
    DDX_Control(dx, IDC_UPDATE_BUTTON, m_button);
}

// --- The worker's callbacks ----------------------------------------------------------------

void CUpdateDownloadDlg::OnStart(DWORD total, DWORD& present)
{
    m_total = total;
    m_current = present;
}

void CUpdateDownloadDlg::OnData(DWORD offset, DWORD length, const void*)
{
    m_current = offset + length;
}

void CUpdateDownloadDlg::OnDone(bool success)
{
    m_succeeded = success;
    if (HWND window = m_window.load())
        ::PostMessageA(window, WM_CLOSE, 0, 0);
    if (m_notify)
        ::PostMessageA(m_notify, kDoneMessage, success ? 1 : 0, 0);
}

void CUpdateDownloadDlg::OnError(int) {}

// --- The timers ----------------------------------------------------------------------------

void CUpdateDownloadDlg::Refresh()
{
    const DWORD total = m_total;
    const DWORD current = m_current;
    // The bar counts in KB where bytes would not fit its signed range.
    const DWORD scale = total > static_cast<DWORD>(INT_MAX) ? 1024 : 1;
    m_progress.SetRange32(0, static_cast<int>(total / scale));
    m_progress.SetPos(static_cast<int>(current / scale));

    CString text;
    text.Format("%s%d %s", m_sizePrefix.GetString(), static_cast<int>(total / 1024), m_sizeUnit.GetString());
    SetDlgItemText(IDC_FILE_SIZE, text);
    text.Format("%d %s", static_cast<int>(current / 1024), m_sizeUnit.GetString());
    SetDlgItemText(IDC_DOWNLOADED, text);

    // One rate sample per refresh that saw new bytes: the mean of bytes per second since the
    // start, in 64 bits (a 32-bit product overflows past 4 MB).
    const DWORD elapsed = AfxGetTickCount() - m_startTick;
    if (current == m_sampled || elapsed == 0)
        return;
    m_sampled = current;
    const double sample = static_cast<double>(static_cast<std::uint64_t>(current) * 1000u / elapsed);
    m_rate = (sample + m_rate * m_samples) / (m_samples + 1);
    ++m_samples;
    text.Format("%.2f %s/%s", m_rate / 1024, m_sizeUnit.GetString(), m_secondsUnit.GetString());
    SetDlgItemText(IDC_DOWNLOAD_RATE, text);
    if (m_rate > 0) {
        const DWORD left = current < total ? total - current : 0;
        SetDlgItemText(IDC_TIME_LEFT, FormatRemainingTime(static_cast<std::int64_t>(left / m_rate)).c_str());
    }
}

void CUpdateDownloadDlg::WatchConnection()
{
    if (!m_connected) {
        m_connected = GetInternetEnvironment().IsConnected();
        if (!m_connected && ++m_ticksOffline >= kConnectionTicks) {
            KillTimer(kConnectionTimer);
            Close(IDCANCEL);
            return;
        }
    }
    if (!m_connected)
        return;
    KillTimer(kConnectionTimer);
    if (m_controller)
        return;
    m_controller = std::make_unique<CHttpDownloader>(m_url, m_target, *this);
    m_controller->Start();
}

// --- Ending --------------------------------------------------------------------------------

void CUpdateDownloadDlg::StopDownload()
{
    KillTimer(kRefreshTimer);
    if (m_controller)
        m_controller->Cancel();
}

void CUpdateDownloadDlg::Close(int code)
{
    if (m_modeless)
        DestroyWindow();
    else
        EndDialog(code);
}

void CUpdateDownloadDlg::OnCancel()
{
    StopDownload();
    Close(m_succeeded ? IDOK : IDCANCEL);
}

bool CUpdateDownloadDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_TIMER:
        if (wParam == kRefreshTimer) {
            Refresh();
            *result = 0;
            return true;
        }
        if (wParam == kConnectionTimer) {
            WatchConnection();
            *result = 0;
            return true;
        }
        break;
    case WM_CLOSE:
        // Here, not through the dialog manager's posted IDCANCEL: the dialog ends before the
        // notify window hears of the end.
        OnCancel();
        *result = 0;
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_UPDATE_BUTTON && HIWORD(wParam) == BN_CLICKED) {
            OnCancel();
            *result = 0;
            return true;
        }
        break;
    default:
        break;
    }
    return CDialog::OnWndMsg(msg, wParam, lParam, result);
}

void CUpdateDownloadDlg::OnDestroy()
{
    m_window = nullptr;
    KillTimer(kConnectionTimer);
    StopDownload();
}

void CUpdateDownloadDlg::PostNcDestroy()
{
    CUpdateDownloadHolder* holder = m_holder;
    if (!holder)
        return;
    holder->Forget(this);
    delete this;
}
