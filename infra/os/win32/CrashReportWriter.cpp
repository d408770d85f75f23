#include "infra/os/win32/CrashReportWriter.h"

#include "infra/os/win32/CrashDebugHelp.h"
#include "infra/os/win32/CrashMemoryProbe.h"
#include "infra/os/win32/CrashModuleList.h"
#include "infra/os/win32/CrashRegisters.h"
#include "infra/os/win32/CrashReportBuffer.h"
#include "infra/os/win32/CrashStackWalk.h"
#include "infra/os/win32/CrashSystemInfo.h"

#include <cstdint>
#include <cstring>

namespace STI_OS {
namespace crash {

namespace {

constexpr char kReportName[] = "ERROR.LOG";
constexpr int kBytesAtEip = 16;

CStackTraceWalker g_walker;

const char* FileNamePart(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

void CopyText(char* to, std::size_t size, const char* from)
{
    std::size_t length = std::strlen(from);
    if (length >= size)
        length = size - 1;
    std::memcpy(to, from, length);
    to[length] = '\0';
}

// The file name of the module whose image holds address, or "Unknown".
void FaultingModuleName(const void* address, char* name, std::size_t size)
{
    CopyText(name, size, "Unknown");
    MEMORY_BASIC_INFORMATION region;
    if (::VirtualQuery(address, &region, sizeof region) != sizeof region || region.AllocationBase == nullptr)
        return;
    char path[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameA(static_cast<HMODULE>(region.AllocationBase), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    path[length] = '\0';
    CopyText(name, size, FileNamePart(path));
}

void WriteHeadline(CCrashReportBuffer& out, const EXCEPTION_RECORD& record, const CONTEXT& context,
                   const ProgramPaths& program)
{
    char module[MAX_PATH + 1];
    FaultingModuleName(record.ExceptionAddress, module, sizeof module);
    out.Append("%s caused %s (0x%08x) \r\nin module %s at %04x:" TARNIX_CRASH_HEX ".\r\n\r\n", program.baseName,
               DescribeException(record.ExceptionCode), static_cast<unsigned>(record.ExceptionCode), module,
               static_cast<unsigned>(context.SegCs & 0xFFFF), Word(InstructionPointer(context)));
}

void WriteAccessViolation(CCrashReportBuffer& out, const EXCEPTION_RECORD& record)
{
    if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2)
        return;
    out.Append("%s location " TARNIX_CRASH_HEX " caused an access violation.\r\n",
               record.ExceptionInformation[0] == 1 ? "Write to" : "Read from", Word(record.ExceptionInformation[1]));
}

void WriteRegisters(CCrashReportBuffer& out, const CONTEXT& context)
{
    const ReportRegisters r = ReadRegisters(context);
    out.AppendText("\r\n");
    out.AppendText("Context:\r\n");
    out.Append("EDI:    0x" TARNIX_CRASH_HEX "  ESI: 0x" TARNIX_CRASH_HEX "  EAX:   0x" TARNIX_CRASH_HEX "\r\n",
               Word(r.di), Word(r.si), Word(r.ax));
    out.Append("EBX:    0x" TARNIX_CRASH_HEX "  ECX: 0x" TARNIX_CRASH_HEX "  EDX:   0x" TARNIX_CRASH_HEX "\r\n",
               Word(r.bx), Word(r.cx), Word(r.dx));
    out.Append("EIP:    0x" TARNIX_CRASH_HEX "  EBP: 0x" TARNIX_CRASH_HEX "  SegCs: 0x%08x\r\n", Word(r.ip), Word(r.bp),
               r.cs);
    out.Append("EFlags: 0x%08x  ESP: 0x" TARNIX_CRASH_HEX "  SegSs: 0x%08x\r\n", r.flags, Word(r.sp), r.ss);
}

void WriteBytesAtEip(CCrashReportBuffer& out, const CONTEXT& context)
{
    out.AppendText("\r\nBytes at CS:EIP:\r\n");
    const unsigned char* code = reinterpret_cast<const unsigned char*>(InstructionPointer(context));
    for (int i = 0; i < kBytesAtEip; ++i) {
        unsigned char byte = 0;
        if (ReadMemory(code + i, &byte, 1))
            out.Append("%02x ", byte);
        else
            out.AppendText("?? ");
    }
}

// The faulting thread is the one running the filter, so its stack ends at our own stack base.
// GCC 12 takes the segment-relative read inside NtCurrentTeb for an access through address 0.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
std::uintptr_t CurrentStackTop()
{
    const NT_TIB* tib = reinterpret_cast<const NT_TIB*>(::NtCurrentTeb());
    return reinterpret_cast<std::uintptr_t>(tib->StackBase);
}
#pragma GCC diagnostic pop

void WriteStack(CCrashReportBuffer& out, const EXCEPTION_POINTERS& exception, const CONTEXT& context)
{
    if (!GetDebugHelp().IsComplete()) {
        WriteRawStackDump(out, static_cast<std::uintptr_t>(ReadRegisters(context).sp), CurrentStackTop());
        return;
    }
    EnsureSymbolHandler();
    out.AppendText("\n\nStack:\n");
    int number = 0;
    for (const char* line = g_walker.First(&exception); line != nullptr; line = g_walker.Next())
        out.Append("%d: %s\n", number++, line);
    ReleaseSymbolHandler();
}

} // namespace

void ReadProgramPaths(ProgramPaths& paths)
{
    std::memset(&paths, 0, sizeof paths);
    const DWORD length = ::GetModuleFileNameA(nullptr, paths.fullPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        CopyText(paths.fullPath, sizeof paths.fullPath, "Unknown");
    else
        paths.fullPath[length] = '\0';

    const char* name = FileNamePart(paths.fullPath);
    const std::size_t folderLength = static_cast<std::size_t>(name - paths.fullPath);
    std::memcpy(paths.folder, paths.fullPath, folderLength);
    paths.folder[folderLength] = '\0';
    CopyText(paths.fileName, sizeof paths.fileName, name);
    CopyText(paths.baseName, sizeof paths.baseName, name);
    if (char* dot = std::strrchr(paths.baseName, '.'))
        *dot = '\0';
}

void WriteCrashReport(CCrashReportBuffer& out, const EXCEPTION_POINTERS& exception, const ProgramPaths& program)
{
    const EXCEPTION_RECORD& record = *exception.ExceptionRecord;
    const CONTEXT& context = *exception.ContextRecord;

    WriteHeadline(out, record, context, program);
    out.AppendText("Exception handler called.\r\n");
    WriteSystemInfo(out, program.fullPath);
    WriteAccessViolation(out, record);
    WriteRegisters(out, context);
    WriteBytesAtEip(out, context);
    WriteStack(out, exception, context);
    WriteModuleList(out);
    out.Append("\r\n===== [end of %s] =====\r\n", kReportName);
    out.Flush();
}

} // namespace crash
} // namespace STI_OS
