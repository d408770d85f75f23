#include "ui/TNListCtrlEx.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/Bitmap.h"
#include "framework/DC.h"
#include "framework/DCGuards.h"
#include "framework/MessageCrackers.h"
#include "framework/Rect.h"
#include "ui/ControlArt.h"
#include "ui/portable/ColumnOrder.h"
#include "widgets/BCMenu.h"

namespace {

const int kRowHeight = 19;
const COLORREF kItemColour = 0xFFFFFF;
const COLORREF kGroupColour = 0xFFF3EF;
const COLORREF kSelectionColour = 0x7ED6FE;
const COLORREF kUploadFill = 0xA4FEB1;
const COLORREF kDownloadFill = 0x6ABEF0;
const COLORREF kProgressBorder = RGB(128, 128, 128);
const COLORREF kKeyColour = RGB(0, 255, 0);
const int kProgressImageWidth = 2;
const int kProgressImageHeight = 14;
const int kButtonPiece = 3;
const int kExpanderSize = 13;
const int kTextInset = 5;
const int kExpanderToText = 20;
const int kExpanderTop = 2;
const int kStatusTextRoom = 16; // right of a status cell's text: the drop-down's place
const int kStatusImageFromRight = 18;
const int kTitleLength = 63;          // longer column titles are cut here and end in "..."
const UINT kFixOrder = WM_APP + 0x31; // after a header drag: hidden columns back to the end

const UINT kCenteredLine = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

// A masked list of `bitmap` cut into pieces `width` wide; false when the art is missing.
bool LoadPieces(CImageList& list, UINT bitmap, int width)
{
    return list.CreateFromBitmap(bitmap, width, 0, 3, kKeyColour);
}

} // namespace

CTNListCtrlEx::CTNListCtrlEx()
    : m_itemBrush(kItemColour), m_groupBrush(kGroupColour),
      m_selectionBrush(kSelectionColour), m_drawers{{{}, kUploadFill}, {{}, kDownloadFill}}
{
    m_ownFlags = kListParentData;
    LoadPieces(m_buttonPieces, IDB_STATUS_BUTTON, kButtonPiece);
    if (m_expanders.Create(kExpanderSize, kExpanderSize, ILC_COLOR24 | ILC_MASK, 2, 1)) {
        for (UINT id : {IDB_EXPANDED, IDB_COLLAPSED}) {
            CBitmap bitmap;
            if (bitmap.LoadBitmap(id))
                m_expanders.Add(bitmap, kKeyColour);
        }
    }
    m_hand = CSharedCursor::Load(kHandCursor);
}

CTNListCtrlEx::~CTNListCtrlEx()
{
    // The header and the status line go with the list, before their objects do.
    DestroyWindow();
}

void CTNListCtrlEx::AttachHeader()
{
    if (m_header.m_hWnd || !m_hWnd)
        return;
    // Parenthesised: <windowsx.h> has a SubclassWindow macro.
    if (HWND header = GetHeaderCtrl())
        (m_header.SubclassWindow)(header);
}

// --- Style and status line ---------------------------------------------------------------------

void CTNListCtrlEx::SetStyle(DWORD style)
{
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
}

DWORD CTNListCtrlEx::GetExtendedStyle() const
{
    return CListCtrl::GetExtendedStyle() | m_ownFlags | (m_rows.StatusLineShown() ? kListStatusLine : 0);
}

void CTNListCtrlEx::SetExtendedStyle(DWORD flags)
{
    const bool changed = flags != GetExtendedStyle();
    CListCtrl::SetExtendedStyle(flags & ~(kListParentData | kListStatusLine));
    m_ownFlags = flags & kListParentData;
    ShowStatusLine((flags & kListStatusLine) != 0);
    if (changed)
        Invalidate();
}

CRect CTNListCtrlEx::StatusLineRect() const
{
    CRect client;
    GetClientRect(client);
    CRect header;
    if (m_header.m_hWnd) {
        m_header.GetWindowRect(header);
        ScreenToClient(header);
    }
    return CRect(client.left, header.bottom, client.right, 2 * header.bottom + 1);
}

