#pragma once
#include <windows.h>
#include <dbghelp.h>

namespace STI_OS {
namespace crash {

// Entry points of the debugging-help library. They are looked up by name at run time, so the
// program still starts, and still reports with less detail, where the library or a newer entry
// point is missing.
struct DebugHelp {
    using StackWalk64Fn = BOOL(WINAPI*)(DWORD, HANDLE, HANDLE, LPSTACKFRAME64, PVOID, PREAD_PROCESS_MEMORY_ROUTINE64,
                                        PFUNCTION_TABLE_ACCESS_ROUTINE64, PGET_MODULE_BASE_ROUTINE64,
                                        PTRANSLATE_ADDRESS_ROUTINE64);
    using SymFunctionTableAccess64Fn = PVOID(WINAPI*)(HANDLE, DWORD64);
    using SymGetModuleBase64Fn = DWORD64(WINAPI*)(HANDLE, DWORD64);
    using SymCleanupFn = BOOL(WINAPI*)(HANDLE);
    using SymFromAddrFn = BOOL(WINAPI*)(HANDLE, DWORD64, PDWORD64, PSYMBOL_INFO);
    using SymGetLineFromAddr64Fn = BOOL(WINAPI*)(HANDLE, DWORD64, PDWORD, PIMAGEHLP_LINE64);
    using SymInitializeFn = BOOL(WINAPI*)(HANDLE, PCSTR, BOOL);
    using SymSetOptionsFn = DWORD(WINAPI*)(DWORD);
    using UnDecorateSymbolNameFn = DWORD(WINAPI*)(PCSTR, PSTR, DWORD, DWORD);
    using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                              PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
    using SymGetSymFromAddr64Fn = BOOL(WINAPI*)(HANDLE, DWORD64, PDWORD64, PIMAGEHLP_SYMBOL64);

    StackWalk64Fn stackWalk64 = nullptr;
    SymFunctionTableAccess64Fn symFunctionTableAccess64 = nullptr;
    SymGetModuleBase64Fn symGetModuleBase64 = nullptr;
    SymCleanupFn symCleanup = nullptr;
    SymFromAddrFn symFromAddr = nullptr;
    SymGetLineFromAddr64Fn symGetLineFromAddr64 = nullptr;
    SymInitializeFn symInitialize = nullptr;
    SymSetOptionsFn symSetOptions = nullptr;
    UnDecorateSymbolNameFn unDecorateSymbolName = nullptr;
    MiniDumpWriteDumpFn miniDumpWriteDump = nullptr;
    // Resolved last: when it is there, every entry point above is too.
    SymGetSymFromAddr64Fn symGetSymFromAddr64 = nullptr;

    bool IsComplete() const { return symGetSymFromAddr64 != nullptr; }
};

// Loads the library by name and resolves the entry points in the order above, stopping at the
// first one missing (those found before it stay usable). Returns whether all were found.
bool LoadDebugHelp(const char* libraryName);

// The entry points loaded so far (all null before LoadDebugHelp).
const DebugHelp& GetDebugHelp();

// Sets the symbol options and initialises the symbol handler for the process once; returns
// whether symbols are usable. The process handle is the one remembered at installation.
bool EnsureSymbolHandler();
// Releases the symbol handler (the next EnsureSymbolHandler starts it again).
void ReleaseSymbolHandler();

// The process handle remembered at installation.
HANDLE ReporterProcess();
void SetReporterProcess(HANDLE process);

} // namespace crash
} // namespace STI_OS
