// The report's tables and text pieces, checked in process.
#include <gtest/gtest.h>

#include "infra/os/win32/CrashReportBuffer.h"
#include "infra/os/win32/CrashSystemInfo.h"

#include <windows.h>
#include <fstream>
#include <sstream>
#include <string>

using namespace STI_OS::crash;

namespace {

TEST(ExceptionDescription, NamesKnownCodesAndCallsOthersUnknown)
{
    EXPECT_STREQ(DescribeException(0xC0000005), "an Access Violation");
    EXPECT_STREQ(DescribeException(0x40010005), "a Control-C");
    EXPECT_STREQ(DescribeException(0xC000008C), "a Array Bounds Exceeded");
    EXPECT_STREQ(DescribeException(0xC00000FD), "a Stack Overflow");
    EXPECT_STREQ(DescribeException(0xE06D7363), "a Microsoft C++ Exception");
    EXPECT_STREQ(DescribeException(0), "an Unknown exception type");
    EXPECT_STREQ(DescribeException(0xC0000004), "an Unknown exception type");
}

TEST(OperatingSystemName, TellsWindows9xReleasesByBuild)
{
    const DWORD nine = VER_PLATFORM_WIN32_WINDOWS;
    EXPECT_STREQ(OperatingSystemName(nine, 4, 0, 950), "Windows 95");
    EXPECT_STREQ(OperatingSystemName(nine, 4, 0, 951), "Windows 95 SP1");
    EXPECT_STREQ(OperatingSystemName(nine, 4, 0, 1080), "Windows 95 SP1");
    EXPECT_STREQ(OperatingSystemName(nine, 4, 3, 1081), "Windows 95 OSR2");
    EXPECT_STREQ(OperatingSystemName(nine, 4, 10, 1998), "Windows 98");
    EXPECT_STREQ(OperatingSystemName(nine, 4, 10, 2182), "Windows 98 SP1");
    EXPECT_STREQ(OperatingSystemName(nine, 4, 10, 2183), "Windows 98 SE");
    EXPECT_STREQ(OperatingSystemName(nine, 4, 90, 3000), "Windows ME");
    // Windows 9x keeps major and minor in the high word of the build number.
    EXPECT_STREQ(OperatingSystemName(nine, 4, 10, 0x040A0000 | 2222), "Windows 98 SE");
    EXPECT_STREQ(OperatingSystemName(nine, 4, 10, 1000), "unknown Windows version");
    EXPECT_STREQ(OperatingSystemName(nine, 5, 0, 950), "unknown Windows version");
}

TEST(OperatingSystemName, TellsNtReleasesByVersionAndNothingNewer)
{
    const DWORD nt = VER_PLATFORM_WIN32_NT;
    EXPECT_STREQ(OperatingSystemName(nt, 3, 51, 1057), "Windows NT 3.51");
    EXPECT_STREQ(OperatingSystemName(nt, 4, 0, 1381), "Windows NT 4");
    EXPECT_STREQ(OperatingSystemName(nt, 5, 0, 2195), "Windows 2000");
    EXPECT_STREQ(OperatingSystemName(nt, 5, 1, 2600), "Windows XP");
    EXPECT_STREQ(OperatingSystemName(nt, 5, 2, 3790), "Windows 2003 Server");
    EXPECT_STREQ(OperatingSystemName(nt, 6, 1, 7601), "unknown Windows version");
    EXPECT_STREQ(OperatingSystemName(nt, 10, 0, 19045), "unknown Windows version");
    EXPECT_STREQ(OperatingSystemName(3, 5, 0, 0), "Windows CE");
    EXPECT_STREQ(OperatingSystemName(0, 3, 10, 0), "unknown Windows version");
}

TEST(ReportTime, IsMonthDayYearWithEvenSeconds)
{
    SYSTEMTIME time{};
    time.wYear = 2024;
    time.wMonth = 3;
    time.wDay = 7;
    time.wHour = 9;
    time.wMinute = 5;
    time.wSecond = 59;
    char text[64];
    FormatReportTime(time, text, sizeof text);
    EXPECT_STREQ(text, "3/7/2024 09:05:58");
    time.wSecond = 4;
    FormatReportTime(time, text, sizeof text);
    EXPECT_STREQ(text, "3/7/2024 09:05:04");
}

TEST(ReportMemory, RoundsUpToWholeMegabytesBeyondFourGigabytes)
{
    EXPECT_EQ(MegabytesRoundedUp(0), 0u);
    EXPECT_EQ(MegabytesRoundedUp(1), 1u);
    EXPECT_EQ(MegabytesRoundedUp(1024 * 1024), 1u);
    EXPECT_EQ(MegabytesRoundedUp(1024 * 1024 + 1), 2u);
    EXPECT_EQ(MegabytesRoundedUp(0xFFFFFFFFULL), 4096u);
    EXPECT_EQ(MegabytesRoundedUp(16ULL << 30), 16384u);
}

// A report buffer writing into a scratch file.
class ReportBufferFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[MAX_PATH + 1];
        ASSERT_NE(::GetTempPathA(MAX_PATH, folder), 0u);
        char name[MAX_PATH + 1];
        ASSERT_NE(::GetTempFileNameA(folder, "rpt", 0, name), 0u);
        m_path = name;
        m_file =
            ::CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(m_file, INVALID_HANDLE_VALUE);
        m_buffer.Attach(m_file);
    }
    void TearDown() override
    {
        ::CloseHandle(m_file);
        ::DeleteFileA(m_path.c_str());
    }
    std::string Written() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string m_path;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    CCrashReportBuffer m_buffer;
};

TEST_F(ReportBufferFile, WritesOnlyWhenMoreThanThePendingLimitIsHeld)
{
    const std::string block(1024, 'x');
    for (int i = 0; i < 7; ++i)
        m_buffer.Append("%s", block.c_str());
    EXPECT_EQ(Written().size(), 0u) << "exactly 7168 bytes stay pending";
    m_buffer.AppendChar('y');
    EXPECT_EQ(Written().size(), 7169u);
    m_buffer.Append("%d:%s|", 42, "tail");
    EXPECT_EQ(Written().size(), 7169u);
    m_buffer.Flush();
    EXPECT_EQ(Written(), std::string(7168, 'x') + "y42:tail|");
}

TEST_F(ReportBufferFile, KeepsOrderWhenAPieceDoesNotFitAndCutsAHugeOne)
{
    const std::string line(5000, 'a');
    m_buffer.Append("%s", line.c_str());                   // pending: 5000
    m_buffer.Append("%s", std::string(7000, 'b').c_str()); // would overflow the pending limit
    const std::string huge(CCrashReportBuffer::kCapacity * 2, 'c');
    m_buffer.Append("%s", huge.c_str());
    m_buffer.AppendText("end");
    m_buffer.Flush();
    const std::string written = Written();
    ASSERT_GE(written.size(), 12000u + 3u);
    EXPECT_EQ(written.substr(0, 5000), line);
    EXPECT_EQ(written.substr(5000, 7000), std::string(7000, 'b'));
    EXPECT_LT(written.size(), 12000u + huge.size());
    EXPECT_EQ(written.substr(written.size() - 4), "cend");
}

} // namespace
