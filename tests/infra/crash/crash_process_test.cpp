// Crashes a child program for real and reads what the crash reporter left beside it.
#include <gtest/gtest.h>

#include <windows.h>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

// How long a crashing child, or the helper it starts, may take.
constexpr DWORD kProcessLimitMs = 240000;

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string OwnFolder()
{
    char path[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

int Count(const std::string& text, const std::string& piece)
{
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

// A scratch folder (with a blank in its name, so unquoted paths break) holding the child and,
// unless told otherwise, the stand-in helper.
class CrashedChild : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH + 1];
        ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
        static int serial = 0;
        m_folder = std::string(temp) + "crash report " + std::to_string(::GetCurrentProcessId()) + "-" +
                   std::to_string(++serial) + "\\";
        ASSERT_TRUE(::CreateDirectoryA(m_folder.c_str(), nullptr)) << m_folder;
        ASSERT_TRUE(
            ::CopyFileA((OwnFolder() + "crash_child.exe").c_str(), (m_folder + "crash_child.exe").c_str(), FALSE));
    }

    void TearDown() override
    {
        if (m_helperAdded)
            WaitForHelpers();
        for (int attempt = 0; attempt < 20; ++attempt) {
            WIN32_FIND_DATAA found;
            HANDLE search = ::FindFirstFileA((m_folder + "*").c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    ::DeleteFileA((m_folder + found.cFileName).c_str());
                } while (::FindNextFileA(search, &found));
                ::FindClose(search);
            }
            if (::RemoveDirectoryA(m_folder.c_str()))
                return;
            ::Sleep(100);
        }
    }

    void AddHelper()
    {
        ASSERT_TRUE(::CopyFileA((OwnFolder() + "CHelper.exe").c_str(), (m_folder + "CHelper.exe").c_str(), FALSE));
        m_helperAdded = true;
    }

    // The helper outlives the child; its file names its process, which must end before the
    // folder can go.
    void WaitForHelpers()
    {
        HelperRuns(1);
        WIN32_FIND_DATAA found;
        HANDLE search = ::FindFirstFileA((m_folder + "helper-*.txt").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do {
            const DWORD pid = std::strtoul(found.cFileName + 7, nullptr, 10);
            HANDLE helper = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
            if (helper == nullptr)
                continue;
            if (::WaitForSingleObject(helper, 10000) != WAIT_OBJECT_0) {
                ::TerminateProcess(helper, 1);
                ::WaitForSingleObject(helper, 5000);
            }
            ::CloseHandle(helper);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }

    // Runs the child in its folder and returns its exit code.
    DWORD Crash(const std::string& mode)
    {
        std::string commandLine = "\"" + m_folder + "crash_child.exe\" " + mode;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(), &startup,
                              &process)) {
            ADD_FAILURE() << "cannot start the child: " << ::GetLastError();
            return 0;
        }
        // The report with its minidump took 2 to 3 s on a quiet machine and 14 s beside the
        // parallel tests under the 64-bit Wine, whose debug help reads Wine's own modules: a
        // loaded machine may need far longer.
        const DWORD waited = ::WaitForSingleObject(process.hProcess, kProcessLimitMs);
        EXPECT_EQ(waited, WAIT_OBJECT_0) << "the child did not end";
        if (waited != WAIT_OBJECT_0)
            ::TerminateProcess(process.hProcess, 1);
        DWORD exitCode = 0;
        ::GetExitCodeProcess(process.hProcess, &exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return exitCode;
    }

    // The command lines the helper was started with, once it has had time to write them.
    std::vector<std::string> HelperRuns(std::size_t expected)
    {
        std::vector<std::string> runs;
        for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < kProcessLimitMs;) {
            runs.clear();
            WIN32_FIND_DATAA found;
            HANDLE search = ::FindFirstFileA((m_folder + "helper-*.txt").c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    runs.push_back(ReadWholeFile(m_folder + found.cFileName));
                } while (::FindNextFileA(search, &found));
                ::FindClose(search);
            }
            if (runs.size() >= expected)
                break;
            ::Sleep(100);
        }
        return runs;
    }

    std::string Report() const { return ReadWholeFile(m_folder + "ERROR.LOG"); }
    std::string Path(const char* name) const { return m_folder + name; }

    std::string m_folder;
    bool m_helperAdded = false;
};

