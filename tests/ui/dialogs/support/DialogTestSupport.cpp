#include "support/DialogTestSupport.h"

#include <shlwapi.h>

#include "framework/MessageBox.h"

namespace dialogtest {

DialogTest::DialogTest()
{
    m_base.Format("Software\\TarnixDialogTest\\%lu %s", ::GetCurrentProcessId(),
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    settingsKey = m_base + "\\Settings\\";
    m_runKey = m_base + "\\Run\\";
    xmlFolder = folder.Path() + "\\";
    ReopenSettings();
    SetMessageBoxHook(&AnswerBox, this);
}

DialogTest::~DialogTest()
{
    SetMessageBoxHook(nullptr, nullptr);
    m_settings.reset();
    ::SHDeleteKeyA(HKEY_CURRENT_USER, m_base);
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, m_base);
}

void DialogTest::ReopenSettings()
{
    m_settings.reset();
    SSettingsLocation location;
    location.settingsKey = settingsKey;
    location.runKey = m_runKey;
    location.xmlFolder = xmlFolder;
    m_settings = std::make_unique<CSettingsManager>(location);
}

int DialogTest::AnswerBox(const char* text, UINT, void* context)
{
    auto* test = static_cast<DialogTest*>(context);
    test->boxes.push_back(text);
    if (test->answers.empty())
        return IDOK;
    const int answer = test->answers.front();
    test->answers.pop_front();
    return answer;
}

INT_PTR CScriptedChooser::ChooseFiles(HWND, const CString& folder, std::vector<CString>& paths)
{
    folders.push_back(folder.str());
    if (choices.empty())
        return IDCANCEL;
    paths = choices.front();
    choices.pop_front();
    return IDOK;
}

CString MakeFile(const coretest::CTempFolder& folder, const char* name, int size)
{
    const CString path = folder / name;
    coretest::WriteFileBytes(path, std::string(static_cast<std::size_t>(size), 'x'));
    return path;
}

std::string DlgText(HWND dialog, int id)
{
    char text[512] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

bool IsShown(HWND dialog, int id)
{
    return (::GetWindowLongPtrA(::GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsEnabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

LONG FontWeight(HWND control)
{
    LOGFONTA font = {};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font.lfWeight;
}

} // namespace dialogtest