void CTNListCtrlEx::ShowStatusLine(bool show)
{
    AttachHeader();
    if (show && !m_statusLine.m_hWnd) {
        const CRect rect = StatusLineRect();
        if (!m_statusLine.Create(rect, m_hWnd, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, 0))
            return;
        m_statusLine.SetText(m_statusLineText);
        InsertRows(m_rows.ShowStatusLine(true));
    } else if (!show && m_statusLine.m_hWnd) {
        m_statusLine.DestroyWindow();
        m_statusLineHovered = false;
        DeleteRows(m_rows.ShowStatusLine(false));
    } else {
        return;
    }
    Invalidate();
}

void CTNListCtrlEx::SetStatusLineText(const char* text)
{
    m_statusLineText = text ? text : "";
    m_statusLine.SetText(m_statusLineText);
}

// --- Groups and rows ---------------------------------------------------------------------------

void CTNListCtrlEx::InsertRows(SRowSpan rows)
{
    for (int i = 0; i < rows.count; ++i)
        InsertItem(rows.first + i, "");
}

void CTNListCtrlEx::DeleteRows(SRowSpan rows)
{
    for (int i = rows.count - 1; i >= 0; --i)
        DeleteItem(rows.first + i);
}

void CTNListCtrlEx::InsertGroup(int position, const char* text, int image)
{
    position = std::clamp(position, 0, m_rows.GroupCount());
    const SRowSpan rows = m_rows.InsertGroup(position);
    m_cells.insert(m_cells.begin() + position, std::vector<std::vector<SCell>>(1));
    SetCell(position, 0, 0, text, image);
    if (rows.count)
        InsertItem(rows.first, text, image);
    Invalidate();
}

void CTNListCtrlEx::DeleteGroup(int group)
{
    if (group < 0 || group >= m_rows.GroupCount())
        return;
    if (m_hotRow >= 0 && RowToGroup(m_hotRow) == group)
        m_hotRow = m_hotColumn = -1;
    DeleteRows(m_rows.DeleteGroup(group));
    m_cells.erase(m_cells.begin() + group);
    Invalidate();
}

int CTNListCtrlEx::SetGroupItemCount(int group, int count)
{
    int change = 0;
    const SRowSpan rows = m_rows.SetItemCount(group, count, &change);
    if (change > 0)
        InsertRows(rows);
    else if (change < 0)
        DeleteRows(rows);
    if (change < 0 && group >= 0 && group < static_cast<int>(m_cells.size()))
        m_cells[static_cast<size_t>(group)].resize(
            std::min(m_cells[static_cast<size_t>(group)].size(), static_cast<size_t>(m_rows.ItemCount(group) + 1)));
    if (m_hotRow >= GetItemCount())
        m_hotRow = m_hotColumn = -1;
    Invalidate();
    return change;
}

void CTNListCtrlEx::SetCell(int group, int position, int column, const char* text, int image, LPARAM value)
{
    if (group < 0 || group >= static_cast<int>(m_cells.size()) || position < 0 || column < 0)
        return;
    auto& rows = m_cells[static_cast<size_t>(group)];
    if (rows.size() <= static_cast<size_t>(position))
        rows.resize(static_cast<size_t>(position) + 1);
    auto& cells = rows[static_cast<size_t>(position)];
    if (cells.size() <= static_cast<size_t>(column))
        cells.resize(static_cast<size_t>(column) + 1);
    SCell& cell = cells[static_cast<size_t>(column)];
    cell.text = text ? text : "";
    cell.image = image;
    cell.value = value;
}

// --- Columns -----------------------------------------------------------------------------------

void CTNListCtrlEx::SetColumnType(int column, int type)
{
    AttachHeader();
    if (SHeaderColumn* record = m_header.Column(column))
        record->type = type;
}

void CTNListCtrlEx::SetColumnHideable(int column, bool hideable)
{
    AttachHeader();
    if (SHeaderColumn* record = m_header.Column(column))
        record->hideable = hideable;
}

