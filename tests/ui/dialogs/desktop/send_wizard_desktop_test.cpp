// The send wizard where it meets the desktop: the link on the clipboard, and files chosen through
// Wine's own open-file dialog. These cases hold the display lock.

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "support/DialogTestSupport.h"
#include "ui/SendFileSheet.h"
#include "ui/res/ui_ids.h"
#include "window/Input.h"
#include "window/ModalDriver.h"

namespace {

using dialogtest::DlgText;
using windowtest::PostCommand;

// The open-file dialog's file name box: a combo box, an edit in older layouts.
const int kFileNameCombo = 0x47c;
const int kFileNameEdit = 0x480;

// Another thread's window holds the clipboard open until the object goes.
class CClipboardHolder {
public:
    CClipboardHolder()
        : m_thread([this] {
              HWND window =
                  ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
              const BOOL open = ::OpenClipboard(window);
              ::SetEvent(m_opened);
              ::WaitForSingleObject(m_release, 10000);
              if (open)
                  ::CloseClipboard();
              ::DestroyWindow(window);
          })
    {
        ::WaitForSingleObject(m_opened, 10000);
    }
    ~CClipboardHolder()
    {
        Release();
        ::CloseHandle(m_opened);
        ::CloseHandle(m_release);
    }
    void Release()
    {
        ::SetEvent(m_release);
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    HANDLE m_opened = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE m_release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread m_thread;
};

// Types the names into the open-file dialog and presses Open.
void AnswerFileDialog(HWND dialog, const char* typed)
{
    HWND box = ::GetDlgItem(dialog, kFileNameCombo);
    if (!box)
        box = ::GetDlgItem(dialog, kFileNameEdit);
    ::SetWindowTextA(box, typed);
    PostCommand(dialog, IDOK);
}

class SendWizardDesktop : public dialogtest::DialogTest {
protected:
    dialogtest::CScriptedChooser chooser;
};

} // namespace

TEST_F(SendWizardDesktop, CopyLinkPutsTheLinkOnTheClipboardOnlyThenSaysSoAndEndsTheWizard)
{
    chooser.choices = {{dialogtest::MakeFile(folder, "a.txt", 10), dialogtest::MakeFile(folder, "b.bin", 2000)}};
    ASSERT_TRUE(::OpenClipboard(nullptr) && ::EmptyClipboard() && ::CloseClipboard());
    std::unique_ptr<CClipboardHolder> holder;
    bool stayedOpen = false;
    windowtest::CModalScript script({
        {"#32770", nullptr, IDC_COPY_LINK,
         [&](HWND page) {
             PostCommand(page, IDC_SELECT_FILES);
             holder = std::make_unique<CClipboardHolder>();
             PostCommand(page, IDC_COPY_LINK);
         }},
        {"#32770", nullptr, IDC_COPY_LINK,
         [&](HWND page) {
             stayedOpen = ::IsWindowVisible(page) != FALSE;
             holder->Release();
             PostCommand(page, IDC_COPY_LINK);
         }},
    });
    CSendFileSheet sheet(Settings());
    sheet.SetFileChooser(&chooser);
    EXPECT_EQ(CSendFileSheet::kFinished, sheet.Run(CSendFileSheet::kFilesPage));
    EXPECT_EQ("", script.Failure());

    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ((std::vector<std::string>{"The file link could not be copied to the Clipboard. Please try again.",
                                        "File link has been copyed to Clipboard."}),
              boxes);
    const CFileLink& link = sheet.GetLink();
    const std::string copied = windowtest::ClipboardText();
    EXPECT_EQ(link.BuildLinkURL().str(), copied);
    CFileLink parsed;
    ASSERT_TRUE(parsed.ParseLinkURL(copied.c_str()));
    ASSERT_EQ(2u, parsed.m_entries.size());
    EXPECT_EQ(0, std::memcmp(link.m_entries[0].m_fileId, parsed.m_entries[0].m_fileId, 16));
    EXPECT_EQ(2010, parsed.m_entries[0].m_size) << "a parsed link's first file carries the total";
    EXPECT_EQ(CString("a.txt"), parsed.m_entries[0].m_name);
    EXPECT_TRUE(link.m_recipientEmail.IsEmpty());
}

TEST_F(SendWizardDesktop, FilesAreChosenInTheSystemsOpenFileDialog)
{
    dialogtest::MakeFile(folder, "a.txt", 10);
    dialogtest::MakeFile(folder, "b.bin", 2000);
    Settings().SetWizardSelectFilesDir(folder.Path());
    std::string names, size;
    windowtest::CModalScript script({
        {"#32770", nullptr, IDC_SELECT_FILES, [](HWND page) { PostCommand(page, IDC_SELECT_FILES); }},
        {"#32770", nullptr, kFileNameCombo, [](HWND dialog) { AnswerFileDialog(dialog, "\"a.txt\" \"b.bin\""); }},
        {"#32770", nullptr, IDC_SELECT_FILES,
         [&](HWND page) {
             names = DlgText(page, IDC_FILE_NAMES);
             size = DlgText(page, IDC_TOTAL_SIZE);
             PostCommand(page, IDCANCEL);
         }},
    });
    CSendFileSheet sheet(Settings());
    EXPECT_EQ(IDCANCEL, sheet.Run(CSendFileSheet::kFilesPage));
    EXPECT_EQ("", script.Failure());
    EXPECT_EQ("a.txt, b.bin", names);
    EXPECT_EQ("1.96KB", size);
    ASSERT_EQ(2u, sheet.GetLink().m_entries.size());
    EXPECT_STRCASEEQ(folder / "b.bin", sheet.GetLink().m_entries[1].m_path);
}

TEST_F(SendWizardDesktop, AChoiceTooLongForTheBufferIsAskedForOnceMoreThenRefused)
{
    for (const char* name : {"alpha.txt", "beta.txt", "gamma.txt"})
        dialogtest::MakeFile(folder, name, 1);
    std::vector<CString> paths;
    // Both dialogs get the same three names; the second has room for them, or not.
    auto choose = [&](DWORD retryChars) {
        auto answer = [](HWND dialog) { AnswerFileDialog(dialog, "\"alpha.txt\" \"beta.txt\" \"gamma.txt\""); };
        windowtest::CModalScript script(
            {{"#32770", nullptr, kFileNameCombo, answer}, {"#32770", nullptr, kFileNameCombo, answer}});
        CSystemFileChooser chooser(24, retryChars);
        const INT_PTR result = chooser.ChooseFiles(nullptr, folder.Path(), paths);
        EXPECT_EQ("", script.Failure());
        return result;
    };
    EXPECT_EQ(IDOK, choose(4096));
    EXPECT_EQ(3u, paths.size());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(IDCANCEL, choose(30));
    EXPECT_TRUE(paths.empty());
    EXPECT_EQ((std::vector<std::string>{"Too many files were selected at once. Please select fewer files."}), boxes);
}
