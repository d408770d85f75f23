#include <gtest/gtest.h>

#include <map>

#include <windows.h>

#include "widgets_test_ids.h"
#include "window/MessagePumping.h"
#include "framework/Rect.h"
#include "widgets/DialogResize.h"

namespace {

const CDialogResize::ResizeMapEntry kMap[] = {
    {IDC_RESIZE_FIXED, 0},
    {IDC_RESIZE_SIZE_X, CDialogResize::SizeX},
    {IDC_RESIZE_SIZE_Y, CDialogResize::SizeY},
    {IDC_RESIZE_MOVE_X, CDialogResize::MoveX | CDialogResize::Repaint},
    {IDC_RESIZE_MOVE_Y, CDialogResize::MoveY},
    {IDC_RESIZE_SIZE_XY, CDialogResize::SizeX | CDialogResize::SizeY},
    {IDC_RESIZE_MOVE_XY, CDialogResize::MoveX | CDialogResize::MoveY},
    {IDC_RESIZE_MOVE_X_SIZE_Y, CDialogResize::MoveX | CDialogResize::SizeY},
    {IDC_RESIZE_SIZE_X_MOVE_Y, CDialogResize::SizeX | CDialogResize::MoveY},
    {IDC_RESIZE_MISSING, CDialogResize::SizeX},
    {-1, 0},
};

class CAnchoredDialog : public CDialogResize {
public:
    explicit CAnchoredDialog(bool useMinimum) : CDialogResize(IDD_RESIZE_TEST), m_useMinimum(useMinimum) {}

    using CDialogResize::InitResize;

protected:
    BOOL OnInitDialog() override
    {
        CDialogResize::OnInitDialog();
        InitResize(true, m_useMinimum, WS_THICKFRAME | WS_CLIPCHILDREN);
        return TRUE;
    }
    const ResizeMapEntry* GetResizeMap() const override { return kMap; }

private:
    bool m_useMinimum;
};

CRect ControlRect(HWND dialog, int id)
{
    CRect rect;
    GetWindowRect(GetDlgItem(dialog, id), rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(static_cast<RECT*>(rect)), 2);
    return rect;
}

// Where the rules put a control of `flags` after the client grew by dx, dy.
CRect Expected(const CRect& initial, UINT flags, int dx, int dy)
{
    CRect rect(initial);
    if (flags & (CDialogResize::SizeX | CDialogResize::MoveX))
        rect.right += dx;
    if (flags & CDialogResize::MoveX)
        rect.left += dx;
    if (flags & (CDialogResize::SizeY | CDialogResize::MoveY))
        rect.bottom += dy;
    if (flags & CDialogResize::MoveY)
        rect.top += dy;
    return rect;
}

class DialogResizeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dialog.Create());
        m_dialog.ShowWindow(SW_SHOW);
        for (const auto* entry = kMap; entry->id != -1; ++entry)
            if (m_dialog.GetDlgItem(entry->id))
                m_initial[entry->id] = ControlRect(m_dialog, entry->id);
        m_dialog.GetClientRect(m_initialClient);
    }
    void TearDown() override { m_dialog.DestroyWindow(); }

    // Resizes the window by dw, dh and checks every control against the rules.
    void ResizeAndCheck(int dw, int dh)
    {
        CRect window;
        m_dialog.GetWindowRect(window);
        m_dialog.SetWindowPos(nullptr, 0, 0, window.Width() + dw, window.Height() + dh,
                              SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        CheckLayout();
    }
    void CheckLayout()
    {
        CRect client;
        m_dialog.GetClientRect(client);
        const int dx = client.Width() - m_initialClient.Width();
        const int dy = client.Height() - m_initialClient.Height();
        for (const auto* entry = kMap; entry->id != -1; ++entry) {
            if (!m_initial.count(entry->id))
                continue;
            const CRect expected = Expected(m_initial[entry->id], entry->flags, dx, dy);
            const CRect actual = ControlRect(m_dialog, entry->id);
            EXPECT_EQ(expected, actual) << "control " << entry->id << " at dx " << dx << ", dy " << dy << ": ("
                                        << actual.left << "," << actual.top << "," << actual.right << ","
                                        << actual.bottom << ")";
        }
        // The grip keeps to the bottom-right corner.
        const CRect grip = ControlRect(m_dialog, CDialogResize::kGripId);
        EXPECT_EQ(client.right, grip.right);
        EXPECT_EQ(client.bottom, grip.bottom);
    }

    CAnchoredDialog m_dialog{false};
    std::map<int, CRect> m_initial;
    CRect m_initialClient;
};

} // namespace

