#include <algorithm>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "framework/Rect.h"
#include "support/ControlsHost.h"
#include "window/Canvas.h"
#include "window/MessagePumping.h"
#include "window/ModalDriver.h"

namespace {

// Rows of FillTransfers without the status line: 0 "Sending", 1-2 its items, 3 "Receiving", 4-6.
const int kRows = 7;

struct SListHost {
    CControlsHost host;
    CTNListCtrlEx& list = host.list;
    SListHost()
    {
        if (host.Create()) {
            host.ShowWindow(SW_SHOWNA);
            FillTransfers(host);
        }
    }
    int Mark() const { return list.GetSelectionMark(); }
    void Select(int row)
    {
        list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        list.SetSelectionMark(row);
    }
    void Key(UINT key) { list.SendMessage(WM_KEYDOWN, key, 1); }
    // A click on a group row, the way the control reports it.
    void ClickRow(int row)
    {
        NMITEMACTIVATE click = {};
        click.hdr = {list.m_hWnd, static_cast<UINT_PTR>(list.GetDlgCtrlID()), static_cast<UINT>(NM_CLICK)};
        click.iItem = row;
        CRect bounds;
        list.GetItemRect(row, bounds, LVIR_BOUNDS);
        click.ptAction = bounds.CenterPoint();
        host.SendMessage(WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    }
    std::vector<int> Order() { return list.GetHeader().GetOrderArray(); }
};

std::vector<int> Selected(const CListCtrl& list)
{
    std::vector<int> rows;
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list.GetNextItem(row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

} // namespace

TEST(TransferList, StatusLineAndGroupsInsertAndDeleteTheirRowsKeepingTheSelectionAndClicksAreReported)
{
    SListHost t;
    ASSERT_EQ(t.list.GetItemCount(), kRows);

    // Shown twice, one row; hidden while hidden, nothing.
    t.list.ShowStatusLine(true);
    t.list.ShowStatusLine(true);
    EXPECT_EQ(t.list.GetItemCount(), kRows + 1);
    EXPECT_TRUE(t.list.GetExtendedStyle() & kListStatusLine);
    t.list.SetExtendedStyle(t.list.GetExtendedStyle() & ~kListStatusLine);
    EXPECT_EQ(t.list.GetItemCount(), kRows);
    t.list.ShowStatusLine(false);
    EXPECT_EQ(t.list.GetItemCount(), kRows);
    t.list.ShowStatusLine(true);

    // A click on it is reported and selects nothing.
    CRect strip;
    ::GetWindowRect(::FindWindowExA(t.list, nullptr, "Static", nullptr), strip);
    t.list.ScreenToClient(strip);
    t.list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(strip.CenterPoint().x, strip.CenterPoint().y));
    EXPECT_EQ(std::count(t.host.listCodes.begin(), t.host.listCodes.end(), kListStatusLineClicked), 1);
    EXPECT_EQ(t.list.GetSelectedCount(), 0u);

    // Collapsing the first group takes its item rows out; the selection stays on its transfer.
    const int film = t.list.PositionToRow(2, 1);
    t.Select(film);
    t.ClickRow(t.list.PositionToRow(0, 0));
    EXPECT_FALSE(t.list.IsGroupExpanded(0));
    EXPECT_EQ(t.list.GetItemCount(), kRows + 1 - 2);
    EXPECT_EQ(Selected(t.list), std::vector<int>{t.list.PositionToRow(2, 1)});
    t.ClickRow(t.list.PositionToRow(0, 0));
    EXPECT_EQ(t.list.GetItemCount(), kRows + 1);
    EXPECT_EQ(Selected(t.list), std::vector<int>{film});

    // Item counts change at the group's end, and say by how much.
    EXPECT_EQ(t.list.SetGroupItemCount(1, 5), 2);
    EXPECT_EQ(t.list.SetGroupItemCount(1, 1), -4);
    EXPECT_EQ(t.list.GetItemCount(), 1 + 3 + 2);
    t.list.DeleteGroup(0);
    EXPECT_EQ(t.list.GetItemCount(), 1 + 2);
    EXPECT_EQ(t.list.RowToGroup(1), 0);
}

TEST(TransferList, UpAndDownSkipGroupRowsAndStopWhereNoItemLies)
{
    SListHost t;
    t.list.SetFocus();
    t.Select(1);
    t.Key(VK_DOWN);
    EXPECT_EQ(t.Mark(), 2);
    t.Key(VK_DOWN); // over "Receiving"
    EXPECT_EQ(t.Mark(), 4);
    t.Key(VK_UP);
    EXPECT_EQ(t.Mark(), 2);
    t.Key(VK_UP);
    t.Key(VK_UP); // the first item row: nowhere to go
    EXPECT_EQ(t.Mark(), 1);

    // Nothing expanded below, or at all: the keys end at once.
    t.ClickRow(3);
    t.Select(2);
    t.Key(VK_DOWN);
    EXPECT_EQ(t.Mark(), 2);
    t.ClickRow(0);
    ASSERT_EQ(t.list.GetItemCount(), 2);
    t.Select(0);
    const DWORD start = ::GetTickCount();
    t.Key(VK_DOWN);
    t.Key(VK_UP);
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_TRUE(windowtest::PumpPending());
}

TEST(TransferList, HiddenColumnsStayLastAndComeBackWithTheirWidths)
{
    SListHost t;
    const std::vector<int> widths = {150, 70, 110, 100};
    auto hidden = [&](int column) { return t.list.GetColumnWidth(column) == 0; };
    for (int column : {1, 0, 3, 2, 2, 0, 3, 1}) {
        t.list.ToggleColumn(column);
        // Visible columns first, then the hidden ones.
        const std::vector<int> order = t.Order();
        EXPECT_TRUE(std::is_partitioned(order.begin(), order.end(), [&](int c) { return !hidden(c); }));
    }
    for (int column = 0; column < kHostColumns; ++column)
        EXPECT_EQ(t.list.GetColumnWidth(column), widths[static_cast<size_t>(column)]);

    // An owner starts a column hidden with the width it had; showing it brings that width.
    t.list.SetColumnHidden(kColumnSize, 85);
    EXPECT_EQ(t.list.GetColumnWidth(kColumnSize), 0);
    EXPECT_EQ(t.Order().back(), kColumnSize);
    t.list.ToggleColumn(kColumnSize);
    EXPECT_EQ(t.list.GetColumnWidth(kColumnSize), 85);

    // The header's menu hides a column too: its first item is the first column.
    windowtest::CModalDriver menu("#32768", [](HWND popup) {
        ::PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    });
    HWND header = t.list.GetHeaderCtrl();
    NMHDR rightClick = {header, static_cast<UINT_PTR>(::GetDlgCtrlID(header)), static_cast<UINT>(NM_RCLICK)};
    t.list.SendMessage(WM_NOTIFY, rightClick.idFrom, reinterpret_cast<LPARAM>(&rightClick));
    EXPECT_TRUE(menu.Done());
    EXPECT_EQ(t.list.GetColumnWidth(kColumnName), 0);
    EXPECT_EQ(t.Order().back(), kColumnName);
}

TEST(TransferList, SortClicksFlipTheDirectionMarkTheColumnAndTellTheParent)
{
    SListHost t;
    CHeaderCtrlEx& header = t.list.GetHeader();
    auto image = [&](int column) {
        HDITEMA item = {};
        item.mask = HDI_IMAGE;
        header.GetItem(column, &item);
        return item.iImage;
    };
    // A real click (the header speaks UTF-16 to the list under Wine), then the ANSI form.
    CRect size;
    header.GetItemRect(kColumnSize, size);
    const CPoint middle = size.CenterPoint();
    header.PostMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(middle.x, middle.y));
    header.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(middle.x, middle.y));
    ASSERT_TRUE(windowtest::PumpUntil([&] { return !t.host.sortClicks.empty(); }));
    EXPECT_EQ(image(kColumnSize), 1);
    EXPECT_TRUE(header.IsSortAscending());
    auto click = [&](int column) {
        NMHEADERA notification = {};
        notification.hdr = {header.m_hWnd, static_cast<UINT_PTR>(header.GetDlgCtrlID()),
                            static_cast<UINT>(HDN_ITEMCLICKA)};
        notification.iItem = column;
        t.list.SendMessage(WM_NOTIFY, notification.hdr.idFrom, reinterpret_cast<LPARAM>(&notification));
    };
    click(kColumnSize);
    EXPECT_EQ(image(kColumnSize), 2);
    EXPECT_FALSE(header.IsSortAscending());
    click(kColumnState);
    EXPECT_EQ(image(kColumnSize), 0);
    EXPECT_EQ(image(kColumnState), 1);
    EXPECT_EQ(header.GetSortColumn(), kColumnState);
    EXPECT_EQ(t.host.sortClicks, (std::vector<int>{kColumnSize, kColumnSize, kColumnState}));
    // The parent sorts; the list has moved no row.
    EXPECT_EQ(t.list.GetItemCount(), kRows);
    EXPECT_EQ(t.list.RowToPosition(2), 2);
}

