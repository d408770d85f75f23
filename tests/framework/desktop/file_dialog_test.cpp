#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "window/ModalDriver.h"
#include "framework/FileDialog.h"

namespace {

// File name box of the Explorer-style dialog (a combo box; an edit in older layouts).
const int kFileNameCombo = 0x47c;
const int kFileNameEdit = 0x480;

// Answers the open-file dialog from inside its loop (tests/support/window's modal driver): types
// `typed` into the file name box and presses OK, or presses Cancel when `typed` is null.
windowtest::CModalDriver AnswerDialog(const char* typed)
{
    return windowtest::CModalDriver("#32770", [typed](HWND dialog) {
        if (!typed) {
            windowtest::PostCommand(dialog, IDCANCEL);
            return;
        }
        HWND box = GetDlgItem(dialog, kFileNameCombo);
        if (!box)
            box = GetDlgItem(dialog, kFileNameEdit);
        SetWindowTextA(box, typed);
        windowtest::PostCommand(dialog, IDOK);
    });
}

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
        auto driver = AnswerDialog("\"alpha.txt\" \"gamma.txt\"");
        result = dialog.DoModal();
        ASSERT_TRUE(driver.Done());
    }
    ASSERT_EQ(IDOK, result) << "extended error " << dialog.GetExtendedError();
    ASSERT_EQ(2u, dialog.GetPathNames().size());
    EXPECT_STRCASEEQ((m_folder + "\\alpha.txt").c_str(), dialog.GetPathNames()[0]);
    EXPECT_STRCASEEQ((m_folder + "\\gamma.txt").c_str(), dialog.GetPathNames()[1]);

    // One file alone comes back as one full path too.
    {
        auto driver = AnswerDialog("beta.txt");
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
        auto driver = AnswerDialog("\"alpha.txt\" \"beta.txt\" \"gamma.txt\"");
        result = dialog.DoModal();
        ASSERT_TRUE(driver.Done());
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
        auto driver = AnswerDialog(nullptr);
        result = dialog.DoModal();
    }
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(0u, dialog.GetExtendedError());
    EXPECT_TRUE(dialog.GetPathNames().empty());
}