TEST_F(DialogResizeTest, ControlsFollowTheirFlagsBothWays)
{
    EXPECT_EQ(static_cast<DWORD>(WS_THICKFRAME | WS_CLIPCHILDREN),
              m_dialog.GetStyle() & (WS_THICKFRAME | WS_CLIPCHILDREN))
        << "the forced style bits are added";
    HWND grip = m_dialog.GetDlgItem(CDialogResize::kGripId);
    ASSERT_NE(nullptr, grip);
    char name[32] = {};
    GetClassNameA(grip, name, sizeof name);
    EXPECT_STRCASEEQ("ScrollBar", name);
    EXPECT_TRUE(IsWindowVisible(grip));

    ResizeAndCheck(50, 30);
    ResizeAndCheck(-70, -40); // from there to (-20, -10) of the start
    ResizeAndCheck(20, 10);   // back where it began: every control at its start
    for (const auto& [id, rect] : m_initial)
        EXPECT_EQ(rect, ControlRect(m_dialog, id)) << id;
}

TEST_F(DialogResizeTest, MinimiseMaximiseAndRestoreKeepTheLayoutAndTheGrip)
{
    ResizeAndCheck(50, 30);
    std::map<int, CRect> before;
    for (const auto& entry : m_initial)
        before[entry.first] = ControlRect(m_dialog, entry.first);
    HWND grip = m_dialog.GetDlgItem(CDialogResize::kGripId);

    m_dialog.ShowWindow(SW_MINIMIZE);
    m_dialog.ShowWindow(SW_RESTORE);
    for (const auto& [id, rect] : before)
        EXPECT_EQ(rect, ControlRect(m_dialog, id)) << id;

    m_dialog.ShowWindow(SW_MAXIMIZE);
    EXPECT_FALSE(IsWindowVisible(grip)) << "no grip on a maximised window";
    CheckLayout();
    m_dialog.ShowWindow(SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(grip));
    for (const auto& [id, rect] : before)
        EXPECT_EQ(rect, ControlRect(m_dialog, id)) << id;
}

TEST(DialogResize, TheStartSizeIsTheSmallestWhenAskedFor)
{
    CAnchoredDialog dialog(true);
    ASSERT_TRUE(dialog.Create());
    CRect start;
    dialog.GetWindowRect(start);
    MINMAXINFO info = {};
    dialog.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(start.Width(), info.ptMinTrackSize.x);
    EXPECT_EQ(start.Height(), info.ptMinTrackSize.y);
    dialog.SetWindowPos(nullptr, 0, 0, start.Width() - 20, start.Height() - 10, SWP_NOMOVE | SWP_NOZORDER);
    CRect shrunk;
    dialog.GetWindowRect(shrunk);
    EXPECT_EQ(start.Size(), shrunk.Size());

    // Asked again without the minimum, the system's stands; a grip is not made twice.
    dialog.InitResize(true, false, 0);
    MINMAXINFO free = {};
    dialog.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&free));
    EXPECT_NE(start.Width(), free.ptMinTrackSize.x);
    int grips = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        grips += GetDlgCtrlID(child) == CDialogResize::kGripId;
    EXPECT_EQ(1, grips);
    dialog.DestroyWindow();
}
