#include "infra/os/CrashReporter.h"

#include "infra/os/win32/CrashDebugHelp.h"
#include "infra/os/win32/CrashReportBuffer.h"
#include "infra/os/win32/CrashReportWriter.h"
#include "infra/os/win32/CrashReporterInternal.h"
#include "infra/os/win32/CrashScopedHandle.h"
#include "infra/os/win32/CrashStackWalk.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace STI_OS {

namespace crash {

namespace {

constexpr char kDebugHelpLibrary[] = "dbghelp.dll";
constexpr char kReportFile[] = "ERROR.LOG";
constexpr char kDumpFile[] = "ERROR.DMP";
constexpr char kHelperProgram[] = "CHelper.exe";
constexpr LONG kHelperStarted = 1; // EXCEPTION_EXECUTE_HANDLER: the process ends
constexpr LONG kNotHandled = 0;    // EXCEPTION_CONTINUE_SEARCH: the system's default handling
constexpr DWORD kWaitStepMs = 50;

bool g_installCalled = false;
// Id of the thread that writes the report; 0 while armed. Thread ids are never 0.
volatile LONG g_reportingThread = 0;
// How the reporting thread's filter ended (kReportPending while it runs).
constexpr LONG kReportPending = 0;
constexpr LONG kHelperRunning = 1;
constexpr LONG kReportOnly = 2;
volatile LONG g_reportOutcome = kReportPending;

// Everything the filter needs lives here, not on the faulting thread's stack, which may be
// nearly used up.
CCrashReportBuffer g_report;
ProgramPaths g_program;
char g_path[2 * MAX_PATH + 32];
char g_commandLine[4 * MAX_PATH + 32];

HANDLE CreateBesideProgram(const char* fileName)
{
    std::snprintf(g_path, sizeof g_path, "%s%s", g_program.folder, fileName);
    return ::CreateFileA(g_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH, nullptr);
}

// True when this thread takes the report; a later fault finds the filter disarmed.
bool Disarm()
{
    const LONG self = static_cast<LONG>(::GetCurrentThreadId());
    return ::InterlockedCompareExchange(&g_reportingThread, self, 0) == 0;
}

// A fault on another thread while the report is being written must not end the process under
// the reporting thread's feet: it waits until the reporting thread is done. When that thread
// started the helper, the process is about to end with its exception, so this one never returns.
void WaitForReportOfOtherThread()
{
    const LONG self = static_cast<LONG>(::GetCurrentThreadId());
    if (g_reportingThread == self)
        return; // a fault inside the filter itself
    while (::InterlockedCompareExchange(&g_reportOutcome, 0, 0) == kReportPending)
        ::Sleep(kWaitStepMs);
    while (::InterlockedCompareExchange(&g_reportOutcome, 0, 0) == kHelperRunning)
        ::Sleep(kWaitStepMs);
}

void FinishReport(LONG outcome)
{
    ::InterlockedExchange(&g_reportOutcome, outcome);
}

void WriteMinidump(EXCEPTION_POINTERS* exception)
{
    const DebugHelp& help = GetDebugHelp();
    if (help.miniDumpWriteDump == nullptr)
        return;
    CScopedHandle dump(CreateBesideProgram(kDumpFile));
    if (!dump.IsValid())
        return;
    MINIDUMP_EXCEPTION_INFORMATION info;
    info.ThreadId = ::GetCurrentThreadId();
    info.ExceptionPointers = exception;
    info.ClientPointers = FALSE;
    ::OutputDebugStringA("writing minidump\r\n");
    help.miniDumpWriteDump(ReporterProcess(), ::GetCurrentProcessId(), dump.Get(), MiniDumpNormal, &info, nullptr,
                           nullptr);
}

// Both the helper's path and the program's name are quoted: either may hold blanks.
bool StartHelper()
{
    std::snprintf(g_path, sizeof g_path, "%s%s", g_program.folder, kHelperProgram);
    std::snprintf(g_commandLine, sizeof g_commandLine, "\"%s\" \"%s\"", g_path, g_program.fileName);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!::CreateProcessA(g_path, g_commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CScopedHandle processHandle(process.hProcess);
    CScopedHandle threadHandle(process.hThread);
    return true;
}

// An uncaught C++ exception becomes a structured one so that the same report is written.
[[noreturn]] void ReportUncaughtCxxException()
{
    ::RaiseException(kCxxExceptionCode, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    std::abort();
}

} // namespace

LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* exception)
{
    if (!Disarm()) {
        WaitForReportOfOtherThread();
        return kNotHandled;
    }
    if (exception == nullptr || exception->ExceptionRecord == nullptr || exception->ContextRecord == nullptr) {
        FinishReport(kReportOnly);
        return kNotHandled;
    }

    ReadProgramPaths(g_program);
    {
        CScopedHandle report(CreateBesideProgram(kReportFile));
        if (!report.IsValid()) {
            ::OutputDebugStringA("Error creating exception report\r\n");
            FinishReport(kReportOnly);
            return kNotHandled;
        }
        g_report.Attach(report.Get());
        WriteCrashReport(g_report, *exception, g_program);
        g_report.Attach(INVALID_HANDLE_VALUE);
    }
    WriteMinidump(exception);

    if (::IsDebuggerPresent() || !StartHelper()) {
        FinishReport(kReportOnly);
        return kNotHandled;
    }
    FinishReport(kHelperRunning);
    return kHelperStarted;
}

void InstallCrashReporterWith(const char* debugHelpLibrary)
{
    if (g_installCalled)
        return;
    g_installCalled = true;
    ::SetUnhandledExceptionFilter(ReportUnhandledException);
    std::set_terminate(ReportUncaughtCxxException);
    SetReporterProcess(::GetCurrentProcess());
    LoadDebugHelp(debugHelpLibrary);
}

} // namespace crash

void InstallCrashReporter()
{
    crash::InstallCrashReporterWith(crash::kDebugHelpLibrary);
}

void CaptureStack(std::vector<std::uintptr_t>& returnAddresses, unsigned skipFrames)
{
    crash::CaptureStackFrames(returnAddresses, skipFrames);
    // Keeps this frame on the stack (no jump into the walker), so the two frames the walk skips
    // for itself are always this one and the walker's.
    asm volatile("" ::: "memory");
}

} // namespace STI_OS
