#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <commctrl.h>

#include "window/MessagePumping.h"
#include "window/ModalDriver.h"
#include "widgets/XBrowseDialog.h"

namespace {

struct SSeen {
    std::string texts; // class and text of every visible child, one a line
    bool editBox = false;
    bool resizable = false;
};

BOOL CALLBACK Collect(HWND child, LPARAM param)
{
    auto* seen = reinterpret_cast<SSeen*>(param);
    char name[64] = {}, text[MAX_PATH] = {};
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    if (IsWindowVisible(child)) {
        seen->texts += std::string(name) + " \"" + text + "\"\n";
        seen->editBox |= lstrcmpiA(name, "Edit") == 0;
    }
    return TRUE;
}

class BrowseDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "tarnix-browse-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        GetCurrentDirectoryA(MAX_PATH, m_saved);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(m_saved);
        RemoveDirectoryA(m_folder.c_str());
    }

    // Runs the dialog; from inside its loop, `before` acts on it, what shows is recorded and
    // `button` pressed.
    INT_PTR Run(CXBrowseDialog& dialog, int button, void (*before)(HWND) = nullptr)
    {
        m_seen = SSeen();
        windowtest::CModalDriver driver("#32770", [this, button, before](HWND window) {
            if (before)
                before(window);
            EnumChildWindows(window, &Collect, reinterpret_cast<LPARAM>(&m_seen));
            m_seen.resizable = (GetWindowLongA(window, GWL_STYLE) & WS_THICKFRAME) != 0;
            windowtest::PostCommand(window, button);
        });
        const INT_PTR result = dialog.DoModal();
        EXPECT_TRUE(driver.Done());
        return result;
    }
    bool StatusShown() const { return m_seen.texts.find("Static \"" + m_folder + "\"") != std::string::npos; }

    std::string m_folder;
    char m_saved[MAX_PATH] = {};
    SSeen m_seen;
};

BOOL CALLBACK FindTree(HWND child, LPARAM param)
{
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, WC_TREEVIEWA) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(param) = child;
    return FALSE;
}

// The text of the tree's selected item.
std::string Selected(HWND window)
{
    HWND tree = nullptr;
    EnumChildWindows(window, &FindTree, reinterpret_cast<LPARAM>(&tree));
    char text[MAX_PATH] = {};
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = tree ? TreeView_GetSelection(tree) : nullptr;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (item.hItem == nullptr || !TreeView_GetItem(tree, &item))
        return std::string();
    return text;
}

// Pumps until the dialog has selected the test's folder, as a person would wait to see it before
// pressing OK: on a loaded machine the dialog's selection by path took several of its turns.
void AwaitTheFolder(HWND window)
{
    const std::string name = "tarnix-browse-" + std::to_string(GetCurrentProcessId());
    windowtest::PumpUntil([&] { return lstrcmpiA(Selected(window).c_str(), name.c_str()) == 0; }, 30000);
}

void SelectMyComputer(HWND window)
{
    PIDLIST_ABSOLUTE computer = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(window, CSIDL_DRIVES, &computer))) {
        SendMessageA(window, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(computer));
        CoTaskMemFree(computer);
    }
}

} // namespace

TEST_F(BrowseDialogTest, OpensOnItsFolderShowsItAndReturnsTheChoice)
{
    CXBrowseDialog dialog;
    dialog.SetTitle("Select a download folder");
    dialog.SetPath(m_folder.c_str());
    ASSERT_EQ(IDOK, Run(dialog, IDOK, &AwaitTheFolder)) << m_seen.texts;
    EXPECT_STRCASEEQ(m_folder.c_str(), dialog.GetPath());
    EXPECT_TRUE(StatusShown()) << m_seen.texts;
    EXPECT_EQ(IDCANCEL, Run(dialog, IDCANCEL));
    EXPECT_EQ(IDCANCEL, Run(dialog, IDOK, &SelectMyComputer)) << "a folder without a path";
    EXPECT_FALSE(StatusShown());

    // Without a path: the current directory.
    ASSERT_TRUE(SetCurrentDirectoryA(m_folder.c_str()));
    CXBrowseDialog fresh;
    ASSERT_EQ(IDOK, Run(fresh, IDOK, &AwaitTheFolder));
    EXPECT_STRCASEEQ(m_folder.c_str(), fresh.GetPath());
}

TEST_F(BrowseDialogTest, TheProgramsFlagsOpenTheNewStyleWithAnEditBox)
{
    CXBrowseDialog dialog;
    dialog.SetPath(m_folder.c_str());
    dialog.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX | BIF_NEWDIALOGSTYLE);
    ASSERT_EQ(IDOK, Run(dialog, IDOK, &AwaitTheFolder)) << m_seen.texts;
    EXPECT_STRCASEEQ(m_folder.c_str(), dialog.GetPath());
    EXPECT_TRUE(m_seen.editBox && m_seen.resizable) << m_seen.texts;
}

TEST(BrowseDialog, ALongPathIsCutAndStaysTerminated)
{
    CXBrowseDialog dialog;
    const std::string longPath = "C:\\" + std::string(297, 'x');
    dialog.SetPath(longPath.c_str());
    EXPECT_EQ(longPath.substr(0, MAX_PATH - 1), dialog.GetPath());
}
