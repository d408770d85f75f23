#include "infra/os/win32/CrashStackWalk.h"

#include "infra/os/win32/CrashDebugHelp.h"
#include "infra/os/win32/CrashMemoryProbe.h"
#include "infra/os/win32/CrashReportBuffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace STI_OS {
namespace crash {

namespace {

constexpr std::size_t kMaxRawStackWords = 3072;
constexpr unsigned kMaxCapturedFrames = 20;
constexpr unsigned kCaptureOwnFrames = 2;
constexpr std::size_t kMaxSymbolName = 1024;

// Appends to a fixed line, cutting what does not fit into the room left.
class CLineText {
public:
    CLineText(char* text, std::size_t size) : m_text(text), m_size(size) { m_text[0] = '\0'; }

    void Append(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        const std::size_t used = std::strlen(m_text);
        if (used + 1 >= m_size)
            return;
        va_list args;
        va_start(args, format);
        std::vsnprintf(m_text + used, m_size - used, format, args);
        va_end(args);
    }

private:
    char* m_text;
    std::size_t m_size;
};

// Symbol record with room for its name; static because the walk runs on a dying thread.
union SymbolStorage {
    SYMBOL_INFO info;
    char bytes[sizeof(SYMBOL_INFO) + kMaxSymbolName];
};
SymbolStorage g_symbol;

void StartFrame(STACKFRAME64& frame, const CONTEXT& context)
{
    std::memset(&frame, 0, sizeof frame);
    const ReportRegisters registers = ReadRegisters(context);
    frame.AddrPC.Offset = registers.ip;
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrStack.Offset = registers.sp;
    frame.AddrStack.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = registers.bp;
    frame.AddrFrame.Mode = AddrModeFlat;
}

// One step of the walk; false (with the debug output the Windows tools show) when it ends.
bool StepFrame(STACKFRAME64& frame, CONTEXT& context)
{
    const DebugHelp& help = GetDebugHelp();
    const HANDLE process = ReporterProcess();
    if (!help.stackWalk64(kStackWalkMachine, process, ::GetCurrentThread(), &frame, &context, nullptr,
                          help.symFunctionTableAccess64, help.symGetModuleBase64, nullptr) ||
        frame.AddrPC.Offset == 0) {
        ::OutputDebugStringA("StackWalk64 failed!");
        return false;
    }
    if (help.symGetModuleBase64(process, frame.AddrPC.Offset) == 0) {
        ::OutputDebugStringA("SymGetModuleBase64 failed!");
        return false;
    }
    return true;
}

char Printable(unsigned char byte)
{
    return byte < 32 || byte == 127 ? '.' : static_cast<char>(byte);
}

} // namespace

const char* CStackTraceWalker::First(const EXCEPTION_POINTERS* exception)
{
    EXCEPTION_POINTERS pointers;
    if (exception == nullptr || !ReadMemory(exception, &pointers, sizeof pointers) ||
        pointers.ContextRecord == nullptr || !ReadMemory(pointers.ContextRecord, &m_context, sizeof m_context)) {
        ::OutputDebugStringA("GetFirstStackTraceString - invalid pExPtrs!\n");
        return nullptr;
    }
    StartFrame(m_frame, m_context);
    return Next();
}

const char* CStackTraceWalker::Next()
{
    if (!StepFrame(m_frame, m_context))
        return nullptr;
    FormatLine();
    return m_line;
}

void CStackTraceWalker::FormatLine()
{
    const DebugHelp& help = GetDebugHelp();
    const HANDLE process = ReporterProcess();
    const DWORD64 pc = m_frame.AddrPC.Offset;

    CLineText line(m_line, sizeof m_line);
    // Only the low word of a segment field is the selector; the rest may hold garbage.
    line.Append("%04X:" TARNIX_CRASH_HEX_UPPER, static_cast<unsigned>(m_context.SegCs & 0xFFFF), Word(pc));
    line.Append(" (0x" TARNIX_CRASH_HEX_UPPER " 0x" TARNIX_CRASH_HEX_UPPER " 0x" TARNIX_CRASH_HEX_UPPER
                " 0x" TARNIX_CRASH_HEX_UPPER ")",
                Word(m_frame.Params[0]), Word(m_frame.Params[1]), Word(m_frame.Params[2]), Word(m_frame.Params[3]));

    std::memset(&g_symbol, 0, sizeof g_symbol);
    g_symbol.info.SizeOfStruct = sizeof(SYMBOL_INFO);
    g_symbol.info.MaxNameLen = kMaxSymbolName;
    DWORD64 displacement = 0;
    if (!help.symFromAddr(process, pc, &displacement, &g_symbol.info))
        return;
    g_symbol.bytes[sizeof g_symbol.bytes - 1] = '\0';

    line.Append(",");
    if (displacement != 0)
        line.Append(" %s()+%04d byte(s)", g_symbol.info.Name, static_cast<int>(displacement));
    else
        line.Append(" %s ", g_symbol.info.Name);

    IMAGEHLP_LINE64 source;
    std::memset(&source, 0, sizeof source);
    source.SizeOfStruct = sizeof source;
    DWORD lineDisplacement = 0;
    if (!help.symGetLineFromAddr64(process, pc, &lineDisplacement, &source) || source.FileName == nullptr)
        return;
    if (lineDisplacement != 0)
        line.Append(" %s, line %04d+%04d byte(s)", source.FileName, static_cast<int>(source.LineNumber),
                    static_cast<int>(lineDisplacement));
    else
        line.Append(" %s, line %04d", source.FileName, static_cast<int>(source.LineNumber));
}

void WriteRawStackDump(CCrashReportBuffer& out, std::uintptr_t esp, std::uintptr_t stackTop)
{
    out.AppendText("\r\n\r\nStack:\r\n");
    std::size_t words = stackTop > esp ? (stackTop - esp) / 4 : 0;
    if (words > kMaxRawStackWords)
        words = kMaxRawStackWords;

    for (std::size_t first = 0; first < words; first += 4) {
        const std::size_t count = words - first < 4 ? words - first : 4;
        const std::uintptr_t address = esp + first * 4;
        std::uint32_t line[4];
        if (!ReadMemory(reinterpret_cast<const void*>(address), line, count * 4)) {
            out.AppendText("Exception encountered during stack dump.\r\n");
            return;
        }
        out.Append("0x" TARNIX_CRASH_HEX ": ", Word(address));
        for (std::size_t i = 0; i < count; ++i)
            out.Append("%08x ", static_cast<unsigned>(line[i]));
        for (std::size_t i = count; i < 4; ++i)
            out.AppendText("         ");
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(line);
        for (std::size_t i = 0; i < count * 4; ++i)
            out.AppendChar(Printable(bytes[i]));
        out.AppendText("\r\n");
    }
    out.AppendText("\r\n");
}

void CaptureStackFrames(std::vector<std::uintptr_t>& returnAddresses, unsigned skipFrames)
{
    returnAddresses.clear();
    if (!EnsureSymbolHandler())
        return;
    CONTEXT context;
    CaptureRegisters(context);
    STACKFRAME64 frame;
    StartFrame(frame, context);
    const unsigned skip = skipFrames + kCaptureOwnFrames;
    for (unsigned walked = 0; walked < kMaxCapturedFrames; ++walked) {
        if (!StepFrame(frame, context))
            break;
        if (walked >= skip)
            returnAddresses.push_back(static_cast<std::uintptr_t>(frame.AddrPC.Offset));
    }
}

} // namespace crash
} // namespace STI_OS
