#include "infra/os/win32/CrashDebugHelp.h"

namespace STI_OS {
namespace crash {

namespace {

DebugHelp g_debugHelp;
HANDLE g_process = nullptr;
bool g_symbolsReady = false;

// Undecorated names, deferred symbol loads, line numbers.
constexpr DWORD kSymbolOptions = 22;

template <typename Fn>
bool Resolve(HMODULE library, const char* name, Fn& slot)
{
    FARPROC proc = ::GetProcAddress(library, name);
    if (proc == nullptr)
        return false;
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    return true;
}

} // namespace

bool LoadDebugHelp(const char* libraryName)
{
    HMODULE library = ::LoadLibraryA(libraryName);
    if (library == nullptr)
        return false;
    // The library stays loaded for the life of the process: the filter may need it any time.
    DebugHelp& d = g_debugHelp;
    return Resolve(library, "StackWalk64", d.stackWalk64) &&
           Resolve(library, "SymFunctionTableAccess64", d.symFunctionTableAccess64) &&
           Resolve(library, "SymGetModuleBase64", d.symGetModuleBase64) &&
           Resolve(library, "SymCleanup", d.symCleanup) && Resolve(library, "SymFromAddr", d.symFromAddr) &&
           Resolve(library, "SymGetLineFromAddr64", d.symGetLineFromAddr64) &&
           Resolve(library, "SymInitialize", d.symInitialize) && Resolve(library, "SymSetOptions", d.symSetOptions) &&
           Resolve(library, "UnDecorateSymbolName", d.unDecorateSymbolName) &&
           Resolve(library, "MiniDumpWriteDump", d.miniDumpWriteDump) &&
           Resolve(library, "SymGetSymFromAddr64", d.symGetSymFromAddr64);
}

const DebugHelp& GetDebugHelp()
{
    return g_debugHelp;
}

bool EnsureSymbolHandler()
{
    if (!g_debugHelp.IsComplete())
        return false;
    if (!g_symbolsReady) {
        g_debugHelp.symSetOptions(kSymbolOptions);
        g_symbolsReady = g_debugHelp.symInitialize(g_process, nullptr, TRUE) != FALSE;
    }
    return g_symbolsReady;
}

void ReleaseSymbolHandler()
{
    if (g_symbolsReady)
        g_debugHelp.symCleanup(g_process);
    g_symbolsReady = false;
}

HANDLE ReporterProcess()
{
    return g_process;
}

void SetReporterProcess(HANDLE process)
{
    g_process = process;
}

} // namespace crash
} // namespace STI_OS
