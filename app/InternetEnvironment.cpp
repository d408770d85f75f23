#include "app/InternetEnvironment.h"

#include <atomic>

namespace {

class CSystemInternet : public IInternetEnvironment {
public:
    bool IsConnected() override
    {
        DWORD flags = 0;
        return InternetGetConnectedState(&flags, 0) != FALSE;
    }
    DWORD ErrorDialog(HWND parent, HINTERNET request, DWORD error, DWORD flags) override
    {
        return InternetErrorDlg(parent, request, error, flags, nullptr);
    }
};

CSystemInternet g_system;
std::atomic<IInternetEnvironment*> g_current{nullptr};

} // namespace

IInternetEnvironment& GetInternetEnvironment()
{
    IInternetEnvironment* current = g_current.load();
    return current ? *current : g_system;
}

void SetInternetEnvironment(IInternetEnvironment* environment)
{
    g_current.store(environment);
}