TEST(TransferList, CellsDrawWhatTheParentAnswersAndNothingWhereItDoesNot)
{
    SListHost t;
    CRect client;
    t.list.GetClientRect(client);
    windowtest::CTestCanvas canvas(client.Width(), 19);
    auto draw = [&](int row) {
        canvas.Fill(RGB(1, 2, 3));
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_LISTVIEW;
        item.itemID = static_cast<UINT>(row);
        item.hwndItem = t.list.m_hWnd;
        item.hDC = canvas.Dc();
        item.rcItem = {0, 0, client.Width(), 19};
        t.list.DrawItem(&item);
    };
    auto cell = [&](int column) {
        CRect rect;
        t.list.GetHeader().GetItemRect(column, rect);
        return CRect(rect.left, 0, rect.right, 19);
    };
    const COLORREF text = RGB(0, 0, 0);
    const COLORREF downloadFill = 0x6ABEF0;

    // 100 is a filled bar saying so; 99 is a bar without text.
    draw(t.list.PositionToRow(3, 1));
    EXPECT_GT(canvas.Count(downloadFill, cell(kColumnProgressBar)), 100);
    EXPECT_GT(canvas.Count(text, cell(kColumnProgressBar)), 10);
    draw(t.list.PositionToRow(1, 1));
    EXPECT_EQ(canvas.Count(downloadFill, cell(kColumnProgressBar)), 0);
    EXPECT_EQ(canvas.Count(text, cell(kColumnProgressBar)), 0);
    EXPECT_GT(canvas.Count(text, cell(kColumnName)), 10);

    // A row the parent does not answer is drawn empty.
    for (int column = 0; column < kHostColumns; ++column)
        t.host.cells.erase({1, 1, column});
    draw(t.list.PositionToRow(1, 1));
    EXPECT_EQ(canvas.Count(text), 0);
    EXPECT_EQ(canvas.CountOther({RGB(255, 255, 255)}, cell(kColumnName)), 0);

    // Without the parent's data the list answers from its own cells and asks nothing.
    t.list.SetExtendedStyle(t.list.GetExtendedStyle() & ~kListParentData);
    t.list.SetCell(1, 1, kColumnName, "kept.txt");
    t.host.Forget();
    draw(t.list.PositionToRow(1, 1));
    EXPECT_GT(canvas.Count(text, cell(kColumnName)), 10);
    EXPECT_TRUE(t.host.requests.empty());
}
