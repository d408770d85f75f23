#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "framework/WndClass.h"
#include "window_test_ids.h"

namespace {

// A child that sees its own notifications first and may keep them.
class CChild : public CWnd {
public:
    bool consume = false;
    std::vector<UINT> seen;

protected:
    bool OnChildNotify(UINT msg, WPARAM, LPARAM, LRESULT* result) override
    {
        if (msg != WM_COMMAND && msg != WM_NOTIFY && msg != WM_DRAWITEM)
            return false;
        seen.push_back(msg);
        *result = 0;
        return consume;
    }
};

class CParent : public CWnd {
public:
    std::vector<UINT> seen;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_COMMAND || msg == WM_NOTIFY || msg == WM_DRAWITEM)
            seen.push_back(msg);
        return CWnd::OnWndMsg(msg, wParam, lParam, result);
    }
};

// Its list measures its rows through the list's own object, which exists only after
// OnInitDialog subclassed the control.
class COwnerDrawnDialog : public CDialog {
public:
    COwnerDrawnDialog() : CDialog(IDD_OWNERDRAWN) {}
    struct CList : CWnd {
        int measured = 0;
        bool OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) override
        {
            if (msg != WM_MEASUREITEM)
                return false;
            ++measured;
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 40;
            *result = TRUE;
            return true;
        }
    } list;
    std::vector<std::string> order; // measure requests against WM_INITDIALOG

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_MEASUREITEM)
            order.push_back(list.m_hWnd ? "measure (list subclassed)" : "measure (before subclassing)");
        if (msg == WM_INITDIALOG)
            order.push_back("init");
        return CDialog::OnWndMsg(msg, wParam, lParam, result);
    }
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_LIST, list); }
};

} // namespace

TEST(Reflection, ChildSeesItsNotificationsFirstAndMayKeepThem)
{
    CParent parent;
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    CChild button;
    RECT rect = {0, 0, 50, 20};
    ASSERT_TRUE(button.CreateEx(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rect, parent, 5));
    NMHDR header = {button.m_hWnd, 5, static_cast<UINT>(NM_CLICK)};

    for (bool consume : {false, true}) {
        button.consume = consume;
        button.seen.clear();
        parent.seen.clear();
        button.SendMessage(BM_CLICK);
        parent.SendMessage(WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header));
        parent.ShowWindow(SW_SHOWNA);
        button.RedrawWindow();
        EXPECT_EQ(button.seen, (std::vector<UINT>{WM_COMMAND, WM_NOTIFY, WM_DRAWITEM}));
        EXPECT_EQ(parent.seen, consume ? std::vector<UINT>{} : (std::vector<UINT>{WM_COMMAND, WM_NOTIFY, WM_DRAWITEM}));
        parent.ShowWindow(SW_HIDE);
    }
}

TEST(Reflection, MeasureItemBeforeSubclassingStillReachesTheControlsObject)
{
    COwnerDrawnDialog dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_GE(dialog.list.measured, 1);
    CWnd& list = dialog.list;
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    list.SendMessage(LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>("row");
    list.SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    RECT row = {};
    row.left = LVIR_BOUNDS;
    ASSERT_TRUE(list.SendMessage(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
    EXPECT_EQ(row.bottom - row.top, 40);
    // The case this covers: the template's control is measured while the dialog creates it,
    // before WM_INITDIALOG and so before its object exists (Wine 8 asks once, then never again).
    ASSERT_FALSE(dialog.order.empty());
    EXPECT_EQ(dialog.order.front(), "measure (before subclassing)");
    EXPECT_NE(std::find(dialog.order.begin(), dialog.order.end(), "init"), dialog.order.end());
}
