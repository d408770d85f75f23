#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "framework/Button.h"
#include "framework/Edit.h"
#include "framework/HeaderCtrl.h"
#include "framework/ListCtrl.h"
#include "framework/ProgressCtrl.h"
#include "framework/WndClass.h"

namespace {

struct SHost {
    CWnd parent;
    SHost()
    {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&init);
        parent.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr);
    }
};

std::vector<int> Selected(const CListCtrl& list)
{
    std::vector<int> rows;
    for (int row = list.GetNextItem(-1, LVNI_SELECTED); row >= 0; row = list.GetNextItem(row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

bool MakeOwnerDataList(CListCtrl& list, HWND parent)
{
    RECT rect = {0, 0, 380, 280};
    return list.Create(WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, rect, parent, 1) &&
           list.InsertColumn(0, "Row", LVCFMT_LEFT, 100) == 0 && list.SetItemCount(10000);
}

} // namespace

TEST(ListCtrl, OwnerDataRowsInsertedAndDeletedInTheMiddleKeepSelectionAndScroll)
{
    SHost host;
    // The control's own LVM_INSERTITEM appends at the end and moves no selection, its
    // LVM_DELETEITEM moves it but never the top row (Wine 8): the wrapper does both itself.
    CListCtrl list;
    ASSERT_TRUE(MakeOwnerDataList(list, host.parent));
    list.SetItemState(5000, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(5005, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    list.SetSelectionMark(5005);
    ASSERT_TRUE(list.EnsureVisible(5000, FALSE));
    const int top = list.GetTopIndex();
    ASSERT_GT(top, 4900);

    EXPECT_EQ(list.InsertItem(100, ""), 100);
    EXPECT_EQ(list.InsertItem(4000, ""), 4000);
    EXPECT_EQ(list.GetItemCount(), 10002);
    EXPECT_EQ(Selected(list), (std::vector<int>{5002, 5007}));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 5007);
    EXPECT_EQ(list.GetSelectionMark(), 5007);
    EXPECT_EQ(list.GetTopIndex(), top + 2);

    // Rows below the view move nothing; a deleted selected row leaves the selection.
    EXPECT_EQ(list.InsertItem(9000, ""), 9000);
    EXPECT_TRUE(list.DeleteItem(50));
    EXPECT_TRUE(list.DeleteItem(5001));
    EXPECT_EQ(Selected(list), (std::vector<int>{5005}));
    EXPECT_EQ(list.GetTopIndex(), top + 1);
    EXPECT_EQ(list.GetItemCount(), 10001);
    EXPECT_FALSE(list.DeleteItem(10001));
    EXPECT_EQ(list.InsertItem(20000, ""), 10001); // past the end appends
}

TEST(HeaderCtrl, OrderArraysItemRectanglesAndHitTests)
{
    SHost host;
    CListCtrl list;
    RECT rect = {0, 0, 380, 280};
    ASSERT_TRUE(list.Create(WS_VISIBLE | LVS_REPORT, rect, host.parent, 1));
    for (int width : {50, 60, 70})
        list.InsertColumn(static_cast<int>(::SendMessageA(list.GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0)), "c",
                          LVCFMT_LEFT, width);
    CHeaderCtrl header;
    ASSERT_TRUE(header.SubclassWindow(list.GetHeaderCtrl()));
    ASSERT_EQ(header.GetItemCount(), 3);

    // Sub-item geometry, in the natural order (Wine's sub-item hit test misses reordered columns).
    ASSERT_EQ(list.InsertItem(0, "a"), 0);
    ASSERT_TRUE(list.SetItemText(0, 1, "b"));
    EXPECT_EQ(list.GetItemText(0, 1), "b");
    RECT cell = {};
    ASSERT_TRUE(list.GetSubItemRect(0, 1, LVIR_BOUNDS, &cell));
    LVHITTESTINFO cellHit = {};
    cellHit.pt = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    EXPECT_EQ(list.SubItemHitTest(&cellHit), 0);
    EXPECT_EQ(cellHit.iSubItem, 1);
    const int order[] = {2, 0, 1};
    ASSERT_TRUE(header.SetOrderArray(3, order));
    EXPECT_EQ(header.GetOrderArray(), (std::vector<int>{2, 0, 1}));
    ASSERT_TRUE(list.SetColumnOrderArray(3, order)); // the list's sub-item geometry follows
    int listOrder[3] = {};
    ASSERT_TRUE(list.GetColumnOrderArray(listOrder, 3));
    EXPECT_EQ(std::vector<int>(listOrder, listOrder + 3), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(header.OrderToIndex(0), 2);
    RECT first = {}, second = {};
    ASSERT_TRUE(header.GetItemRect(2, &first));
    ASSERT_TRUE(header.GetItemRect(0, &second));
    EXPECT_EQ(first.left, 0);
    EXPECT_EQ(second.left, 70);

    HDHITTESTINFO hit = {};
    hit.pt = {second.left + 10, second.top + 2};
    EXPECT_EQ(header.HitTest(&hit), 0);
    EXPECT_TRUE(hit.flags & HHT_ONHEADER);
    hit.pt = {300, second.top + 2};
    EXPECT_EQ(header.HitTest(&hit), -1);
    EXPECT_TRUE(hit.flags & HHT_NOWHERE);

    header.UnsubclassWindow();
}

TEST(Controls, ProgressRangeIsThirtyTwoBitsAndEditAndButtonForward)
{
    SHost host;
    CProgressCtrl progress;
    ASSERT_TRUE(progress.Create(WS_VISIBLE, RECT{0, 0, 100, 10}, host.parent, 2));
    progress.SetRange32(0, 2000000000);
    progress.SetPos(1500000000);
    int lower = -1, upper = -1;
    progress.GetRange(lower, upper);
    EXPECT_EQ(upper, 2000000000);
    EXPECT_EQ(progress.GetPos(), 1500000000);

    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE, RECT{0, 20, 100, 40}, host.parent, 3));
    edit.SetWindowText("hello world");
    edit.SetSel(0, 5);
    edit.ReplaceSel("goodbye");
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(edit.GetWindowText(), "goodbye world");
    EXPECT_EQ(start, 7);

    CButton check;
    ASSERT_TRUE(check.Create("c", WS_VISIBLE | BS_AUTOCHECKBOX, RECT{0, 50, 100, 70}, host.parent, 4));
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(check.GetCheck(), BST_CHECKED);
    EXPECT_EQ(check.GetButtonStyle(), static_cast<UINT>(BS_AUTOCHECKBOX));
}