// Addresses and pointer-sized registers have 8 hexadecimal digits on 32-bit Windows, 16 on 64-bit.
#if defined(_WIN64)
#define ADDR "[0-9a-f]{16}"
#define ADDR_UPPER "[0-9A-F]{16}"
#define NULL_ADDR "0000000000000000"
#else
#define ADDR "[0-9a-f]{8}"
#define ADDR_UPPER "[0-9A-F]{8}"
#define NULL_ADDR "00000000"
#endif

const char kEndMarker[] = "\r\n===== [end of ERROR.LOG] =====\r\n";

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(CrashedChild, NullPointerWriteGivesTheFullReportDumpAndHelper)
{
    AddHelper();
    EXPECT_EQ(Crash("write-null"), 0xC0000005u);

    const std::string report = Report();
    ASSERT_FALSE(report.empty());
    EXPECT_TRUE(std::regex_search(
        report, std::regex("^crash_child caused an Access Violation \\(0xc0000005\\) \r\n"
                           "in module crash_child.exe at 00[0-9a-f]{2}:" ADDR "\\.\r\n\r\n"
                           "Exception handler called\\.\r\n"
                           "Error occurred at [0-9]{1,2}/[0-9]{1,2}/[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\\.\r\n")))
        << report.substr(0, 400);
    EXPECT_NE(report.find(Path("crash_child.exe") + ", run by "), std::string::npos);
    EXPECT_TRUE(
        std::regex_search(report, std::regex("\r\nOperating system:  [^\r\n]+ \\([0-9]+\\.[0-9]+\\.[0-9]+\\)\\.\r\n"
                                             "[0-9]+ processor\\(s\\), type [0-9]+\\.\r\n"
                                             "[0-9]+% memory in use\\.\r\n"
                                             "[0-9]+ MBytes physical memory\\.\r\n")));
    EXPECT_TRUE(std::regex_search(report, std::regex("\r\n[0-9]+ MBytes paging file free\\.\r\n"
                                                     "[0-9]+ MBytes user address space\\.\r\n"
                                                     "[0-9]+ MBytes user address space free\\.\r\n")));
    EXPECT_NE(report.find("Write to location " NULL_ADDR " caused an access violation.\r\n"), std::string::npos);
    EXPECT_TRUE(std::regex_search(
        report, std::regex("\r\nContext:\r\n"
                           "EDI:    0x" ADDR "  ESI: 0x" ADDR "  EAX:   0x" ADDR "\r\n"
                           "EBX:    0x" ADDR "  ECX: 0x" ADDR "  EDX:   0x" ADDR "\r\n"
                           "EIP:    0x" ADDR "  EBP: 0x" ADDR "  SegCs: 0x[0-9a-f]{8}\r\n"
                           "EFlags: 0x[0-9a-f]{8}  ESP: 0x" ADDR "  SegSs: 0x[0-9a-f]{8}\r\n"
                           "\r\nBytes at CS:EIP:\r\n([0-9a-f]{2} ){16}\n\nStack:\n0: 00[0-9A-F]{2}:" ADDR_UPPER " "
                           "\\(0x" ADDR_UPPER " 0x" ADDR_UPPER " 0x" ADDR_UPPER " 0x" ADDR_UPPER "\\)")));
    EXPECT_TRUE(std::regex_search(
        report, std::regex("\nModule 1\r\n[^\r\n]*\r\n"
                           "Image Base: 0x" ADDR "  Image Size: 0x[0-9a-f]{8}\r\n"
                           "Checksum:   0x[0-9a-f]{8}  Time Stamp: 0x[0-9a-f]{8}\r\n"
                           "File Size:  [0-9 ]{10}  File Time:  [^\r\n]*\r\n"
                           "Version Information:\r\n"
                           "   Company:    [^\r\n]*\r\n   Product:    [^\r\n]*\r\n   FileDesc:   [^\r\n]*\r\n"
                           "   FileVer:    [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\r\n"
                           "   ProdVer:    [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+\r\n")));
    // The program itself and the system libraries it runs on are listed.
    EXPECT_NE(report.find("\r\n" + Path("crash_child.exe") + "\r\nImage Base: "), std::string::npos);
    EXPECT_NE(report.find("kernel32.dll\r\nImage Base: "), std::string::npos);
    EXPECT_TRUE(EndsWith(report, kEndMarker));
    EXPECT_EQ(Count(report, "===== [end of"), 1);

    EXPECT_EQ(ReadWholeFile(Path("ERROR.DMP")).substr(0, 4), "MDMP");

    const std::vector<std::string> runs = HelperRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], "\"" + Path("CHelper.exe") + "\" \"crash_child.exe\"");
}

