// DownloadFileLink's two ways to the program: into the running program's section with the
// broadcast, or by starting the program from its install folder; and the texts that take
// neither way.

#include <gtest/gtest.h>

#include <string>

#include "LoadedControl.h"
#include "StandInReceiver.h"
#include "framework/ComInitializer.h"
#include "framework/RegistryHandle.h"
#include "window/RegistryValueScope.h"

namespace {

const char kTarnixKey[] = "Software\\Tarnix";
const std::wstring kLink = L"http://tarnix.test/fl.php?fe=a%40b.test&tn=Sam&fn=a+b.txt";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

class HandOffTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.IsLoaded());
        ASSERT_EQ(S_OK, m_library.Create(m_control));
    }

    // The text as a BSTR of its whole length (NULs included).
    HRESULT Hand(const std::wstring& text)
    {
        BSTR link = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        const HRESULT result = m_control->DownloadFileLink(link);
        SysFreeString(link);
        return result;
    }

    CComInitializer m_com;
    CLoadedControl m_library;
    CComPtr<ITNControl> m_control;
};

// A fresh folder under the temporary folder, removed with what is in it.
class CScratchFolder {
public:
    explicit CScratchFolder(const std::string& name)
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~CScratchFolder()
    {
        for (const char* file : {"Tarnix.exe", "commandline.txt", "commandline.tmp"})
            DeleteFileA((m_path + "\\" + file).c_str());
        RemoveDirectoryA(m_path.c_str());
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

bool ReadWhenThere(const std::string& path, std::string& text, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char buffer[4096];
            DWORD got = 0;
            const BOOL read = ReadFile(file, buffer, sizeof buffer, &got, nullptr);
            CloseHandle(file);
            text.assign(buffer, read ? got : 0);
            return read != FALSE;
        }
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}

} // namespace

TEST_F(HandOffTest, TheRunningProgramGetsTheLinkAndItsLength)
{
    CStandInReceiver program;
    ASSERT_TRUE(program.IsReady());
    program.Fill('#');
    EXPECT_EQ(S_OK, Hand(kLink));
    ASSERT_EQ(1u, program.Received().size());
    EXPECT_EQ(static_cast<LPARAM>(kLink.size()), program.Received()[0].length);
    EXPECT_EQ(Narrow(kLink), program.Received()[0].text);
    const std::string bytes = program.Bytes();
    EXPECT_EQ('\0', bytes[kLink.size()]);
    EXPECT_EQ('#', bytes[kLink.size() + 1]) << "nothing is written past the link's zero";

    // The longest link the section holds arrives whole, with its zero in the last byte.
    const std::wstring longest = L"http://x/" + std::wstring(2047 - 9, L'a');
    EXPECT_EQ(S_OK, Hand(longest));
    ASSERT_EQ(2u, program.Received().size());
    EXPECT_EQ(2047, program.Received()[1].length);
    EXPECT_EQ(Narrow(longest), program.Received()[1].text);

    // As a script engine passes a variable: a reference to a text, through Invoke.
    BSTR text = SysAllocString(kLink.c_str());
    VARIANT argument;
    V_VT(&argument) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&argument) = &text;
    DISPPARAMS parameters = {&argument, nullptr, 1, 0};
    EXPECT_EQ(S_OK, m_control->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr));
    SysFreeString(text);
    ASSERT_EQ(3u, program.Received().size());
    EXPECT_EQ(Narrow(kLink), program.Received()[2].text);
}

TEST_F(HandOffTest, TextsThatAreNoLinksReachNothing)
{
    CStandInReceiver program;
    ASSERT_TRUE(program.IsReady());
    program.Fill('#');
    const std::wstring refused[] = {
        L"http://x/" + std::wstring(2048 - 9, L'a'), // one more than the section holds
        L"C:\\links\\a.tnl",                         // the program would read it as a link file
        L"\\\\host\\share\\a.tnl",
        L"https://x/",
        L"http://x/\" /background", // would end the quoting on the program's command line
        L"http://x/\r\nmore",
        std::wstring(L"http://x/\0y", 11),
        L"http://x/\u0101", // no byte for it
        L"",
    };
    for (const std::wstring& text : refused)
        EXPECT_EQ(E_FAIL, Hand(text)) << Narrow(text).substr(0, 40);
    EXPECT_EQ(E_FAIL, m_control->DownloadFileLink(nullptr));
    EXPECT_TRUE(program.Received().empty());
    EXPECT_EQ(std::string(CStandInReceiver::kSectionSize, '#'), program.Bytes());
}

TEST_F(HandOffTest, WithNoProgramRunningItIsStartedFromItsInstallFolderWithTheLinkAsItsArgument)
{
    {
        CRegistryHandle key;
        if (key.Open(HKEY_CURRENT_USER, kTarnixKey, KEY_SET_VALUE) == ERROR_SUCCESS)
            key.DeleteValue("InstallDir");
    }
    EXPECT_EQ(E_FAIL, Hand(kLink)) << "no install folder";

    const CScratchFolder folder("tncontrol-install");
    ASSERT_TRUE(CopyFileA(WinePathOf(RECORDER_EXE).c_str(), (folder.Path() + "\\Tarnix.exe").c_str(), FALSE));
    {
        const windowtest::CRegistryValueScope installDir(HKEY_CURRENT_USER, kTarnixKey, "InstallDir",
                                                         folder.Path().c_str());
        ASSERT_TRUE(installDir.IsSet());
        EXPECT_EQ(S_OK, Hand(kLink));
        std::string commandLine;
        ASSERT_TRUE(ReadWhenThere(folder.Path() + "\\commandline.txt", commandLine, 20000));
        EXPECT_EQ("\"" + Narrow(kLink) + "\"", commandLine);
    }

    // An install folder that is no string, or too long to hold the program's path, starts nothing.
    {
        const windowtest::CRegistryValueScope number(HKEY_CURRENT_USER, kTarnixKey, "InstallDir", DWORD{1});
        EXPECT_EQ(E_FAIL, Hand(kLink));
    }
    const std::string deep = folder.Path() + "\\" + std::string(MAX_PATH - 12 - folder.Path().size(), 'd');
    {
        const windowtest::CRegistryValueScope tooLong(HKEY_CURRENT_USER, kTarnixKey, "InstallDir", deep.c_str());
        EXPECT_EQ(E_FAIL, Hand(kLink)) << "the path and its zero need one byte more than MAX_PATH";
    }
    {
        const std::string longer = deep + std::string(400, 'd');
        const windowtest::CRegistryValueScope tooLong(HKEY_CURRENT_USER, kTarnixKey, "InstallDir", longer.c_str());
        EXPECT_EQ(E_FAIL, Hand(kLink));
    }
}
