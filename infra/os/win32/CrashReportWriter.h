#pragma once
#include <windows.h>

namespace STI_OS {
namespace crash {

class CCrashReportBuffer;

// Where the program lives; the report, the minidump and the helper all go beside it.
struct ProgramPaths {
    char fullPath[MAX_PATH + 1]; // "Unknown" when it cannot be read
    char folder[MAX_PATH + 1];   // with its trailing backslash; empty for "Unknown"
    char fileName[MAX_PATH + 1]; // e.g. "Tarnix.exe"
    char baseName[MAX_PATH + 1]; // e.g. "Tarnix"
};

// Fills paths from the running program's module file name.
void ReadProgramPaths(ProgramPaths& paths);

// Writes the whole text report for the exception, up to and including its end marker.
void WriteCrashReport(CCrashReportBuffer& out, const EXCEPTION_POINTERS& exception, const ProgramPaths& program);

} // namespace crash
} // namespace STI_OS
