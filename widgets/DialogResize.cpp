#include "widgets/DialogResize.h"

#include "framework/MessageCrackers.h"
#include "framework/Rect.h"

IMPLEMENT_DYNAMIC(CDialogResize, CDialog)

namespace {

const CDialogResize::ResizeMapEntry kEmptyMap[] = {{-1, 0}};

const UINT kPlacingFlags =
    CDialogResize::SizeX | CDialogResize::SizeY | CDialogResize::MoveX | CDialogResize::MoveY | CDialogResize::Repaint;
// The grip moves with the corner and repaints; the high bit marks it as the grip and nothing more.
const UINT kGripFlags = 0x4000 | CDialogResize::MoveX | CDialogResize::MoveY | CDialogResize::Repaint;
// A size grip aligned to the bottom right of the rectangle it is given.
const DWORD kGripStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN;

// A child's window rectangle in its parent's client coordinates.
CRect ChildRect(HWND parent, HWND child)
{
    CRect rect;
    ::GetWindowRect(child, rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(static_cast<RECT*>(rect)), 2);
    return rect;
}

} // namespace

CDialogResize::CDialogResize(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

const CDialogResize::ResizeMapEntry* CDialogResize::GetResizeMap() const
{
    return kEmptyMap;
}

void CDialogResize::InitResize(bool addGrip, bool useMinTrackSize, DWORD forceStyle)
{
    const DWORD missing = forceStyle & ~GetStyle();
    if (missing)
        ModifyStyle(0, missing);

    m_resizeData.clear();
    CRect client;
    GetClientRect(client);
    m_initialClientSize = client.Size();
    m_minTrackSize = CSize(-1, -1);
    m_hasGrip = false;

    if (addGrip && !GetDlgItem(kGripId) &&
        m_grip.CreateEx(0, "SCROLLBAR", "", kGripStyle, client, m_hWnd, static_cast<UINT>(kGripId))) {
        m_hasGrip = true;
        m_resizeData.push_back(AfxResizeData{kGripId, kGripFlags, ChildRect(m_hWnd, m_grip)});
    }

    if (useMinTrackSize) {
        CRect window;
        GetWindowRect(window);
        m_minTrackSize = window.Size();
    }

    for (const ResizeMapEntry* entry = GetResizeMap(); entry && entry->id != -1; ++entry) {
        if (HWND control = GetDlgItem(entry->id))
            m_resizeData.push_back(AfxResizeData{entry->id, entry->flags, ChildRect(m_hWnd, control)});
    }
}

void CDialogResize::PlaceControl(const AfxResizeData& data, int dx, int dy)
{
    HWND control = GetDlgItem(data.id);
    if (!control)
        return;
    const CRect initial(data.initial);
    CRect rect = ChildRect(m_hWnd, control);
    if (data.flags & (SizeX | MoveX)) {
        rect.right = initial.right + dx;
        if (data.flags & MoveX)
            rect.left = rect.right - initial.Width();
    }
    if (data.flags & (SizeY | MoveY)) {
        rect.bottom = initial.bottom + dy;
        if (data.flags & MoveY)
            rect.top = rect.bottom - initial.Height();
    }
    if (data.flags & Repaint)
        ::InvalidateRect(control, nullptr, TRUE);
    if (data.flags & kPlacingFlags)
        ::SetWindowPos(control, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialogResize::UpdateLayout(int width, int height)
{
    const int dx = width - m_initialClientSize.cx;
    const int dy = height - m_initialClientSize.cy;
    for (const AfxResizeData& data : m_resizeData)
        PlaceControl(data, dx, dy);
    RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool CDialogResize::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_SIZE: {
        *result = Default();
        if (m_hasGrip) {
            if (wParam == SIZE_MAXIMIZED)
                m_grip.ShowWindow(SW_HIDE);
            else if (wParam == SIZE_RESTORED)
                m_grip.ShowWindow(SW_SHOW);
        }
        if (wParam != SIZE_MINIMIZED) {
            const SIZE size = SizeFromLParam(lParam);
            UpdateLayout(size.cx, size.cy);
        }
        return true;
    }
    case WM_GETMINMAXINFO:
        if (m_minTrackSize.cx != -1 && m_minTrackSize.cy != -1) {
            MINMAXINFO* info = MinMaxInfoFromLParam(lParam);
            info->ptMinTrackSize.x = m_minTrackSize.cx;
            info->ptMinTrackSize.y = m_minTrackSize.cy;
        }
        break;
    default:
        break;
    }
    return CDialog::OnWndMsg(msg, wParam, lParam, result);
}
