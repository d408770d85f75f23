#pragma once
#include <windows.h>
#include <dbghelp.h>
#include "infra/os/win32/CrashRegisters.h"
#include <cstdint>
#include <cstring>
#include <vector>

namespace STI_OS {
namespace crash {

class CCrashReportBuffer;

// Walks the stack of the faulting thread with the debugging-help library and renders one text
// line per frame. Needs every debugging-help entry point and an initialised symbol handler.
// Keeps the walk state between calls; one walk at a time.
class CStackTraceWalker {
public:
    static constexpr std::size_t kLineSize = 2048;

    CStackTraceWalker() = default;
    CStackTraceWalker(const CStackTraceWalker&) = delete;
    CStackTraceWalker& operator=(const CStackTraceWalker&) = delete;

    // Starts at the context of the exception; returns the innermost frame's line, or null when
    // the record cannot be read or the walk ends at once.
    const char* First(const EXCEPTION_POINTERS* exception);
    // The next frame's line; null when the walk ends.
    const char* Next();

private:
    void FormatLine();

    CONTEXT m_context;
    STACKFRAME64 m_frame;
    char m_line[kLineSize];
};

// Fills the registers a stack walk needs (instruction, stack and frame pointers and the saved
// integer registers) with their values at this point of the calling function. On 32-bit Windows
// written out here, because RtlCaptureContext there reads through EBP, which optimised code does
// not keep as a frame pointer; on 64-bit Windows RtlCaptureContext takes every register itself
// and the walk unwinds by the image's unwind tables.
__attribute__((always_inline)) inline void CaptureRegisters(CONTEXT& context)
{
    std::memset(&context, 0, sizeof context);
#if defined(_WIN64)
    ::RtlCaptureContext(&context);
#else
    context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
    asm volatile("call 1f\n"
                 "1:\tpopl %0\n\t"
                 "movl %%esp, %1\n\t"
                 "movl %%ebp, %2\n\t"
                 "movl %%ebx, %3\n\t"
                 "movl %%esi, %4\n\t"
                 "movl %%edi, %5"
                 : "=m"(context.Eip), "=m"(context.Esp), "=m"(context.Ebp), "=m"(context.Ebx), "=m"(context.Esi),
                   "=m"(context.Edi));
    unsigned short cs = 0;
    unsigned short ss = 0;
    asm volatile("movw %%cs, %0\n\tmovw %%ss, %1" : "=r"(cs), "=r"(ss));
    context.SegCs = cs;
    context.SegSs = ss;
#endif
}

// Writes the stack from esp up to stackTop (at most 3072 32-bit words) as hexadecimal words and
// characters; stops with a note when a word cannot be read.
void WriteRawStackDump(CCrashReportBuffer& out, std::uintptr_t esp, std::uintptr_t stackTop);

// See STI_OS::CaptureStack.
void CaptureStackFrames(std::vector<std::uintptr_t>& returnAddresses, unsigned skipFrames);

} // namespace crash
} // namespace STI_OS
