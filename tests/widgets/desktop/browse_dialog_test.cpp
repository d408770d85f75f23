#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "window/ModalDriver.h"
#include "widgets/XBrowseDialog.h"

namespace {

struct SChild {
    std::string className;
    std::string text;
    int id;
    bool visible;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param)
{
    char name[64] = {};
    char text[MAX_PATH] = {};
    GetClassNameA(child, name, sizeof name);
    GetWindowTextA(child, text, sizeof text);
    reinterpret_cast<std::vector<SChild>*>(param)->push_back(
        SChild{name, text, GetDlgCtrlID(child), IsWindowVisible(child) != FALSE});
    return TRUE;
}

std::vector<SChild> Children(HWND dialog)
{
    std::vector<SChild> children;
    EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

// Every child: class, id and text, one per line (what a failure shows).
std::string Describe(const std::vector<SChild>& children)
{
    std::string out;
    for (const SChild& child : children)
        out += child.className + " " + std::to_string(child.id) + (child.visible ? " visible" : " hidden") + " \"" +
               child.text + "\"\n";
    return out;
}

// A visible child of that class whose text is `text`.
bool HasChildText(const std::vector<SChild>& children, const char* className, const std::string& text)
{
    for (const SChild& child : children)
        if (child.visible && lstrcmpiA(child.className.c_str(), className) == 0 &&
            lstrcmpiA(child.text.c_str(), text.c_str()) == 0)
            return true;
    return false;
}

bool HasChildOfClass(const std::vector<SChild>& children, const char* className)
{
    for (const SChild& child : children)
        if (child.visible && lstrcmpiA(child.className.c_str(), className) == 0)
            return true;
    return false;
}

// A folder of its own under the temporary folder, removed afterwards.
class BrowseDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "tarnix-browse-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        GetCurrentDirectoryA(MAX_PATH, m_savedDirectory);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(m_savedDirectory);
        RemoveDirectoryA(m_folder.c_str());
    }

    // Runs the dialog, and from inside its loop records what it shows and presses `button`.
    INT_PTR Run(CXBrowseDialog& dialog, int button)
    {
        windowtest::CModalDriver driver("#32770", [this, button](HWND window) {
            const std::vector<SChild> children = Children(window);
            m_children = Describe(children);
            m_statusShown = HasChildText(children, "Static", m_folder);
            m_resizable = (GetWindowLongA(window, GWL_STYLE) & WS_THICKFRAME) != 0;
            m_hasEdit = HasChildOfClass(children, "Edit");
            windowtest::PostCommand(window, button);
        });
        const INT_PTR result = dialog.DoModal();
        EXPECT_TRUE(driver.Done());
        return result;
    }

    std::string m_folder;
    char m_savedDirectory[MAX_PATH] = {};
    std::string m_children;
    bool m_statusShown = false;
    bool m_resizable = false;
    bool m_hasEdit = false;
};

} // namespace

TEST_F(BrowseDialogTest, OpensOnTheGivenFolderShowsItAndReturnsItOnOk)
{
    CXBrowseDialog dialog;
    dialog.SetTitle("Select a download folder");
    dialog.SetPath(m_folder.c_str());
    ASSERT_EQ(IDOK, Run(dialog, IDOK)) << m_children;
    EXPECT_STRCASEEQ(m_folder.c_str(), dialog.GetPath());
    EXPECT_TRUE(m_statusShown) << "the selection's path as status text:\n" << m_children;

    EXPECT_EQ(IDCANCEL, Run(dialog, IDCANCEL));

    // A virtual item (My Computer) has no path: no status text, and OK gives IDCANCEL.
    bool statusCleared = false;
    windowtest::CModalDriver driver("#32770", [&](HWND window) {
        PIDLIST_ABSOLUTE computer = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(window, CSIDL_DRIVES, &computer))) {
            SendMessageA(window, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(computer));
            CoTaskMemFree(computer);
        }
        statusCleared = !HasChildText(Children(window), "Static", m_folder);
        windowtest::PostCommand(window, IDOK);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_TRUE(driver.Done());
    EXPECT_TRUE(statusCleared);
}

TEST_F(BrowseDialogTest, AnEmptyPathOpensOnTheCurrentDirectory)
{
    ASSERT_TRUE(SetCurrentDirectoryA(m_folder.c_str()));
    CXBrowseDialog dialog;
    ASSERT_EQ(IDOK, Run(dialog, IDOK)) << m_children;
    EXPECT_STRCASEEQ(m_folder.c_str(), dialog.GetPath());
}

TEST_F(BrowseDialogTest, ExtraFlagsOpenTheNewStyleDialogWithAnEditBox)
{
    CXBrowseDialog dialog;
    dialog.SetPath(m_folder.c_str());
    dialog.SetFlags(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX | BIF_NEWDIALOGSTYLE);
    ASSERT_EQ(IDOK, Run(dialog, IDOK)) << m_children;
    EXPECT_STRCASEEQ(m_folder.c_str(), dialog.GetPath());
    EXPECT_TRUE(m_hasEdit) << m_children;
    EXPECT_TRUE(m_resizable) << m_children;
}

TEST(BrowseDialog, ALongPathIsCutAndStaysTerminated)
{
    CXBrowseDialog dialog;
    const std::string longPath = "C:\\" + std::string(297, 'x');
    dialog.SetPath(longPath.c_str());
    EXPECT_EQ(std::string(longPath, 0, MAX_PATH - 1), dialog.GetPath());
    dialog.SetPath(nullptr);
    EXPECT_STREQ("", dialog.GetPath());
}