void CTNListCtrlEx::SetColumnHidden(int column, int savedWidth)
{
    AttachHeader();
    SHeaderColumn* record = m_header.Column(column);
    if (!record)
        return;
    if (record->visible)
        ToggleColumn(column);
    record->savedWidth = savedWidth;
}

void CTNListCtrlEx::ToggleColumn(int column)
{
    AttachHeader();
    SHeaderColumn* record = m_header.Column(column);
    if (!record || (record->visible && !record->hideable))
        return;
    if (record->visible) {
        const int width = GetColumnWidth(column);
        if (width > 0)
            record->savedWidth = width;
        record->visible = false;
        SetColumnWidth(column, 0);
    } else {
        record->visible = true;
        SetColumnWidth(column, record->savedWidth);
    }
    const std::vector<int> order = OrderAfterToggle(m_header.GetOrderArray(), m_header.VisibleColumns(), column);
    if (IsColumnPermutation(order, m_header.GetItemCount()))
        SetColumnOrderArray(static_cast<int>(order.size()), order.data());
    Invalidate();
    m_header.Invalidate();
}

void CTNListCtrlEx::ShowColumnMenu()
{
    BCMenu menu;
    if (!menu.CreatePopupMenu())
        return;
    for (int column = 0; column < m_header.GetItemCount(); ++column) {
        char title[kTitleLength + 1] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT;
        item.pszText = title;
        item.cchTextMax = sizeof(title);
        m_header.GetItem(column, &item);
        CString text = title;
        if (text.GetLength() == kTitleLength)
            text += "...";
        const SHeaderColumn* record = m_header.Column(column);
        UINT flags = MF_STRING;
        if (!record || record->visible)
            flags |= MF_CHECKED;
        if (record && !record->hideable)
            flags |= MF_CHECKED | MF_GRAYED;
        menu.AppendMenu(flags, static_cast<UINT_PTR>(column) + 1, text.GetString());
    }
    POINT cursor;
    ::GetCursorPos(&cursor);
    m_columnMenu = &menu; // this window owns its items' measuring and drawing while it runs
    const int chosen = menu.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
    m_columnMenu = nullptr;
    if (chosen > 0)
        ToggleColumn(chosen - 1);
}

void CTNListCtrlEx::OnSortClick(int column, LRESULT* result, bool* handled)
{
    *handled = false;
    if (column < 0)
        return;
    m_header.ClickSort(column);
    if (!(m_ownFlags & kListParentData))
        return;
    NMHEADERA notification = {};
    notification.hdr.code = static_cast<UINT>(kListColumnClicked);
    notification.iItem = column;
    *result = SendToParentResult(&notification.hdr);
    *handled = true;
}

// --- Geometry ----------------------------------------------------------------------------------

CRect CTNListCtrlEx::CellRect(const RECT& row, int column) const
{
    CRect item;
    if (!m_header.m_hWnd || !m_header.GetItemRect(column, item))
        return CRect();
    return CRect(row.left + item.left, row.top, row.left + item.right, row.bottom);
}

int CTNListCtrlEx::ColumnAt(POINT client) const
{
    if (!m_header.m_hWnd)
        return -1;
    // The header's rectangles stand in display order; the list's own sub-item hit test misses
    // reordered columns under Wine.
    POINT point = client;
    ::MapWindowPoints(m_hWnd, m_header.m_hWnd, &point, 1);
    for (int column : m_header.GetOrderArray()) {
        CRect rect;
        if (m_header.GetItemRect(column, rect) && rect.Width() > 0 && point.x >= rect.left && point.x < rect.right)
            return column;
    }
    return -1;
}

void CTNListCtrlEx::RepaintCell(int row, int column)
{
    CRect bounds;
    if (row < 0 || !GetItemRect(row, bounds, LVIR_BOUNDS))
        return;
    const CRect cell = CellRect(bounds, column);
    InvalidateRect(cell.IsRectEmpty() ? bounds : cell, FALSE);
}

// --- Cell requests -----------------------------------------------------------------------------

void CTNListCtrlEx::SendToParent(NMHDR* notification) const
{
    SendToParentResult(notification);
}

