#include "infra/os/win32/CrashSystemInfo.h"

#include "infra/os/win32/CrashReportBuffer.h"

#include <cstdio>
#include <cstring>

namespace STI_OS {
namespace crash {

namespace {

struct ExceptionName {
    DWORD code;
    const char* text;
};

const ExceptionName kExceptionNames[] = {
    {0x40010005, "a Control-C"},
    {0x40010008, "a Control-Break"},
    {0x80000002, "a Datatype Misalignment"},
    {0x80000003, "a Breakpoint"},
    {0xC0000005, "an Access Violation"},
    {0xC0000006, "an In Page Error"},
    {0xC0000017, "a No Memory"},
    {0xC000001D, "an Illegal Instruction"},
    {0xC0000025, "a Noncontinuable Exception"},
    {0xC0000026, "an Invalid Disposition"},
    {0xC000008C, "a Array Bounds Exceeded"},
    {0xC000008D, "a Float Denormal Operand"},
    {0xC000008E, "a Float Divide by Zero"},
    {0xC000008F, "a Float Inexact Result"},
    {0xC0000090, "a Float Invalid Operation"},
    {0xC0000091, "a Float Overflow"},
    {0xC0000092, "a Float Stack Check"},
    {0xC0000093, "a Float Underflow"},
    {0xC0000094, "an Integer Divide by Zero"},
    {0xC0000095, "an Integer Overflow"},
    {0xC0000096, "a Privileged Instruction"},
    {0xC00000FD, "a Stack Overflow"},
    {0xC0000142, "a DLL Initialization Failed"},
    {0xE06D7363, "a Microsoft C++ Exception"},
};

const char kUnknownVersion[] = "unknown Windows version";

const char* Windows9xName(DWORD minor, DWORD build)
{
    if (minor < 10) {
        if (build == 950)
            return "Windows 95";
        if (build > 950 && build <= 1080)
            return "Windows 95 SP1";
        if (build > 1080)
            return "Windows 95 OSR2";
    } else if (minor == 10) {
        if (build == 1998)
            return "Windows 98";
        if (build > 1998 && build < 2183)
            return "Windows 98 SP1";
        if (build >= 2183)
            return "Windows 98 SE";
    } else if (minor == 90) {
        return "Windows ME";
    }
    return kUnknownVersion;
}

const char* WindowsNtName(DWORD major, DWORD minor)
{
    if (major == 3 && minor == 51)
        return "Windows NT 3.51";
    if (major == 4 && minor == 0)
        return "Windows NT 4";
    if (major == 5 && minor == 0)
        return "Windows 2000";
    if (major == 5 && minor == 1)
        return "Windows XP";
    if (major == 5 && minor == 2)
        return "Windows 2003 Server";
    return kUnknownVersion;
}

void WriteOperatingSystem(CCrashReportBuffer& out)
{
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExA(&version))
        std::memset(&version, 0, sizeof version);
    const DWORD build = version.dwBuildNumber & 0xFFFF;
    out.Append("Operating system:  %s (%u.%u.%u).\r\n",
               OperatingSystemName(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion, build),
               static_cast<unsigned>(version.dwMajorVersion), static_cast<unsigned>(version.dwMinorVersion),
               static_cast<unsigned>(build));
}

void WriteMemory(CCrashReportBuffer& out)
{
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    out.Append("%d processor(s), type %d.\r\n", static_cast<int>(system.dwNumberOfProcessors),
               static_cast<int>(system.dwProcessorType));

    // The extended form: the old one wraps at 4 GB and its sizes overflow when rounded up.
    MEMORYSTATUSEX memory;
    std::memset(&memory, 0, sizeof memory);
    memory.dwLength = sizeof memory;
    ::GlobalMemoryStatusEx(&memory);
    out.Append("%d%% memory in use.\r\n", static_cast<int>(memory.dwMemoryLoad));
    out.Append("%d MBytes physical memory.\r\n", MegabytesRoundedUp(memory.ullTotalPhys));
    out.Append("%d MBytes physical memory free.\r\n", MegabytesRoundedUp(memory.ullAvailPhys));
    out.Append("%d MBytes paging file.\r\n", MegabytesRoundedUp(memory.ullTotalPageFile));
    out.Append("%d MBytes paging file free.\r\n", MegabytesRoundedUp(memory.ullAvailPageFile));
    out.Append("%d MBytes user address space.\r\n", MegabytesRoundedUp(memory.ullTotalVirtual));
    out.Append("%d MBytes user address space free.\r\n", MegabytesRoundedUp(memory.ullAvailVirtual));
}

} // namespace

const char* DescribeException(DWORD code)
{
    for (const ExceptionName& entry : kExceptionNames) {
        if (entry.code == code)
            return entry.text;
    }
    return "an Unknown exception type";
}

const char* OperatingSystemName(DWORD platform, DWORD major, DWORD minor, DWORD build)
{
    build &= 0xFFFF;
    switch (platform) {
    case VER_PLATFORM_WIN32_WINDOWS:
        return major == 4 ? Windows9xName(minor, build) : kUnknownVersion;
    case VER_PLATFORM_WIN32_NT:
        return WindowsNtName(major, minor);
    case 3: // VER_PLATFORM_WIN32_CE
        return "Windows CE";
    default:
        return kUnknownVersion;
    }
}

void FormatReportTime(const SYSTEMTIME& time, char* text, std::size_t size)
{
    std::snprintf(text, size, "%d/%d/%d %02d:%02d:%02d", time.wMonth, time.wDay, time.wYear, time.wHour, time.wMinute,
                  time.wSecond & ~1);
}

unsigned MegabytesRoundedUp(unsigned long long bytes)
{
    const unsigned long long megabyte = 1024ULL * 1024ULL;
    return static_cast<unsigned>((bytes + megabyte - 1) / megabyte);
}

void WriteSystemInfo(CCrashReportBuffer& out, const char* programPath)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char timeText[64];
    FormatReportTime(now, timeText, sizeof timeText);
    out.Append("Error occurred at %s.\r\n", timeText);

    char user[256 + 1];
    DWORD userSize = sizeof user;
    if (!::GetUserNameA(user, &userSize))
        std::strcpy(user, "Unknown");
    out.Append("%s, run by %s.\r\n", programPath, user);

    WriteOperatingSystem(out);
    WriteMemory(out);
}

} // namespace crash
} // namespace STI_OS
