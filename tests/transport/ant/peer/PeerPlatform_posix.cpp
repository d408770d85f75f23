#include "PeerPlatform.h"

#include <csignal>
#include <sys/resource.h>

void PreparePeerProcess()
{
    std::signal(SIGPIPE, SIG_IGN);
}

double ProcessCpuSeconds()
{
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0)
        return 0.0;
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
