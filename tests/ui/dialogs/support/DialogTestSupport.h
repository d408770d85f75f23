#pragma once
// What the dialog tests share: a fixture that gives each test its own settings (a fresh registry
// key, its Run key inside it, and a temp folder for the XML files) and answers every message box
// in place of showing it, plus small helpers for reading and driving a dialog's controls.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "app/SettingsManager.h"
#include "framework/String.h"
#include "support/CoreTestSupport.h"
#include "ui/FileChooser.h"

namespace dialogtest {

class DialogTest : public ::testing::Test {
protected:
    DialogTest();
    ~DialogTest() override;

    CSettingsManager& Settings() { return *m_settings; }
    // The settings written back and read again, as the next run of the program would find them.
    void ReopenSettings();

    // Message boxes shown so far (their texts), and the buttons the next ones press (IDOK once
    // these run out).
    std::vector<std::string> boxes;
    std::deque<int> answers;

    coretest::CTempFolder folder;
    CString xmlFolder; // the folder, ending in "\"
    CString settingsKey;

private:
    static int AnswerBox(const char* text, UINT type, void* context);

    CString m_base;
    CString m_runKey;
    std::unique_ptr<CSettingsManager> m_settings;
};

// Answers the send wizard's requests for files from a list, one choice per request, and notes
// the folder each request started in.
class CScriptedChooser : public IFileChooser {
public:
    INT_PTR ChooseFiles(HWND owner, const CString& folder, std::vector<CString>& paths) override;

    std::deque<std::vector<CString>> choices; // IDCANCEL once they run out
    std::vector<std::string> folders;
};

// A file of `size` bytes (a repeated letter) in `folder`; its full path.
CString MakeFile(const coretest::CTempFolder& folder, const char* name, int size);

// A control's text.
std::string DlgText(HWND dialog, int id);
bool IsShown(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
// The LOGFONT weight of the control's font.
LONG FontWeight(HWND control);

} // namespace dialogtest