LRESULT CTNListCtrlEx::SendToParentResult(NMHDR* notification) const
{
    notification->hwndFrom = m_hWnd;
    notification->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    return ::SendMessageA(GetParent(), WM_NOTIFY, notification->idFrom, reinterpret_cast<LPARAM>(notification));
}

CTNListCtrlEx::SAnswer CTNListCtrlEx::RequestCell(int row, int column, UINT mask)
{
    SAnswer answer;
    const int group = RowToGroup(row);
    const int position = RowToPosition(row);
    if (group < 0)
        return answer;
    if (!(m_ownFlags & kListParentData)) {
        const auto& rows = m_cells[static_cast<size_t>(group)];
        if (static_cast<size_t>(position) < rows.size() && static_cast<size_t>(column) < rows[position].size()) {
            const SCell& cell = rows[static_cast<size_t>(position)][static_cast<size_t>(column)];
            answer.text = cell.text;
            answer.image = cell.image;
            answer.value = cell.value;
        }
        return answer;
    }
    SListCellRequest request = {};
    request.header.code = static_cast<UINT>(kListCellRequest);
    request.mask = mask;
    request.position = position;
    request.column = column;
    request.group = group;
    request.image = -1;
    request.value = 0;
    SendToParentResult(&request.header);
    // The text lives in the parent's one buffer: copied before anything asks again.
    if ((mask & kCellText) && request.text)
        answer.text = request.text;
    answer.image = (mask & kCellImage) ? request.image : -1;
    answer.value = (mask & kCellValue) ? request.value : 0;
    return answer;
}

// --- Drawing -----------------------------------------------------------------------------------

CProgressDrawer& CTNListCtrlEx::Drawer(int group)
{
    const bool download = group == m_downloadGroup;
    SGroupDrawer& kept = m_drawers[download ? 1 : 0];
    if (!kept.made) {
        kept.made = true;
        CBitmap bitmap;
        if (bitmap.LoadBitmap(download ? IDB_DOWNLOAD_PROGRESS : IDB_UPLOAD_PROGRESS))
            kept.drawer.Init(kProgressImageWidth, kProgressImageHeight, bitmap, kItemColour, kProgressBorder);
        kept.drawer.SetText(nullptr, false, kCenteredLine);
    }
    return kept.drawer;
}

HFONT CTNListCtrlEx::GroupFont()
{
    if (!m_groupFont.GetSafeHandle()) {
        LOGFONTA font = {};
        ::GetObjectA(CFont::DefaultGuiFont(), sizeof(font), &font);
        font.lfWeight = FW_BOLD;
        m_groupFont.CreateFontIndirect(&font);
    }
    return m_groupFont.GetSafeHandle() ? static_cast<HFONT>(m_groupFont) : CFont::DefaultGuiFont();
}

HFONT CTNListCtrlEx::LinkFont()
{
    if (!m_linkFont.GetSafeHandle()) {
        LOGFONTA font = {};
        HFONT listFont = GetFont();
        ::GetObjectA(listFont ? listFont : CFont::DefaultGuiFont(), sizeof(font), &font);
        font.lfUnderline = TRUE;
        m_linkFont.CreateFontIndirect(&font);
    }
    return m_linkFont.GetSafeHandle() ? static_cast<HFONT>(m_linkFont) : GetFont();
}

