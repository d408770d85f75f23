#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/AppState.h"
#include "framework/Bstr.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"
#include "window_test_ids.h"

namespace {

class CRefusingApp : public CWinApp {
public:
    CRefusingApp() : CWinApp("Test") {}
    int exits = 0;
    BOOL InitInstance() override
    {
        ::PostQuitMessage(3); // a loop would end at once; none must run
        return FALSE;
    }
    int ExitInstance() override
    {
        ++exits;
        return 9;
    }
};

class CFileArgument : public CCommandLineInfo {
public:
    std::vector<std::string> switches;
    void ParseParam(const char* param, BOOL isSwitch, BOOL isLast) override
    {
        if (isSwitch)
            switches.push_back(param);
        CCommandLineInfo::ParseParam(param, isSwitch, isLast);
    }
};

} // namespace

TEST(Application, RefusedStartExitsWithoutALoop)
{
    {
        CRefusingApp app;
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_EQ(AfxWinMain(), 9);
        EXPECT_EQ(app.exits, 1);
        MSG msg;
        EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)); // still queued

        CDialog main(IDD_EMPTY);
        app.m_pMainWnd = &main;
        EXPECT_EQ(AfxGetMainWnd(), &main);
        app.SetRegistryKey("Tarnix Test");
        ASSERT_NE(app.GetProfile(), nullptr);
        EXPECT_EQ(app.GetProfile()->SectionPath("Settings"), "Software\\Tarnix Test\\Test\\Settings");
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

TEST(Application, FirstParameterThatIsNoSwitchIsTheFileArgument)
{
    // The test program's own command line: its gtest switches, then whatever ctest adds.
    CWinApp app;
    CFileArgument info;
    app.ParseCommandLine(info);
    EXPECT_TRUE(info.m_strFileName.IsEmpty());

    CFileArgument direct;
    direct.ParseParam("background", TRUE, FALSE);
    direct.ParseParam("tarnix://link?a=1", FALSE, FALSE);
    direct.ParseParam("second", FALSE, TRUE);
    EXPECT_EQ(direct.m_strFileName, "tarnix://link?a=1");
    EXPECT_EQ(direct.switches, std::vector<std::string>{"background"});
}

TEST(Application, ConversionsUseTheAnsiCodePage)
{
    if (::GetACP() != 1252)
        GTEST_SKIP() << "the expected bytes are those of code page 1252";
    EXPECT_EQ(AnsiToWide("caf\xe9"), std::wstring(L"caf\u00e9"));
    EXPECT_EQ(WideToAnsi(L"\u00a9\u2122"), "\xa9\x99");
    EXPECT_EQ(AnsiToWide(""), std::wstring());
}
