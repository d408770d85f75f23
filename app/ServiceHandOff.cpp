#include "app/ServiceHandOff.h"

#include "infra/ConditionVariable.h"
#include "infra/Lock.h"

namespace {

// The target and the calls in progress on it. The lock is held only to take or change the
// target, never through a call: a call may wait on the service's full pipe, and the service
// thread hands mails over itself.
struct SHandOff {
    sti::CMutex lock;
    sti::CConditionVariable idle{lock};
    IServiceHandOff* target = nullptr;
    int calls = 0;
};

SHandOff& HandOff()
{
    static SHandOff handOff;
    return handOff;
}

// The target for one call, or null; it stays connected until the call has ended.
class CCall {
public:
    CCall()
    {
        SHandOff& handOff = HandOff();
        sti::CScopedLock guard(handOff.lock);
        m_target = handOff.target;
        if (m_target)
            ++handOff.calls;
    }
    ~CCall()
    {
        if (!m_target)
            return;
        SHandOff& handOff = HandOff();
        sti::CScopedLock guard(handOff.lock);
        if (--handOff.calls == 0)
            handOff.idle.Broadcast();
    }
    CCall(const CCall&) = delete;
    CCall& operator=(const CCall&) = delete;

    IServiceHandOff* operator->() const { return m_target; }
    explicit operator bool() const { return m_target != nullptr; }

private:
    IServiceHandOff* m_target;
};

} // namespace

void SetServiceHandOff(IServiceHandOff* target)
{
    SHandOff& handOff = HandOff();
    sti::CScopedLock guard(handOff.lock);
    while (handOff.calls > 0)
        (void)handOff.idle.Wait(sti::WAIT_INFINITE); // woken by the last call's end
    handOff.target = target;
}

void HandReportToService(const CString& line)
{
    CCall call;
    if (call)
        call->SendReport(line);
}

bool HandMailRequestToService(const CString& request)
{
    CCall call;
    return call && call->SendMailRequest(request);
}

CDeferredReport::~CDeferredReport()
{
    if (!m_built)
        return;
    try {
        HandReportToService(m_line);
    } catch (const std::bad_alloc&) {}
}
