// The main window's notification balloons at the tray icon, the links clicked in them, and the
// about box.

#include "ui/TarnixDlg.h"

#include <cstdlib>

#include <windows.h>

#include "app/SettingsManager.h"
#include "app/TransferingFile.h"
#include "htmltip/portable/HtmlInput.h"
#include "ui/AboutDlg.h"
#include "ui/ShellOpen.h"
#include "ui/UIManager.h"
#include "ui/res/ui_ids.h"

namespace {

const COLORREF kBalloonColour = 0xFCE9DA;
const int kBalloonSizeValue = 4;
const UINT kBalloonBehaviour = PPTOOLTIP_RESTART_OVER_TIP | PPTOOLTIP_NO_CLOSE;
const int kFinishedSeconds = 5;

// Links of the balloons (their msg attribute).
const int kOfferLink = 2;
const int kOpenFileLink = 3;
const int kOpenFolderLink = 4;

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// A name or address someone else chose, shown as it is inside the balloon's markup.
CString Literal(const CString& text)
{
    return CString(htmltip::MakeLiteral(text.str()).c_str());
}

unsigned HandleText(HICON icon)
{
    // The markup takes 32 bits of hexadecimal: icon handles fit them on both pointer sizes.
    return static_cast<unsigned>(reinterpret_cast<UINT_PTR>(icon));
}

} // namespace

void CTarnixDlg::InitBalloon()
{
    if (!m_balloon.Create(m_hWnd, true))
        return;
    m_balloon.SetClickCommand(ID_BALLOON_CLICK, true);
    m_balloon.SetSize(2, kBalloonSizeValue);
    m_balloon.SetSize(3, kBalloonSizeValue);
    m_balloon.SetColorBk(kBalloonColour);
    m_balloon.SetBehaviour(kBalloonBehaviour);
}

void CTarnixDlg::HideBalloon()
{
    if (m_balloon.m_hWnd)
        m_balloon.HideTooltip();
}

void CTarnixDlg::RelayToBalloon(MSG* msg)
{
    if (m_balloon.m_hWnd)
        m_balloon.RelayEvent(msg);
}

bool CTarnixDlg::TrayPoint(POINT* point)
{
    const int found = m_trayPosition.GetTrayIconPosition(point);
    // The search showed its probe in the tray: the icon gets its picture back.
    m_tray.SetIconById(m_trayIconId);
    return found != -1;
}

void CTarnixDlg::ShowNotificationTip(std::uint32_t id, bool finished, int value)
{
    const HICON balloonIcon = CSharedIcon::Load(IDI_BALLOON);
    if (!finished) {
        HideBalloon();
        POINT point = {};
        if (!value || !m_balloon.m_hWnd)
            return;
        m_balloon.SetLinkMessage(m_hWnd, kBalloonLinkMessage, 0);
        if (!TrayPoint(&point))
            return;
        CString text;
        text.Format(LoadText(IDS_BALLOON_UPDATE), kOfferLink, HandleText(balloonIcon));
        m_balloon.ShowHelpTooltip(point, text);
        return;
    }

    ShowStatusLine(true);
    const STransferRef ref = m_ui.FindItem(id);
    const CTransferingFile* row = m_ui.GetTransferAt(ref.kind, ref.index);
    HICON finishedIcons[2] = {m_finishedIcons[0], m_finishedIcons[1]};
    m_tray.SetIconList(finishedIcons, 2, m_finishedDelays);
    m_tray.Animate(kFinishedSeconds);
    if (!row || !m_balloon.m_hWnd)
        return;
    const bool wanted =
        row->m_isDownload ? m_settings.GetShowToolTipDownloadComplete() : m_settings.GetShowToolTipUploadComplete();
    if (!wanted)
        return;
    HideBalloon();
    m_balloon.SetLinkMessage(m_hWnd, kBalloonLinkMessage, static_cast<LPARAM>(id));
    POINT point = {};
    if (!TrayPoint(&point))
        return;
    const CString name = Literal(row->m_shortName);
    CString party, text;
    if (row->m_isDownload) {
        party.Format(LoadText(IDS_FROM_USER), Literal(row->m_userEmail).GetString());
        text.Format(LoadText(IDS_BALLOON_RECEIVED), name.GetString(), party.GetString(), kOpenFileLink,
                    HandleText(balloonIcon));
    } else {
        if (!row->m_userEmail.IsEmpty())
            party.Format(LoadText(IDS_TO_USER), Literal(row->m_userEmail).GetString());
        text.Format(LoadText(IDS_BALLOON_SENT), name.GetString(), party.GetString(), HandleText(balloonIcon));
    }
    m_balloon.SetNotifyWindow(m_hWnd);
    m_balloon.ShowHelpTooltip(point, text, m_windowIcon);
}

LRESULT CTarnixDlg::OnBalloonLink(const char* msgText, std::uint32_t id)
{
    const int msg = msgText ? static_cast<int>(std::atol(msgText)) : 0;
    if (id == 0) {
        m_ui.OnToolTipLink(1, msg, 0, 0);
        return 1;
    }
    const STransferRef ref = m_ui.FindItem(id);
    const CTransferingFile* row = m_ui.GetTransferAt(ref.kind, ref.index);
    if (msg == kOpenFileLink) {
        // A received file is opened as a double click opens it: programs only after asking.
        if (row)
            m_ui.OpenFile(ref.kind, ref.index);
    } else if (msg == kOpenFolderLink) {
        if (row)
            OpenTransferFolder(m_hWnd, row->m_realName);
    } else {
        m_ui.OnToolTipLink(0, msg, 0, id);
    }
    return 1;
}

void CTarnixDlg::ShowAbout()
{
    CAboutDlg about(this);
    about.DoModal();
}