void CTNListCtrlEx::DrawStatusCell(HDC dc, const CRect& cell, int row, int column, const SAnswer& answer)
{
    CDC target;
    target.Attach(dc);
    CSaveDCGuard saved(dc);
    if (row == m_hotRow && column == m_hotColumn && m_buttonPieces.GetImageCount() >= 3) {
        int pieceWidth = 0, pieceHeight = 0;
        m_buttonPieces.GetIconSize(&pieceWidth, &pieceHeight);
        const int top = cell.top + (cell.Height() - pieceHeight) / 2;
        target.IntersectClipRect(cell);
        m_buttonPieces.Draw(dc, 0, POINT{cell.left, top}, ILD_NORMAL);
        for (int x = cell.left + pieceWidth; x < cell.right - pieceWidth; x += pieceWidth)
            m_buttonPieces.Draw(dc, 1, POINT{x, top}, ILD_NORMAL);
        m_buttonPieces.Draw(dc, 2, POINT{cell.right - pieceWidth, top}, ILD_NORMAL);
        HIMAGELIST images = GetImageList(LVSIL_SMALL);
        int width = 0, height = 0;
        if (images && answer.image >= 0 && ImageList_GetIconSize(images, &width, &height))
            ImageList_Draw(images, answer.image, dc, cell.right - kStatusImageFromRight,
                           cell.top + (cell.Height() - height) / 2, ILD_TRANSPARENT);
    } else {
        target.SelectObject(LinkFont());
    }
    CRect text = cell;
    text.right -= kStatusTextRoom;
    target.DrawText(answer.text, answer.text.GetLength(), text,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORD_ELLIPSIS);
    target.Detach();
}

void CTNListCtrlEx::DrawProgressCell(HDC dc, const CRect& cell, int row, int column)
{
    CRect bar = cell;
    bar.DeflateRect(1, 1);
    bar.bottom -= 1;
    const SAnswer answer = RequestCell(row, column, kCellValue | kCellProgress);
    const int group = RowToGroup(row);
    CProgressDrawer& drawer = Drawer(group);
    const int percent = static_cast<int>(answer.value);
    if (percent == 100) {
        CRect filled = cell;
        filled.DeflateRect(2, 2);
        CDC target;
        target.Attach(dc);
        target.FillSolidRect(filled, m_drawers[group == m_downloadGroup ? 1 : 0].fill);
        char text[16];
        std::snprintf(text, sizeof(text), "%d%%", percent);
        target.DrawText(text, -1, filled, kCenteredLine);
        target.Detach();
        return;
    }
    if (!drawer.SetPos(percent))
        drawer.SetPos(0);
    drawer.Draw(dc, bar);
}