TEST_F(CrashedChild, UnknownExceptionCodeIsNamedUnknown)
{
    AddHelper();
    EXPECT_EQ(Crash("unknown-code"), 0xE0424242u);
    const std::string report = Report();
    EXPECT_EQ(report.rfind("crash_child caused an Unknown exception type (0xe0424242) \r\n", 0), 0u)
        << report.substr(0, 200);
    EXPECT_EQ(report.find("caused an access violation."), std::string::npos);
    EXPECT_TRUE(EndsWith(report, kEndMarker));
}

TEST_F(CrashedChild, UncaughtCxxExceptionIsReported)
{
    AddHelper();
    EXPECT_EQ(Crash("cxx-throw"), 0xE06D7363u);
    const std::string report = Report();
    EXPECT_TRUE(
        std::regex_search(report, std::regex("^crash_child caused a Microsoft C\\+\\+ Exception \\(0xe06d7363\\) \r\n"
                                             "in module [^ ]+ at 00[0-9a-f]{2}:" ADDR "\\.\r\n")))
        << report.substr(0, 200);
    EXPECT_TRUE(std::regex_search(report, std::regex("\n\nStack:\n0: 00[0-9A-F]{2}:" ADDR_UPPER " ")));
    EXPECT_TRUE(EndsWith(report, kEndMarker));
    EXPECT_EQ(ReadWholeFile(Path("ERROR.DMP")).substr(0, 4), "MDMP");
    EXPECT_EQ(HelperRuns(1).size(), 1u);
}

TEST_F(CrashedChild, WithoutDebugHelpTheStackIsDumpedRawAndNoMinidumpWritten)
{
    AddHelper();
    EXPECT_EQ(Crash("no-dbghelp"), 0xC0000005u);
    const std::string report = Report();
    EXPECT_NE(report.find("Write to location " NULL_ADDR " caused an access violation.\r\n"), std::string::npos);
    EXPECT_TRUE(
        std::regex_search(report, std::regex("\r\n\r\nStack:\r\n(0x" ADDR ": ([0-9a-f]{8} ){4}[^\r\n]{16}\r\n)+")));
    EXPECT_EQ(report.find("\n\nStack:\n0:"), std::string::npos);
    EXPECT_EQ(report.find("Exception encountered during stack dump."), std::string::npos);
    EXPECT_NE(report.find("\r\nModule 1\r\n"), std::string::npos);
    EXPECT_TRUE(EndsWith(report, kEndMarker));
    EXPECT_FALSE(FileExists(Path("ERROR.DMP")));
    EXPECT_EQ(HelperRuns(1).size(), 1u);
}

TEST_F(CrashedChild, SecondFaultAfterTheReportWritesNothing)
{
    AddHelper();
    Crash("twice");
    const std::string first = ReadWholeFile(Path("FIRST.LOG"));
    EXPECT_EQ(first.rfind("crash_child caused an Access Violation", 0), 0u);
    EXPECT_TRUE(EndsWith(first, kEndMarker));
    EXPECT_FALSE(FileExists(Path("ERROR.LOG")));
    ::Sleep(300); // a second helper, if any, would have had time to appear
    EXPECT_EQ(HelperRuns(1).size(), 1u);
}

TEST_F(CrashedChild, FaultsOnTwoThreadsGiveOneCompleteReport)
{
    AddHelper();
    EXPECT_EQ(Crash("two-threads"), 0xC0000005u);
    const std::string report = Report();
    EXPECT_EQ(Count(report, "caused an Access Violation"), 1);
    EXPECT_TRUE(EndsWith(report, kEndMarker)) << report.substr(report.size() > 200 ? report.size() - 200 : 0);
    EXPECT_EQ(ReadWholeFile(Path("ERROR.DMP")).substr(0, 4), "MDMP");
    ::Sleep(300);
    EXPECT_EQ(HelperRuns(1).size(), 1u);
}

TEST_F(CrashedChild, MissingHelperLeavesTheReportAndDefaultHandling)
{
    EXPECT_EQ(Crash("write-null"), 0xC0000005u);
    EXPECT_TRUE(EndsWith(Report(), kEndMarker));
    EXPECT_EQ(ReadWholeFile(Path("ERROR.DMP")).substr(0, 4), "MDMP");
}

} // namespace
