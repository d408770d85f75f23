// A program that installs the crash reporter and then dies the way its argument says; the
// crash tests run it in a scratch folder beside a stand-in CHelper.exe.
#include "infra/os/CrashReporter.h"
#include "infra/os/win32/CrashReporterInternal.h"
#include "infra/os/win32/CrashStackWalk.h"

#include <windows.h>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

volatile int* volatile g_nowhere = nullptr;

[[noreturn]] void WriteThroughNull()
{
    *g_nowhere = 42;
    ::ExitProcess(3); // not reached
}

// Both threads fault as close together as the scheduler allows.
[[noreturn]] void FaultOnTwoThreads()
{
    HANDLE go = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([go] {
        ::WaitForSingleObject(go, INFINITE);
        WriteThroughNull();
    });
    ::Sleep(50);
    ::SetEvent(go);
    WriteThroughNull();
}

// The first report through the filter itself (the process goes on), then a real fault.
[[noreturn]] void ReportTwice()
{
    CONTEXT context;
    STI_OS::crash::CaptureRegisters(context);
    EXCEPTION_RECORD record;
    std::memset(&record, 0, sizeof record);
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    record.ExceptionAddress = reinterpret_cast<void*>(STI_OS::crash::InstructionPointer(context));
    record.NumberParameters = 2;
    record.ExceptionInformation[0] = 1;
    record.ExceptionInformation[1] = 0;
    EXCEPTION_POINTERS pointers = {&record, &context};
    if (STI_OS::crash::ReportUnhandledException(&pointers) != 1)
        ::ExitProcess(4);
    if (!::MoveFileA("ERROR.LOG", "FIRST.LOG"))
        ::ExitProcess(6);
    WriteThroughNull();
}

} // namespace

int main(int argc, char** argv)
{
    ::SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "no-dbghelp") == 0)
        STI_OS::crash::InstallCrashReporterWith("no-such-dbghelp.dll");
    else
        STI_OS::InstallCrashReporter();

    if (std::strcmp(mode, "write-null") == 0 || std::strcmp(mode, "no-dbghelp") == 0)
        WriteThroughNull();
    if (std::strcmp(mode, "unknown-code") == 0)
        ::RaiseException(0xE0424242, 0, 0, nullptr);
    if (std::strcmp(mode, "cxx-throw") == 0)
        throw std::runtime_error("nobody catches this");
    if (std::strcmp(mode, "two-threads") == 0)
        FaultOnTwoThreads();
    if (std::strcmp(mode, "twice") == 0)
        ReportTwice();
    return 2; // unknown mode
}
