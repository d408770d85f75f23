#include "infra/os/win32/CrashModuleList.h"

#include "infra/os/win32/CrashMemoryProbe.h"
#include "infra/os/win32/CrashRegisters.h"
#include "infra/os/win32/CrashReportBuffer.h"
#include "infra/os/win32/CrashSystemInfo.h"

#include <windows.h>
#include <winver.h>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace STI_OS {
namespace crash {

namespace {

// 4 GB for a 32-bit process; a 64-bit one has 128 TB, and its images lie above 4 GB.
constexpr std::uint64_t kAddressSpaceEnd = sizeof(void*) == 4 ? 0x100000000ULL : 0x800000000000ULL;
// The version resource is copied into a fixed buffer: the heap may be what broke.
constexpr DWORD kVersionBufferSize = 64 * 1024;
char g_version[kVersionBufferSize];

struct ImageHeaders {
    DWORD imageSize = 0;
    DWORD checksum = 0;
    DWORD timeStamp = 0;
};

// True when base holds an "MZ" header whose new header carries the "PE" signature.
bool ReadImageHeaders(const char* base, ImageHeaders& headers)
{
    IMAGE_DOS_HEADER dos;
    if (!ReadMemory(base, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    // Size, checksum and time stamp sit at the same offsets in 32- and 64-bit images.
    IMAGE_NT_HEADERS32 nt;
    if (dos.e_lfanew <= 0 || !ReadMemory(base + dos.e_lfanew, &nt, sizeof nt) || nt.Signature != IMAGE_NT_SIGNATURE)
        return false;
    headers.imageSize = nt.OptionalHeader.SizeOfImage;
    headers.checksum = nt.OptionalHeader.CheckSum;
    headers.timeStamp = nt.FileHeader.TimeDateStamp;
    return true;
}

void WriteFileFacts(CCrashReportBuffer& out, const char* path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    char timeText[64] = "";
    long long size = 0;
    if (::GetFileAttributesExA(path, GetFileExInfoStandard, &attributes)) {
        size = (static_cast<long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
        FILETIME local;
        SYSTEMTIME time;
        if (::FileTimeToLocalFileTime(&attributes.ftLastWriteTime, &local) && ::FileTimeToSystemTime(&local, &time))
            FormatReportTime(time, timeText, sizeof timeText);
    }
    out.Append("File Size:  %-10d  File Time:  %s\r\n", static_cast<int>(size), timeText);
}

const char* VersionText(const char* translation, const char* name)
{
    char query[128];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%s\\%s", translation, name);
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(g_version, query, &value, &length) || value == nullptr || length == 0)
        return "";
    return static_cast<const char*>(value);
}

void WriteVersionInfo(CCrashReportBuffer& out, const char* path)
{
    const char* company = "";
    const char* product = "";
    const char* description = "";
    VS_FIXEDFILEINFO fixed;
    std::memset(&fixed, 0, sizeof fixed);

    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    if (size > 0 && size <= kVersionBufferSize && ::GetFileVersionInfoA(path, 0, size, g_version)) {
        void* value = nullptr;
        UINT length = 0;
        if (::VerQueryValueA(g_version, "\\", &value, &length) && value != nullptr && length >= sizeof fixed)
            std::memcpy(&fixed, value, sizeof fixed);
        WORD* languages = nullptr;
        if (::VerQueryValueA(g_version, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&languages), &length) &&
            languages != nullptr && length >= 2 * sizeof(WORD)) {
            char translation[16];
            std::snprintf(translation, sizeof translation, "%04x%04x", languages[0], languages[1]);
            company = VersionText(translation, "CompanyName");
            product = VersionText(translation, "ProductName");
            description = VersionText(translation, "FileDescription");
        }
    }
    out.AppendText("Version Information:\r\n");
    out.Append("   Company:    %s\r\n", company);
    out.Append("   Product:    %s\r\n", product);
    out.Append("   FileDesc:   %s\r\n", description);
    out.Append("   FileVer:    %d.%d.%d.%d\r\n", HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
               HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
    out.Append("   ProdVer:    %d.%d.%d.%d\r\n", HIWORD(fixed.dwProductVersionMS), LOWORD(fixed.dwProductVersionMS),
               HIWORD(fixed.dwProductVersionLS), LOWORD(fixed.dwProductVersionLS));
}

void WriteModule(CCrashReportBuffer& out, int number, const char* base, const ImageHeaders& headers)
{
    char path[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameA(reinterpret_cast<HMODULE>(const_cast<char*>(base)), path, MAX_PATH);
    path[length < MAX_PATH ? length : MAX_PATH] = '\0';

    out.Append("Module %d\r\n", number);
    out.Append("%s\r\n", path);
    out.Append("Image Base: 0x" TARNIX_CRASH_HEX "  Image Size: 0x%08x\r\n",
               Word(reinterpret_cast<std::uintptr_t>(base)), static_cast<unsigned>(headers.imageSize));
    out.Append("Checksum:   0x%08x  Time Stamp: 0x%08x\r\n", static_cast<unsigned>(headers.checksum),
               static_cast<unsigned>(headers.timeStamp));
    WriteFileFacts(out, path);
    WriteVersionInfo(out, path);
}

} // namespace

void WriteModuleList(CCrashReportBuffer& out)
{
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    const std::uint64_t page = system.dwPageSize != 0 ? system.dwPageSize : 4096;

    int number = 0;
    std::uintptr_t lastBase = 0;
    std::uint64_t address = 0;
    while (address < kAddressSpaceEnd) {
        MEMORY_BASIC_INFORMATION region;
        const void* where = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address));
        if (::VirtualQuery(where, &region, sizeof region) != sizeof region) {
            // Nothing above the highest application address ever answers.
            if (address >= reinterpret_cast<std::uintptr_t>(system.lpMaximumApplicationAddress))
                break;
            address += page;
            continue;
        }
        const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
        ImageHeaders headers;
        if (region.State == MEM_COMMIT && base > lastBase &&
            ReadImageHeaders(reinterpret_cast<const char*>(base), headers)) {
            lastBase = base;
            WriteModule(out, ++number, reinterpret_cast<const char*>(base), headers);
        }
        const std::uint64_t next =
            reinterpret_cast<std::uintptr_t>(region.BaseAddress) + std::uint64_t(region.RegionSize);
        address = next > address ? next : address + page;
    }
}

} // namespace crash
} // namespace STI_OS
