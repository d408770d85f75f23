// The main window's face: the background bands, the status line at the bottom, and the tray
// picture that goes with the status.

#include "ui/TarnixDlg.h"

#include <windows.h>

#include "framework/DC.h"
#include "framework/DCGuards.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"
#include "ui/res/ui_ids.h"

namespace {

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

CString ServiceStateText(int state)
{
    switch (state) {
    case 0:
        return LoadText(IDS_SERVICE_DISCONNECTED);
    case 1:
    case 2:
        return LoadText(IDS_SERVICE_CONNECTING);
    case 3:
        return LoadText(IDS_SERVICE_CONNECTED);
    default:
        return CString();
    }
}

// A rate in bytes per second as the status line counts it.
double KilobytesPerSecond(double rate)
{
    return rate / 1024.0;
}

const int kBusySeconds = 10;

} // namespace

void CTarnixDlg::UpdateStatusText(int receiving, int sending, int serviceState, double sendingRate,
                                  double receivingRate)
{
    CString sendingPart, receivingPart;
    sendingPart.Format(LoadText(sending == 1 ? IDS_SENDING_ONE_FILE : IDS_SENDING_FILES), sending,
                       KilobytesPerSecond(sendingRate));
    receivingPart.Format(LoadText(receiving == 1 ? IDS_RECEIVING_ONE_FILE : IDS_RECEIVING_FILES), receiving,
                         KilobytesPerSecond(receivingRate));
    m_statusText.Format("%s | %s | %s", sendingPart.GetString(), receivingPart.GetString(),
                        ServiceStateText(serviceState).GetString());

    if (serviceState == 0 || serviceState == 1) {
        m_trayIconId = IDI_TRAY_OFFLINE;
        m_tray.SetIconById(m_trayIconId);
    } else {
        m_trayIconId = IDI_TRAY_ONLINE;
        // Set before the animation starts, so it is the picture the animation ends on.
        m_tray.SetIconById(m_trayIconId);
        if (receiving || sending) {
            HICON busy[4];
            for (int i = 0; i < 4; ++i)
                busy[i] = m_busyIcons[i];
            m_tray.SetIconList(busy, 4, m_busyDelays);
            m_tray.Animate(kBusySeconds);
        }
    }

    // The static draws nothing; its text lets automation read the line.
    SetDlgItemText(IDC_STATUS_TEXT, m_statusText);
    if (HWND status = GetDlgItem(IDC_STATUS_TEXT)) {
        CRect area;
        ::GetWindowRect(status, area);
        ScreenToClient(area);
        InvalidateRect(area, FALSE);
    }
}

void CTarnixDlg::BuildBackground(int width, int height)
{
    m_background = std::make_unique<CMemoryDC>(nullptr, width, height);
    if (!m_background->IsValid())
        return;
    CDC source;
    source.CreateCompatibleDC(*m_background);
    m_background->SetStretchBltMode(COLORONCOLOR);
    auto stretch = [&](const CBitmap& bitmap, int top, int bottom) {
        const CSize size = bitmap.GetSize();
        if (size.cx <= 0 || bottom <= top)
            return;
        CSelectGuard selected(source, bitmap);
        m_background->StretchBlt(0, top, width, bottom - top, source, 0, 0, size.cx, size.cy, SRCCOPY);
    };
    const int topHeight = m_backgroundBitmaps[0].GetSize().cy;
    const int bottomHeight = m_backgroundBitmaps[2].GetSize().cy;
    stretch(m_backgroundBitmaps[0], 0, topHeight);
    stretch(m_backgroundBitmaps[2], height - bottomHeight, height);
    stretch(m_backgroundBitmaps[1], topHeight, height - bottomHeight);
    m_backgroundCached = true;
}

void CTarnixDlg::OnPaint()
{
    CPaintDC dc(*this);
    CRect client;
    GetClientRect(client);
    if (::IsIconic(m_hWnd)) {
        const int iconWidth = ::GetSystemMetrics(SM_CXICON);
        const int iconHeight = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc, (client.Width() - iconWidth + 1) / 2, (client.Height() - iconHeight + 1) / 2, m_windowIcon);
        return;
    }
    if (client.Width() <= 0 || client.Height() <= 0)
        return;
    if (!m_backgroundCached || !m_background || m_background->Width() != client.Width() ||
        m_background->Height() != client.Height())
        BuildBackground(client.Width(), client.Height());
    CMemoryDC surface(dc, client.Width(), client.Height());
    if (!surface.IsValid() || !m_background || !m_background->IsValid())
        return;
    surface.BitBlt(0, 0, client.Width(), client.Height(), *m_background, 0, 0, SRCCOPY);

    if (HWND status = GetDlgItem(IDC_STATUS_TEXT)) {
        CRect area;
        ::GetWindowRect(status, area);
        ScreenToClient(area);
        CSelectGuard font(surface, m_statusFont);
        surface.SetBkMode(TRANSPARENT);
        surface.DrawText(m_statusText, m_statusText.GetLength(), area, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
    surface.BlitTo(dc, 0, 0);
}
