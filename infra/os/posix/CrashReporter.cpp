#include "infra/os/CrashReporter.h"

// Crash reports are a Windows feature; elsewhere the system's own core dumps serve.
namespace STI_OS {

void InstallCrashReporter() {}

void CaptureStack(std::vector<std::uintptr_t>& returnAddresses, unsigned)
{
    returnAddresses.clear();
}

} // namespace STI_OS
