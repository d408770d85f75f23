#include <gtest/gtest.h>

#include <map>

#include <windows.h>

#include "widgets_test_ids.h"
#include "framework/Rect.h"
#include "widgets/DialogResize.h"

namespace {

using R = CDialogResize;
const R::ResizeMapEntry kMap[] = {
    {IDC_RESIZE_FIXED, 0},
    {IDC_RESIZE_SIZE_X, R::SizeX},
    {IDC_RESIZE_SIZE_Y, R::SizeY},
    {IDC_RESIZE_MOVE_X, R::MoveX | R::Repaint},
    {IDC_RESIZE_MOVE_Y, R::MoveY},
    {IDC_RESIZE_SIZE_XY, R::SizeX | R::SizeY},
    {IDC_RESIZE_MOVE_XY, R::MoveX | R::MoveY},
    {IDC_RESIZE_MOVE_X_SIZE_Y, R::MoveX | R::SizeY},
    {IDC_RESIZE_SIZE_X_MOVE_Y, R::SizeX | R::MoveY},
    {IDC_RESIZE_MISSING, R::SizeX},
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

CRect ChildRect(HWND dialog, int id)
{
    CRect rect;
    GetWindowRect(GetDlgItem(dialog, id), rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(static_cast<RECT*>(rect)), 2);
    return rect;
}

CRect WindowSizedBy(HWND window, int dw, int dh)
{
    CRect rect;
    GetWindowRect(window, rect);
    SetWindowPos(window, nullptr, 0, 0, rect.Width() + dw, rect.Height() + dh, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(window, rect);
    return rect;
}

} // namespace

TEST(DialogResize, ControlsFollowTheirFlagsAcrossResizesMinimisingAndMaximising)
{
    CAnchoredDialog dialog(false);
    ASSERT_TRUE(dialog.Create());
    dialog.ShowWindow(SW_SHOW);
    EXPECT_EQ(static_cast<DWORD>(WS_CLIPCHILDREN), dialog.GetStyle() & WS_CLIPCHILDREN) << "forced on";
    std::map<int, CRect> initial;
    for (const auto* entry = kMap; entry->id != IDC_RESIZE_MISSING; ++entry)
        initial[entry->id] = ChildRect(dialog, entry->id);
    CRect start;
    dialog.GetClientRect(start);
    const HWND grip = dialog.GetDlgItem(CDialogResize::kGripId);
    ASSERT_NE(nullptr, grip);

    // Every control where the rules put it, the grip in the corner.
    auto check = [&](const char* when) {
        CRect client;
        dialog.GetClientRect(client);
        const int dx = client.Width() - start.Width(), dy = client.Height() - start.Height();
        for (const auto* entry = kMap; entry->id != IDC_RESIZE_MISSING; ++entry) {
            CRect expected = initial[entry->id];
            if (entry->flags & (R::SizeX | R::MoveX))
                expected.right += dx;
            if (entry->flags & R::MoveX)
                expected.left += dx;
            if (entry->flags & (R::SizeY | R::MoveY))
                expected.bottom += dy;
            if (entry->flags & R::MoveY)
                expected.top += dy;
            EXPECT_EQ(expected, ChildRect(dialog, entry->id)) << when << ": control " << entry->id;
        }
        if (IsWindowVisible(grip)) {
            EXPECT_EQ(client.BottomRight(), ChildRect(dialog, CDialogResize::kGripId).BottomRight()) << when;
        }
    };
    WindowSizedBy(dialog, 50, 30);
    check("+50, +30");
    WindowSizedBy(dialog, -70, -40);
    check("-20, -10");
    dialog.ShowWindow(SW_MINIMIZE);
    dialog.ShowWindow(SW_RESTORE);
    check("minimised and restored");
    dialog.ShowWindow(SW_MAXIMIZE);
    EXPECT_FALSE(IsWindowVisible(grip)) << "no grip on a maximised window";
    check("maximised");
    dialog.ShowWindow(SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(grip));
    check("restored");
    dialog.DestroyWindow();
}

TEST(DialogResize, TheStartSizeIsTheSmallestWhenAskedFor)
{
    CAnchoredDialog dialog(true);
    ASSERT_TRUE(dialog.Create());
    CRect start;
    dialog.GetWindowRect(start);
    EXPECT_EQ(start.Size(), WindowSizedBy(dialog, -20, -10).Size());
    dialog.InitResize(false, false, 0);
    EXPECT_EQ(start.Width() - 20, WindowSizedBy(dialog, -20, 0).Width()) << "asked again without it";
    dialog.DestroyWindow();
}
