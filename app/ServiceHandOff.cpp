#include "app/ServiceHandOff.h"

#include "infra/Lock.h"

namespace {

IServiceHandOff* g_target = nullptr;

sti::CMutex& TargetLock()
{
    static sti::CMutex lock;
    return lock;
}

} // namespace

void SetServiceHandOff(IServiceHandOff* target)
{
    sti::CScopedLock guard(TargetLock());
    g_target = target;
}

void HandReportToService(const CString& line)
{
    sti::CScopedLock guard(TargetLock());
    if (g_target)
        g_target->SendReport(line);
}

bool HandMailRequestToService(const CString& request)
{
    sti::CScopedLock guard(TargetLock());
    return g_target && g_target->SendMailRequest(request);
}
