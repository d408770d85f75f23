#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "framework/FileDialog.h"

namespace {

// File name box of the Explorer-style dialog (a combo box; an edit in older layouts).
const int kFileNameCombo = 0x47c;
const int kFileNameEdit = 0x480;

struct FindDialog {
    HWND found = nullptr;
    static BOOL CALLBACK Visit(HWND window, LPARAM context)
    {
        char name[16] = {};
        GetClassNameA(window, name, sizeof(name));
        if (std::string(name) == "#32770" && IsWindowVisible(window)) {
            reinterpret_cast<FindDialog*>(context)->found = window;
            return FALSE;
        }
        return TRUE;
    }
};

// Drives the dialog that the test thread's DoModal shows, from a thread of its own: types
// `typed` into the file name box and presses OK (or presses Cancel when `typed` is null). When
// the dialog is still there after that, it is cancelled and closed, so no test can hang.
class CDialogDriver {
public:
    CDialogDriver(DWORD uiThread, const char* typed)
        : m_thread([this, uiThread, typed] { Run(uiThread, typed); })
    {
    }
    ~CDialogDriver() { m_thread.join(); }
    bool SawDialog() const { return m_sawDialog; }
    bool HadToForce() const { return m_forced; }

private:
    void Run(DWORD uiThread, const char* typed)
    {
        HWND dialog = nullptr;
        for (int i = 0; i < 300 && !dialog; ++i) {  // 15 s
            FindDialog find;
            EnumThreadWindows(uiThread, FindDialog::Visit, reinterpret_cast<LPARAM>(&find));
            dialog = find.found;
            if (!dialog)
                Sleep(50);
        }
        if (!dialog)
            return;
        m_sawDialog = true;
        Sleep(200);  // let the dialog finish filling its list
        if (typed) {
            HWND box = GetDlgItem(dialog, kFileNameCombo);
            if (!box)
                box = GetDlgItem(dialog, kFileNameEdit);
            SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed), SMTO_NORMAL, 5000, nullptr);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        } else {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        for (int i = 0; i < 100 && IsWindow(dialog); ++i)
            Sleep(50);
        for (UINT last : {static_cast<UINT>(WM_COMMAND), static_cast<UINT>(WM_CLOSE)}) {
            if (!IsWindow(dialog))
                break;
            m_forced = true;
            PostMessageA(dialog, last, last == WM_COMMAND ? IDCANCEL : 0, 0);
            Sleep(2000);
        }
    }

    std::atomic<bool> m_sawDialog{false};
    std::atomic<bool> m_forced{false};
    std::thread m_thread;
};

// A folder of three small files, removed afterwards.
class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_folder = std::string(temp) + "tarnix-dialog-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        for (const char* name : {"alpha.txt", "beta.txt", "gamma.txt"}) {
            FILE* f = std::fopen((m_folder + "\\" + name).c_str(), "wb");
            ASSERT_NE(nullptr, f);
            std::fputs(name, f);
            std::fclose(f);
        }
    }
    void TearDown() override
    {
        for (const char* name : {"alpha.txt", "beta.txt", "gamma.txt"})
            DeleteFileA((m_folder + "\\" + name).c_str());
        RemoveDirectoryA(m_folder.c_str());
    }

    std::string m_folder;
};

} // namespace

TEST_F(FileDialogTest, SeveralChosenFilesComeBackAsFullPathsInOrder)
{
    CFileDialog dialog(nullptr, 4096, m_folder.c_str(), "Text files\0*.txt\0");
    INT_PTR result = 0;
    {
        CDialogDriver driver(GetCurrentThreadId(), "\"alpha.txt\" \"gamma.txt\"");
        result = dialog.DoModal();
        ASSERT_TRUE(driver.SawDialog());
        EXPECT_FALSE(driver.HadToForce());
    }
    ASSERT_EQ(IDOK, result) << "extended error " << dialog.GetExtendedError();
    ASSERT_EQ(2u, dialog.GetPathNames().size());
    EXPECT_STRCASEEQ((m_folder + "\\alpha.txt").c_str(), dialog.GetPathNames()[0]);
    EXPECT_STRCASEEQ((m_folder + "\\gamma.txt").c_str(), dialog.GetPathNames()[1]);

    // One file alone comes back as one full path too.
    {
        CDialogDriver driver(GetCurrentThreadId(), "beta.txt");
        result = dialog.DoModal();
    }
    ASSERT_EQ(IDOK, result);
    ASSERT_EQ(1u, dialog.GetPathNames().size());
    EXPECT_STRCASEEQ((m_folder + "\\beta.txt").c_str(), dialog.GetPathNames()[0]);
}

TEST_F(FileDialogTest, SelectionTooLongForTheBufferIsReportedNotAnEmptySuccess)
{
    CFileDialog dialog(nullptr, 24, m_folder.c_str());
    INT_PTR result = 0;
    {
        CDialogDriver driver(GetCurrentThreadId(), "\"alpha.txt\" \"beta.txt\" \"gamma.txt\"");
        result = dialog.DoModal();
        ASSERT_TRUE(driver.SawDialog());
    }
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(static_cast<DWORD>(FNERR_BUFFERTOOSMALL), dialog.GetExtendedError());
    EXPECT_TRUE(dialog.GetPathNames().empty());
}

TEST_F(FileDialogTest, CancelIsNoError)
{
    CFileDialog dialog(nullptr, 4096, m_folder.c_str());
    INT_PTR result = 0;
    {
        CDialogDriver driver(GetCurrentThreadId(), nullptr);
        result = dialog.DoModal();
    }
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(0u, dialog.GetExtendedError());
    EXPECT_TRUE(dialog.GetPathNames().empty());
}