void CTNListCtrlEx::DrawItem(const DRAWITEMSTRUCT* draw)
{
    const int row = static_cast<int>(draw->itemID);
    if (m_rows.StatusLineShown() && row == 0)
        return;
    const int group = RowToGroup(row);
    const int position = RowToPosition(row);
    if (group < 0)
        return;
    AttachHeader();
    HDC dc = draw->hDC;
    CSaveDCGuard saved(dc);
    CDC target;
    target.Attach(dc);
    const CRect rowRect = draw->rcItem;
    const bool groupRow = position == 0;
    const bool selected = !groupRow && (draw->itemState & ODS_SELECTED);
    const HBRUSH brush = groupRow ? m_groupBrush : selected ? m_selectionBrush : m_itemBrush;

    // The row, and whatever lies right of it up to the client's edge.
    CRect client;
    GetClientRect(client);
    CRect background = rowRect;
    background.right = std::max(rowRect.right, client.right);
    target.FillRect(background, brush);
    target.SetBkMode(TRANSPARENT);
    target.SetTextColor(::GetSysColor(COLOR_WINDOWTEXT));
    HFONT listFont = GetFont();
    target.SelectObject(listFont ? listFont : CFont::DefaultGuiFont());

    const SAnswer first = RequestCell(row, 0, kCellText | kCellImage | kCellState);
    HIMAGELIST images = GetImageList(LVSIL_SMALL);
    int imageWidth = 0, imageHeight = 0;
    if (images)
        ImageList_GetIconSize(images, &imageWidth, &imageHeight);
    const CRect firstCell = CellRect(rowRect, 0);
    if (firstCell.Width() > 0) {
        const int labelLeft = firstCell.left + imageWidth + kTextInset;
        if (groupRow) {
            // Across the whole row, behind the expander.
            CSelectGuard bold(dc, GroupFont());
            CRect text(labelLeft + kExpanderToText, rowRect.top, background.right, rowRect.bottom);
            target.DrawText(first.text, first.text.GetLength(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            m_expanders.Draw(dc, m_rows.IsExpanded(group) ? 0 : 1, POINT{labelLeft, rowRect.top + kExpanderTop},
                             ILD_TRANSPARENT);
        } else {
            CRect text(labelLeft, rowRect.top, firstCell.right, rowRect.bottom);
            target.DrawText(first.text, first.text.GetLength(), text,
                            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        }
        if (images && first.image >= 0)
            ImageList_Draw(images, first.image, dc, firstCell.left, rowRect.top + (rowRect.Height() - imageHeight) / 2,
                           ILD_TRANSPARENT);
    }
    if (groupRow) {
        target.Detach();
        return;
    }

    RECT visible;
    target.GetClipBox(&visible);
    for (int column = 1; column < m_header.GetItemCount(); ++column) {
        const SHeaderColumn* record = m_header.Column(column);
        const CRect cell = CellRect(rowRect, column);
        CRect shown;
        if ((record && !record->visible) || cell.Width() <= 0 || !shown.IntersectRect(cell, visible))
            continue;
        const int type = record ? record->type : kColumnText;
        if (type == kColumnProgress) {
            DrawProgressCell(dc, cell, row, column);
            continue;
        }
        const SAnswer answer = RequestCell(row, column, kCellText | kCellImage);
        if (type == kColumnStatus) {
            DrawStatusCell(dc, cell, row, column, answer);
            continue;
        }
        CRect text = cell;
        text.left += kTextInset;
        target.DrawText(answer.text, answer.text.GetLength(), text,
                        DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    target.Detach();
}

void CTNListCtrlEx::EraseBelowRows(HDC dc)
{
    // Rows paint their own background; only the client area below the last row is left.
    CRect client;
    GetClientRect(client);
    CRect last;
    const int count = GetItemCount();
    int top = client.top;
    if (m_header.m_hWnd) {
        CRect header;
        m_header.GetWindowRect(header);
        ScreenToClient(header);
        top = std::max(top, static_cast<int>(header.bottom));
    }
    if (count > 0 && GetItemRect(count - 1, last, LVIR_BOUNDS))
        top = std::max(top, static_cast<int>(last.bottom));
    if (top < client.bottom)
        ::FillRect(dc, CRect(client.left, top, client.right, client.bottom), m_itemBrush);
}

// --- Mouse and keyboard ------------------------------------------------------------------------

void CTNListCtrlEx::OnClick(const NMITEMACTIVATE* click)
{
    int row = click->iItem;
    if (row < 0)
        row = HitTest(click->ptAction);
    const int group = RowToGroup(row);
    if (group < 0)
        return;
    if (RowToPosition(row) == 0) {
        if (m_hotRow >= 0 && RowToGroup(m_hotRow) == group)
            m_hotRow = m_hotColumn = -1;
        bool expanded = false;
        const SRowSpan rows = m_rows.ToggleExpanded(group, &expanded);
        if (expanded)
            InsertRows(rows);
        else
            DeleteRows(rows);
        Invalidate();
        return;
    }
    const int column = ColumnAt(click->ptAction);
    const SHeaderColumn* record = m_header.Column(column);
    if (!record || record->type != kColumnStatus)
        return;
    RepaintCell(m_hotRow, m_hotColumn);
    m_hotRow = row;
    m_hotColumn = column;
    RepaintCell(row, column);
    const SAnswer answer = RequestCell(row, column, kCellValue | kCellMenu);
    HMENU menu = reinterpret_cast<HMENU>(answer.value);
    if (!menu || !::IsMenu(menu))
        return;
    CRect bounds;
    GetItemRect(row, bounds, LVIR_BOUNDS);
    POINT corner = CellRect(bounds, column).BottomRight();
    corner.x = CellRect(bounds, column).left;
    ClientToScreen(&corner);
    ::TrackPopupMenu(menu, TPM_RIGHTBUTTON, corner.x, corner.y, 0, GetParent(), nullptr);
}

void CTNListCtrlEx::ClickRow(int row)
{
    CRect bounds;
    if (row < 0 || !GetItemRect(row, bounds, LVIR_BOUNDS))
        return;
    const CRect first = CellRect(bounds, 0);
    const int x = first.Width() > 0 ? first.CenterPoint().x : bounds.left + kTextInset;
    const LPARAM point = MAKELPARAM(x, bounds.CenterPoint().y);
    PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessage(WM_LBUTTONUP, 0, point);
}

void CTNListCtrlEx::MoveSelection(UINT key, WPARAM wParam, LPARAM lParam)
{
    const int mark = GetSelectionMark();
    const bool up = key == VK_UP;
    if (up)
        EnsureVisible(std::max(0, mark - (m_rows.StatusLineShown() ? 2 : 1)), FALSE);
    const int target = up ? m_rows.PreviousItemRow(mark) : m_rows.NextItemRow(mark);
    if (mark >= 0 && target < 0)
        return; // the first or the last item row: nowhere to go
    // The control moves one row per key; group rows in between take more. The row count bounds
    // the steps, and a step that moves nothing ends them (a layout the control cannot cross).
    const int rows = GetItemCount();
    for (int step = 0; step < rows; ++step) {
        const int before = GetSelectionMark();
        DefWindowProc(WM_KEYDOWN, wParam, lParam);
        const int now = GetSelectionMark();
        if (now == target || now == before || (target < 0 && m_rows.IsItemRow(now)))
            break;
    }
}

bool CTNListCtrlEx::OnSetCursor()
{
    if (m_hotRow < 0)
        return false;
    POINT point;
    ::GetCursorPos(&point);
    ScreenToClient(&point);
    if (HitTest(point) == m_hotRow && ColumnAt(point) == m_hotColumn) {
        if (m_hand)
            ::SetCursor(m_hand);
        return true;
    }
    RepaintCell(m_hotRow, m_hotColumn);
    m_hotRow = m_hotColumn = -1;
    return false;
}

void CTNListCtrlEx::OnMouseMove(POINT point)
{
    if (!m_statusLine.m_hWnd)
        return;
    CRect strip;
    m_statusLine.GetWindowRect(strip);
    ScreenToClient(strip);
    if (strip.PtInRect(point)) {
        m_statusLineHovered = true;
        m_statusLine.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(point.x - strip.left, point.y - strip.top));
    } else if (m_statusLineHovered) {
        m_statusLineHovered = false;
        m_statusLine.Rearm();
    }
}

BOOL CTNListCtrlEx::PreTranslateMessage(MSG* msg)
{
    if (m_statusLine.m_hWnd && m_statusLine.PreTranslateMessage(msg))
        return TRUE;
    return CListCtrl::PreTranslateMessage(msg);
}

// --- Messages ----------------------------------------------------------------------------------

bool CTNListCtrlEx::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_MEASUREITEM:
        MeasureItemFromLParam(lParam)->itemHeight = kRowHeight;
        *result = TRUE;
        return true;
    case WM_DRAWITEM:
        DrawItem(DrawItemFromLParam(lParam));
        *result = TRUE;
        return true;
    case WM_NOTIFY: {
        const UINT code = NotifyFromLParam(lParam)->code;
        if (code == NM_CLICK)
            OnClick(reinterpret_cast<const NMITEMACTIVATE*>(lParam));
        // The parent draws from cell requests, never from the control's own item texts.
        if (code == LVN_GETDISPINFOA || code == LVN_GETDISPINFOW) {
            *result = 0;
            return true;
        }
        break;
    }
    default:
        break;
    }
    return CListCtrl::OnChildNotify(msg, wParam, lParam, result);
}

bool CTNListCtrlEx::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    AttachHeader();
    switch (msg) {
    case WM_MEASUREITEM:
        if (m_columnMenu && MeasureItemFromLParam(lParam)->CtlType == ODT_MENU) {
            m_columnMenu->MeasureItem(MeasureItemFromLParam(lParam));
            *result = TRUE;
            return true;
        }
        break;
    case WM_DRAWITEM:
        if (m_columnMenu && DrawItemFromLParam(lParam)->CtlType == ODT_MENU) {
            m_columnMenu->DrawItem(DrawItemFromLParam(lParam));
            *result = TRUE;
            return true;
        }
        break;
    case WM_SIZE:
        *result = Default();
        if (m_statusLine.m_hWnd) {
            const CRect strip = StatusLineRect();
            m_statusLine.MoveWindow(strip.left, strip.top, strip.Width(), strip.Height(), FALSE);
            m_statusLine.Invalidate();
        }
        return true;
    case WM_ERASEBKGND:
        EraseBelowRows(reinterpret_cast<HDC>(wParam));
        *result = TRUE;
        return true;
    case LVM_INSERTCOLUMNA:
    case LVM_INSERTCOLUMNW: {
        *result = Default();
        const auto* column = reinterpret_cast<const LVCOLUMNA*>(lParam); // the same layout but the text
        if (*result >= 0)
            m_header.InsertColumnRecord(static_cast<int>(*result), (column->mask & LVCF_WIDTH) ? column->cx : 0);
        return true;
    }
    case LVM_DELETECOLUMN:
        m_header.RemoveColumnRecord(static_cast<int>(wParam));
        *result = Default();
        return true;
    case WM_NOTIFY: {
        const NMHDR* header = NotifyFromLParam(lParam);
        if (!m_header.m_hWnd || header->hwndFrom != m_header.m_hWnd)
            break;
        const UINT code = header->code;
        const int item = reinterpret_cast<const NMHEADERA*>(lParam)->iItem;
        if (code == NM_RCLICK) {
            ShowColumnMenu();
            *result = TRUE;
            return true;
        }
        // The header speaks UTF-16 to the list under Wine 8, ANSI elsewhere: both forms.
        if (code == HDN_ITEMCLICKA || code == HDN_ITEMCLICKW) {
            bool handled = false;
            OnSortClick(item, result, &handled);
            if (handled)
                return true;
            break;
        }
        if (code == HDN_BEGINTRACKA || code == HDN_BEGINTRACKW) {
            const SHeaderColumn* record = m_header.Column(item);
            if (record && !record->visible) {
                *result = TRUE; // a hidden column is never dragged open
                return true;
            }
            break;
        }
        if (code == HDN_ENDDRAG)
            PostMessage(kFixOrder);
        break;
    }
    case kFixOrder: {
        const std::vector<int> order = OrderWithHiddenLast(m_header.GetOrderArray(), m_header.VisibleColumns());
        if (IsColumnPermutation(order, m_header.GetItemCount()) && order != m_header.GetOrderArray()) {
            SetColumnOrderArray(static_cast<int>(order.size()), order.data());
            Invalidate();
        }
        *result = 0;
        return true;
    }
    case WM_MOUSEMOVE:
        OnMouseMove(PointFromLParam(lParam));
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == m_hWnd && OnSetCursor()) {
            *result = TRUE;
            return true;
        }
        break;
    case WM_LBUTTONDOWN:
        if (m_statusLine.m_hWnd) {
            CRect strip;
            m_statusLine.GetWindowRect(strip);
            ScreenToClient(strip);
            if (strip.PtInRect(PointFromLParam(lParam))) {
                NMHDR clicked = {};
                clicked.code = static_cast<UINT>(kListStatusLineClicked);
                SendToParent(&clicked);
                *result = 0;
                return true;
            }
        }
        break;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_END:
            EnsureVisible(GetItemCount() - 1, FALSE);
            *result = 0;
            return true;
        case VK_HOME:
            EnsureVisible(0, FALSE);
            *result = 0;
            return true;
        case VK_UP:
        case VK_DOWN:
            MoveSelection(static_cast<UINT>(wParam), wParam, lParam);
            *result = 0;
            return true;
        default:
            break;
        }
        break;
    case WM_KEYUP:
        if (wParam == VK_END || wParam == VK_HOME) {
            ClickRow(wParam == VK_END ? m_rows.PreviousItemRow(m_rows.RowCount()) : m_rows.NextItemRow(-1));
            *result = 0;
            return true;
        }
        break;
    default:
        break;
    }
    return CListCtrl::OnWndMsg(msg, wParam, lParam, result);
}
