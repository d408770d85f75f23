#pragma once
// The registers and address width of the CPU this build runs on. The report keeps its labels
// (EIP, ESP, ...) on 64-bit Windows as well, where they hold RIP, RSP, ...; addresses and
// pointer-sized registers are written with 8 hexadecimal digits on 32-bit Windows and with 16
// on 64-bit Windows, so no address is ever cut. Segment registers and flags stay 32-bit.
#include <windows.h>
#include <cstdint>

#if defined(_WIN64)
#define TARNIX_CRASH_HEX "%016llx"
#define TARNIX_CRASH_HEX_UPPER "%016llX"
#else
#define TARNIX_CRASH_HEX "%08x"
#define TARNIX_CRASH_HEX_UPPER "%08X"
#endif

namespace STI_OS {
namespace crash {

#if defined(_WIN64)
using ReportWord = unsigned long long;
constexpr DWORD kStackWalkMachine = IMAGE_FILE_MACHINE_AMD64;
#else
using ReportWord = unsigned;
constexpr DWORD kStackWalkMachine = IMAGE_FILE_MACHINE_I386;
#endif

// A pointer-sized value as the report's TARNIX_CRASH_HEX formats take it.
inline ReportWord Word(std::uint64_t value)
{
    return static_cast<ReportWord>(value);
}

// The registers of a context under the report's names.
struct ReportRegisters {
    std::uint64_t di, si, ax, bx, cx, dx;
    std::uint64_t ip, bp, sp;
    unsigned flags, cs, ss;
};

inline ReportRegisters ReadRegisters(const CONTEXT& c)
{
#if defined(_WIN64)
    return {c.Rdi,   c.Rsi,  c.Rax, c.Rbx, c.Rcx, c.Rdx, c.Rip, c.Rbp, c.Rsp, static_cast<unsigned>(c.EFlags),
            c.SegCs, c.SegSs};
#else
    return {c.Edi,
            c.Esi,
            c.Eax,
            c.Ebx,
            c.Ecx,
            c.Edx,
            c.Eip,
            c.Ebp,
            c.Esp,
            static_cast<unsigned>(c.EFlags),
            static_cast<unsigned>(c.SegCs),
            static_cast<unsigned>(c.SegSs)};
#endif
}

inline std::uintptr_t InstructionPointer(const CONTEXT& c)
{
    return static_cast<std::uintptr_t>(ReadRegisters(c).ip);
}

} // namespace crash
} // namespace STI_OS
