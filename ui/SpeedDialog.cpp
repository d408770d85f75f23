#include "ui/SpeedDialog.h"

#include "framework/DataExchange.h"
#include "framework/Rect.h"
#include "ui/res/ui_ids.h"

namespace {

const POINT kSliderAt = {40, 120}; // pixels, left of the texts

} // namespace

CSpeedDialog::CSpeedDialog(CWnd* parent) : CTNDialog(IDD_SPEED, parent)
{
    m_iconId = IDI_SPEED;
    m_backgroundBitmapId = IDB_DIALOG_BACKGROUND;
    m_boldControls.push_back(IDC_TITLE);
    m_boldControls.push_back(IDC_SPEED_NAME);
}

BOOL CSpeedDialog::OnInitDialog()
{
    m_given = m_level;
    CTNDialog::OnInitDialog();
    m_ok.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_cancel.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    const int level = m_level;
    if (m_slider.Create(WS_VISIBLE, CRect(kSliderAt.x, kSliderAt.y, kSliderAt.x, kSliderAt.y), this))
        m_slider.SetPos(level);
    LoadTexts();
    UpdateData(FALSE);
    return TRUE;
}

void CSpeedDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDOK, m_ok);
    DDX_Control(dx, IDCANCEL, m_cancel);
    DDX_Text(dx, IDC_SPEED_NAME, m_name);
    DDX_Text(dx, IDC_SPEED_DESCRIPTION, m_description);
}

void CSpeedDialog::LoadTexts()
{
    // A level outside the three shows the nearest.
    const int level = m_level < 0 ? 0 : m_level > 2 ? 2 : m_level;
    m_name.LoadString(IDS_SPEED_HIGH + level);
    m_description.LoadString(IDS_SPEED_HIGH_TEXT + level);
}

void CSpeedDialog::OnCancel()
{
    m_level = m_given;
    CTNDialog::OnCancel();
}

bool CSpeedDialog::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_VSCROLL && m_slider.m_hWnd && reinterpret_cast<HWND>(lParam) == m_slider.m_hWnd) {
        m_level = HIWORD(wParam);
        LoadTexts();
        for (const int id : {IDC_SPEED_DESCRIPTION, IDC_SPEED_NAME}) {
            CRect rect;
            ::GetWindowRect(GetDlgItem(id), rect);
            ScreenToClient(rect);
            InvalidateRect(rect);
        }
        UpdateData(FALSE);
    }
    return CTNDialog::OnWndMsg(msg, wParam, lParam, result);
}
